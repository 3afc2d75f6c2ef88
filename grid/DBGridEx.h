#pragma once
// The data-aware grid: shows the records of a data set as rows (one per record of the data link's
// buffer, so only visible records are read) and one column per TColumnEx, with a title row, an indicator
// column, optional footer rows with running sums, row selection and multi-selection, and drawing hooks
// that run after the grid's own painting of each cell. The vertical scroll bar is the record bar.
#include "grid/BookmarkListEx.h"
#include "grid/ColCellParamsEx.h"
#include "grid/ColumnDefValuesEx.h"
#include "grid/DBGridColumnsEx.h"
#include "grid/DBGridExScrollBar.h"
#include "grid/DBGridExSearchIndex.h"
#include "grid/DBGridExSelection.h"
#include "grid/DBGridExSumList.h"
#include "grid/DBGridExTypes.h"
#include "grid/GridDataLinkEx.h"
#include "grid/HeadTreeNode.h"
#include "platform/controls/CustomGrid.h"
#include "platform/graphics/Canvas.h"
#include <QImage>
#include <functional>
#include <memory>

class TDataSource;
class TField;
class TToolTipsWindow;
namespace rtl { class TIniFile; }
namespace sys { class TRegIniFile; }

class TCustomDBGridEx : public TCustomGrid {
    Q_OBJECT
public:
    explicit TCustomDBGridEx(QWidget* parent = nullptr);
    ~TCustomDBGridEx() override;

    // ---- options and properties ----
    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions value);
    TDBGridExOptions OptionsEx() const { return optionsEx_; }
    void SetOptionsEx(TDBGridExOptions value);
    TDBGridExAllowedOperations AllowedOperations() const { return allowedOperations_; }
    void SetAllowedOperations(TDBGridExAllowedOperations v) { allowedOperations_ = v; }
    TDBGridExAllowedSelections AllowedSelections() const { return allowedSelections_; }
    void SetAllowedSelections(TDBGridExAllowedSelections v);
    TDBGridExEditActions EditActions() const { return editActions_; }
    void SetEditActions(TDBGridExEditActions v) { editActions_ = v; }
    bool AutoFitColWidths() const { return autoFitColWidths_; }
    virtual void SetAutoFitColWidths(bool v);
    int MinAutoFitWidth() const { return minAutoFitWidth_; }
    void SetMinAutoFitWidth(int v);
    gfx::TColor Color() const { return color_; }
    void SetColor(gfx::TColor c);
    gfx::TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(gfx::TColor c);
    gfx::TColor FooterColor() const { return footerColor_; }
    void SetFooterColor(gfx::TColor c);
    gfx::TFont& Font() { return font_; }
    gfx::TFont& TitleFont() { return titleFont_; }
    void SetTitleFont(const gfx::TFont& f) { titleFont_.Assign(f); }
    gfx::TFont& FooterFont() { return footerFont_; }
    void SetFooterFont(const gfx::TFont& f) { footerFont_.Assign(f); }
    int FooterRowCount() const { return footerRowCount_; }
    void SetFooterRowCount(int n);
    int FrozenCols() const { return frozenCols_; }
    void SetFrozenCols(int n);
    enum TBorderStyle { bsNone, bsSingle };
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle s);
    // The data area: from the first data column and row to the last column and data row.
    gfx::TRect DataRect() const;
    TGridRect DataBox() const;
    bool Flat() const { return flat_; }
    void SetFlat(bool v);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool v) { defaultDrawing_ = v; }
    bool DrawMemoText() const { return drawMemoText_; }
    void SetDrawMemoText(bool v);
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int v);
    int RowLines() const { return rowLines_; }
    void SetRowLines(int v);
    bool RowSizingAllowed() const { return rowSizingAllowed_; }
    void SetRowSizingAllowed(bool v);
    int TitleHeight() const { return titleHeight_; }
    void SetTitleHeight(int v);
    int TitleLines() const { return titleLines_; }
    void SetTitleLines(int v);
    bool UseMultiTitle() const { return useMultiTitle_; }
    virtual void SetUseMultiTitle(bool v);
    int VTitleMargin() const { return vTitleMargin_; }
    // Pictures the titles show by their ImageIndex in place of the caption.
    const TImageListEx* TitleImages() const { return titleImages_; }
    void SetTitleImages(const TImageListEx* list) { titleImages_ = list; LayoutChanged(); }
    void SetVTitleMargin(int v);
    TDBGridExScrollBar& HorzScrollBar() { return horzScrollBar_; }
    TDBGridExScrollBar& VertScrollBar() { return vertScrollBar_; }
    TDBGridExSumList& SumList() { return sumList_; }
    TColumnDefValuesEx& ColumnDefValues() { return *columnDefValues_; }
    void SetColumnDefValues(const TColumnDefValuesEx& v) { columnDefValues_->Assign(v); }
    TDBGridColumnsEx& Columns() { return *columns_; }
    void SetColumns(TDBGridColumnsEx& c) { columns_->Assign(c); }

    // ---- data ----
    TDataSource* GetDataSource() const;
    TDataSource* DataSource() const { return GetDataSource(); }
    void SetDataSource(TDataSource* source);
    TGridDataLinkEx* DataLink() { return &dataLink_; }
    TBookmarkListEx& SelectedRows() { return selectedRows_; }
    TDBGridExSelection& Selection() { return selection_; }
    int SelectedIndex() const { return RawToDataColumn(Col()); }
    void SetSelectedIndex(int i);
    TField* SelectedField();
    void SetSelectedField(TField* field);
    int FieldCount() const { return dataLink_.FieldCount(); }
    TField* Fields(int i) const { return dataLink_.Fields(i); }
    bool ValidFieldIndex(int i) const { return dataLink_.GetMappedIndex(i) >= 0; }
    const TColumnsExList& VisibleColumns() const { return visibleColumns_; }
    TColumnsExList& SortMarkedColumns() { return sortMarkedColumns_; }
    void SetSortMarkedColumns();
    TColumnEx* GetFieldColumns(const QString& fieldName);

    // ---- drawing ----
    gfx::TCanvas& Canvas() { return canvas_; }
    void DefaultDrawDataCell(const gfx::TRect& rect, TField* field, TGridDrawState state);
    void DefaultDrawColumnCell(const gfx::TRect& rect, int dataCol, TColumnEx* column, TGridDrawState state);
    void DefaultDrawFooterCell(const gfx::TRect& rect, int dataCol, int row, TColumnEx* column, TGridDrawState state);
    virtual QString GetFooterValue(int row, TColumnEx* column);
    void InvalidateFooter();
    void InvalidateCurrentRow();
    // Paints the whole control into an image (for a person's eye, or a test).
    QImage RenderToImage();

    // ---- multi-level titles ----
    THeadTreeNode& TitleTree() { return titleRoot_; }
    // The leaf of the title tree of a data column (null outside multi-title mode).
    THeadTreeNode* TitleLeaf(int dataCol) const;
    int SetChildTreeHeight(THeadTreeNode* node);

    // ---- layout ----
    void BeginUpdate() { ++updateLock_; }
    void EndUpdate();
    void BeginLayout();
    void EndLayout();
    void CancelLayout();
    bool AcquireLayoutLock();
    virtual void LayoutChanged();
    void DeferLayout();
    virtual void UpdateRowCount();
    virtual void UpdateScrollBar();
    void UpdateHorzExtScrollBar();
    // A request from an external scroll bar (Qt's slider action; SliderMove while dragged, -1 on release).
    void ExtScrollAction(bool vertical, int qtAction, int pos);
    virtual void UpdateActive();
    int VisibleDataRowCount() const;
    int DataRowCount() const;
    int TitleOffset() const { return titleOffset_; }
    int RawToDataColumn(int c) const { return c - indicatorOffset_; }
    int DataToRawColumn(int c) const { return c + indicatorOffset_; }
    bool MultiLineRows() const { return multiLineRows_; }
    int StdDefaultRowHeight();
    // Form scaling by m/d: fonts set explicitly and column widths scale (widths without adding rounding).
    void ChangeScale(int m, int d);
    // The platform's vertical scroll description: minimum, maximum (with the page), page, position.
    struct ScrollInfo { int min = 0, max = 0, page = 0, pos = 0; bool operator==(const ScrollInfo&) const = default; };
    ScrollInfo VertScrollInfo() const { return scrollInfo_; }

    // ---- layout storage ----
    // The columns' order, widths, sort marks, visibility and drop-down sizes (and, for the grid, the row
    // geometry) as one value per column under a section of a registry key or an ini file. The registry
    // overloads use the section DefaultSectionOf(this) and always erase it before saving.
    // Saving answers false when the storage refused a write (its LastError says why).
    bool SaveColumnsLayout(sys::TRegIniFile& reg);
    bool SaveColumnsLayout(rtl::TIniFile& ini, const QString& section);
    bool SaveColumnsLayoutIni(const QString& fileName, const QString& section, bool deleteSection);
    void RestoreColumnsLayout(sys::TRegIniFile& reg, TColumnExRestoreParams params);
    void RestoreColumnsLayout(rtl::TIniFile& ini, const QString& section, TColumnExRestoreParams params);
    void RestoreColumnsLayoutIni(const QString& fileName, const QString& section, TColumnExRestoreParams params);
    bool SaveGridLayout(sys::TRegIniFile& reg);
    bool SaveGridLayout(rtl::TIniFile& ini, const QString& section);
    bool SaveGridLayoutIni(const QString& fileName, const QString& section, bool deleteSection);
    void RestoreGridLayout(sys::TRegIniFile& reg, TDBGridExRestoreParams params);
    void RestoreGridLayout(rtl::TIniFile& ini, const QString& section, TDBGridExRestoreParams params);
    void RestoreGridLayoutIni(const QString& fileName, const QString& section, TDBGridExRestoreParams params);
    // The section a component keeps its layout under: its name, after its form's class name (or its
    // parent's name when it has no form of its own).
    static QString DefaultSectionOf(const QWidget* component);
    // One storage of a layout, a registry key or an ini file.
    class TLayoutStore;

    // ---- in-place search ----
    // Typed text matched against the beginning of the current column's texts, record by record; the
    // match is shown in the current cell and the search ends after a pause (timer 2), on a key or when
    // the user moves.
    enum TInpsDirectionEx { inpsFromFirstEx, inpsToNextEx, inpsToPriorEx };
    void StartInplaceSearch(const QString& ss, int timeOut, TInpsDirectionEx direction);
    void StopInplaceSearch();
    void StartInplaceSearchTimer();
    void StopInplaceSearchTimer();
    void RecreateInplaceSearchIndicator();
    bool InplaceSearching() const { return inplaceSearching_; }
    QString InplaceSearchText() const { return inplaceSearchText_; }
    int InplaceSearchTimeOut() const { return inplaceSearchTimeOut_; }

    // ---- tool tips ----
    // What a hint shows, filled by CMHintShow for a point of the viewport.
    struct THintInfo {
        QPoint CursorPos;
        Qt::MouseButtons Buttons;  // held, and the modifiers, as the input that asks has them
        Qt::KeyboardModifiers Modifiers;
        QString HintStr;
        QRect CursorRect;  // viewport coordinates: the hint stays while the pointer is inside
        QPoint HintPos;    // screen coordinates
        int HintMaxWidth = 0;  // above 0 the text wraps within it
        const gfx::TFont* HintData = nullptr;  // the font to show the text in
    };
    // Whether a hint shows for the cell under the point, and what: a title's own hint, or the whole text
    // of a title or data cell with tool tips whose text does not fit.
    bool CMHintShow(THintInfo& info);
    // The pause before the hint of the cell under a point: 0 for tool-tip cells, else the one given.
    int CMHintsShowPause(const QPoint& pos, int pause);
    // The tool-tip window while it is shown.
    TToolTipsWindow* ToolTipWindow() const;

    // ---- selection and input ----
    // Whether the standard edit actions may run now (the actions themselves come with the clipboard).
    bool CheckCopyAction();
    bool CheckCutAction();
    bool CheckPasteAction(bool clipboardHasGridData);
    bool CheckSelectAllAction();
    bool CheckDeleteAction();
    // Keeps the current record's place in the window and brings it back there.
    void SaveBookmark();
    void RestoreBookmark();
    // Interval of the drag-scrolling timer, -1 while it is stopped.
    int ScrollTimerInterval() const { return timerInterval_; }
    void ClearSelection();
    void DoSelection(bool select, int direction, bool rowMode, bool toEnd);
    bool CanSelectType(TDBGridExSelectionType t) const;
    virtual bool HighlightCell(int dataCol, int dataRow, const QString& value, TGridDrawState& state);
    virtual bool AcquireFocus();
    bool IsActiveControl() const;
    bool CanEditorShow() { return CanEditShow(); }
    void ShowEditor() { TCustomGrid::ShowEditor(); }
    void HideEditor() { TCustomGrid::HideEditor(); }

    // ---- data link reactions ----
    virtual void LinkActive(bool value);
    virtual void DataChanged();
    virtual void RecordChanged(TField* field);
    virtual void Scroll(int distance);
    virtual void EditingChanged();
    virtual void UpdateData();
    // The key chosen for a lookup cell and the text it showed then: UpdateData writes this key while the
    // editor still shows that text.
    void SetEditValues(const QVariant& key, const QString& text)
    {
        editKeyValue_ = key;
        editKeyText_ = text;
    }

    // ---- events ----
    using TDBGridExClickEvent = std::function<void(TColumnEx* column)>;
    using TDrawColumnExCellEvent = std::function<void(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol,
                                                      TColumnEx* column, TGridDrawState state)>;
    using TDrawDataCellEvent = std::function<void(TCustomDBGridEx* sender, const gfx::TRect& rect, TField* field,
                                                  TGridDrawState state)>;
    using TDrawFooterCellEvent = std::function<void(TCustomDBGridEx* sender, int dataCol, int row, TColumnEx* column,
                                                    const gfx::TRect& rect, TGridDrawState state)>;
    using TGetCellExParamsEvent = std::function<void(TCustomDBGridEx* sender, TColumnEx* column, gfx::TFont& font,
                                                     gfx::TColor& background, TGridDrawState state)>;
    using TGetFooterParamsEvent = std::function<void(TCustomDBGridEx* sender, int dataCol, int row, TColumnEx* column,
                                                     gfx::TFont& font, gfx::TColor& background, TAlignment& alignment,
                                                     TGridDrawState state, QString& text)>;
    using TNotifyEvent = std::function<void(TCustomDBGridEx* sender)>;
    using TKeyEvent = std::function<void(TCustomDBGridEx* sender, int& key, TShiftState shift)>;
    using TMovedEvent = std::function<void(TCustomDBGridEx* sender, int fromIndex, int toIndex)>;
    TDBGridExClickEvent OnCellClick, OnTitleClick;
    TDrawColumnExCellEvent OnDrawColumnCell;
    TDrawDataCellEvent OnDrawDataCell;
    TDrawFooterCellEvent OnDrawFooterCell;
    TGetCellExParamsEvent OnGetCellParams;
    TGetFooterParamsEvent OnGetFooterParams;
    TNotifyEvent OnEditButtonClick;
    TNotifyEvent OnDblClick, OnColEnter, OnColExit, OnColWidthsChanged, OnSumListRecalcAll, OnSortMarkingChanged;
    using TCheckTitleExBtnEvent = std::function<void(TCustomDBGridEx* sender, int aCol, TColumnEx* column, bool& enabled)>;
    using TTitleExClickEvent = std::function<void(TCustomDBGridEx* sender, int aCol, TColumnEx* column)>;
    TCheckTitleExBtnEvent OnCheckButton;
    TTitleExClickEvent OnTitleBtnClick;
    TKeyEvent OnKeyDown, OnKeyUp;
    TMovedEvent OnColumnMoved;

    // The confirmation asked before deleting records or clearing cells: with dgConfirmDelete the
    // message-box port asks with OK and Cancel; true to go on.
    bool ConfirmDelete(const QString& text) const;

protected:
    // The frame of the border style and the flat look.
    virtual void applyBorder();
    // TCustomGrid.
    void Paint(QPainter& painter, const QRect& clip) override;
    void DrawCell(int c, int r, const QRect& rect, TGridDrawState state) override;
    QColor FixedLineColor() const override;
    QColor DataLineColor() const override;
    QColor FixedFillColor() const override;
    QColor DataFillColor() const override;
    TGridDrawState CellState(int c, int r, bool fixed, bool focused) const override;
    void FillCell(QPainter& p, int c, int r, const QRect& rect, bool fixed) override;
    void PaintOverCells(QPainter& p, const TGridDrawInfo& di) override;
    void FillBackground(QPainter& p, const QRect& rect) override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void TopLeftChanged() override;
    void ColumnMoved(int from, int to) override;
    void GridFocusChanged(bool focused) override;
    void GridResized() override;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyUp(int& key, TShiftState shift) override;
    void KeyPress(QChar& ch) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DblClick() override;
    bool MouseWheel(int steps, TShiftState shift) override;
    void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                         const TGridDrawInfo& di) override;
    void WMTimer(int id) override;
    bool viewportEvent(QEvent* e) override;
    void VerticalScrollAction(int action, int trackPos) override;
    void UpdateScrollRange() override;
    bool SelectCell(int c, int r) override;
    TInplaceEdit* CreateEditor() override;
    bool CanEditShow() const override;
    bool CanEditModify() override;
    QString GetEditText(int c, int r) override;
    void SetEditText(int c, int r, const QString& v) override;
    int GetEditLimit() override;

    // Own virtual operations.
    // The column defaults object of this kind of grid; a grid of another kind makes its own in its
    // constructor through RecreateColumnDefValues.
    virtual std::unique_ptr<TColumnDefValuesEx> CreateColumnDefValues();
    void RecreateColumnDefValues();
    virtual bool CellHave3DRect(int c, int r, TGridDrawState state) const;
    virtual int CalcTitleOffset() const { return has(options_, dgTitles) ? 1 : 0; }
    virtual void DrawSubTitleCell(int c, int r, const gfx::TRect& rect, TGridDrawState state);
    virtual void DefineFieldMap();
    virtual void SetColumnAttributes();
    virtual bool CanDrawFocusRowRect() const;
    virtual void TimerScroll();
    virtual void GetCellParams(TColumnEx* column, gfx::TFont& font, gfx::TColor& background, TGridDrawState state);
    virtual void GetFooterParams(int dataCol, int row, TColumnEx* column, gfx::TFont& font, gfx::TColor& background,
                                 TAlignment& alignment, TGridDrawState state, QString& text);
    void DrawColumnCell(const gfx::TRect& rect, int dataCol, TColumnEx* column, TGridDrawState state);
    void DrawDataCell(const gfx::TRect& rect, TField* field, TGridDrawState state);
    void CellClick(TColumnEx* column) { if (OnCellClick) OnCellClick(column); }
    void TitleClick(TColumnEx* column) { if (OnTitleClick) OnTitleClick(column); }
    void DrawEdgeEx(const gfx::TRect& rect, bool sunkenA, bool sunkenB, bool leftSide, bool rightSide);
    void WriteCellText(const gfx::TRect& rect, bool fillRect, int dx, int dy, const QString& text, TAlignment a,
                       TTextLayout layout, bool multiLine, bool endEllipsis, int leftMarg, int rightMarg);
    void MoveCol(int rawCol, int direction, bool select);
    bool CheckTitleButton(int aCol, bool enabled);
    void DoTitleClick(int aCol, TColumnEx* column) { if (OnTitleBtnClick) OnTitleBtnClick(this, aCol, column); }
    void DoSortMarkingChanged();
    void TrackButton(int x, int y);
    void StopTracking();
    bool columnStripAt(int x, int y);
    QCursor CursorAt(int x, int y) override;
    void ResetTimer(int interval);
    void StopTimer();
    bool SaveColumnsLayoutProducer(TLayoutStore& store, const QString& section, bool deleteSection);
    void RestoreColumnsLayoutProducer(TLayoutStore& store, const QString& section, TColumnExRestoreParams params);
    bool SaveGridLayoutProducer(TLayoutStore& store, const QString& section, bool deleteSection);
    void RestoreGridLayoutProducer(TLayoutStore& store, const QString& section, TDBGridExRestoreParams params);

    void changeEvent(QEvent* e) override;
    // A key whose work the data set refuses (a value the field does not take) shows the data set's error;
    // the field keeps its value and the editor the text typed.
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    QVariant lookupKeyOf(TColumnEx* c, const QString& text);
    // The first record whose field begins with text, found by the data set's Locate; false (and the
    // cursor where it was) when there is none or the record's shown text does not match after all.
    bool locateFromFirst(TDataSet* ds, TField* field, const QString& text, const std::function<bool()>& matches);
    // The search's own move must not end the search when the data set tells the grid it changed.
    void enableControlsWhileSearching(TDataSet* ds);
    friend class TGridDataLinkEx;
    friend class TDBGridInplaceEdit;
    friend class TDBGridColumnsEx;
    friend class TColumnEx;
    void internalLayout();
    void autoFitColWidths();
    void deleteSelectedOrCurrent();
    void drawIndicatorCell(int r, gfx::TRect rect, TGridDrawState state, int dx);
    void drawTitleCell(TColumnEx* column, gfx::TRect rect, int dx, int dy, TGridDrawState state);
    void drawImageCentred(const QImage& image, const gfx::TRect& area, TAlignment alignment);
    void drawMultiTitleCell(int dataCol, TColumnEx* column, const gfx::TRect& cell, int dx, int dy);
    void drawDataRowCell(int c, int r, TColumnEx* column, gfx::TRect rect, int dx, int dy, TGridDrawState state);
    // The column is among the selected columns, or everything is selected.
    bool columnMarked(TColumnEx* column);
    void drawFooterRowCell(int c, int r, TColumnEx* column, gfx::TRect rect, TGridDrawState state);
    void moveBy(int distance);
    void selectRowAt(int dataRow, TShiftState shift, TMouseButton button);
    void setCurrentRowSelected(bool v);
    bool currentRowSelected();
    void tabStep(bool backward);
    void fontChanged();
    void loadGlyphs();
    bool linkActive() const { return dataLink_.Active(); }

    // Options and properties.
    TDBGridOptions options_ = DefaultDBGridOptions;
    TDBGridExOptions optionsEx_ = DefaultDBGridExOptions;
    TDBGridExAllowedOperations allowedOperations_ = 0x0F;
    TDBGridExAllowedSelections allowedSelections_ = 0x1E;
    TDBGridExEditActions editActions_ = 0;
    bool autoFitColWidths_ = false;
    int minAutoFitWidth_ = 0;
    gfx::TColor color_ = gfx::clWindow;
    gfx::TColor fixedColor_ = gfx::clBtnFace;
    gfx::TColor footerColor_ = gfx::clWindow;
    gfx::TFont font_;
    gfx::TFont titleFont_;
    gfx::TFont footerFont_;
    int footerRowCount_ = 0;
    int frozenCols_ = 0;
    bool flat_ = false;
    TBorderStyle borderStyle_ = bsSingle;
    bool readOnly_ = false;
    bool defaultDrawing_ = true;
    bool drawMemoText_ = false;
    int rowHeight_ = 0;
    int rowLines_ = 0;
    bool rowSizingAllowed_ = false;
    int titleHeight_ = 0;
    int titleLines_ = 0;
    bool useMultiTitle_ = false;
    int vTitleMargin_ = 10;
    const TImageListEx* titleImages_ = nullptr;

    // Owned parts.
    std::unique_ptr<TColumnDefValuesEx> columnDefValues_;
    std::unique_ptr<TDBGridColumnsEx> columns_;
    TGridDataLinkEx dataLink_;
    TBookmarkListEx selectedRows_;
    TDBGridExSelection selection_;
    TDBGridExSumList sumList_;
    TDBGridExScrollBar horzScrollBar_;
    TDBGridExScrollBar vertScrollBar_;
    TColCellParamsEx cellParams_;
    TColumnsExList visibleColumns_;
    TColumnsExList sortMarkedColumns_;
    gfx::TCanvas canvas_;
    std::vector<QImage> indicatorGlyphs_;
    std::vector<QImage> sortGlyphs_;
    THeadTreeNode titleRoot_{QStringLiteral("Root"), 0, 0};
    std::vector<THeadTreeNode*> leafFieldArr_;

    // Layout state.
    int titleOffset_ = 1;
    int indicatorOffset_ = 1;
    int updateLock_ = 0;
    int layoutLock_ = 0;
    bool layoutFromDataSet_ = false;
    bool inLayout_ = false;
    bool layoutInProgress_ = false;
    bool deferredLayoutPending_ = false;
    bool multiLineRows_ = false;
    bool acquireFocus_ = true;
    bool inSumRecalc_ = false;
    ScrollInfo scrollInfo_;
    bool thumbTracked_ = false;
    bool resizePending_ = false;
    int extHorzMax_ = -1, extHorzPage_ = -1, extHorzPos_ = -1;
    std::vector<bool> held_;

    // Selection state.
    bool selecting_ = false;
    QByteArray anchor_;
    bool anchorSelected_ = false;
    bool toggle_ = false;
    int mouseState_ = 0;  // 0 none, 1 row dragging, 3 rectangle dragging
    int pressedTitle_ = -1;
    int currentIndicatorRow_ = -1;
    int lastX_ = 0, lastY_ = 0;
    bool inColExit_ = false;
    int timerInterval_ = -1;
    bool trackingTitle_ = false;
    bool titlePressedDown_ = false;
    int pressX_ = 0, pressY_ = 0;
    TGridCoord pressedCell_{-1, -1};
    bool pressedDouble_ = false;
    bool sortMarkingPending_ = false;
    QByteArray savedBookmark_;

    // In-place search.
    bool handleSearchKey(int key, TShiftState shift);
    bool startSearchByTyping(QChar ch);
    void drawSearchMatch(const gfx::TRect& textRect, int dx, int dy, const QString& text, TAlignment a);
    bool inplaceSearching_ = false;
    QString inplaceSearchText_;
    int inplaceSearchTimeOut_ = -1;
    bool inplaceSearchTimerActive_ = false;
    bool inplaceSearchingInProcess_ = false;
    TInplaceSearchIndex searchIndex_;
    // Tool tips: the font of the shown hint, its window and the cell it belongs to.
    std::unique_ptr<gfx::TFont> hintFont_;
    std::unique_ptr<TToolTipsWindow> toolTip_;
    QRect hintRect_;
    void showHint(const THintInfo& info);
    void hideHint();
    void trackHint(const QMouseEvent& e);
    int savedRowOffset_ = 0;
    QVariant editKeyValue_;
    QString editKeyText_;
};

// The published grid component.
class TDBGridEx : public TCustomDBGridEx {
    Q_OBJECT
public:
    using TCustomDBGridEx::TCustomDBGridEx;
};
