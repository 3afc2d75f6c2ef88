#include "grid/ColumnEx.h"
#include "grid/DBLookupGridsEx.h"
#include "grid/FollowedFont.h"
#include "grid/DBGridColumnsEx.h"
#include "grid/DBGridEx.h"
#include "platform/controls/InplaceEdit.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include <QFontMetrics>
#include <QStyle>
#include <QApplication>

TColumnEx::TColumnEx(TDBGridColumnsEx* collection, bool stored) : collection_(collection), stored_(stored)
{
    TCustomDBGridEx* g = Grid();
    if (g)
        g->BeginLayout();
    font_.OnChange = [this] { fontChanged(); };
    title_ = std::make_unique<TColumnTitleEx>(this);
    footer_ = std::make_unique<TColumnFooterEx>(this);
    footers_ = std::make_unique<TColumnFootersEx>(this);
    initialWidth_ = GetWidth();
    editButtons_ = std::make_unique<TEditButtonsEx>();
    editButtons_->OnChange = [this] { Changed(false); };
    specRow_ = std::make_unique<TSpecRowEx>();
    specRow_->OnChange = [this] {
        Changed(false);
        if (dataList_)
            dataList_->SpecRow().Assign(*specRow_);
    };
    dropDownBox_ = std::make_unique<TColumnDropDownBoxEx>(this);
    if (g)
        g->CancelLayout();
}

TColumnEx::~TColumnEx()
{
    font_.OnChange = nullptr;
    dataList_.reset();
    dropField();
    title_.reset();
    pickList_.reset();
    footer_.reset();
    footers_.reset();
    keyList_.reset();
}

TCustomDBGridEx* TColumnEx::Grid() const { return collection_ ? collection_->Grid() : nullptr; }

int TColumnEx::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TColumnEx::SetIndex(int index)
{
    if (!collection_)
        return;
    // A default column moves its field first, so the field order stays the source of truth.
    TCustomDBGridEx* g = Grid();
    if (g && SeenPassthrough() && field_ && g->DataLink()->Active()) {
        if (TField* target = g->DataLink()->Fields(index))
            field_->SetIndex(target->Index());
    }
    collection_->Move(Index(), index);
}

QString TColumnEx::GetDisplayName() const
{
    return fieldName_.isEmpty() ? QStringLiteral("TDBGridColumnEx") : fieldName_;
}

void TColumnEx::Changed(bool allItems)
{
    if (collection_)
        collection_->Changed(allItems ? nullptr : this);
}

// ---- field binding ----

void TColumnEx::dropField()
{
    if (field_ && fieldNotification_)
        field_->RemoveFreeNotification(fieldNotification_);
    field_ = nullptr;
    fieldNotification_ = 0;
}

void TColumnEx::SetFieldName(const QString& name)
{
    TField* found = nullptr;
    TCustomDBGridEx* g = Grid();
    TDataSet* ds = g ? g->DataLink()->DataSet() : nullptr;
    if (ds && ds->Active() && !name.isEmpty())
        found = ds->FindField(name);
    fieldName_ = name;
    SetField(found);
    initialWidth_ = Width();
    Changed(false);
}

TField* TColumnEx::GetField()
{
    TCustomDBGridEx* g = Grid();
    if (!field_ && !fieldName_.isEmpty() && g) {
        TDataSet* ds = g->DataLink()->DataSet();
        if (!ds || (!ds->Active() && ds->DefaultFields()))
            return nullptr;
        TField* f = ds->FindField(fieldName_);
        if (f != field_) {
            dropField();
            field_ = f;
            if (f) {
                fieldNotification_ = f->AddFreeNotification([this](TField*) { field_ = nullptr; fieldNotification_ = 0; });
                fieldName_ = f->FieldName();
            }
            EnsureSumValue();
        }
    }
    return field_;
}

void TColumnEx::SetField(TField* field)
{
    if (field == field_)
        return;
    dropField();
    field_ = field;
    if (field) {
        fieldNotification_ = field->AddFreeNotification([this](TField*) { field_ = nullptr; fieldNotification_ = 0; });
        fieldName_ = field->FieldName();
    }
    if (SeenPassthrough()) {
        if (!field)
            fieldName_.clear();
        RestoreDefaults();
        initialWidth_ = Width();
    }
    EnsureSumValue();
    Changed(false);
}

bool TColumnEx::linkActiveWithField()
{
    TCustomDBGridEx* g = Grid();
    return g && g->DataLink()->Active() && GetField();
}

// ---- attributes ----

template <typename T>
void TColumnEx::setFlagged(T& slot, const T& v, TColumnExValue f, bool reportChange)
{
    if (assigned(f) && slot == v)
        return;
    slot = v;
    flag(f);
    if (reportChange)
        Changed(false);
}

TAlignment TColumnEx::Alignment() const
{
    if (assigned(cvAlignment))
        return alignment_;
    TField* f = const_cast<TColumnEx*>(this)->GetField();
    return f ? f->Alignment() : taLeftJustify;
}

void TColumnEx::SetAlignment(TAlignment a)
{
    if (SeenPassthrough()) {
        if (linkActiveWithField()) {
            GetField()->SetAlignment(a);
            Changed(false);
        }
        return;
    }
    setFlagged(alignment_, a, cvAlignment);
}

gfx::TColor TColumnEx::Color() const
{
    if (assigned(cvColor))
        return color_;
    TCustomDBGridEx* g = Grid();
    return g ? g->Color() : gfx::clWindow;
}

void TColumnEx::SetColor(gfx::TColor c) { setFlagged(color_, c, cvColor); }

const gfx::TFont& TColumnEx::defaultFont() const
{
    TCustomDBGridEx* g = Grid();
    return g ? g->Font() : font_;
}

gfx::TFont& TColumnEx::Font()
{
    if (!assigned(cvFont) && Grid()) {
        gridfont::Follow(font_, defaultFont(), followedGeneration_);
    }
    return font_;
}

void TColumnEx::SetFont(const gfx::TFont& f) { font_.Assign(f); }

void TColumnEx::fontChanged()
{
    flag(cvFont);
    title_->RefreshDefaultFont();
    Changed(false);
}

void TColumnEx::RefreshDefaultFont()
{
    if (assigned(cvFont) || !Grid())
        return;
    gridfont::Follow(font_, defaultFont(), followedGeneration_, true);
}

bool TColumnEx::ReadOnly() const
{
    if (assigned(cvReadOnly))
        return readOnly_;
    TCustomDBGridEx* g = Grid();
    if (g && g->ReadOnly())
        return true;
    TField* f = const_cast<TColumnEx*>(this)->GetField();
    return f ? f->ReadOnly() : false;
}

void TColumnEx::SetReadOnly(bool v)
{
    if (SeenPassthrough() && linkActiveWithField()) {
        GetField()->SetReadOnly(v);
        Changed(false);
        return;
    }
    setFlagged(readOnly_, v, cvReadOnly);
}

int TColumnEx::DefaultWidth() const
{
    TCustomDBGridEx* g = Grid();
    if (!g)
        return 64;
    TField* f = const_cast<TColumnEx*>(this)->GetField();
    if (!f)
        return g->DefaultColWidth();
    const QFontMetrics fm(const_cast<TColumnEx*>(this)->Font().ToQFont());
    return fm.horizontalAdvance(QLatin1Char('0')) * f->DisplayWidth() + 4;
}

int TColumnEx::GetWidth() const { return assigned(cvWidth) ? width_ : DefaultWidth(); }

void TColumnEx::SetWidth(int w)
{
    TCustomDBGridEx* g = Grid();
    bool store = true;
    if (g && SeenPassthrough()) {
        if (TField* f = GetField()) {
            const QFontMetrics fm(Font().ToQFont());
            const int zero = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
            f->SetDisplayWidth((w + fm.averageCharWidth() / 2 - 3) / zero);
        }
        store = !g->layoutFromDataSet_ || assigned(cvWidth);
    }
    if (!store)
        return;
    if (!assigned(cvWidth) && w == DefaultWidth()) {
        Changed(false);
        return;
    }
    if (w != -1) {
        width_ = w;
        flag(cvWidth);
        if (maxWidth_ >= 1 && maxWidth_ < width_)
            width_ = maxWidth_;
        if (minWidth_ > width_)
            width_ = minWidth_;
    }
    Changed(false);
}

bool TColumnEx::WordWrap() const
{
    if (assigned(cvWordWrap))
        return wordWrap_;
    TField* f = const_cast<TColumnEx*>(this)->GetField();
    return f && (f->DataType() == ftString || f->DataType() == ftMemo || f->DataType() == ftFmtMemo);
}

void TColumnEx::SetWordWrap(bool v)
{
    if (!assigned(cvWordWrap) && v == WordWrap()) {
        Changed(false);
        return;
    }
    setFlagged(wordWrap_, v, cvWordWrap);
}

bool TColumnEx::Checkboxes() const
{
    if (assigned(cvCheckboxes))
        return checkboxes_;
    TField* f = const_cast<TColumnEx*>(this)->GetField();
    return f && f->DataType() == ftBoolean;
}

void TColumnEx::SetCheckboxes(bool v) { setFlagged(checkboxes_, v, cvCheckboxes); }

#define DEFAULTED_BOOL(Name, member, flagName)                                     \
    bool TColumnEx::Name() const                                                   \
    {                                                                              \
        if (assigned(flagName))                                                    \
            return member;                                                         \
        TCustomDBGridEx* g = Grid();                                               \
        return g ? g->ColumnDefValues().Name() : false;                            \
    }                                                                              \
    void TColumnEx::Set##Name(bool v) { setFlagged(member, v, flagName); }

DEFAULTED_BOOL(EndEllipsis, endEllipsis_, cvEndEllipsis)
DEFAULTED_BOOL(AlwaysShowEditButton, alwaysShowEditButton_, cvAlwaysShowEditButton)
DEFAULTED_BOOL(DblClickNextVal, dblClickNextVal_, cvDblClickNextVal)
DEFAULTED_BOOL(ToolTips, toolTips_, cvToolTips)
DEFAULTED_BOOL(DropDownSizing, dropDownSizing_, cvDropDownSizing)
DEFAULTED_BOOL(DropDownShowTitles, dropDownShowTitles_, cvDropDownShowTitles)
#undef DEFAULTED_BOOL

bool TColumnEx::AutoDropDown() const
{
    if (assigned(cvAutoDropDown))
        return autoDropDown_;
    TCustomDBGridEx* g = Grid();
    return g ? g->ColumnDefValues().AutoDropDown() : false;
}

void TColumnEx::SetAutoDropDown(bool v) { setFlagged(autoDropDown_, v, cvAutoDropDown, false); }

QString TColumnEx::LookupDisplayFields() const { return assigned(cvLookupDisplayFields) ? lookupDisplayFields_ : QString(); }

void TColumnEx::SetLookupDisplayFields(const QString& v)
{
    if (!assigned(cvLookupDisplayFields) && v == LookupDisplayFields()) {
        Changed(false);
        return;
    }
    setFlagged(lookupDisplayFields_, v, cvLookupDisplayFields);
}

void TColumnEx::SetVisible(bool v)
{
    if (v == visible_)
        return;
    visible_ = v;
    Changed(true);
}

void TColumnEx::SetButtonStyle(TColumnButtonStyleEx s)
{
    if (s == buttonStyle_)
        return;
    buttonStyle_ = s;
    Changed(false);
}

void TColumnEx::SetDropDownWidth(int w)
{
    if (w == dropDownWidth_)
        return;
    dropDownWidth_ = w;
    Changed(false);
}

void TColumnEx::SetMaxWidth(int v)
{
    maxWidth_ = v;
    if (v > 0 && Width() > v)
        SetWidth(v);
}

void TColumnEx::SetMinWidth(int v)
{
    minWidth_ = v;
    if (v > 0 && Width() < v)
        SetWidth(v);
}

int TColumnEx::AllowableWidth(int w) const
{
    if (minWidth_ > 0 && minWidth_ > w)
        return minWidth_;
    if (maxWidth_ > 0 && maxWidth_ < w)
        return maxWidth_;
    return w;
}

void TColumnEx::SetNotInKeyListIndex(int i)
{
    notInKeyListIndex_ = i;
    if (TCustomDBGridEx* g = Grid())
        g->LayoutChanged();
}

void TColumnEx::SetAutoFitColWidth(bool v)
{
    autoFitColWidth_ = v;
    TCustomDBGridEx* g = Grid();
    if (g && g->AutoFitColWidths())
        SetWidth(initialWidth_);
    Changed(false);
}

void TColumnEx::SetImageList(const TImageListEx* list)
{
    imageList_ = list;
    if (TCustomDBGridEx* g = Grid())
        g->LayoutChanged();
}

QStringList& TColumnEx::PickList()
{
    if (!pickList_)
        pickList_ = std::make_unique<QStringList>();
    return *pickList_;
}

void TColumnEx::SetPickList(const QStringList* list)
{
    if (!list)
        pickList_.reset();
    else
        PickList() = *list;
}

QStringList& TColumnEx::KeyList()
{
    if (!keyList_)
        keyList_ = std::make_unique<QStringList>();
    return *keyList_;
}

void TColumnEx::SetKeyList(const QStringList* list)
{
    if (!list)
        keyList_.reset();
    else
        KeyList() = *list;
    if (TCustomDBGridEx* g = Grid())
        g->LayoutChanged();
}

TColumnFooterEx& TColumnEx::UsedFooter(int i)
{
    return i < footers_->Count() ? *footers_->Items(i) : *footer_;
}

void TColumnEx::EnsureSumValue()
{
    if (footer_)
        footer_->EnsureSumValue();
    if (footers_)
        for (int i = 0; i < footers_->Count(); ++i)
            footers_->Items(i)->EnsureSumValue();
}

void TColumnEx::SetOnGetCellParams(TGetColCellParamsEventEx handler)
{
    onGetCellParams_ = std::move(handler);
    if (TCustomDBGridEx* g = Grid())
        g->InvalidateGrid();
}

void TColumnEx::RestoreDefaults()
{
    const bool fontWasAssigned = assigned(cvFont);
    title_->RestoreDefaults();
    assigned_ = 0;
    followedGeneration_ = 0;
    RefreshDefaultFont();
    pickList_.reset();
    buttonStyle_ = cbsAuto;
    Changed(fontWasAssigned);
    keyList_.reset();
}

void TColumnEx::Assign(TColumnEx& s)
{
    TCustomDBGridEx* g = Grid();
    if (g)
        g->BeginLayout();
    SetFieldName(s.fieldName_);
    if (s.assigned(cvColor)) SetColor(s.color_);
    if (s.assigned(cvWidth)) SetWidth(s.width_);
    if (s.assigned(cvFont)) SetFont(s.font_);
    if (s.assigned(cvAlignment)) SetAlignment(s.alignment_);
    if (s.assigned(cvReadOnly)) SetReadOnly(s.readOnly_);
    if (s.assigned(cvWordWrap)) SetWordWrap(s.wordWrap_);
    if (s.assigned(cvLookupDisplayFields)) SetLookupDisplayFields(s.lookupDisplayFields_);
    if (s.assigned(cvCheckboxes)) SetCheckboxes(s.checkboxes_);
    title_->Assign(*s.title_);
    SetButtonStyle(s.buttonStyle_);
    SetPickList(s.pickList_.get());
    SetDropDownWidth(s.dropDownWidth_);
    footer_->Assign(*s.footer_);
    SetKeyList(s.keyList_.get());
    footers_->Assign(*s.footers_);
    tag_ = s.tag_;
    SetVisible(s.visible_);
    imageList_ = s.imageList_;
    popupMenu_ = s.popupMenu_;
    notInKeyListIndex_ = s.notInKeyListIndex_;
    minWidth_ = s.minWidth_;
    maxWidth_ = s.maxWidth_;
    SetOnGetCellParams(s.onGetCellParams_);
    editButtons_->Assign(*s.editButtons_);
    dropDownBox_->Assign(*s.dropDownBox_);
    SetEndEllipsis(s.EndEllipsis());
    SetAutoDropDown(s.AutoDropDown());
    SetAlwaysShowEditButton(s.AlwaysShowEditButton());
    SetToolTips(s.ToolTips());
    SetDblClickNextVal(s.DblClickNextVal());
    SetDropDownSizing(s.DropDownSizing());
    SetDropDownShowTitles(s.DropDownShowTitles());
    if (g)
        g->EndLayout();
}

// ---- cell values ----

TColumnExType TColumnEx::GetColumnType()
{
    if (Checkboxes())
        return ctCheckboxes;
    TField* f = GetField();
    if (f && f->FieldKind() == fkLookup)
        return ctLookupField;
    const bool pickFilled = pickList_ && !pickList_->isEmpty();
    const bool keyFilled = keyList_ && !keyList_->isEmpty();
    if (pickFilled && !keyFilled)
        return ctPickList;
    if (keyFilled) {
        if (imageList_)
            return ctKeyImageList;
        if (pickList_)
            return ctKeyPickList;
        return ctCommon;
    }
    return ctCommon;
}

QString TColumnEx::DisplayText()
{
    TField* f = GetField();
    if (!f || GetColumnType() == ctKeyImageList)
        return {};
    if (keyList_ && !keyList_->isEmpty()) {
        const int i = keyList_->indexOf(f->Text());
        const QStringList& pick = PickList();
        if (i >= 0 && pick.size() > i)
            return pick[i];
        if (notInKeyListIndex_ >= 0 && notInKeyListIndex_ < pick.size())
            return pick[notInKeyListIndex_];
        return {};
    }
    TCustomDBGridEx* g = Grid();
    if (g && g->DrawMemoText() && f->DataType() == ftMemo)
        return f->AsString();
    if (f->FieldKind() == fkLookup && specRow_->Visible()) {
        const QVariant keys = FieldValues(f->DataSet(), f->KeyFields());
        if (VarEquals(keys, specRow_->Value()) || (specRow_->ShowIfNotInKeyList() && f->IsNull()))
            return specRow_->CellsText();
    }
    return f->DisplayText();
}

int TColumnEx::GetImageIndex()
{
    TField* f = GetField();
    if (GetColumnType() != ctKeyImageList || !f)
        return -1;
    const int i = KeyList().indexOf(f->Text());
    return i >= 0 ? i : notInKeyListIndex_;
}

namespace {
bool inItems(const QStringList& keys, int line, const QString& text)
{
    if (line >= keys.size())
        return false;
    const QStringList items = keys[line].split(QLatin1Char(';'));
    for (const QString& it : items)
        if (it.compare(text, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
} // namespace

TCheckBoxState TColumnEx::GetCheckboxState()
{
    TField* f = GetField();
    if (!f)
        return cbUnchecked;
    if (f->IsNull())
        return cbGrayed;
    if (f->DataType() == ftBoolean)
        return f->AsBoolean() ? cbChecked : cbUnchecked;
    const QString text = f->Text();
    const QStringList keys = keyList_ ? *keyList_ : QStringList();
    if (inItems(keys, 0, text))
        return cbChecked;
    if (inItems(keys, 1, text))
        return cbUnchecked;
    return cbGrayed;
}

void TColumnEx::SetCheckboxState(TCheckBoxState state)
{
    TField* f = GetField();
    if (!f)
        return;
    if (state == cbGrayed) {
        UpdateDataValues(QString(), QVariant(), false);
        return;
    }
    if (f->DataType() == ftBoolean) {
        UpdateDataValues(QString(), QVariant(state == cbChecked), false);
        return;
    }
    const int line = state == cbChecked ? 0 : 1;
    const QStringList keys = keyList_ ? *keyList_ : QStringList();
    const QString text = line < keys.size() ? keys[line].section(QLatin1Char(';'), 0, 0) : QString();
    UpdateDataValues(text, text, true);
}

void TColumnEx::UpdateDataValues(const QString& text, const QVariant& value, bool useText)
{
    QString t = text;
    QVariant v = value;
    bool ut = useText;
    if (OnUpdateData) {
        bool handled = false;
        OnUpdateData(this, t, v, ut, handled);
        if (handled)
            return;
    }
    TField* f = GetField();
    if (!f)
        return;
    TCustomDBGridEx* g = Grid();
    if (ut && g && g->DrawMemoText() && f->DataType() == ftMemo)
        f->SetAsString(t);
    else if (ut)
        f->SetText(t);
    else if (f->FieldKind() == fkLookup && !f->KeyFields().isEmpty())
        DataSetSetFieldValues(f->DataSet(), f->KeyFields(), v);
    else
        f->SetValue(v);
}

void TColumnEx::SetNextFieldValue(double increment)
{
    if (!CanModify(true))
        return;
    TField* f = GetField();
    TCustomDBGridEx* g = Grid();
    QString text = f->Text();
    if (g && g->InplaceEditor() && g->InplaceEditor()->isVisible())
        text = g->InplaceEditor()->text();
    // Forward for any positive step: an increment other than one still steps the way it points.
    const bool forward = increment > 0;
    auto step = [&](const QStringList& list) -> int {
        const int i = list.indexOf(text);
        if (list.isEmpty())
            return -1;
        if (forward)
            return (i < 0 || i == list.size() - 1) ? 0 : i + 1;
        return (i <= 0) ? int(list.size()) - 1 : i - 1;
    };
    switch (GetColumnType()) {
    case ctCheckboxes:
        SetCheckboxState(GetCheckboxState() == cbChecked ? cbUnchecked : cbChecked);
        return;
    case ctKeyPickList:
    case ctKeyImageList: {
        const int k = step(KeyList());
        if (k >= 0)
            UpdateDataValues(KeyList()[k], KeyList()[k], true);
        return;
    }
    case ctPickList: {
        const int k = step(PickList());
        if (k >= 0)
            UpdateDataValues(PickList()[k], PickList()[k], true);
        return;
    }
    case ctLookupField: {
        // Steps through the lookup records, wrapping round at either end.
        TDataSet* list = f->LookupDataSet();
        if (!list || !list->Active() || list->IsEmpty())
            return;
        if (f->IsNull() || !list->Locate(f->LookupKeyFields(), FieldValues(f->DataSet(), f->KeyFields()), {})) {
            list->First();
        } else if (forward) {
            list->Next();
            if (list->Eof())
                list->First();
        } else if (list->RecNo() <= 1) {
            list->Last();
        } else {
            list->Prior();
        }
        UpdateDataValues(QString(), FieldValues(list, f->LookupKeyFields()), false);
        return;
    }
    default:
        break;
    }
    switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: {
        const double now = f->IsNull() ? 0.0 : f->AsFloat();
        UpdateDataValues(QString(), QVariant(now + increment), false);
        break;
    }
    default:
        break;
    }
}

bool TColumnEx::CanModify(bool tryEdit)
{
    TCustomDBGridEx* g = Grid();
    if (!g || g->ReadOnly() || !g->DataLink()->Active() || g->DataLink()->ReadOnly() || ReadOnly())
        return false;
    TField* f = GetField();
    if (f && f->FieldKind() == fkLookup) {
        // A lookup cell writes its key fields: every one of them must take a value.
        std::vector<TField*> keys;
        try {
            keys = GetFieldsProperty(f->DataSet(), QString(), f->KeyFields());
        } catch (const std::exception&) {
            return false;
        }
        if (keys.empty() || !std::all_of(keys.begin(), keys.end(), [](TField* k) { return k->CanModify(); }))
            return false;
        f = keys.front();
    }
    if (!f || !f->CanModify())
        return false;
    if (f->IsBlob() && !f->OnGetText && !(g->DrawMemoText() && f->DataType() == ftMemo))
        return false;
    if (!has(g->AllowedOperations(), alopUpdateEx))
        return false;
    if (tryEdit) {
        const bool editing = g->DataLink()->Edit();
        if (editing)
            g->DataLink()->Modified();
        return editing;
    }
    return true;
}

bool TColumnEx::ShowsStyleButton()
{
    switch (buttonStyle_) {
    case cbsNone: return false;
    case cbsAuto: break;
    default: return true;
    }
    TField* f = GetField();
    if (!f)
        return false;
    if (f->FieldKind() == fkLookup)
        return true;
    if (ReadOnly())
        return false;
    return (pickList_ && !pickList_->isEmpty() && !imageList_) || f->DataType() == ftDate || f->DataType() == ftDateTime;
}

TPopupDataGridEx* TColumnEx::GetDataList()
{
    if (!dataList_) {
        // A window of its own, owned by the column alone.
        dataList_ = std::make_unique<TPopupDataGridEx>(nullptr);
        dataList_->SpecRow().Assign(*specRow_);
        dropDownBox_->ApplyTo(*dataList_);
    }
    return dataList_.get();
}

int TColumnEx::EditButtonsWidth()
{
    TCustomDBGridEx* g = Grid();
    const bool flat = g && g->Flat();
    const int standard = flat ? FlatButtonWidth() : QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    int w = ShowsStyleButton() ? standard + (flat ? 1 : 0) : 0;
    for (int i = 0; i < editButtons_->Count(); ++i) {
        const TEditButtonEx* b = editButtons_->Items(i);
        if (b->Visible())
            w += (b->Width() > 0 ? b->Width() : standard) + (flat ? 1 : 0);
    }
    return w;
}

void TColumnEx::FillColCellParams(TColCellParamsEx& p)
{
    p.Font = &Font();
    p.Background = Color();
    p.Alignment = Alignment();
    p.ImageIndex = GetImageIndex();
    p.Text = DisplayText();
    p.CheckboxState = GetColumnType() == ctCheckboxes ? GetCheckboxState() : cbUnchecked;
    p.ReadOnly = ReadOnly();
    p.Col = -1;
    p.Row = -1;
    p.State = 0;
}

void TColumnEx::GetColCellParams(bool editMode, TColCellParamsEx& params)
{
    if (onGetCellParams_)
        onGetCellParams_(this, editMode, params);
}
