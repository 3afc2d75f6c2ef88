#pragma once
// Large buffers freed on a thread of their own: giving megabytes back to the system cost a view's close a
// third of a millisecond at a million rows, which the filing that reads its next view waited for.
#include <cstddef>
#include <memory>
#include <utility>

namespace dbf {

// Destroys the object on the freeing thread (or at once when it cannot be had).
void releaseAside(std::shared_ptr<void> holder);

// Empties an object; one that holds bytes of a megabyte or more is destroyed on the freeing thread.
template <class T>
void releaseEmptied(T& object, std::size_t bytes)
{
    if (bytes >= (std::size_t(1) << 20))
        releaseAside(std::make_shared<T>(std::move(object)));
    object = T();
}

} // namespace dbf
