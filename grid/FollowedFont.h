#pragma once
// A font that follows a default (the grid's, the column's) until it is assigned on its own: the copy
// keeps the font's change handler, so that following is not taken for an assignment.
#include "platform/graphics/Font.h"
#include <cstdint>

namespace gridfont {
// Copies def into font when def changed since the last copy (followed holds its generation), or always
// when forced.
inline void Follow(gfx::TFont& font, const gfx::TFont& def, std::uint64_t& followed, bool force = false)
{
    if (!force && def.Generation() == followed)
        return;
    auto handler = std::move(font.OnChange);
    font.Assign(def);
    font.OnChange = std::move(handler);
    followed = def.Generation();
}
} // namespace gridfont
