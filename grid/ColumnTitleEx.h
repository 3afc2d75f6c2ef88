#pragma once
// A column's title cell: caption, font, colour, alignment, orientation, image, hint and sort marker.
// Its attribute flags live in the owning column's set; unset attributes follow the grid's title
// defaults, the grid's title font or the bound field.
#include "grid/DBGridExTypes.h"
#include "platform/data/DataSetTypes.h"
#include "platform/graphics/Font.h"
#include <QString>

class TColumnEx;

class TColumnTitleEx {
public:
    explicit TColumnTitleEx(TColumnEx* column);
    TColumnEx* Column() const { return column_; }

    TAlignment Alignment() const;
    void SetAlignment(TAlignment a);
    QString Caption() const;
    virtual void SetCaption(const QString& s);
    gfx::TColor Color() const;
    void SetColor(gfx::TColor c);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool v);
    // The title font; while the title has none of its own it follows the default, quietly.
    gfx::TFont& GetFont();
    gfx::TFont& Font() { return GetFont(); }
    void SetFont(const gfx::TFont& f);
    QString Hint() const { return hint_; }
    void SetHint(const QString& h) { hint_ = h; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    TTextOrientationEx Orientation() const;
    void SetOrientation(TTextOrientationEx o);
    bool TitleButton() const;
    void SetTitleButton(bool v);
    bool ToolTips() const;
    void SetToolTips(bool v);

    TSortMarkerEx SortMarker() const { return sortMarker_; }
    void SetSortMarker(TSortMarkerEx m);
    int SortIndex() const { return sortIndex_; }
    void SetSortIndex(int i);
    void SetNextSortMarkerValue(bool keepOthers);
    int GetSortMarkingWidth();

    virtual void RestoreDefaults();
    void Assign(const TColumnTitleEx& source);
    // True when the caption is flagged and differs from its default (the form stores it).
    bool IsCaptionStored() const;
    void RefreshDefaultFont();
    virtual ~TColumnTitleEx() = default;

private:
    bool assigned(TColumnExValue v) const;
    void flag(TColumnExValue v);
    const gfx::TFont& defaultFont() const;
    QString defaultCaption() const;
    void fontChanged();

    TColumnEx* column_;
    QString caption_;
    gfx::TFont font_;
    std::uint64_t followedGeneration_ = 0;
    gfx::TColor color_ = gfx::clBtnFace;
    TAlignment alignment_ = taLeftJustify;
    bool endEllipsis_ = false;
    int sortIndex_ = 0;
    QString hint_;
    int imageIndex_ = -1;
    bool toolTips_ = false;
    TTextOrientationEx orientation_ = tohHorizontal;
    TSortMarkerEx sortMarker_ = smNoneEx;
    bool titleButton_ = false;
};
