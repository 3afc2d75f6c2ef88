#pragma once
// One grid column: binds a field of the data set by name and carries display attributes, each either
// set on the column (its flag set) or following a default from the grid, the grid's column defaults or
// the field. Owns its title and footers. Columns made from the fields (not stored) pass alignment,
// read-only and caption through to the field.
#include "grid/ColCellParamsEx.h"
#include "grid/ColumnDropDownBoxEx.h"
#include "grid/ColumnFooterEx.h"
#include "grid/ColumnTitleEx.h"
#include "grid/DBGridExTypes.h"
#include "grid/ImageListEx.h"
#include "grid/ToolCtrlsEx.h"
#include "platform/data/DataSetTypes.h"
#include "platform/graphics/Font.h"
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class TDBGridColumnsEx;
class TCustomDBGridEx;
class TField;
class TPopupDataGridEx;

class TColumnEx {
public:
    TColumnEx(TDBGridColumnsEx* collection, bool stored);
    virtual ~TColumnEx();
    TColumnEx(const TColumnEx&) = delete;
    TColumnEx& operator=(const TColumnEx&) = delete;

    TCustomDBGridEx* Grid() const;
    int Index() const;
    void SetIndex(int index);
    QString GetDisplayName() const;
    TColumnExValues AssignedValues() const { return assigned_; }
    bool Stored() const { return stored_; }
    bool SeenPassthrough() const { return !stored_; }

    // Field binding.
    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    TField* GetField();
    TField* Field() { return GetField(); }
    void SetField(TField* field);

    // Attributes with defaults.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment a);
    gfx::TColor Color() const;
    void SetColor(gfx::TColor c);
    gfx::TFont& Font();
    void SetFont(const gfx::TFont& f);
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    int Width() const { return GetWidth(); }
    int GetWidth() const;
    void SetWidth(int w);
    int DefaultWidth() const;
    bool WordWrap() const;
    void SetWordWrap(bool v);
    bool Checkboxes() const;
    void SetCheckboxes(bool v);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool v);
    bool AlwaysShowEditButton() const;
    void SetAlwaysShowEditButton(bool v);
    bool AutoDropDown() const;
    void SetAutoDropDown(bool v);
    bool DblClickNextVal() const;
    void SetDblClickNextVal(bool v);
    bool ToolTips() const;
    void SetToolTips(bool v);
    bool DropDownSizing() const;
    void SetDropDownSizing(bool v);
    bool DropDownShowTitles() const;
    void SetDropDownShowTitles(bool v);
    QString LookupDisplayFields() const;
    void SetLookupDisplayFields(const QString& v);

    // Plain values.
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    TColumnButtonStyleEx ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TColumnButtonStyleEx s);
    unsigned DropDownRows() const { return dropDownRows_; }
    void SetDropDownRows(unsigned n) { dropDownRows_ = n; }
    int DropDownWidth() const { return dropDownWidth_; }
    void SetDropDownWidth(int w);
    double Increment() const { return increment_; }
    void SetIncrement(double v) { increment_ = v; }
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int v);
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int v);
    int AllowableWidth(int w) const;
    int NotInKeyListIndex() const { return notInKeyListIndex_; }
    void SetNotInKeyListIndex(int i);
    int Tag() const { return tag_; }
    void SetTag(int t) { tag_ = t; }
    bool AutoFitColWidth() const { return autoFitColWidth_; }
    void SetAutoFitColWidth(bool v);
    int InitialWidth() const { return initialWidth_; }
    void SetInitialWidth(int w) { initialWidth_ = w; }
    // The pictures of an image column, shown by the position of the field's text in the key list.
    const TImageListEx* ImageList() const { return imageList_; }
    void SetImageList(const TImageListEx* list);
    // The column's own buttons in the editor, after the button of its edit style.
    TEditButtonsEx& EditButtons() { return *editButtons_; }
    // The "none" entry of the column's lookup drop-down list.
    TSpecRowEx& DropDownSpecRow() { return *specRow_; }
    // The settings of the drop-down list of records.
    TColumnDropDownBoxEx& DropDownBox() { return *dropDownBox_; }
    void SetDropDownBox(TColumnDropDownBoxEx& box) { dropDownBox_->Assign(box); }
    // The drop-down list of a lookup column's records, made on first need.
    TPopupDataGridEx* GetDataList();
    TPopupDataGridEx* DataListIfMade() const { return dataList_.get(); }
    // Whether the in-place editor shows the button of an edit style on this column.
    bool ShowsStyleButton();

    // The column's own context menu, shown on a right click over its data cells (not owned).
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    // Lists, created on first read.
    QStringList& PickList();
    void SetPickList(const QStringList* list);
    QStringList& KeyList();
    void SetKeyList(const QStringList* list);
    bool HasPickList() const { return pickList_ != nullptr; }
    bool HasKeyList() const { return keyList_ != nullptr; }

    TColumnTitleEx& Title() { return *title_; }
    TColumnFooterEx& Footer() { return *footer_; }
    TColumnFootersEx& Footers() { return *footers_; }
    TColumnFooterEx& UsedFooter(int i);
    void EnsureSumValue();

    // Cell values.
    TColumnExType GetColumnType();
    QString DisplayText();
    int GetImageIndex();
    TCheckBoxState GetCheckboxState();
    void SetCheckboxState(TCheckBoxState state);
    void UpdateDataValues(const QString& text, const QVariant& value, bool useText);
    void SetNextFieldValue(double increment);
    bool CanModify(bool tryEdit);
    int EditButtonsWidth();
    void FillColCellParams(TColCellParamsEx& params);
    void GetColCellParams(bool editMode, TColCellParamsEx& params);

    using TGetColCellParamsEventEx = std::function<void(TColumnEx* sender, bool editMode, TColCellParamsEx& params)>;
    using TColumnExUpdateDataEvent =
        std::function<void(TColumnEx* sender, QString& text, QVariant& value, bool& useText, bool& handled)>;
    using TColumnExNotInListEvent = std::function<void(TColumnEx* sender, const QString& text, QVariant& newValue, bool& recheck)>;
    void SetOnGetCellParams(TGetColCellParamsEventEx handler);
    const TGetColCellParamsEventEx& OnGetCellParams() const { return onGetCellParams_; }
    TColumnExUpdateDataEvent OnUpdateData;
    // The button of the in-place editor was clicked (ellipsis, drop-down); Handled stops the editor's own action.
    std::function<void(TColumnEx* sender, bool& handled)> OnEditButtonClick;
    // The editor's style button went down (again, while auto-repeating); Handled stops its own action.
    std::function<void(TColumnEx* sender, bool topButton, bool& autoRepeat, bool& handled)> OnEditButtonDown;
    TColumnExNotInListEvent OnNotInList;

    virtual void RestoreDefaults();
    void Assign(TColumnEx& source);
    void RefreshDefaultFont();
    // Reports a change to the collection: this column, or all of them.
    void Changed(bool allItems);

private:
    friend class TDBGridColumnsEx;
    bool assigned(TColumnExValue v) const { return has(assigned_, v); }
    void flag(TColumnExValue v) { assigned_ |= bit(v); }
    template <typename T>
    void setFlagged(T& slot, const T& v, TColumnExValue f, bool reportChange = true);
    bool linkActiveWithField();
    const gfx::TFont& defaultFont() const;
    void fontChanged();
    void dropField();

    friend class TColumnTitleEx;
    friend class TCustomDBGridEx;
    TDBGridColumnsEx* collection_;
    TAlignment alignment_ = taLeftJustify;
    TColumnExValues assigned_ = 0;
    TColumnButtonStyleEx buttonStyle_ = cbsAuto;
    bool checkboxes_ = false;
    gfx::TColor color_ = gfx::clWindow;
    bool dblClickNextVal_ = false;
    unsigned dropDownRows_ = 7;
    bool dropDownShowTitles_ = false;
    bool dropDownSizing_ = false;
    TField* field_ = nullptr;
    int fieldNotification_ = 0;
    QString fieldName_;
    gfx::TFont font_;
    std::uint64_t followedGeneration_ = 0;
    std::unique_ptr<TColumnFooterEx> footer_;
    std::unique_ptr<TColumnFootersEx> footers_;
    const TImageListEx* imageList_ = nullptr;
    QPointer<QMenu> popupMenu_;
    double increment_ = 1.0;
    std::unique_ptr<QStringList> keyList_;
    int maxWidth_ = 0;
    int minWidth_ = 0;
    int notInKeyListIndex_ = -1;
    TGetColCellParamsEventEx onGetCellParams_;
    std::unique_ptr<QStringList> pickList_;
    bool readOnly_ = false;
    bool stored_ = true;
    int tag_ = 0;
    std::unique_ptr<TColumnTitleEx> title_;
    bool toolTips_ = false;
    bool visible_ = true;
    int width_ = 0;
    bool alwaysShowEditButton_ = false;
    bool autoDropDown_ = false;
    bool autoFitColWidth_ = true;
    int dropDownWidth_ = 0;
    bool endEllipsis_ = false;
    int initialWidth_ = 0;
    QString lookupDisplayFields_;
    bool wordWrap_ = false;
    std::unique_ptr<TEditButtonsEx> editButtons_;
    std::unique_ptr<TSpecRowEx> specRow_;
    std::unique_ptr<TColumnDropDownBoxEx> dropDownBox_;
    std::unique_ptr<TPopupDataGridEx> dataList_;
};
