#include "app/Interface.h"

#include "app/SettingsForm.h"
#include "core/Debug.h"
#include "journal/Default_Akt.h"
#include "journal/Default_MP_Akt.h"
#include "platform/controls/DialogPort.h"

TInterface::ControllerFactory TInterface::DefaultFactory()
{
    return [](int method) -> std::unique_ptr<TJournalController> {
        if (method == DefaultMP)
            return std::make_unique<TfmDefault_MP_Akt>();
        if (method == Default)
            return std::make_unique<TfmDefault_Akt>();
        return nullptr;
    };
}

TInterface::TInterface(int method, const ControllerFactory& factory)
    : method_(method)
{
    if (method_ == Default || method_ == DefaultMP) {
        if (factory)
            controller_ = factory(method_);
        if (!controller_)
            Dbg().Print("TInterface: no journal controller for application type %d, the journal commands do nothing", method_);
    }
}

TInterface::~TInterface() = default;

TJournalController* TInterface::journal() const
{
    return (method_ == Default || method_ == DefaultMP) ? controller_.get() : nullptr;
}

TJournalController* TInterface::mp() const
{
    return method_ == DefaultMP ? controller_.get() : nullptr;
}

void TInterface::SetDirs(const QString& appDir, const QString& workDir)
{
    if (auto* c = journal())
        c->SetDirs(appDir, workDir);
}

void TInterface::SetOperator(const QString& name)
{
    if (auto* c = journal())
        c->SetOperator(name);
}

void TInterface::SetUserInfo(const QString&, const QString&)
{
}

void TInterface::InitDB(TADOQuery* query, TADOConnection* connection, TDataSource* ds, TADOQuery* lookup,
                        TDBGridEx* grid, QLabel* viewPanel, QWidget* editButtons, TDBInfoPribors* info)
{
    auto* c = journal();
    if (!c)
        return;
    TJournalBinding b;
    b.Query = query;
    b.Connection = connection;
    b.DS = ds;
    b.LookupQuery = lookup;
    b.Grid = grid;
    b.ViewPanel = viewPanel;
    b.EditButtons = method_ == DefaultMP ? editButtons : nullptr;
    b.InfoPribors = info;
    c->InitJournal(b);
}

void TInterface::ReadSettings(rtl::TIniFile& ini)
{
    if (auto* c = journal())
        c->ReadIni(ini);
}

void TInterface::SaveSettings(rtl::TIniFile& ini)
{
    if (auto* c = journal())
        c->WriteIni(ini);
}

void TInterface::SetControls(QPushButton* edit, QPushButton* del, QLabel* countPanel, QPushButton* add)
{
    if (auto* c = mp())
        c->SetControls(edit, del, countPanel, add);
}

void TInterface::EndBurst()
{
    if (auto* c = mp())
        c->QueryAfterOpenInstall();
}

void TInterface::BeginBurst()
{
    if (auto* c = mp())
        c->QueryAfterOpenBurstInstall();
}

void TInterface::SetBurstCounter(const uint32_t* counter)
{
    if (auto* c = mp())
        c->SetBurstCounter(counter);
}

void TInterface::OnMeasurements(const TVELTMeasurement* rec, int refresh)
{
    if (method_ == DefaultMP && controller_)
        controller_->NewMeasure(rec, refresh);
    else if (method_ == Default && controller_)
        controller_->NewMeasure(rec, 0);
}

bool TInterface::LastRecordFiled() const
{
    return !controller_ || controller_->LastMeasureFiled();
}

void TInterface::New()
{
    if (auto* c = journal())
        c->NewAct();
}

void TInterface::Edit()
{
    if (auto* c = journal())
        c->OpenAct();
}

void TInterface::Delete()
{
    if (auto* c = journal())
        c->DeleteRecords();
}

void TInterface::ShowAll()
{
    if (auto* c = journal())
        c->ShowAll();
}

void TInterface::ShowToday()
{
    if (auto* c = journal())
        c->ShowToday();
}

void TInterface::Filter()
{
    if (auto* c = journal())
        c->ShowFilterDialog();
}

void TInterface::DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx* column,
                                unsigned state)
{
    if (auto* c = journal())
        c->DrawColumnCell(sender, rect, dataCol, column, state);
}

bool TInterface::IsRecordEditable()
{
    auto* c = mp();
    return c ? c->IsRecordEditable() : false;
}

void TInterface::Settings()
{
    auto* c = journal();
    if (!c)
        return;
    TfmSettings dialog;
    dialog.SetSettings(c->GetJournalSettings());
    if (ctl::ExecDialog(dialog) == 1)
        c->ApplyJournalSettings(dialog.GetSettings());
}

void TInterface::ConsolidatedReport()
{
    if (auto* c = mp())
        c->ShowConsReport();
}

void TInterface::Print()
{
    if (auto* c = journal())
        c->ShowJournalReport();
}
