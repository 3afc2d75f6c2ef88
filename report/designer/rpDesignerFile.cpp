// File commands of the designer window: new, new from a template, open, save, save as (form, XML form,
// template) and preview.
#include "platform/controls/MessageBox.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerState.h"
#include "report/designer/rpTemplForm.h"
#include "report/rpPages.h"
#include "report/rpPrepare.h"
#include "report/rpReport.h"
#include "report/rpStrings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

void showError(const std::exception& e)
{
    ctl::MessageBox(QString::fromUtf8(e.what()), rpLoadStr(55206), ctl::MB_OK | ctl::MB_ICONERROR);
}

} // namespace

QString rpXmlFormNote(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // The export starts with its declaration; a report form starts with its version byte.
    if (!f.read(64).trimmed().startsWith("<?xml"))
        return {};
    return QStringLiteral("\"") + QFileInfo(fileName).fileName() +
           QStringLiteral("\" is an XML report form (.rp3): the designer writes that form for export but does not "
                          "read it. Open the report form (.rpf) it was saved from.");
}

bool TrpDesignerForm::IsUntitled() const
{
    return CurDocName.isEmpty() || CurDocName == rpLoadStr(55209);
}

bool TrpDesignerForm::AskToSave()
{
    if (!FileModified)
        return true;
    const QString text = rpLoadStr(55306) + QLatin1Char(' ') + rpLoadStr(55336) + QLatin1Char(' ') +
                         QFileInfo(CurDocName).fileName() + QLatin1Char('?');
    switch (ctl::MessageBox(text, rpLoadStr(55006), ctl::MB_YESNOCANCEL | ctl::MB_ICONQUESTION)) {
    case ctl::IDYES:
        Save();
        return DialogAccepted;
    case ctl::IDNO:
        return true;
    default:
        return false;
    }
}

void TrpDesignerForm::New()
{
    TrpReport* report = Report();
    if (!report || !AskToSave())
        return;
    ClearUndoBuffer();
    ClearRedoBuffer();
    Page = nullptr;
    ReferenceView = nullptr;
    report->Pages->Clear();
    report->Pages->Add();
    SetCurPage(0);
    SetCurDocName(rpLoadStr(55209));
    FileModified = false;
}

void TrpDesignerForm::NewFromTemplate()
{
    TrpReport* report = Report();
    // The template replaces the report: unsaved changes are asked about as for New.
    if (!report || !AskToSave())
        return;
    TrpTemplForm form(report, this);
    if (ctl::ExecDialog(form) != QDialog::Accepted)
        return;
    ClearUndoBuffer();
    ClearRedoBuffer();
    Page = nullptr;
    ReferenceView = nullptr;
    QStringList none;
    try {
        report->LoadTemplate(form.TemplName, none, nullptr, true);
    } catch (const std::exception& e) {
        // The file could not be opened: the report is as it was.
        showError(e);
        SetCurPage(CurPage);
        return;
    }
    SetCurDocName(rpLoadStr(55209));
    SetCurPage(0);
}

void TrpDesignerForm::Open()
{
    TrpReport* report = Report();
    if (!report || !AskToSave())
        return;
    TrpFileDialog open;
    open.Filter = rpLoadStr(55213) + QStringLiteral(" (*.rpf)|*.rpf");
    if (!open.Execute(this))
        return;
    if (const QString note = rpXmlFormNote(open.FileName); !note.isEmpty()) {
        ctl::MessageBox(note, rpLoadStr(55206), ctl::MB_OK | ctl::MB_ICONERROR);
        return;
    }
    ClearUndoBuffer();
    ClearRedoBuffer();
    Page = nullptr;
    ReferenceView = nullptr;
    try {
        // A damaged file leaves one empty page, which must not be saved over it under its name.
        SetCurDocName(report->LoadFromFile(open.FileName) ? open.FileName : rpLoadStr(55209));
    } catch (const std::exception& e) {
        // Not opened: the report and its name stay.
        showError(e);
        SetCurPage(CurPage < report->Pages->Count() ? CurPage : 0);
        return;
    }
    FileModified = false;
    SetCurPage(0);
}

void TrpDesignerForm::Save()
{
    DialogAccepted = false;
    TrpReport* report = Report();
    if (!report)
        return;
    // The XML form is written only by Save as: a binary form must not go under its name.
    if (IsUntitled() || QFileInfo(CurDocName).suffix().compare(QStringLiteral("rp3"), Qt::CaseInsensitive) == 0) {
        SaveAs();
        return;
    }
    try {
        report->SaveToFile(CurDocName);
    } catch (const std::exception& e) {
        showError(e);
        return;
    }
    FileModified = false;
    DialogAccepted = true;
}

void TrpDesignerForm::SaveAs()
{
    DialogAccepted = false;
    TrpReport* report = Report();
    if (!report)
        return;
    TrpFileDialog save;
    save.Save = true;
    save.Filter = rpLoadStr(55213) + QStringLiteral(" (*.rpf)|*.rpf|") + rpLoadStr(55347) +
                  QStringLiteral(" (*.rp3)|*.rp3|") + rpLoadStr(55214) + QStringLiteral(" (*.rpt)|*.rpt");
    save.FileName = CurDocName;
    save.FilterIndex = 1;
    if (!save.Execute(this))
        return;
    try {
        if (save.FilterIndex == 3) {
            // Templates live in the templates folder, whatever folder was chosen.
            const QString name = rpTemplatesFolder() + rpChangeFileExt(QFileInfo(save.FileName).fileName(), ".rpt");
            TrpTemplNewForm form(this);
            if (ctl::ExecDialog(form) == QDialog::Accepted) {
                report->SaveTemplate(name, form.Description(), &form.Picture);
                DialogAccepted = true;
            }
            return;
        }
        QString name;
        if (save.FilterIndex == 2) {
            name = rpChangeFileExt(save.FileName, QStringLiteral(".rp3"));
            report->SaveToRP3File(name);
        } else {
            name = rpChangeFileExt(save.FileName, QStringLiteral(".rpf"));
            report->SaveToFile(name);
        }
        SetCurDocName(name);
        FileModified = false;
        DialogAccepted = true;
    } catch (const std::exception& e) {
        showError(e);
    }
}

void TrpDesignerForm::Preview()
{
    TrpReport* report = Report();
    if (!report || dynamic_cast<TrpCompositeReport*>(report))
        return;
    QWidget* inspector = InspectorWindow();
    const bool inspectorShown = inspector && inspector->isVisible();
    const bool modal = report->ModalPreview;
    if (inspector)
        inspector->hide();
    QCoreApplication::processEvents();
    report->ModalPreview = true;
    report->ShowReport();
    report->ModalPreview = modal;
    if (inspector)
        inspector->setVisible(inspectorShown);
    activateWindow();
    // Back to designing: the build leaves the engine in its printing state.
    CurReport = report;
    DocMode = dmDesigning;
    DisableDrawing = false;
    SetCurPage(0);
}
