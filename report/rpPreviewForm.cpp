#include "report/rpPreviewForm.h"

#include "platform/controls/DialogPort.h"
#include "platform/controls/FormFont.h"
#include "platform/controls/MessageBox.h"
#include "platform/system/Registry.h"
#include "report/rpCtrls.h"
#include "report/rpEMFPages.h"
#include "report/rpExportFilter.h"
#include "report/rpGlobals.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpPrepare.h"
#include "report/rpPreview.h"
#include "report/rpPrintForm.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

// A tool-bar glyph from the style's icon, on the olive that the buttons take as transparent.
QImage glyphOf(QStyle::StandardPixmap icon)
{
    QImage g(16, 16, QImage::Format_RGB32);
    g.fill(qRgb(128, 128, 0));
    QPainter p(&g);
    QApplication::style()->standardIcon(icon).paint(&p, 0, 0, 16, 16);
    return g;
}

} // namespace

// ---- find-text dialog ---------------------------------------------------------------------------------

TrpPreviewSearchForm::TrpPreviewSearchForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(rpLoadStr(53000));
    ctl::SetFormFont(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(4);
    auto* label = new QLabel(rpLoadStr(53001), this);
    Edit1 = new QLineEdit(this);
    label->setBuddy(Edit1);
    layout->addWidget(label);
    layout->addWidget(Edit1);
    // Each group takes the room its texts need, the two side by side.
    auto group = [this](int title, std::initializer_list<QWidget*> items) {
        auto* box = new QGroupBox(rpLoadStr(title), this);
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(6, 2, 6, 4);
        column->setSpacing(2);
        for (QWidget* item : items) {
            item->setParent(box);
            column->addWidget(item);
        }
        column->addStretch(1);
        return box;
    };
    CB1 = new QCheckBox(rpLoadStr(53003));
    RB1 = new QRadioButton(rpLoadStr(53005));
    RB2 = new QRadioButton(rpLoadStr(53006));
    RB1->setChecked(true);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(group(53002, {CB1}), 1);
    row->addWidget(group(53004, {RB1, RB2}), 1);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(rpLoadStr(55000), this);
    auto* cancel = new QPushButton(rpLoadStr(55001), this);
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(2); });
    // 262 x 158, unless the fonts of this system need more to show every control whole.
    setFixedSize(layout->sizeHint().expandedTo(QSize(262, 158)));
}

void TrpPreviewSearchForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Edit1->setFocus();
    Edit1->selectAll();
}

// ---- the window ---------------------------------------------------------------------------------------

TrpPreviewForm::TrpPreviewForm(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(800, 600);
    if (const QScreen* screen = QApplication::primaryScreen())
        setMaximumSize(screen->size());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QWidget(this);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    barLayout->setSpacing(0);
    auto button = [&](int hint, QStyle::StandardPixmap icon) {
        auto* b = new TrpTBButton(bar);
        b->setFixedSize(hint == 53024 ? 44 : 24, 24);
        b->setToolTip(rpLoadStr(hint));
        if (hint != 53024)
            b->SetGlyph(glyphOf(icon));
        barLayout->addWidget(b);
        return b;
    };
    auto separator = [&] {
        auto* s = new TrpTBSeparator(bar);
        s->setFixedSize(8, 24);
        barLayout->addWidget(s);
        return s;
    };
    ZoomBtn = button(53024, QStyle::SP_CustomBase);
    ZoomBtn->SetCaption(QStringLiteral("200%"));
    ZoomSeparator = separator();
    LoadBtn = button(53025, QStyle::SP_DialogOpenButton);
    SaveBtn = button(53026, QStyle::SP_DialogSaveButton);
    PrintBtn = button(53027, QStyle::SP_FileIcon);
    FindSeparator = separator();
    FindBtn = button(53028, QStyle::SP_FileDialogContentsView);
    HelpBtn = button(53032, QStyle::SP_DialogHelpButton);
    separator();
    ExitBtn = button(53023, QStyle::SP_DialogCloseButton);
    barLayout->addStretch(1);
    layout->addWidget(bar);
    PreviewPanel = new TrpPageView(this);
    layout->addWidget(PreviewPanel, 1);

    PreviewPanel->OnEditPage = [this] { EditBtnClick(); };
    PreviewPanel->OnAddPage = [this] { NewPageBtnClick(); };
    PreviewPanel->OnDeletePage = [this] { DelPageBtnClick(); };
    // The window sees every key before the control that has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->isWindow()) // the pop-up menu keeps its own keys
            w->installEventFilter(this);

    ZoomBtn->OnClick = [this] { PreviewPanel->ZoomBtnClick(); };
    LoadBtn->OnClick = [this] { LoadBtnClick(); };
    SaveBtn->OnClick = [this] { SaveBtnClick(); };
    PrintBtn->OnClick = [this] { PrintBtnClick(); };
    FindBtn->OnClick = [this] { FindBtnClick(); };
    HelpBtn->OnClick = [this] { HelpBtnClick(); };
    ExitBtn->OnClick = [this] { ExitBtnClick(); };
}

TrpPreviewForm::~TrpPreviewForm()
{
    PreviewPanel->ConnectBack();
}

void TrpPreviewForm::connectPages()
{
    PreviewPanel->Connect(report_);
    // Pages are edited, added and deleted only where the report allows changing its prepared pages.
    PreviewPanel->EditEnabled = report_->ModifyPrepared;
}

void TrpPreviewForm::Show_Modal(TrpReport* report)
{
    report_ = report;
    connectPages();
    const unsigned buttons = report->PreviewButtons;
    const QList<TrpTBButton*> bits = {ZoomBtn, LoadBtn, SaveBtn, PrintBtn, FindBtn, HelpBtn, ExitBtn};
    for (int i = 0; i < bits.size(); ++i)
        bits[i]->setVisible(buttons & (1u << i));
    ZoomSeparator->setVisible(buttons & pbZoom);
    FindSeparator->setVisible(buttons & (pbFind | pbHelp));
    // The "Default printer" writes a PDF file: there is always somewhere to print.
    PrintBtn->setEnabled(!Prn().Printers.isEmpty());
    switch (report->InitialZoom) {
    case pzPageWidth: TrpPageView::LastZoomMode = 1; break;
    case pzOnePage: TrpPageView::LastZoomMode = 2; break;
    case pzTwoPages: TrpPageView::LastZoomMode = 3; break;
    default: break;
    }
    PreviewPanel->RedrawAll();
    ZoomBtn->SetCaption(PreviewPanel->ZoomCaption.isEmpty() ? QStringLiteral("200%") : PreviewPanel->ZoomCaption);
    SetGrayedButtons(grayedButtons(*report));
    if (report->ModalPreview)
        ctl::ExecDialog(*this);
    else
        show();
}

bool TrpPreviewForm::grayedButtons(const TrpReport& report)
{
    // With a designer, the designer's setting wins.
    const auto* designer = dynamic_cast<const QObject*>(rpDesigner);
    if (!designer)
        return report.GrayedButtons;
    const sys::TRegIniFile reg(QStringLiteral("Software\\ReportEngine\\") + QCoreApplication::applicationName());
    return reg.ReadString(QStringLiteral("Form\\") + designer->objectName(), QStringLiteral("GrayButtons"), QString())
               .toInt() != 0;
}

void TrpPreviewForm::SetGrayedButtons(bool grayed)
{
    for (TrpTBButton* b : {ZoomBtn, LoadBtn, SaveBtn, PrintBtn, FindBtn, HelpBtn, ExitBtn})
        b->SetInactiveGrayed(grayed);
}

bool TrpPreviewForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    TrpPageView* v = PreviewPanel;
    if (v->PageCount() == 0)
        return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Up: v->VScrollBar->setValue(v->VScrollBar->value() - v->VScrollBar->singleStep()); break;
    case Qt::Key_Down: v->VScrollBar->setValue(v->VScrollBar->value() + v->VScrollBar->singleStep()); break;
    case Qt::Key_Left: v->HScrollBar->setValue(v->HScrollBar->value() - v->HScrollBar->singleStep()); break;
    case Qt::Key_Right: v->HScrollBar->setValue(v->HScrollBar->value() + v->HScrollBar->singleStep()); break;
    case Qt::Key_PageUp:
        if (ctrl)
            v->PgUpClick();
        else
            v->VScrollBar->setValue(v->VScrollBar->value() - v->VScrollBar->pageStep());
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            v->PgDownClick();
        else
            v->VScrollBar->setValue(v->VScrollBar->value() + v->VScrollBar->pageStep());
        break;
    case Qt::Key_Home:
        if (!ctrl)
            return false;
        v->VScrollBar->setValue(0);
        break;
    case Qt::Key_End:
        if (!ctrl)
            return false;
        v->CurrentPage = v->PageCount();
        v->SetToCurPage();
        v->ShowPageNum();
        break;
    case Qt::Key_Space: v->ZoomBtnClick(); break;
    case Qt::Key_Escape: ExitBtnClick(); break;
    case Qt::Key_F3:
        if (FindStr.isEmpty())
            return false;
        if (SearchPage != v->CurrentPage - 1 && lastFoundPage_ != v->CurrentPage - 1) {
            SearchPage = v->CurrentPage - 1;
            RecordIndex = 0;
        }
        FindText();
        break;
    case Qt::Key_Delete: DelPageBtnClick(); break;
    case Qt::Key_Insert: NewPageBtnClick(); break;
    default:
        if (!ctrl)
            return false;
        switch (key) {
        case Qt::Key_O: LoadBtnClick(); break;
        case Qt::Key_S: SaveBtnClick(); break;
        case Qt::Key_P:
            if (PrintBtn->isEnabled())
                PrintBtnClick();
            break;
        case Qt::Key_F: FindBtnClick(); break;
        case Qt::Key_E: EditBtnClick(); break;
        default: return false;
        }
    }
    return true;
}

bool TrpPreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TrpPreviewForm::keyPressEvent(QKeyEvent* event)
{
    if (FormKeyDown(event->key(), event->modifiers()))
        event->accept();
    else
        QDialog::keyPressEvent(event);
}

void TrpPreviewForm::closeEvent(QCloseEvent* event)
{
    PreviewPanel->ConnectBack();
    QDialog::closeEvent(event);
}

void TrpPreviewForm::ExitBtnClick()
{
    if (isModal())
        done(1);
    else
        close();
}

void TrpPreviewForm::LoadBtnClick()
{
    ctl::TFileQuestion question;
    question.Filters = QStringList{rpLoadStr(55211) + QStringLiteral(" (*.rpp)")};
    if (ctl::AskFile(question, this) && !question.FileName.isEmpty())
        LoadFromFile(question.FileName);
}

void TrpPreviewForm::LoadFromFile(const QString& fileName)
{
    if (!report_)
        return;
    PreviewPanel->ConnectBack();
    report_->LoadPreparedReport(fileName);
    connectPages();
    PreviewPanel->CurrentPage = 1;
    PreviewPanel->FormResize();
    PreviewPanel->ShowPageNum();
    PreviewPanel->PBox->update();
}

void TrpPreviewForm::SaveBtnClick()
{
    ctl::TFileQuestion question;
    question.Save = true;
    question.Filters = QStringList{rpLoadStr(55211) + QStringLiteral(" (*.rpp)")};
    for (const TrpExportFilterInfo& f : rpFilters())
        question.Filters << f.FilterDesc + QStringLiteral(" (") + f.FilterExt + QLatin1Char(')');
    if (ctl::AskFile(question, this) && !question.FileName.isEmpty())
        SaveToFile(question.FileName, question.FilterIndex);
}

void TrpPreviewForm::SaveToFile(const QString& fileName, int filterIndex)
{
    if (!report_)
        return;
    const QFileInfo info(fileName);
    const QString base = info.path() + QLatin1Char('/') + info.completeBaseName();
    PreviewPanel->ConnectBack();
    try {
        if (filterIndex <= 1) {
            report_->SavePreparedReport(base + QStringLiteral(".rpp"));
        } else if (filterIndex - 2 < rpFilters().size()) {
            const TrpExportFilterInfo& f = rpFilters()[filterIndex - 2];
            rpExportTo(report_, [&f](QIODevice* stream) {
                std::unique_ptr<TrpExportFilter> filter = f.Create();
                filter->Stream = stream;
                return filter;
            }, base + f.FilterExt.mid(1));
        }
    } catch (const std::exception& e) {
        ctl::MessageBox(QString::fromUtf8(e.what()), rpLoadStr(55206), ctl::MB_OK | ctl::MB_ICONERROR);
    }
    connectPages();
}

void TrpPreviewForm::PrintBtnClick()
{
    if (!report_ || PreviewPanel->PageCount() == 0 || Prn().Printers.isEmpty())
        return;
    const int oldIndex = Prn().PrinterIndex;
    TrpPrintForm form(this);
    if (ctl::ExecDialog(form) != 1)
        return;
    if (Prn().PrinterIndex != oldIndex && report_->Rebuildable) {
        if (!report_->ChangePrinter(oldIndex, Prn().PrinterIndex))
            return;
        // The pages follow the new printer's paper: built again.
        PreviewPanel->ConnectBack();
        report_->EMFPages->Clear();
        report_->PrepareReport();
        connectPages();
    }
    const QString pages = form.PageList(PreviewPanel->CurrentPage);
    const int copies = form.Copies();
    PreviewPanel->ConnectBack();
    report_->PrintPreparedReport(pages, copies);
    connectPages();
    PreviewPanel->RedrawAll();
}

void TrpPreviewForm::FindBtnClick()
{
    TrpPreviewSearchForm form(this);
    form.Edit1->setText(FindStr);
    form.CB1->setChecked(CaseSensitive);
    if (ctl::ExecDialog(form) != 1)
        return;
    CaseSensitive = form.CB1->isChecked();
    FindStr = CaseSensitive ? form.Edit1->text() : form.Edit1->text().toUpper();
    const int start = form.RB1->isChecked() ? 0 : PreviewPanel->CurrentPage - 1;
    if (start != SearchPage || form.RB1->isChecked())
        RecordIndex = 0;
    SearchPage = start;
    FindText();
}

QList<TrpPageText> TrpPreviewForm::FindInEMF(int page)
{
    QList<TrpPageText> out;
    TrpEMFPages* pages = PreviewPanel->Pages.get();
    if (!pages || page < 0 || page >= pages->Count())
        return out;
    pages->ObjectsToPage(page);
    for (TrpView* v : pages->Pages(page).Page->Objects) {
        if (!dynamic_cast<TrpMemoView*>(v))
            continue;
        QStringList lines;
        const bool laidOut = TrpMemoView::IsLaidOut(v->Memo);
        for (const QString& l : v->Memo) {
            if (laidOut && l == QString(QChar(1)))
                continue;
            lines << (laidOut ? TrpMemoView::DecodeLayoutLine(l).Text : l);
        }
        const int lineHeight = lines.isEmpty() ? v->dy : std::max(1, v->dy / int(lines.size()));
        for (int i = 0; i < lines.size(); ++i)
            out.append({lines[i], gfx::TRect(v->x, v->y + i * lineHeight, v->x + v->dx, v->y + (i + 1) * lineHeight)});
    }
    if (!pages->Pages(page).Visible)
        pages->Pages(page).Page.reset();
    return out;
}

bool TrpPreviewForm::FindText()
{
    if (FindStr.isEmpty())
        return false;
    for (int page = SearchPage; page < PreviewPanel->PageCount(); ++page) {
        const QList<TrpPageText> texts = FindInEMF(page);
        for (int i = page == SearchPage ? RecordIndex : 0; i < texts.size(); ++i) {
            const QString text = CaseSensitive ? texts[i].Text : texts[i].Text.toUpper();
            if (!text.contains(FindStr))
                continue;
            SearchPage = page;
            RecordIndex = i + 1;
            lastFoundPage_ = page;
            FoundRect = texts[i].Bounds;
            TrpPageView* v = PreviewPanel;
            v->CurrentPage = page + 1;
            v->ShowPageNum();
            // The found text 10 pixels from the view's top left.
            const gfx::TRect r = v->PageRect(page);
            v->VScrollBar->setValue(r.Top + int(FoundRect.Top * v->ZoomFactor) - 10);
            v->HScrollBar->setValue(r.Left + int(FoundRect.Left * v->ZoomFactor) - 10);
            v->CurrentPage = page + 1;
            v->ShowPageNum();
            return true;
        }
    }
    return false;
}

void TrpPreviewForm::EditBtnClick()
{
    if (!report_ || !PreviewPanel->EditPageEnabled() || PreviewPanel->PageCount() == 0)
        return;
    const int page = PreviewPanel->CurrentPage - 1;
    PreviewPanel->ConnectBack();
    report_->EditPreparedReport(page);
    connectPages();
    PreviewPanel->RedrawAll();
}

void TrpPreviewForm::NewPageBtnClick()
{
    if (!report_ || !PreviewPanel->EditPageEnabled() || report_->Pages->Count() == 0)
        return;
    PreviewPanel->Pages->Insert(PreviewPanel->CurrentPage - 1, report_->Pages->Pages(0));
    PreviewPanel->RedrawAll();
}

void TrpPreviewForm::DelPageBtnClick()
{
    TrpPageView* v = PreviewPanel;
    if (!v->EditPageEnabled() || v->PageCount() <= 1)
        return;
    if (ctl::MessageBox(rpLoadStr(55005), rpLoadStr(55006), ctl::MB_YESNO | ctl::MB_ICONQUESTION) != ctl::IDYES)
        return;
    v->Pages->Delete(v->CurrentPage - 1);
    v->RedrawAll();
}

void TrpPreviewForm::HelpBtnClick()
{
    QWhatsThis::enterWhatsThisMode();
}
