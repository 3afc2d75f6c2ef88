#include "report/designer/rpDesignerForm.h"

#include "platform/controls/MessageBox.h"
#include "platform/rtl/ScopeGuard.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpDesignerPage.h"
#include "report/designer/rpBandDialogs.h"
#include "report/designer/rpColorSelector.h"
#include "report/designer/rpInspForm.h"
#include "report/designer/rpDock.h"
#include "report/designer/rpTemplForm.h"
#include "report/rpBandView.h"
#include "report/rpCtrls.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPrepare.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"
#include "report/rpSubReportView.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <cmath>


namespace {

bool noDesignerYet = true;

// A tool-bar glyph: a short sign on the olive that the buttons take as transparent.
QImage glyph(const QString& sign)
{
    QImage g(16, 16, QImage::Format_RGB32);
    g.fill(qRgb(128, 128, 0));
    QPainter p(&g);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(sign.size() > 2 ? 7 : sign.size() > 1 ? 9 : 12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, sign);
    return g;
}

// The about box of the report engine.
class TrpAboutForm : public QDialog {
public:
    explicit TrpAboutForm(QWidget* parent) : QDialog(parent)
    {
        setWindowTitle(rpLoadStr(53540));
        auto* layout = new QVBoxLayout(this);
        auto* picture = new QLabel(this);
        QImage glyphs(32, 32, QImage::Format_RGB32);
        glyphs.fill(palette().color(QPalette::Window));
        QPainter p(&glyphs);
        p.fillRect(4, 2, 24, 28, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(4, 2, 23, 27);
        for (int y = 8; y < 26; y += 5)
            p.drawLine(8, y, 23, y);
        p.end();
        picture->setPixmap(QPixmap::fromImage(glyphs));
        layout->addWidget(picture, 0, Qt::AlignHCenter);
        layout->addWidget(new QLabel(QStringLiteral("Report engine and designer"), this), 0, Qt::AlignHCenter);
        layout->addWidget(new QLabel(QStringLiteral("Version %1").arg(rpCurrentVersion), this), 0, Qt::AlignHCenter);
        auto* ok = new QPushButton(rpLoadStr(55000), this);
        ok->setObjectName(QStringLiteral("Button1"));
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        layout->addWidget(ok, 0, Qt::AlignHCenter);
    }
};

} // namespace

TrpDesignerForm::TrpDesignerForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rpDesignerForm"));
    busy_ = true;
    FirstShow = true;
    FirstInstance = noDesignerYet;
    TitleText = QStringLiteral("Designer");
    setWindowTitle(QString::fromUtf8("Дизайнер"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(1000, 720);

    rpDock1 = new TrpDock(Qt::AlignTop, this);
    rpDock1->setObjectName(QStringLiteral("rpDock1"));
    rpDock2 = new TrpDock(Qt::AlignLeft, this);
    rpDock2->setObjectName(QStringLiteral("rpDock2"));
    rpDock3 = new TrpDock(Qt::AlignBottom, this);
    rpDock3->setObjectName(QStringLiteral("rpDock3"));
    rpDock4 = new TrpDock(Qt::AlignRight, this);
    rpDock4->setObjectName(QStringLiteral("rpDock4"));
    for (TrpDock* d : {rpDock1, rpDock2, rpDock3, rpDock4})
        d->OnResize = [this] { LayoutDocks(); };

    Tab1 = new QTabBar(this);
    Tab1->setObjectName(QStringLiteral("Tab1"));
    Tab1->setContextMenuPolicy(Qt::CustomContextMenu);
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    auto* holder = new QWidget;
    holder->setAutoFillBackground(true);
    holder->setBackgroundRole(QPalette::Dark);
    ScrollBox1->setWidget(holder);
    ScrollBox1->setWidgetResizable(false);
    PageSurface = new TrpDesignerPage(this, holder);

    buildInspector();
    buildMenus();
    buildToolBars();
    buildStatusBar();

    // Add-in objects registered before the designer was made.
    for (int i = 0; i < rpAddIns().size(); ++i)
        RegisterObject(rpAddIns()[i].ButtonBmp, rpAddIns()[i].ButtonHint, gtAddIn + i);
    if (FirstInstance) {
        // The built-in tool; the table outlives this window, so it reaches it only while it exists.
        const QPointer<TrpDesignerForm> self(this);
        rpRegisterTool({rpLoadStr(55305), glyph(QStringLiteral("DB")), [self] {
                            if (self)
                                self->InsFieldsClick();
                        }});
        for (const TrpToolsInfo& tool : rpTools())
            RegisterTool(tool.Caption, tool.ButtonBmp, tool.OnClick);
    } else {
        for (QObject* c : {static_cast<QObject*>(PgB1), static_cast<QObject*>(PgB2), static_cast<QObject*>(N29),
                           static_cast<QObject*>(N30)})
            setEnabled(c, false);
    }
    if (FirstInstance)
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) { ApplicationActivated(state == Qt::ApplicationActive); });
    noDesignerYet = false;

    connect(Tab1, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && index != CurPage && Report() && index < Report()->Pages->Count())
            SetCurPage(index);
    });
    connect(Tab1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ctl::PopupMenu(*Popup2, Tab1->mapToGlobal(at));
    });
    busy_ = false;
    LayoutDocks();
    // Key preview: the window's keys reach FormKeyDown before the control that has the focus.
    qApp->installEventFilter(this);
}

TrpDesignerForm::~TrpDesignerForm()
{
    ClearUndoBuffer();
    ClearRedoBuffer();
    if (rpDesigner == this)
        rpDesigner = nullptr;
}

QList<TrpView*>& TrpDesignerForm::objects() const
{
    return Page->Objects;
}

void TrpDesignerForm::setEnabled(QObject* control, bool enabled)
{
    if (auto* a = qobject_cast<QAction*>(control))
        a->setEnabled(enabled);
    else if (auto* w = qobject_cast<QWidget*>(control))
        w->setEnabled(enabled);
}

TrpTBButton* TrpDesignerForm::button(TrpToolBar* bar, const QString& name, const QString& hint, const QString& sign, int tag)
{
    auto* b = new TrpTBButton(bar);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setProperty("Tag", tag);
    b->SetGlyph(glyph(sign));
    b->setGeometry(1000 + bar->children().size() * 30, 1, 22, 22);
    return b;
}

void TrpDesignerForm::buildMenus()
{
    MainMenu1 = new QMenuBar(this);
    auto action = [this](QMenu* menu, const QString& name, const QString& text, const std::function<void()>& run,
                         const QKeySequence& key = QKeySequence()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, [run] { run(); });
        return a;
    };
    FileMenu = MainMenu1->addMenu(QStringLiteral("&File"));
    N23 = action(FileMenu, "N23", "&New...", [this] { NewFromTemplate(); }, QKeySequence(Qt::CTRL | Qt::Key_N));
    N19 = action(FileMenu, "N19", "&Open...", [this] { Open(); }, QKeySequence(Qt::CTRL | Qt::Key_O));
    N20 = action(FileMenu, "N20", "&Save", [this] { Save(); }, QKeySequence(Qt::CTRL | Qt::Key_S));
    N17 = action(FileMenu, "N17", "Save &as...", [this] { SaveAs(); });
    FileMenu->addSeparator();
    N39 = action(FileMenu, "N39", "Pre&view", [this] { Preview(); }, QKeySequence(Qt::CTRL | Qt::Key_P));
    FileMenu->addSeparator();
    N8 = action(FileMenu, "N8", "&Report options...", [this] { DocOptions(); });
    N25 = action(FileMenu, "N25", "&Page options...", [this] { PageOptions(); });
    N42 = action(FileMenu, "N42", "&Variables list...", [this] { VariablesListClick(); });
    FileMenu->addSeparator();
    N10 = action(FileMenu, "N10", "E&xit", [this] { ExitBClick(); });
    EditMenu = MainMenu1->addMenu(QStringLiteral("&Edit"));
    N46 = action(EditMenu, "N46", "&Undo", [this] { Undo(UndoBuffer); });
    N48 = action(EditMenu, "N48", "&Redo", [this] { Undo(RedoBuffer); });
    EditMenu->addSeparator();
    N11 = action(EditMenu, "N11", "Cu&t", [this] { CutBClick(); });
    N12 = action(EditMenu, "N12", "&Copy", [this] { CopyBClick(); });
    N13 = action(EditMenu, "N13", "&Paste", [this] { PstBClick(); });
    N27 = action(EditMenu, "N27", "&Delete", [this] { DeleteObjects(); });
    N28 = action(EditMenu, "N28", "Select &all", [this] { SelAllBClick(); });
    N36 = action(EditMenu, "N36", "&Edit...", [this] { ShowEditor(); });
    EditMenu->addSeparator();
    N29 = action(EditMenu, "N29", "Add pa&ge", [this] { AddPage(); });
    N30 = action(EditMenu, "N30", "Re&move page", [this] { PgB2Click(); });
    EditMenu->addSeparator();
    N32 = action(EditMenu, "N32", "Bring to &front", [this] { ZB1Click(); });
    N33 = action(EditMenu, "N33", "Send to &back", [this] { ZB2Click(); });
    EditMenu->addSeparator();
    N37 = EditMenu->addMenu(QStringLiteral("&Toolbars"));
    N37->setObjectName(QStringLiteral("N37"));
    const char* bars[] = {"&Rectangle", "&Standard", "&Text", "&Objects", "Object &inspector", "&Alignment palette", "Too&ls"};
    QAction** items[] = {&Pan1, &Pan2, &Pan3, &Pan4, &Pan5, &Pan6, &Pan7};
    // The Tag is the place in the tool bar array: Pan5 (the inspector) and Pan6 (the palette) cross over.
    const int tags[] = {0, 1, 2, 3, 5, 4, 6};
    for (int i = 0; i < 7; ++i) {
        QAction* a = N37->addAction(QString::fromLatin1(bars[i]));
        a->setObjectName(QStringLiteral("Pan%1").arg(i + 1));
        a->setCheckable(true);
        a->setProperty("Tag", tags[i]);
        connect(a, &QAction::triggered, this, [this, a] { ToolbarItemClick(a); });
        *items[i] = a;
    }
    connect(N37, &QMenu::aboutToShow, this, [this] { ToolbarsPopup(); });
    N14 = action(EditMenu, "N14", "&Options...", [this] { DesignerOptions(); });
    MastMenu = MainMenu1->addMenu(QStringLiteral("&Tools"));
    MastMenu->setObjectName(QStringLiteral("MastMenu"));
    MastMenu->setEnabled(false);
    HelpMenu = MainMenu1->addMenu(QStringLiteral("&Help"));
    N35 = action(HelpMenu, "N35", "Help &pointer", [] {});
    N35->setEnabled(false);
    HelpMenu->addSeparator();
    N34 = action(HelpMenu, "N34", "&About...", [this] {
        TrpAboutForm about(this);
        ctl::ExecDialog(about);
    });

    Popup1 = new QMenu(this);
    N2 = action(Popup1, "N2", "Cu&t", [this] { CutBClick(); });
    N1 = action(Popup1, "N1", "&Copy", [this] { CopyBClick(); });
    N3 = action(Popup1, "N3", "&Paste", [this] { PstBClick(); });
    N5 = action(Popup1, "N5", "&Delete", [this] { DeleteObjects(); });
    N16 = action(Popup1, "N16", "Select &all", [this] { SelAllBClick(); });
    N6 = action(Popup1, "N6", "&Edit...", [this] { ShowEditor(); });
    Popup1->addSeparator();
    Popup2 = new QMenu(this);
    N41 = action(Popup2, "N41", "Add pa&ge", [this] { AddPage(); });
    N43 = action(Popup2, "N43", "Re&move page", [this] { PgB2Click(); });
    N44 = action(Popup2, "N44", "Page &options...", [this] { PageOptions(); });
}

void TrpDesignerForm::buildToolBars()
{
    auto bar = [this](const QString& name, const QString& caption, TrpOrientation orientation) {
        auto* b = new TrpToolBar(name, rpDock1);
        b->Caption = caption;
        b->Orientation = orientation;
        return b;
    };
    Panel2 = bar("Panel2", "Standard", toHorzOnly);
    Panel3 = bar("Panel3", "Text", toHorzOnly);
    Panel1 = bar("Panel1", "Rectangle", toHorzOnly);
    Panel6 = bar("Panel6", "Tools", toAny);
    Panel4 = new TrpToolBar("Panel4", rpDock2);
    Panel4->Caption = "Objects";
    Panel5 = new TrpToolBar("Panel5", rpDock4);
    Panel5->Caption = "Alignment";

    TrpToolBar* b = Panel2;
    FileBtn1 = button(b, "FileBtn1", "New report", "N");
    FileBtn2 = button(b, "FileBtn2", "Open report", "O");
    FileBtn3 = button(b, "FileBtn3", "Save report", "S");
    FileBtn4 = button(b, "FileBtn4", "Preview report", "P");
    CutB = button(b, "CutB", "Cut", "X");
    CopyB = button(b, "CopyB", "Copy", "C");
    PstB = button(b, "PstB", "Paste", "V");
    UndoB = button(b, "UndoB", "Undo last action", "\u21b6");
    RedoB = button(b, "RedoB", "Redo cancelled action", "\u21b7");
    ZB1 = button(b, "ZB1", "Bring to front", "\u2191");
    ZB2 = button(b, "ZB2", "Send to back", "\u2193");
    SelAllB = button(b, "SelAllB", "Select all", "A");
    PgB1 = button(b, "PgB1", "Add page", "+P");
    PgB2 = button(b, "PgB2", "Remove page", "-P");
    PgB3 = button(b, "PgB3", "Page options", "PO");
    GB1 = button(b, "GB1", "Grid", "#");
    GB2 = button(b, "GB2", "Grid align", "G");
    GB3 = button(b, "GB3", "Fit to grid", "FG");
    HelpBtn = button(b, "HelpBtn", "Show help", "?");
    ExitB = button(b, "ExitB", "Close designer", "");
    ExitB->SetCaption(QStringLiteral("Close"));
    ExitB->resize(50, 22);
    HelpBtn->setEnabled(false);
    for (TrpSpeedButton* t : {static_cast<TrpSpeedButton*>(GB1), static_cast<TrpSpeedButton*>(GB2)}) {
        t->SetAllowAllUp(true);
    }
    GB1->SetGroupIndex(2);
    GB2->SetGroupIndex(3);
    FileBtn1->OnClick = [this] { New(); };
    FileBtn2->OnClick = [this] { Open(); };
    FileBtn3->OnClick = [this] { Save(); };
    FileBtn4->OnClick = [this] { Preview(); };
    CutB->OnClick = [this] { CutBClick(); };
    CopyB->OnClick = [this] { CopyBClick(); };
    PstB->OnClick = [this] { PstBClick(); };
    UndoB->OnClick = [this] { Undo(UndoBuffer); };
    RedoB->OnClick = [this] { Undo(RedoBuffer); };
    ZB1->OnClick = [this] { ZB1Click(); };
    ZB2->OnClick = [this] { ZB2Click(); };
    SelAllB->OnClick = [this] { SelAllBClick(); };
    PgB1->OnClick = [this] { AddPage(); };
    PgB2->OnClick = [this] { PgB2Click(); };
    PgB3->OnClick = [this] { PageOptions(); };
    GB1->OnClick = [this] { SetGridShow(GB1->Down()); };
    GB2->OnClick = [this] { SetGridAlign(GB2->Down()); };
    GB3->OnClick = [this] { GB3Click(); };
    ExitB->OnClick = [this] { ExitBClick(); };

    b = Panel3;
    auto style = [this](TrpTBButton* x) { x->OnClick = [this, x] { DoClick(x); }; };
    AlB1 = button(b, "AlB1", "Left align", "\u2261L", 11);
    AlB2 = button(b, "AlB2", "Right align", "\u2261R", 12);
    AlB3 = button(b, "AlB3", "Center align", "\u2261C", 13);
    AlB4 = button(b, "AlB4", "Normal text / 90 degrees", "90", 14);
    AlB5 = button(b, "AlB5", "Vertical center", "VC", 15);
    AlB6 = button(b, "AlB6", "Top align", "VT", 15);
    AlB7 = button(b, "AlB7", "Bottom align", "VB", 15);
    AlB8 = button(b, "AlB8", "Width align", "\u2261W", 22);
    FnB1 = button(b, "FnB1", "Bold", "B", 9);
    FnB2 = button(b, "FnB2", "Italic", "I", 10);
    FnB3 = button(b, "FnB3", "Underline", "U", 18);
    ClB2 = button(b, "ClB2", "Font color", "A", 17);
    HlB1 = button(b, "HlB1", "Highlight attributes", "H");
    HlB1->OnClick = [this] { HlB1Click(); };
    for (TrpTBButton* x : {AlB1, AlB2, AlB3, AlB8})
        x->SetGroupIndex(4);
    AlB4->SetGroupIndex(5);
    AlB4->SetAllowAllUp(true);
    for (TrpTBButton* x : {AlB5, AlB6, AlB7})
        x->SetGroupIndex(6);
    FnB1->SetGroupIndex(7);
    FnB2->SetGroupIndex(8);
    FnB3->SetGroupIndex(9);
    for (TrpTBButton* x : {FnB1, FnB2, FnB3})
        x->SetAllowAllUp(true);
    for (TrpTBButton* x : {AlB1, AlB2, AlB3, AlB4, AlB5, AlB6, AlB7, AlB8, FnB1, FnB2, FnB3})
        style(x);
    C3 = new QComboBox(b);
    C3->setObjectName("C3");
    C3->setToolTip("Font size");
    C3->setEditable(true);
    C3->setProperty("Tag", 8);
    for (int s : {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        C3->addItem(QString::number(s));
    C3->setGeometry(2000, 1, 45, 22);
    C2 = new QComboBox(b);
    C2->setObjectName("C2");
    C2->setToolTip("Font name");
    C2->setProperty("Tag", 7);
    C2->setGeometry(2100, 1, 150, 22);
    connect(C3, &QComboBox::activated, this, [this] { DoClick(C3); });
    connect(C2, &QComboBox::activated, this, [this] { DoClick(C2); });

    b = Panel1;
    FrB1 = button(b, "FrB1", "Top frame line", "\u2594", 1);
    FrB2 = button(b, "FrB2", "Left frame line", "\u258f", 2);
    FrB3 = button(b, "FrB3", "Bottom frame line", "\u2581", 3);
    FrB4 = button(b, "FrB4", "Right frame line", "\u2595", 4);
    FrB5 = button(b, "FrB5", "All frame lines", "\u25a1", 20);
    FrB6 = button(b, "FrB6", "No frame", "\u2b1a", 21);
    ClB1 = button(b, "ClB1", "Background color", "Bg", 5);
    ClB3 = button(b, "ClB3", "Frame color", "Fc", 19);
    int group = 10;
    for (TrpTBButton* x : {FrB1, FrB2, FrB3, FrB4}) {
        x->SetGroupIndex(group++);
        x->SetAllowAllUp(true);
    }
    for (TrpTBButton* x : {FrB1, FrB2, FrB3, FrB4, FrB5, FrB6})
        style(x);
    E1 = new QLineEdit(QStringLiteral("1"), b);
    E1->setObjectName("E1");
    E1->setToolTip("Frame width");
    E1->setProperty("Tag", 6);
    E1->setGeometry(2000, 1, 36, 22);
    SB1 = button(b, "SB1", "", "\u25b4");
    SB2 = button(b, "SB2", "", "\u25be");
    SB1->setGeometry(2040, 1, 14, 22);
    SB2->setGeometry(2060, 1, 14, 22);
    SB1->OnClick = [this] { SpinFrameWidth(1); };
    SB2->OnClick = [this] { SpinFrameWidth(-1); };
    StB1 = button(b, "StB1", "Line style", "--");
    StB1->setGeometry(2100, 1, 22, 22);
    for (TrpTBButton* x : {ClB1, ClB2, ClB3})
        x->OnClick = [this, x] { ClB1Click(x); };
    LinePanel = new QWidget(this, Qt::Popup);
    LinePanel->setObjectName("LinePanel");
    for (int i = 0; i < 6; ++i) {
        static const char* signs[] = {"\u2500", "- -", "\u00b7\u00b7\u00b7", "-\u00b7", "-\u00b7\u00b7", "\u2550"};
        auto* lb = new TrpTBButton(LinePanel);
        lb->setObjectName(QStringLiteral("LineStyle%1").arg(i + 1));
        lb->setProperty("Tag", 25 + i);
        lb->SetGlyph(glyph(QString::fromUtf8(signs[i])));
        lb->setGeometry(1 + i * 23, 1, 22, 22);
        lb->OnClick = [this, lb] {
            LinePanel->hide();
            DoClick(lb);
        };
        LineStyleButtons.append(lb);
    }
    LinePanel->resize(6 * 23 + 2, 24);
    StB1->OnClick = [this] {
        if (LinePanel->isHidden())
            LinePanel->move(StB1->mapToGlobal(QPoint(0, 26)));
        LinePanel->setVisible(LinePanel->isHidden());
    };

    b = Panel4;
    OB1 = button(b, "OB1", "Select object", "\u2196", -1);
    OB2 = button(b, "OB2", "Insert rectangle object", "T", gtMemo);
    OB3 = button(b, "OB3", "Insert band", "\u2550", gtBand);
    OB4 = button(b, "OB4", "Insert picture", "\u25a3", gtPicture);
    OB5 = button(b, "OB5", "Insert subreport", "SR", gtSubReport);
    OB6 = button(b, "OB6", "Draw lines", "/", gtLine);
    for (TrpTBButton* x : {OB1, OB2, OB3, OB4, OB5, OB6})
        x->SetGroupIndex(1);
    OB1->OnClick = [] { StickyInsert = false; };
    for (TrpTBButton* x : {OB2, OB3, OB4, OB5, OB6})
        x->OnClick = [this, x] { ObjectButtonDown(x, QApplication::keyboardModifiers() & Qt::ShiftModifier); };

    b = Panel5;
    static const char* alignSigns[] = {"|\u2190", "\u2194", "\u21d4", "\u2026", "\u2192|", "\u2191-", "\u2195", "\u21d5", "\u22ee", "_\u2193"};
    for (int i = 0; i < 10; ++i) {
        Align[i] = button(b, QStringLiteral("Align%1").arg(i + 1), rpLoadStr(53138 + i), QString::fromUtf8(alignSigns[i]));
        Align[i]->OnClick = [this, i] { AlignClick(i + 1); };
    }

    int row = 0;
    for (TrpToolBar* t : {Panel2, Panel3, Panel1}) {
        t->move(0, row);
        t->AdjustBounds();
        row += 26;
    }
    Panel6->resize(26, 26);
    Panel6->move(Panel1->x() + Panel1->width(), 52);
    Panel6->AdjustBounds();
    Panel6->hide();
    Panel4->resize(26, 26);
    Panel4->AdjustBounds();
    Panel5->resize(26, 26);
    Panel5->AdjustBounds();
    rpDock1->resize(width(), 3 * 26 + 1);
    rpDock2->resize(27, 200);
    rpDock4->resize(27, 200);
    rpDock3->resize(width(), 1);
    for (TrpDock* d : {rpDock1, rpDock2, rpDock3, rpDock4})
        d->AdjustBounds();
}

void TrpDesignerForm::buildStatusBar()
{
    StatusBar1 = new QWidget(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusUnits = new QLabel(StatusBar1);
    StatusUnits->setGeometry(2, 2, 73, 18);
    PBox1 = new TrpPositionBox(StatusBar1);
    PBox1->setObjectName("PBox1");
    PBox1->setGeometry(77, 2, TrpPositionBox::MinWidth, 18);
    StatusContent = new QLabel(StatusBar1);
    StatusContent->setGeometry(PBox1->geometry().right() + 3, 2, 400, 18);
    PBox1->OnResize = [this] { StatusContent->move(PBox1->geometry().right() + 3, 2); };
    SetUnits(ruPixels);
}

void TrpDesignerForm::LayoutDocks()
{
    if (!StatusBar1)
        return;
    const int top = MainMenu1->sizeHint().height();
    const int statusHeight = 22;
    rpDock1->setGeometry(0, top, width(), rpDock1->height());
    const int bottom = height() - statusHeight;
    rpDock3->setGeometry(0, bottom - rpDock3->height(), width(), rpDock3->height());
    const int midTop = rpDock1->geometry().bottom() + 1;
    const int midHeight = std::max(1, rpDock3->y() - midTop);
    rpDock2->setGeometry(0, midTop, rpDock2->width(), midHeight);
    rpDock4->setGeometry(width() - rpDock4->width(), midTop, rpDock4->width(), midHeight);
    const int left = rpDock2->width();
    const int right = rpDock4->x();
    const int tabHeight = Tab1->sizeHint().height();
    Tab1->setGeometry(left, midTop, std::max(1, right - left), tabHeight);
    ScrollBox1->setGeometry(left, midTop + tabHeight, std::max(1, right - left), std::max(1, midHeight - tabHeight));
    StatusBar1->setGeometry(0, bottom, width(), statusHeight);
    MainMenu1->setGeometry(0, 0, width(), top);
}

void TrpDesignerForm::resizeEvent(QResizeEvent*)
{
    LayoutDocks();
    FormResize();
}

void TrpDesignerForm::FormResize()
{
    if (!Page)
        return;
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    PageSurface->SetPage();
}

// ---- the engine's designer ----------------------------------------------------------------------------

void TrpDesignerForm::RegisterObject(const QImage& bitmap, const QString& hint, int buttonTag)
{
    auto* b = new TrpTBButton(Panel4);
    b->SetGlyph(bitmap);
    b->setToolTip(hint);
    b->SetGroupIndex(1);
    b->setProperty("Tag", buttonTag);
    b->setGeometry(1000, 1000, 22, 22);
    b->OnClick = [this, b] { ObjectButtonDown(b, QApplication::keyboardModifiers() & Qt::ShiftModifier); };
    Panel4->AdjustBounds();
}

void TrpDesignerForm::RegisterTool(const QString& caption, const QImage& bitmap, const std::function<void()>& onClick)
{
    QAction* item = MastMenu->addAction(caption);
    connect(item, &QAction::triggered, this, [onClick] {
        if (onClick)
            onClick();
    });
    MastMenu->setEnabled(true);
    auto* b = new TrpTBButton(Panel6);
    b->SetGlyph(bitmap);
    b->setToolTip(caption);
    b->setProperty("Tag", 36);
    b->setGeometry(1000, 1000, 22, 22);
    b->OnClick = onClick;
    if (!FirstShow)
        SetMenuItemBitmap(item, b);
    Panel6->show();
    Panel6->AdjustBounds();
    rpDock1->AdjustBounds();
}

void TrpDesignerForm::ShowModal()
{
    FormShow();
    ctl::ExecDialog(*this);
    FormHide();
}

namespace {

// The designer of a prepared page: what it keeps goes back into the page, not into a file. Its Close
// keeps the edits; closing its window otherwise asks whether to keep them.
class TrpPageDesigner : public TrpDesignerForm {
public:
    explicit TrpPageDesigner(int pageNo) : pageNo_(pageNo) {}

    void done(int result) override
    {
        if (result != Accepted && isVisible() && FileModified) {
            const QString text = rpLoadStr(55306) + QLatin1Char(' ') + rpLoadStr(55336) + QLatin1Char(' ') +
                                 rpLoadStr(55004) + QString::number(pageNo_) + QLatin1Char('?');
            switch (ctl::MessageBox(text, rpLoadStr(55006), ctl::MB_YESNOCANCEL | ctl::MB_ICONQUESTION)) {
            case ctl::IDYES: result = Accepted; break;
            case ctl::IDNO: break;
            default: return;
            }
        }
        QDialog::done(result);
    }

private:
    int pageNo_;
};

} // namespace

bool TrpDesignerForm::DesignPreparedPage(int pageNo)
{
    // A second designer: it adds no pages, bands or subreports and has no preview, and this one may be
    // showing the report whose preview asks. While it runs, the engine's calls go to it; the selection
    // state all designers share is this one's again afterwards.
    const rtl::TScopeGuard restore([outer = rpDesigner, page = ::CurPage, selected = SelectedCount,
                                    reference = ReferenceView, group = GroupFrame, sticky = StickyInsert,
                                    firstMove = FirstMove, positionOnly = PositionOnly, rect = OldRect,
                                    rect1 = OldRect1] {
        rpDesigner = outer;
        ::CurPage = page;
        SelectedCount = selected;
        ReferenceView = reference;
        GroupFrame = group;
        StickyInsert = sticky;
        FirstMove = firstMove;
        PositionOnly = positionOnly;
        OldRect = rect;
        OldRect1 = rect1;
    });
    TrpPageDesigner designer(pageNo);
    rpDesigner = &designer;
    designer.FormShow();
    const int result = ctl::ExecDialog(designer);
    designer.FormHide();
    return result == QDialog::Accepted;
}

void TrpDesignerForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    LayoutDocks();
    FormResize();
}

void TrpDesignerForm::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
}

void TrpDesignerForm::FormShow()
{
    TrpReport* report = Report();
    if (!report)
        return;
    if (report->Pages->Count() == 0)
        report->Pages->Add();
    if (FirstShow)
        SetMenuBitmaps();
    FirstShow = false;
    const bool composite = dynamic_cast<TrpCompositeReport*>(report) != nullptr;
    FileBtn1->setEnabled(FirstInstance);
    N23->setEnabled(FirstInstance);
    FileBtn4->setEnabled(FirstInstance && !composite);
    N39->setEnabled(FirstInstance && !composite);
    OB3->setEnabled(FirstInstance);
    OB5->setEnabled(FirstInstance);
    ClearUndoBuffer();
    ClearRedoBuffer();
    Modified = false;
    FileModified = false;
    DisableDrawing = false;
    // A report built or printed before leaves the engine in its printing state.
    DocMode = dmDesigning;
    GetFontList();
    SetCurDocName(report->FileName.isEmpty() ? rpLoadStr(55209) : report->FileName);
    SetCurPage(0);
    Unselect();
    PageSurface->Init();
    EnableControls();
    OB1->SetDown(true);
    StickyInsert = false;
    for (TrpSpeedButton* b : {static_cast<TrpSpeedButton*>(ClB1), static_cast<TrpSpeedButton*>(ClB2),
                              static_cast<TrpSpeedButton*>(ClB3)})
        SetColorButton(b, gfx::clBlack);
    LinePanel->hide();
    ColorSelector->hide();
    GB1->SetDown(GridShow);
    GB2->SetDown(GridAlign);
    SetGrayedButtons(GrayButtons);
    ShowPosition();
    RestoreState();
    LayoutDocks();
    FormResize();
}

void TrpDesignerForm::FormHide()
{
    ClearUndoBuffer();
    ClearRedoBuffer();
    SaveState();
    if (Report())
        Report()->FileName = CurDocName;
}

// ---- pages --------------------------------------------------------------------------------------------

void TrpDesignerForm::SetCurPage(int n)
{
    TrpReport* report = Report();
    if (!report || n < 0 || n >= report->Pages->Count())
        return;
    CurPage = n;
    Page = report->Pages->Pages(n);
    ::CurPage = Page;
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    PageSurface->SetPage();
    SetPageTitles();
    {
        const QSignalBlocker block(Tab1);
        Tab1->setCurrentIndex(n);
    }
    ResetSelection();
    SendBandsToBack();
    RedrawPage();
}

void TrpDesignerForm::SetPageTitles()
{
    TrpReport* report = Report();
    if (!report)
        return;
    const int count = report->Pages->Count();
    QStringList titles;
    for (int i = 0; i < count; ++i) {
        QString title;
        for (int p = 0; p < count && title.isEmpty(); ++p)
            for (TrpView* v : report->Pages->Pages(p)->Objects)
                if (auto* sub = dynamic_cast<TrpSubReportView*>(v); sub && sub->SubPage == i) {
                    title = sub->Name;
                    break;
                }
        titles.append(title.isEmpty() ? rpLoadStr(55004) + QString::number(i + 1) : title);
    }
    const QSignalBlocker block(Tab1);
    if (Tab1->count() != count) {
        while (Tab1->count() > 0)
            Tab1->removeTab(0);
        for (const QString& t : titles)
            Tab1->addTab(t);
    } else {
        for (int i = 0; i < count; ++i)
            if (Tab1->tabText(i) != titles[i])
                Tab1->setTabText(i, titles[i]);
    }
}

void TrpDesignerForm::AddPage()
{
    TrpReport* report = Report();
    if (!report)
        return;
    report->Pages->Add();
    const int added = report->Pages->Count() - 1;
    const int shown = CurPage;
    SetCurPage(added);
    if (!PageOptions()) {
        report->Pages->Delete(added);
        SetCurPage(shown);
        return;
    }
    Modified = true;
    FileModified = true;
    SetCurPage(added);
}

void TrpDesignerForm::RemovePage(int n)
{
    TrpReport* report = Report();
    if (!report)
        return;
    Modified = true;
    FileModified = true;
    if (n >= 0 && n < report->Pages->Count()) {
        if (report->Pages->Count() > 1) {
            Page = nullptr;
            report->Pages->Delete(n);
            {
                const QSignalBlocker block(Tab1);
                Tab1->removeTab(n);
                Tab1->setCurrentIndex(0);
            }
            for (int p = 0; p < report->Pages->Count(); ++p) {
                QList<TrpView*>& objs = report->Pages->Pages(p)->Objects;
                for (int i = int(objs.size()) - 1; i >= 0; --i)
                    if (auto* sub = dynamic_cast<TrpSubReportView*>(objs[i])) {
                        if (sub->SubPage == n) {
                            if (ReferenceView == sub)
                                ReferenceView = nullptr;
                            delete objs.takeAt(i);
                        } else if (sub->SubPage > n) {
                            --sub->SubPage;
                        }
                    }
            }
            SetCurPage(0);
        } else {
            report->Pages->Pages(0)->Clear();
            ReferenceView = nullptr;
            SetCurPage(0);
        }
    }
    ClearUndoBuffer();
    ClearRedoBuffer();
}

void TrpDesignerForm::PgB2Click()
{
    if (ctl::MessageBox(rpLoadStr(55005), rpLoadStr(55006), ctl::MB_YESNO | ctl::MB_ICONQUESTION) == ctl::IDYES)
        RemovePage(CurPage);
}

void TrpDesignerForm::ExitBClick()
{
    done(QDialog::Accepted);
}

// ---- settings -----------------------------------------------------------------------------------------

void TrpDesignerForm::SetGridSize(int n)
{
    if (n == GridSize)
        return;
    GridSize = n;
    RedrawPage();
}

void TrpDesignerForm::SetGridShow(bool b)
{
    if (b == GridShow)
        return;
    GridShow = b;
    GB1->SetDown(b);
    RedrawPage();
}

void TrpDesignerForm::SetGridAlign(bool b)
{
    if (b == GridAlign)
        return;
    GridAlign = b;
    GB2->SetDown(b);
}

void TrpDesignerForm::SetUnits(TrpReportUnits u)
{
    Units = u;
    static const char* names[] = {"Pixels", "MM", "Inches"};
    StatusUnits->setText(QString::fromLatin1(names[u]));
    ShowPosition();
}

void TrpDesignerForm::SetGrayedButtons(bool b)
{
    GrayButtons = b;
    for (TrpToolBar* bar : {Panel1, Panel2, Panel3, Panel4, Panel5, Panel6})
        for (TrpSpeedButton* sb : rpSpeedButtons(bar))
            sb->SetInactiveGrayed(b);
}

void TrpDesignerForm::SetCurDocName(const QString& name)
{
    CurDocName = name;
    if (FirstInstance)
        setWindowTitle(TitleText + QStringLiteral(" - ") + QFileInfo(name).fileName());
    else
        setWindowTitle(TitleText);
}

double TrpDesignerForm::PointsToUnits(int px) const
{
    switch (Units) {
    case ruMM: return px / 18.0 * 5;
    case ruInches: return px / 18.0 * 5 / 25.4;
    default: return px;
    }
}

int TrpDesignerForm::UnitsToPoints(double value) const
{
    switch (Units) {
    case ruMM: return rpRound(value / 5 * 18);
    case ruInches: return rpRound(25.4 * value / 5 * 18);
    default: return rpRound(value);
    }
}

void TrpDesignerForm::RedrawPage()
{
    if (Page)
        PageSurface->Draw(10000);
}

// ---- the object tool bar ------------------------------------------------------------------------------

int TrpDesignerForm::InsertToolTag() const
{
    const QList<TrpSpeedButton*> buttons = rpSpeedButtons(Panel4);
    for (int i = int(buttons.size()) - 1; i >= 0; --i)
        if (buttons[i]->Down())
            return buttons[i]->property("Tag").toInt();
    return -1;
}

bool TrpDesignerForm::LineToolDown() const
{
    return OB6->Down();
}

bool TrpDesignerForm::ArrowToolDown() const
{
    return OB1->Down() || InsertToolTag() == -1;
}

bool TrpDesignerForm::BandToolDown() const
{
    return OB3->Down();
}

void TrpDesignerForm::PressArrowTool()
{
    OB1->SetDown(true);
    StickyInsert = false;
}

void TrpDesignerForm::ObjectButtonDown(TrpSpeedButton* b, bool shift)
{
    b->SetDown(true);
    StickyInsert = shift;
    PageSurface->SetDesignCursor(dcDefault);
}

bool TrpDesignerForm::ChooseBandType(int& bandType)
{
    TrpBandTypesForm dialog([this](int t) { return rpCheckBand(t); }, this);
    if (ctl::ExecDialog(dialog) != QDialog::Accepted || dialog.BandType < 0)
        return false;
    bandType = dialog.BandType;
    return true;
}

void TrpDesignerForm::ShowPopup(const QPoint& globalPos)
{
    Popup1Popup();
    ctl::PopupMenu(*Popup1, globalPos);
}

void TrpDesignerForm::RepaintPositionBox()
{
    // The texts are taken now: a rectangle being drawn is shown only while the surface says so.
    QString position, size, scale;
    PositionParts(position, size, scale);
    PBox1->SetTexts(position, size, scale);
}

// ---- position box -------------------------------------------------------------------------------------

TrpPositionBox::TrpPositionBox(QWidget* parent) : QWidget(parent) {}

void TrpPositionBox::SetTexts(const QString& position, const QString& size, const QString& scale)
{
    texts_ = {position, size, scale};
    // The texts stand at their places unless a longer one before them pushes them on; the box grows to
    // hold them whole.
    const QFontMetrics fm(font());
    const int starts[3] = {20, 110, 170};
    int end = 0;
    for (int i = 0; i < 3; ++i) {
        const int x = std::max(starts[i], end + (i == 1 ? 20 : 6));
        rects_[i] = QRect(x, 1, fm.horizontalAdvance(texts_[i]) + 1, std::max(16, fm.height()));
        end = texts_[i].isEmpty() ? x : rects_[i].right() + 1;
    }
    const int needed = std::max(MinWidth, end + 2);
    if (needed != width()) {
        resize(needed, height());
        if (OnResize)
            OnResize();
    }
    update();
}

void TrpPositionBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.drawText(2, 1, 16, 16, Qt::AlignCenter, QStringLiteral("↖"));
    p.drawText(rects_[1].left() - 18, 1, 16, 16, Qt::AlignCenter, QStringLiteral("↔"));
    for (int i = 0; i < 3; ++i)
        p.drawText(rects_[i], Qt::AlignLeft | Qt::AlignVCenter, texts_[i]);
}

// ---- menus and tool windows --------------------------------------------------------------------------

void TrpDesignerForm::SetMenuItemBitmap(QAction* item, TrpSpeedButton* button)
{
    QIcon icon;
    for (bool enabled : {true, false}) {
        QPixmap pixmap(16, 16);
        pixmap.fill(palette().color(QPalette::Window));
        QPainter p(&pixmap);
        button->DrawGlyph(p, 0, 0, enabled);
        p.end();
        icon.addPixmap(pixmap, enabled ? QIcon::Normal : QIcon::Disabled);
    }
    item->setIcon(icon);
    item->setProperty("GlyphButton", QVariant::fromValue<QObject*>(button));
}

void TrpDesignerForm::SetMenuBitmaps()
{
    const std::pair<QAction*, TrpSpeedButton*> bound[] = {
        {N23, FileBtn1}, {N19, FileBtn2}, {N20, FileBtn3}, {N39, FileBtn4}, {N10, ExitB}, {N46, UndoB},
        {N48, RedoB},    {N11, CutB},     {N12, CopyB},    {N13, PstB},     {N28, SelAllB}, {N29, PgB1},
        {N30, PgB2},     {N32, ZB1},      {N33, ZB2},      {N35, HelpBtn},  {N41, PgB1},    {N43, PgB2},
        {N44, PgB3},     {N1, CopyB},     {N2, CutB},      {N3, PstB},      {N16, SelAllB}};
    for (const auto& [item, button] : bound)
        SetMenuItemBitmap(item, button);
    const QList<QAction*> tools = MastMenu->actions();
    const QList<TrpSpeedButton*> toolButtons = rpSpeedButtons(Panel6);
    for (int i = 0; i < tools.size() && i < toolButtons.size(); ++i)
        SetMenuItemBitmap(tools[i], toolButtons[i]);
}

void TrpDesignerForm::ApplicationActivated(bool active)
{
    if (!active && !isVisible())
        return;
    const bool inspShown = InspForm->isVisible();
    InspForm->setWindowFlag(Qt::WindowStaysOnTopHint, active);
    if (inspShown)
        InspForm->show();
    for (TrpToolBar* bar : {Panel1, Panel2, Panel3, Panel4, Panel5, Panel6}) {
        QWidget* window = bar->GetFloatWindow();
        if (!window)
            continue;
        const bool shown = window->isVisible();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, active);
        if (shown)
            window->show();
    }
}

QList<TrpSpeedButton*> rpSpeedButtons(const QWidget* bar)
{
    // The buttons carry no meta-object of their own: qobject_cast would take any widget for one.
    QList<TrpSpeedButton*> buttons;
    for (QObject* o : bar->children())
        if (auto* b = dynamic_cast<TrpSpeedButton*>(o))
            buttons.append(b);
    return buttons;
}

// ---- start-up -----------------------------------------------------------------------------------------

void rpDesignerStartup()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    PasteList.clear();
    LastStyle = TrpLastStyle();
    rpDockRegRoot = QStringLiteral("Software\\ReportEngine\\") + QCoreApplication::applicationName();
    auto* designer = new TrpDesignerForm;
    rpRegisterDesigner(designer);
}

void rpDesignerShutdown()
{
    if (auto* designer = dynamic_cast<TrpDesignerForm*>(rpDesigner)) {
        rpRegisterDesigner(nullptr);
        delete designer;
    }
    rpFreeFloatingToolBars();
    rpClearPasteList();
    LastStyle.FontName.clear();
    rpTemplateDir.clear();
}
