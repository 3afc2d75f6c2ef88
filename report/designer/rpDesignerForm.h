#pragma once
// The report designer's window and the engine's designer object: tool bars in four docks, one tab per
// report page above the design surface, and a status bar with the position box. Made hidden once at
// start-up; the engine shows it modally to design a report.
#include "report/designer/rpDesignerState.h"
#include "report/rpGlobals.h"

#include <QDialog>
#include <QImage>
#include <QList>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QScrollArea;
class QTabBar;
class QWidget;
class TColorSelector;
class TrpDesignerPage;
class TrpDock;
class TrpInspForm;
class TrpReport;
class TrpSpeedButton;
class TrpTBButton;
class TrpToolBar;
class TrpView;

enum TrpReportUnits { ruPixels = 0, ruMM = 1, ruInches = 2 };
enum TrpUndoAction : quint8 { acInsert = 0, acDelete = 1, acEdit = 2, acZOrder = 3 };

// One view of an undo record.
struct TrpUndoObj {
    TrpUndoObj* Next = nullptr;
    qint32 ObjectID = 0;
    TrpView* Copy = nullptr; // owned for acDelete and acEdit
    qint32 Index = 0;
};
struct TrpUndoRec {
    TrpUndoAction Action = acInsert;
    qint32 Page = 0;
    TrpUndoObj* Objects = nullptr;
};
constexpr int rpUndoDepth = 100;
using TrpUndoBuffer = std::array<TrpUndoRec, rpUndoDepth>;
// What is handed to AddAction: a view and its place in the page's list.
struct TrpUndoRec1 {
    TrpView* View;
    int Index;
};

enum TrpSelectionType { ssBand = 1, ssMemo = 2, ssOther = 4, ssMultiple = 8, ssClipboardFull = 16 };
using TrpSelectionStatus = unsigned;

// The position box of the status bar: where the selected object or the rectangle being drawn lies, its
// size, and a picture's or a group's scale.
class TrpPositionBox : public QWidget {
public:
    explicit TrpPositionBox(QWidget* parent);
    void SetTexts(const QString& position, const QString& size, const QString& scale);
    QString Text(int i) const { return texts_[i]; }
    QRect TextRect(int i) const { return rects_[i]; }
    static constexpr int MinWidth = 228;
    // Called when the box grew or shrank to hold its texts.
    std::function<void()> OnResize;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<QString, 3> texts_;
    std::array<QRect, 3> rects_{QRect(20, 1, 0, 16), QRect(110, 1, 0, 16), QRect(170, 1, 0, 16)};
};

class TrpDesignerForm : public QDialog, public TrpDesignerBase {
public:
    explicit TrpDesignerForm(QWidget* parent = nullptr);
    ~TrpDesignerForm() override;

    // The engine's designer.
    void RegisterObject(const QImage& bitmap, const QString& hint, int buttonTag) override;
    void RegisterTool(const QString& caption, const QImage& bitmap, const std::function<void()>& onClick) override;
    void ShowModal() override;
    bool DesignPreparedPage(int pageNo) override;
    void BeforeChange() override;
    void AfterChange() override;
    void RedrawPage() override;

    // Showing: FormShow starts each session clean, FormHide ends it.
    void FormShow();
    void FormHide();
    void FormResize();
    TrpReport* Report() const { return CurReport; }

    // Pages.
    void SetCurPage(int n);
    void SetPageTitles();
    void AddPage();
    void RemovePage(int n);
    // Settings.
    void SetGridSize(int n);
    void SetGridShow(bool b);
    void SetGridAlign(bool b);
    void SetUnits(TrpReportUnits u);
    void SetGrayedButtons(bool b);
    void SetCurDocName(const QString& name);
    double PointsToUnits(int px) const;
    int UnitsToPoints(double value) const;

    // Selection.
    void Unselect();
    void SelectAll();
    void ResetSelection();
    void SelectionChanged();
    int TopSelectedIndex() const;
    TrpSelectionStatus SelStatus() const;
    bool RectTypEnabled() const;
    bool FontTypEnabled() const;
    bool ZEnabled() const;
    bool CutEnabled() const { return ZEnabled(); }
    bool CopyEnabled() const { return ZEnabled(); }
    bool DelEnabled() const { return ZEnabled(); }
    bool PasteEnabled() const;
    bool EditEnabled() const;
    void EnableControls();

    // Undo and redo.
    void AddUndoAction(TrpUndoAction action);
    void AddAction(TrpUndoBuffer& buffer, TrpUndoAction action, QList<TrpUndoRec1*>& list);
    void Undo(TrpUndoBuffer& buffer);
    static void ReleaseAction(TrpUndoRec& rec);
    void ClearBuffer(TrpUndoBuffer& buffer, int& length);
    void ClearUndoBuffer();
    void ClearRedoBuffer();

    // Clipboard and object commands.
    void CopyToClipboard();
    void CutToClipboard();
    void CopyBClick();
    void CutBClick();
    void PstBClick();
    void SelAllBClick();
    void ZB1Click();
    void ZB2Click();
    void SendBandsToBack();
    void GB3Click();
    void PgB2Click();
    void ExitBClick();
    void SpinFrameWidth(int delta);
    bool rpCheckBand(int bandType) const;
    int FirstFreeBandType() const;
    QRegion BuildSelectionRegion() const;
    void GetDefaultSize(int& w, int& h) const;
    void MoveObjects(int dx, int dy, bool resize);
    void DeleteObjects();
    void ShowEditor();
    // The editor of a picture, band or add-in object (ShowEditor's choice for those kinds).
    void ShowObjectEditor(TrpView* view);
    // The memo and script editor on the top selected object.
    void ShowMemoEditor();
    // After the memo editor's OK: the object's area is drawn again and the status shows its new text.
    void MemoEdited();
    // The highlight editor on the top selected text object.
    void HlB1Click();
    // The report variables editor; an accepted edit marks the document changed.
    void VariablesListClick();
    // True when the key was the designer's (it is then used up).
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // The window sees every key of its controls before they do (FormKeyDown); a text field keeps the keys
    // that edit its text.
    bool PreviewKey(QKeyEvent* event);
    // No control keeps the focus: the window itself takes the next keys.
    void DropFocus();
    // The alignment palette: n is the button's number (1..10).
    void AlignClick(int n);

    // Style tool bars and the inspector's rows.
    void DoClick(QWidget* sender);
    void FillInspFields();
    void OnModify(int row, const QString& value);
    void ShowPosition();
    void ShowContent();
    QString ContentText() const;
    void ColorSelected(gfx::TColor color);
    // A colour button's click: drops the colour selector down below it, or takes it away again.
    void ClB1Click(TrpSpeedButton* button);
    void SetColorButton(TrpSpeedButton* button, gfx::TColor color);
    gfx::TColor ButtonColor(TrpSpeedButton* button) const;
    void GetFontList();

    // The object tool bar: the Tag of the first pressed button, searched from the last (-1 for the arrow).
    int InsertToolTag() const;
    bool LineToolDown() const;
    bool ArrowToolDown() const;
    bool BandToolDown() const;
    void PressArrowTool();
    void ObjectButtonDown(TrpSpeedButton* button, bool shift);
    // Asks for a band type; false when cancelled.
    bool ChooseBandType(int& bandType);
    void ShowPopup(const QPoint& globalPos);
    // Drops the view items of the last opening and lets the selected views add theirs.
    void Popup1Popup();
    void PositionParts(QString& position, QString& size, QString& scale) const;

    // File commands. The ones that save set DialogAccepted when the report was written; New and Open read
    // it after the save question.
    void New();
    void NewFromTemplate();
    void Open();
    void Save();
    void SaveAs();
    void Preview();
    // Asks whether to save a modified report before it is replaced; false when the user stopped.
    bool AskToSave();
    bool IsUntitled() const;
    bool DialogAccepted = false;

    // Options, page options and the settings kept between sessions.
    void SaveState();
    void RestoreState();
    void DocOptions();
    void DesignerOptions();
    // The page options of the current page; false when cancelled.
    bool PageOptions();
    void ToolbarsPopup();
    void ToolbarItemClick(QAction* item);
    // The tool bars and the inspector in the order of the Toolbars submenu's Tags.
    QList<QWidget*> ToolbarArray() const;
    QWidget* InspectorWindow() const;

    // Insert DB fields: text views (and bands) for fields of a data set of the program.
    void InsFieldsClick();
    // Lays the docks, the tabs, the scroll box and the status bar out in the window.
    void LayoutDocks();
    void RepaintPositionBox();
    // Menu items show the glyph of the tool-bar button of the same command (made at the first show).
    void SetMenuBitmaps();
    void SetMenuItemBitmap(QAction* item, TrpSpeedButton* button);
    // The floating tool windows stay above other windows only while the program is active.
    void ApplicationActivated(bool active);

    // Components.
    TrpDesignerPage* PageSurface = nullptr;
    TrpInspForm* InspForm = nullptr;
    TColorSelector* ColorSelector = nullptr;
    TrpDock *rpDock1, *rpDock2, *rpDock3, *rpDock4;
    TrpToolBar *Panel1, *Panel2, *Panel3, *Panel4, *Panel5, *Panel6;
    TrpTBButton *FileBtn1, *FileBtn2, *FileBtn3, *FileBtn4, *CutB, *CopyB, *PstB, *UndoB, *RedoB, *ZB1, *ZB2,
        *SelAllB, *PgB1, *PgB2, *PgB3, *GB1, *GB2, *GB3, *HelpBtn, *ExitB;
    TrpTBButton *AlB1, *AlB2, *AlB3, *AlB4, *AlB5, *AlB6, *AlB7, *AlB8, *FnB1, *FnB2, *FnB3, *ClB2, *HlB1;
    QComboBox *C2, *C3;
    TrpTBButton *FrB1, *FrB2, *FrB3, *FrB4, *FrB5, *FrB6, *ClB1, *ClB3, *SB1, *SB2, *StB1;
    QLineEdit* E1;
    TrpTBButton *OB1, *OB2, *OB3, *OB4, *OB5, *OB6;
    std::array<TrpTBButton*, 10> Align{};
    QWidget* LinePanel;
    QList<TrpTBButton*> LineStyleButtons;
    QTabBar* Tab1;
    QScrollArea* ScrollBox1;
    QWidget* StatusBar1 = nullptr;
    QLabel *StatusUnits, *StatusContent;
    TrpPositionBox* PBox1;
    QMenuBar* MainMenu1;
    QMenu *FileMenu, *EditMenu, *MastMenu, *HelpMenu, *Popup1, *Popup2;
    QMenu* N37; // Toolbars
    QAction *Pan1, *Pan2, *Pan3, *Pan4, *Pan5, *Pan6, *Pan7;
    QAction *N17, *N8, *N14, *N25;
    QAction *N10, *N11, *N34, *N12, *N13, *N19, *N20, *N23, *N27, *N28, *N29, *N30, *N32, *N33, *N35, *N36, *N39, *N46,
        *N48, *N1, *N2, *N3, *N5, *N6, *N16, *N41, *N43, *N44, *N42;

    int CurPage = 0;
    int GridSize = 4;
    bool GridShow = true;
    bool GridAlign = true;
    TrpReportUnits Units = ruPixels;
    bool GrayButtons = false;
    TrpUndoBuffer UndoBuffer{};
    TrpUndoBuffer RedoBuffer{};
    int UndoBufferLength = 0;
    int RedoBufferLength = 0;
    // The inspector's value texts: Name, Left, Top, Width, Height, Visible, Memo.
    std::array<QString, 7> InspValues;
    TrpView* InspObject = nullptr;
    bool InspNothingSelected = true;
    bool FirstShow = true;
    bool FirstInstance = true;
    bool EditAfterInsert = true;
    QString CurDocName;
    QString TitleText;
    bool FileModified = false;
    TrpShapeMode ShapeMode = smAll;
    gfx::TColor SelectorColor = gfx::clNone; // the colour chosen in the colour selector
    TrpSpeedButton* ColorButton = nullptr;   // the colour button that opened the selector

    // Every way of closing the window comes here: unsaved changes are asked about first.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildToolBars();
    void buildMenus();
    void buildStatusBar();
    void buildInspector();
    TrpTBButton* button(TrpToolBar* bar, const QString& name, const QString& hint, const QString& glyph, int tag = 0);
    QList<TrpView*>& objects() const;
    void setEnabled(QObject* control, bool enabled);
    void redrawSelection(const QRegion& region);
    bool busy_ = false;
};

// The speed buttons among the direct children of a tool bar, in child order.
QList<TrpSpeedButton*> rpSpeedButtons(const QWidget* bar);

// The swatch of a colour button: the sign above a bar in the colour, in two cells (up, disabled).
QImage rpSwatchGlyph(const QString& sign, gfx::TColor color);

// For a file in the XML report form, which is written for export and never read back: a sentence that says
// so; empty for any other file.
QString rpXmlFormNote(const QString& fileName);

// Unit start-up and shut-down: the one designer of the program, made hidden and registered with the engine.
void rpDesignerStartup();
void rpDesignerShutdown();
