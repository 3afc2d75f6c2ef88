// The controller side of the "default_mp" journal: binding to the main window, the table, the views, the
// grid's columns and cell painting, the record-count status, deletion, settings and filing.
#include "journal/Default_MP_Akt.h"
#include "journal/Default_MP_Report.h"

#include "journal/CellLook.h"
#include "journal/ConsReport.h"

#include "core/Debug.h"
#include "core/Measurement.h"
#include "db/DBInfoPribors.h"
#include "db/JournalSchemas.h"
#include "grid/DBGridEx.h"
#include "journal/VideoPhotoPanel.h"
#include "platform/controls/DialogPort.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/Field.h"
#include "platform/rtl/IniFile.h"

#include <QLabel>
#include <QPushButton>

namespace {

struct ColumnSpec {
    const char* field;
    const char* title;
    int width; // default of the "SizeTable" key
};

// The grid's columns in painting order; FIO and INSP_FIO are no table columns.
const ColumnSpec kColumns[] = {
    {"DATA_IZM", "Дата", 19},
    {"FIO", "ФИО\\Информ.", 720},
    {"IZM", "Алкоголь (мг/л)", 70},
    {"IZM_AIR", "В воздухе (мг/л)", 70},
    {"PRIBOR", "прибор", 40},
    {"NUM_VIDOH", "Номер выдоха", 230},
    {"MEAS_PLACE", "Место составления", 230},
    {"OBSL_NAUTO", "Номер авто.", 230},
    {"INSP_FIO", "ФИО инспектора", 230},
    {"INSP_DEPR", "Подразделение", 230},
    {"INSP_NUMB", "Нагрудной знак", 230},
};
constexpr int kColumnCount = int(std::size(kColumns));

const QString kSizeTable = QStringLiteral("SizeTable");
const QString kMethods = QStringLiteral("Methods");

} // namespace

TfmDefault_MP_Akt::TfmDefault_MP_Akt()
    : TJournalControllerBase(DefaultMpFiling()), Window(std::make_unique<TfmDefault_MP_ActWindow>(PhotoLock))
{
    Window->OnWaitNewIzm = [this] { bWaitNewIzmClick(); };
    Window->OnSave = [this] { bSaveClick(); };
    Window->OnPrint = [this] { bPrintAktClick(); };
    Window->OnCancel = [this] { bCancelClick(); };
    Window->VideoPanel().OnFixPhoto = [this](const QImage& picture) { FixPhoto(picture); };
    SetDefaultSettings();
}

TfmDefault_MP_Akt::~TfmDefault_MP_Akt() = default;

void TfmDefault_MP_Akt::SetControls(QPushButton* edit, QPushButton* del, QLabel* countPanel, QPushButton* add)
{
    dUpdate = edit;
    bDelete = del;
    StatusCount = countPanel;
    bNew = add;
}

void TfmDefault_MP_Akt::InitJournal(const TJournalBinding& b)
{
    bindJournal(b);
    pnEditButtons = b.EditButtons;
    DBInfoPribors = b.InfoPribors;
    BuildColumns();
    SetDefaultSettings();
    openJournal();
}

void TfmDefault_MP_Akt::BuildColumns()
{
    if (!DBGrid)
        return;
    TDBGridColumnsEx& columns = DBGrid->Columns();
    columns.Clear();
    for (const ColumnSpec& spec : kColumns) {
        TColumnEx* c = columns.Add();
        c->SetFieldName(QString::fromLatin1(spec.field));
        c->Title().SetCaption(QString::fromUtf8(spec.title));
        c->SetAlignment(taCenter);
        c->Title().SetAlignment(taCenter);
        c->Title().GetFont().SetStyle(c->Title().GetFont().Style() | gfx::fsBold);
    }
}

void TfmDefault_MP_Akt::LoadColumnWidths(rtl::TIniFile& ini)
{
    try {
        if (!DBGrid || DBGrid->Columns().Count() < kColumnCount)
            return;
        for (int i = 0; i < kColumnCount; ++i)
            DBGrid->Columns().GetColumn(i)->SetWidth(
                ini.ReadInteger(kSizeTable, QString::fromLatin1(kColumns[i].field), kColumns[i].width));
    } catch (...) {
    }
}

void TfmDefault_MP_Akt::SaveColumnWidths(rtl::TIniFile& ini)
{
    try {
        if (!DBGrid || DBGrid->Columns().Count() < kColumnCount)
            return;
        for (int i = 0; i < kColumnCount; ++i)
            ini.WriteInteger(kSizeTable, QString::fromLatin1(kColumns[i].field), DBGrid->Columns().GetColumn(i)->GetWidth());
    } catch (...) {
    }
}

void TfmDefault_MP_Akt::DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx*,
                                       unsigned state)
{
    paintCell(sender, rect, (state & (gdSelected | gdFocused)) != 0, [&](const TCellRow& row, bool selected) {
        return Default_MP_CellLook(row, dataCol, selected,
                                   [this](int serial, const QString& date) { return View.Norma(serial, date); });
    });
}

void TfmDefault_MP_Akt::QueryAfterOpenInstall()
{
    if (ADOQuery)
        ADOQuery->AfterOpen = [this](TDataSet* d) { QueryAfterOpen(d); };
}

void TfmDefault_MP_Akt::QueryAfterOpenBurstInstall()
{
    if (ADOQuery)
        ADOQuery->AfterOpen = [this](TDataSet* d) { QueryAfterOpenBurst(d); };
}

void TfmDefault_MP_Akt::QueryAfterOpen(TDataSet* dataSet)
{
    viewOpened(dataSet->RecordCount());
}

void TfmDefault_MP_Akt::viewOpened(int n)
{
    if (StatusCount)
        StatusCount->setText(QStringLiteral("Всего записей: ") + QString::number(n));
    if (bDelete)
        bDelete->setEnabled(n > 0);
    if (dUpdate)
        dUpdate->setEnabled(n > 0 && IsRecordEditable());
    if (bNew && !bNew->isEnabled())
        bNew->setEnabled(true);
    if (DBGrid && !DBGrid->isEnabled()) {
        DBGrid->setEnabled(true);
        if (gridFocusBeforeBurst_)
            DBGrid->setFocus();
    }
    gridFocusBeforeBurst_ = false;
}

void TfmDefault_MP_Akt::QueryAfterOpenBurst(TDataSet*)
{
    if (StatusCount)
        StatusCount->setText(BurstCounter ? QStringLiteral("Всего записей: ") + QString::number(*BurstCounter)
                                          : QStringLiteral("Всего записей: ---"));
    if (DBGrid) {
        const int rows = DBGrid->VisibleDataRowCount();
        View.IdentWindow = rows + (rows > View.IdentWindow ? 1 : 0);
        // Disabling the grid hands its focus to the next control; remember it before that happens.
        if (DBGrid->isEnabled()) {
            const QWidget* focus = DBGrid->window()->focusWidget();
            gridFocusBeforeBurst_ = focus && (focus == DBGrid || DBGrid->isAncestorOf(focus));
        }
    }
    for (QWidget* w : {static_cast<QWidget*>(dUpdate), static_cast<QWidget*>(bDelete), static_cast<QWidget*>(bNew),
                       static_cast<QWidget*>(DBGrid)})
        if (w && w->isEnabled())
            w->setEnabled(false);
}

bool TfmDefault_MP_Akt::IsRecordEditable()
{
    if (Settings.OnlyForAlkozamok)
        return false;
    if (!ADOQuery || !ADOQuery->Active() || ADOQuery->IsEmpty())
        return false;
    TField* kind = ADOQuery->FindField(QStringLiteral("TYPERECORD"));
    if (!kind)
        return false;
    const int k = kind->AsInteger();
    return k == 0 || k == 1;
}

void TfmDefault_MP_Akt::SetDefaultSettings()
{
    Settings.VideoOn = 0;
    Settings.JpegQuality = 75;
    Settings.Reserved = 0;
    Settings.OnlyForAlkozamok = 0;
}

void TfmDefault_MP_Akt::editButtonsVisibility()
{
    if (pnEditButtons)
        pnEditButtons->setVisible(!Settings.OnlyForAlkozamok);
}

void TfmDefault_MP_Akt::ReadIni(rtl::TIniFile& ini)
{
    readVideoSettings(ini, 99);
    Settings.OnlyForAlkozamok = ini.ReadBool(kMethods, QStringLiteral("ProgUseOnlyForAlkozamok"), false) ? 1 : 0;
    LoadColumnWidths(ini);
    if (Settings.VideoOn)
        StartVideo();
    editButtonsVisibility();
}

void TfmDefault_MP_Akt::WriteIni(rtl::TIniFile& ini)
{
    writeVideoSettings(ini);
    ini.WriteBool(kMethods, QStringLiteral("ProgUseOnlyForAlkozamok"), Settings.OnlyForAlkozamok != 0);
    SaveColumnWidths(ini);
}

void TfmDefault_MP_Akt::ApplyJournalSettings(const TJournalSettings& settings)
{
    const bool videoWas = Settings.VideoOn != 0;
    Settings = settings;
    if (DBGrid)
        DBGrid->update();
    editButtonsVisibility();
    if (videoWas != (Settings.VideoOn != 0))
        RestartVideo();
}

void TfmDefault_MP_Akt::ShowJournalReport()
{
    TfmDefault_MP_Report report;
    if (report.ShowJournal(ADOQuery, DS, DBInfoPribors, WorkDir, Oper))
        ctl::ExecDialog(report);
}

void TfmDefault_MP_Akt::ShowConsReport()
{
    TfmConsReport form;
    form.SetDatabase(ADOConnection, WorkDir, DBInfoPribors);
    ctl::ExecDialog(form);
}
