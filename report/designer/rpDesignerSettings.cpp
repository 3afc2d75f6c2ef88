// The designer's settings kept in the registry between sessions, the Toolbars submenu, and the report,
// designer and page options dialogs.
#include "platform/system/Registry.h"
#include "report/designer/rpDesOptionsForm.h"
#include "report/designer/rpDesignerDialogs.h"
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDock.h"
#include "report/designer/rpDocOptForm.h"
#include "report/designer/rpInspForm.h"
#include "report/designer/rpPgoptForm.h"
#include "report/rpPage.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

namespace {

QString settingsSection(const QWidget* designer)
{
    return QStringLiteral("Form\\") + designer->objectName();
}

} // namespace

QWidget* TrpDesignerForm::InspectorWindow() const
{
    return InspForm;
}

QList<QWidget*> TrpDesignerForm::ToolbarArray() const
{
    return {Panel1, Panel2, Panel3, Panel4, Panel5, InspectorWindow(), Panel6};
}

void TrpDesignerForm::SaveState()
{
    sys::TRegIniFile reg(rpDockRegRoot);
    const QString section = settingsSection(this);
    reg.WriteString(section, QStringLiteral("GridSize"), QString::number(GridSize));
    reg.WriteString(section, QStringLiteral("GridAlign"), rpRegBoolText(GridAlign));
    reg.WriteString(section, QStringLiteral("GridShow"), rpRegBoolText(GridShow));
    reg.WriteString(section, QStringLiteral("Units"), QString::number(int(Units)));
    reg.WriteString(section, QStringLiteral("GrayButtons"), rpRegBoolText(GrayButtons));
    reg.WriteString(section, QStringLiteral("EditAfterInsert"), rpRegBoolText(EditAfterInsert));
    reg.WriteString(section, QStringLiteral("Selection"), QString::number(int(ShapeMode)));
    for (TrpToolBar* bar : {Panel1, Panel2, Panel3, Panel4, Panel5, Panel6}) {
        if (bar != Panel6 || FirstInstance)
            SaveToolbarPosition(bar);
        bar->SetVisible(false);
    }
    if (QWidget* inspector = InspectorWindow()) {
        SaveFormPosition(inspector);
        inspector->hide();
    }
}

void TrpDesignerForm::RestoreState()
{
    const sys::TRegIniFile reg(rpDockRegRoot);
    const QString section = settingsSection(this);
    SetGridSize(rpRegReadInt(reg, section, QStringLiteral("GridSize"), 4));
    SetGridAlign(rpRegReadBool(reg, section, QStringLiteral("GridAlign"), true));
    SetGridShow(rpRegReadBool(reg, section, QStringLiteral("GridShow"), true));
    const int units = rpRegReadInt(reg, section, QStringLiteral("Units"), ruPixels);
    SetUnits(units == ruMM || units == ruInches ? TrpReportUnits(units) : ruPixels);
    SetGrayedButtons(rpRegReadBool(reg, section, QStringLiteral("GrayButtons"), false));
    EditAfterInsert = rpRegReadBool(reg, section, QStringLiteral("EditAfterInsert"), true);
    ShapeMode = rpRegReadInt(reg, section, QStringLiteral("Selection"), smAll) == smFrame ? smFrame : smAll;
    for (TrpToolBar* bar : {Panel1, Panel2, Panel3, Panel4, Panel5, Panel6})
        RestoreToolbarPosition(bar);
    // The tools tool bar holds its grip and one button per tool: with no tool it is not shown.
    Panel6->resize(std::max(Panel6->width(), 26), std::max(Panel6->height(), 26));
    if (Panel6->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size() < 2)
        Panel6->SetVisible(false);
    for (TrpDock* dock : {rpDock1, rpDock2, rpDock3, rpDock4})
        dock->AdjustBounds();
    if (QWidget* inspector = InspectorWindow())
        RestoreFormPosition(inspector);
}

void TrpDesignerForm::ToolbarsPopup()
{
    Pan1->setChecked(Panel1->IsVisible());
    Pan2->setChecked(Panel2->IsVisible());
    Pan3->setChecked(Panel3->IsVisible());
    Pan4->setChecked(Panel4->IsVisible());
    QWidget* inspector = InspectorWindow();
    Pan5->setChecked(inspector && inspector->isVisible());
    Pan6->setChecked(Panel5->IsVisible());
    Pan7->setChecked(Panel6->IsVisible());
}

void TrpDesignerForm::ToolbarItemClick(QAction* item)
{
    // The action has toggled its check mark already.
    const bool show = item->isChecked();
    const QList<QWidget*> bars = ToolbarArray();
    const int tag = item->property("Tag").toInt();
    if (tag < 0 || tag >= bars.size() || !bars[tag])
        return;
    auto* bar = dynamic_cast<TrpToolBar*>(bars[tag]);
    if (!bar) {
        bars[tag]->setVisible(show);
        return;
    }
    TrpDock* dock = bar->Dock();
    if (dock && show)
        bar->AddToDock(dock);
    bar->SetVisible(show);
    if (dock)
        dock->AdjustBounds();
}

void TrpDesignerForm::DocOptions()
{
    TrpReport* report = Report();
    if (!report)
        return;
    TrpDocOptForm form(this);
    form.CB1->setChecked(!report->PrintToDefault);
    form.CB2->setChecked(report->TwoPass);
    if (ctl::ExecDialog(form) == QDialog::Accepted) {
        report->PrintToDefault = !form.CB1->isChecked();
        report->TwoPass = form.CB2->isChecked();
        if (form.ComB1->currentIndex() >= 0)
            report->ChangePrinter(Prn().PrinterIndex, form.ComB1->currentIndex());
        Modified = true;
        FileModified = true;
    }
    SetCurPage(CurPage);
}

void TrpDesignerForm::DesignerOptions()
{
    TrpDesOptionsForm form(this);
    form.CB1->setChecked(GridShow);
    form.CB2->setChecked(GridAlign);
    (GridSize == 4 ? form.RB1 : GridSize == 8 ? form.RB2 : form.RB3)->setChecked(true);
    (ShapeMode == smFrame ? form.RB4 : form.RB5)->setChecked(true);
    (Units == ruPixels ? form.RB6 : Units == ruMM ? form.RB7 : form.RB8)->setChecked(true);
    form.CB3->setChecked(!GrayButtons);
    form.CB4->setChecked(EditAfterInsert);
    form.CB5->setChecked(ShowBandTitles);
    if (ctl::ExecDialog(form) != QDialog::Accepted)
        return;
    SetGridShow(form.CB1->isChecked());
    SetGridAlign(form.CB2->isChecked());
    SetGridSize(form.RB1->isChecked() ? 4 : form.RB2->isChecked() ? 8 : 18);
    ShapeMode = form.RB4->isChecked() ? smFrame : smAll;
    SetUnits(form.RB6->isChecked() ? ruPixels : form.RB7->isChecked() ? ruMM : ruInches);
    SetGrayedButtons(!form.CB3->isChecked());
    EditAfterInsert = form.CB4->isChecked();
    ShowBandTitles = form.CB5->isChecked();
    RedrawPage();
}

bool TrpDesignerForm::PageOptions()
{
    DialogAccepted = false;
    if (!Page)
        return false;
    TrpPgoptForm form(this);
    form.Load(*Page);
    if (ctl::ExecDialog(form) != QDialog::Accepted)
        return false;
    const TrpPageSettings& s = form.Settings;
    Modified = true;
    FileModified = true;
    DialogAccepted = true;
    Page->PrintToPrevPage = s.PrintToPrevPage;
    Page->UseMargins = s.UseMargins;
    Page->pgOr = quint8(s.Orientation);
    Page->pgMargins = s.Margins;
    Page->ColGap = s.ColGap;
    Page->ColCount = s.ColCount;
    Page->ChangePaper(s.PaperCode, s.Width, s.Height, s.Orientation);
    SetCurPage(CurPage);
    return true;
}
