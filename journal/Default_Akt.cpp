#include "journal/Default_Akt.h"
#include "journal/Default_Report.h"

#include "core/Debug.h"
#include "core/Measurement.h"
#include "grid/ColumnEx.h"
#include "grid/ColumnTitleEx.h"
#include "grid/DBGridColumnsEx.h"
#include "grid/DBGridEx.h"
#include "journal/CellLook.h"
#include "journal/JournalErrors.h"
#include "platform/controls/DialogPort.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/Field.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/DateTime.h"

#include <QFontMetrics>

#include <algorithm>
#include <ctime>
#include <random>

TfmDefault_Akt::TfmDefault_Akt()
    : TJournalControllerBase(DefaultFiling()), Window(std::make_unique<TfmDefault_ActWindow>())
{
    Window->OnWaitNewIzm = [this] { bWaitNewIzmClick(); };
    Window->OnSave = [this] { bSaveClick(); };
    Window->OnCancel = [this] { bCancelClick(); };
    Window->OnPrint = [this] { bPrintAktClick(); };
    Window->OnSimulate = [this] { Button1Click(); };
    SetDefaultSettings();
}

TfmDefault_Akt::~TfmDefault_Akt() = default;

void TfmDefault_Akt::InitJournal(const TJournalBinding& b)
{
    // The grid keeps the main window's design columns.
    bindJournal(b);
    FitColumns();
    SetDefaultSettings();
    openJournal();
}

void TfmDefault_Akt::FitColumns()
{
    if (!DBGrid || DBGrid->Columns().Count() < 6)
        return;
    const QFontMetrics cell(DBGrid->Font().ToQFont());
    constexpr int kPad = 6;
    auto text = [&](const QString& t) { return cell.horizontalAdvance(t) + 2 * kPad; };
    // A value written from 30 pixels left of the right edge (the painter's place for numbers), after a mark.
    auto rightValue = [&](const QString& mark, const QString& value) {
        return (mark.isEmpty() ? 0 : text(mark)) + std::max(30, cell.horizontalAdvance(value) + kPad);
    };
    QString longestEvent;
    for (int32_t code = int32_t(0x80000001u); code <= int32_t(0x80000006u); ++code)
        if (DefaultEventText(code, false).size() > longestEvent.size())
            longestEvent = DefaultEventText(code, false);
    // The widest texts of the columns, in design order. The names vary without bound: they take what the
    // others leave, which is never less than their title.
    const int widest[6] = {
        text(QStringLiteral("0000.00.00 00:00:00")),
        0,
        rightValue(QStringLiteral("(!)"), QStringLiteral("00.000")),
        rightValue(QString(), QStringLiteral("00000")),
        text(QStringLiteral("-2147483647")),
        text(longestEvent),
    };
    const bool fills[6] = {false, true, false, false, false, false};
    DBGrid->SetAutoFitColWidths(true);
    for (int i = 0; i < 6; ++i) {
        TColumnEx* c = DBGrid->Columns().GetColumn(i);
        const int title = QFontMetrics(c->Title().GetFont().ToQFont()).horizontalAdvance(c->Title().Caption()) + 2 * kPad;
        const int width = std::max(title, widest[i]);
        c->SetMinWidth(title);
        c->SetAutoFitColWidth(fills[i]);
        if (fills[i])
            c->SetInitialWidth(width);
        else
            c->SetWidth(width);
    }
    DBGrid->LayoutChanged();
}

void TfmDefault_Akt::SetDefaultSettings()
{
    Settings.VideoOn = 0;
    Settings.JpegQuality = 75;
    Settings.Reserved = 0;
    Settings.OnlyForAlkozamok = 0;
}

void TfmDefault_Akt::ReadIni(rtl::TIniFile& ini)
{
    readVideoSettings(ini, 90);
}

void TfmDefault_Akt::WriteIni(rtl::TIniFile& ini)
{
    writeVideoSettings(ini);
}

void TfmDefault_Akt::ApplyJournalSettings(const TJournalSettings& settings)
{
    Settings = settings;
    if (DBGrid)
        DBGrid->update();
}

void TfmDefault_Akt::ShowJournalReport()
{
    // The printout shows the view as it stands, the filings of its pause included.
    FlushView();
    TfmDefault_Report report;
    if (report.ShowJournal(ADOQuery, DS, WorkDir, Oper))
        ctl::ExecDialog(report);
}

void TfmDefault_Akt::NewMeasure(const TVELTMeasurement* rec, int)
{
    if (!rec) {
        burstEnded();
        return;
    }
    int row = 0;
    int id = 0;
    lastFiled_ = false;
    try {
        id = Filing.MergeRecord(*rec, &row);
    } catch (const std::exception& e) {
        unfiled(*rec, e.what());
        return;
    } catch (...) {
        unfiled(*rec, "unknown error");
        return;
    }
    lastFiled_ = true;
    if (IsWaiting()) {
        FlushView();
        if (Filing.Locate(id))
            row = ADOQuery->RecNo();
        MeasurementArrived();
        ActFromMeasurement(*rec, id, row);
    }
}

void TfmDefault_Akt::DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx*,
                                    unsigned state)
{
    paintCell(sender, rect, (state & (gdSelected | gdFocused)) != 0,
              [dataCol](const TCellRow& row, bool selected) { return DefaultCellLook(row, dataCol, selected); });
}

void TfmDefault_Akt::InitAct(TDataForm& act)
{
    act = TDataForm();
}

void TfmDefault_Akt::showWaiting(bool waiting)
{
    Window->SetWaiting(waiting);
}

void TfmDefault_Akt::ShowAct(const TDataForm& act)
{
    Akt = act;
    Window->ShowAct(act);
}

void TfmDefault_Akt::ActFromMeasurement(const TVELTMeasurement& m, int id, int rowNo)
{
    TDataForm a = Window->ActFromControls(Akt);
    Filing.FillAct(a, m, id);
    ActRow = rowNo;
    ShowAct(a);
}

void TfmDefault_Akt::NewAct()
{
    InitAct(Akt);
    ActRow = 0;
    ShowAct(Akt);
    StartWaiting();
    ctl::ExecDialog(*Window);
}

void TfmDefault_Akt::OpenAct()
{
    FlushView();
    if (!ADOQuery || !ADOQuery->Active() || ADOQuery->IsEmpty())
        return;
    TDataForm a;
    const bool read = RunReported("OpenAct", journal_msg::kOpenAct, [&] {
        auto text = [&](const char* name) { return ADOQuery->FieldByName(QString::fromLatin1(name))->AsString(); };
        auto first = [](const QString& s) { return s.isEmpty() ? QChar() : s.at(0); };
        a.ID = ADOQuery->FieldByName(QStringLiteral("ID"))->AsInteger();
        a.PRIBOR = ADOQuery->FieldByName(QStringLiteral("PRIBOR"))->AsInteger();
        a.DATA_IZM = text("DATA_IZM");
        a.OBSL_FAM = text("OBSL_FAM");
        a.OBSL_NAME = text("OBSL_NAME");
        a.OBSL_PAT = text("OBSL_PAT");
        a.IZM = ADOQuery->FieldByName(QStringLiteral("IZM"))->AsFloat();
        a.STAT = first(text("STAT"));
        a.OPER = text("OPER");
        a.NUM_VIDOH = ADOQuery->FieldByName(QStringLiteral("NUM_VIDOH"))->AsInteger();
        a.PAGE_FOOT = first(text("PAGE_FOOT"));
        ActRow = ADOQuery->RecNo();
    });
    if (!read)
        return;
    StopWaiting();
    ShowAct(a);
    ctl::ExecDialog(*Window);
}

void TfmDefault_Akt::DeleteRecords()
{
    FlushView();
    TJournalControllerBase::DeleteRecords();
}

void TfmDefault_Akt::bWaitNewIzmClick()
{
    StartWaiting();
}

void TfmDefault_Akt::bSaveClick()
{
    FlushView();
    const TDataForm a = Window->ActFromControls(Akt);
    if (a.ID != 0) {
        // A refused save keeps the act open with what was typed.
        if (!RunReported("bSaveClick", journal_msg::kSaveAct, [&] { Filing.UpdateRecord(a); }))
            return;
        flush("bSaveClick");
        // Back to the act's record, by its ID: the row number is stale when records were filed meanwhile.
        if (ADOQuery->Active() && !Filing.Locate(a.ID) && ActRow > 0 && ActRow <= ADOQuery->RecordCount())
            ADOQuery->SetRecNo(ActRow);
    }
    Window->done(1);
}

void TfmDefault_Akt::bPrintAktClick()
{
    const TDataForm a = Window->ActFromControls(Akt);
    TfmDefault_Report report(Window.get());
    if (report.ShowAct(WorkDir, ReportAktOf(a)))
        ctl::ExecDialog(report);
}

void TfmDefault_Akt::Button1Click()
{
    static std::mt19937 random(unsigned(std::time(nullptr)));
    auto below = [](int n) { return int(random() % unsigned(n)); };
    TVELTMeasurement m = ZeroMeasurement();
    m.SerialNumber = uint16_t(below(9999));
    SetMeasurementText(m.Model, "VELT-A.A");
    const rtl::TDateTime now = rtl::Now();
    m.VerificationDate = now - below(50) - 330;
    m.Probe.Timestamp = now;
    m.Probe.AlcResult = (below(1500) * 0.0009999 * 100 + 0.4) / 100;
    m.Probe.Exhale = uint8_t(below(2));
    m.Probe.nMeasure = uint32_t(below(100));
    const QByteArray surname = rtl::toCp1251(Window->SimulatedSurname());
    const QByteArray inspector = rtl::toCp1251(Window->SimulatedInspector());
    SetMeasurementText(m.Probe.SurvLastName, surname.constData(), size_t(surname.size()));
    SetMeasurementText(m.Probe.InsLastName, inspector.constData(), size_t(inspector.size()));
    NewMeasure(&m, 0);
}

void TfmDefault_Akt::bCancelClick()
{
    Window->done(2);
}
