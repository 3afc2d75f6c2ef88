// The controller side of the "default_mp" journal: binding to the main window, the table, the views, the
// grid's columns and cell painting, the record-count status, deletion and settings.
#include "journal/Default_MP_Akt.h"

#include "core/Debug.h"
#include "db/DBInfoPribors.h"
#include "db/JournalSchemas.h"
#include "grid/DBGridEx.h"
#include "journal/Default_MP_Filter.h"
#include "journal/JournalLock.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/Field.h"
#include "platform/graphics/DrawTextFlags.h"
#include "platform/rtl/CaseInsensitivePath.h"
#include "platform/rtl/FormatFloat.h"
#include "platform/rtl/IniFile.h"

#include <QFile>
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

QString threeDecimals(double v)
{
    return rtl::FormatFloat(QStringLiteral("0.000"), v, rtl::TFormatSettings::english());
}

QString fourDigits(int v)
{
    return v < 0 ? QStringLiteral("-") + QString::number(-qint64(v)).rightJustified(3, QLatin1Char('0'))
                 : QString::number(v).rightJustified(4, QLatin1Char('0'));
}

} // namespace

TfmDefault_MP_Akt::TfmDefault_MP_Akt()
{
    buildWindow();
    // FormCreate.
    Photo.reset();
    BurstCounter = nullptr;
    IdentWindow = 10;
    SetDefaultSettings();
    ::ClearFilter(Filter);
}

TfmDefault_MP_Akt::~TfmDefault_MP_Akt()
{
    if (ADOQuery)
        ADOQuery->AfterOpen = nullptr;
}

void TfmDefault_MP_Akt::SetDirs(const QString& appDir, const QString& workDir)
{
    AppDir = appDir;
    WorkDir = workDir;
}

void TfmDefault_MP_Akt::SetOperator(const QString& name)
{
    Oper = name;
}

void TfmDefault_MP_Akt::SetControls(QPushButton* edit, QPushButton* del, QLabel* countPanel, QPushButton* add)
{
    dUpdate = edit;
    bDelete = del;
    StatusCount = countPanel;
    bNew = add;
}

TField* TfmDefault_MP_Akt::field(const char* name) const
{
    return ADOQuery ? ADOQuery->FindField(QString::fromLatin1(name)) : nullptr;
}

void TfmDefault_MP_Akt::InitJournal(const TJournalBinding& b)
{
    ADOQuery = b.Query;
    ADOConnection = b.Connection;
    DS = b.DS;
    ADOQueryP = b.LookupQuery;
    DBGrid = b.Grid;
    pnViewName = b.ViewPanel;
    pnEditButtons = b.EditButtons;
    DBInfoPribors = b.InfoPribors;
    LocateOptions = TLocateOptions(loPartialKey);

    BuildColumns();
    ClearFilter();
    SetDefaultSettings();

    // The table the connection opens: DATABASE of the work folder, unless connect.udl names another folder
    // (then a table there must not be created again over the existing one).
    const QString path = ADOConnection && ADOConnection->Connected()
                             ? ADOConnection->TablePath(QStringLiteral("Base"))
                             : WorkDir + QStringLiteral("/DATABASE/Base.DBF");
    if (!rtl::existsCaseInsensitive(path)) {
        CreateBase();
        PatchDbfHeader(rtl::resolveCaseInsensitive(path));
    }
    RefreshView(-1);
    ADOQuery->Last();
}

void TfmDefault_MP_Akt::CreateBase()
{
    JournalLock lock(TableLock);
    ADOQuery->Close();
    ADOQuery->ClearSQL();
    ADOQuery->SetSQL(db::CreateTableText(db::Schema::DefaultMp));
    ADOQuery->ExecSQL();
    // The table must be on disk before its header is patched.
    if (ADOConnection)
        ADOConnection->ReleaseFiles();
}

bool TfmDefault_MP_Akt::PatchDbfHeader(const QString& path)
{
    try {
        Dbg().Print("Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы) на 0x57, т.е. на 'ascii' ANSI...");
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) || file.size() <= db::kCodePageByteOffset)
            throw std::runtime_error("open");
        const char byte = char(db::kCodePageByteAnsi);
        if (!file.seek(db::kCodePageByteOffset) || file.write(&byte, 1) != 1 || !file.flush())
            throw std::runtime_error("write");
        file.close();
        Dbg().Print("Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы) на 0x57, т.е. на 'ascii' ANSI - Выполнено");
        return true;
    } catch (...) {
        Dbg().Print("Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы)");
        return false;
    }
}

void TfmDefault_MP_Akt::RefreshView(int maxId)
{
    normaSerial_ = -1; // instruments may have been recorded since the last view
    Filter.Description = QStringLiteral(" ");
    QString sql = QStringLiteral("SELECT * FROM Base");
    int count = 0;
    if (maxId >= 0) {
        sql += QStringLiteral(" WHERE ID >= :IDp_min AND ID <= :IDp_max");
        ++count;
    }
    const TViewConditions used = AppendFilterConditions(Filter, sql, count);
    sql += QStringLiteral(" ORDER BY DATA_IZM");

    ADOQuery->Close();
    ADOQuery->ClearSQL();
    ADOQuery->SetSQL(sql);
    SetFilterParameters(Filter, used, *ADOQuery);
    if (maxId >= 0) {
        ADOQuery->Parameters().ParamByName(QStringLiteral("IDp_min"))->SetValue(qlonglong(maxId) - IdentWindow);
        ADOQuery->Parameters().ParamByName(QStringLiteral("IDp_max"))->SetValue(qlonglong(maxId));
    }
    ADOQuery->Open();
    relayoutGrid();
}

void TfmDefault_MP_Akt::relayoutGrid()
{
    if (!DBGrid)
        return;
    // One pixel narrower and back: the grid lays its columns out again and repaints.
    DBGrid->resize(DBGrid->width() - 1, DBGrid->height());
    DBGrid->resize(DBGrid->width() + 1, DBGrid->height());
    DBGrid->LayoutChanged();
}

void TfmDefault_MP_Akt::ClearFilter()
{
    ::ClearFilter(Filter);
}

void TfmDefault_MP_Akt::ShowAll()
{
    ClearFilter();
    ADOQuery->Close();
    RefreshView(-1);
    ADOQuery->Last();
    if (pnViewName)
        pnViewName->setText(QStringLiteral("вся база"));
    if (DBGrid)
        DBGrid->update();
}

void TfmDefault_MP_Akt::ShowToday()
{
    ClearFilter();
    SetTodayFilter(Filter);
    ADOQuery->Close();
    RefreshView(-1);
    ADOQuery->Last();
    if (pnViewName)
        pnViewName->setText(QStringLiteral("измерения, сделанные сегодня"));
    if (DBGrid)
        DBGrid->update();
}

void TfmDefault_MP_Akt::ShowFilterDialog()
{
    TFilter copy = Filter;
    bool ok = false;
    if (RunFilterDialog) {
        ok = RunFilterDialog(copy);
    } else {
        TfmDefault_MP_Filter dialog;
        dialog.Load(copy);
        ok = dialog.exec() == 1;
        if (ok)
            copy = dialog.Store();
    }
    if (!ok)
        return;
    Filter = copy;
    ADOQuery->Close();
    RefreshView(-1);
    ADOQuery->Last();
    if (pnViewName)
        pnViewName->setText(QStringLiteral("фильтр: ") + Filter.Description);
    if (DBGrid)
        DBGrid->update();
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

double TfmDefault_MP_Akt::normaOf(int serial, const QString& date)
{
    if (!DBInfoPribors)
        return 0.0;
    if (serial != normaSerial_ || date != normaDate_) {
        normaValue_ = DBInfoPribors->Norma(uint32_t(serial), date);
        normaSerial_ = serial;
        normaDate_ = date;
    }
    return normaValue_;
}

void TfmDefault_MP_Akt::DrawColumnCell(TCustomDBGridEx* sender, const gfx::TRect& rect, int dataCol, TColumnEx*,
                                       unsigned state)
{
    if (!TableLock.TryEnter())
        return;
    JournalLock held(TableLock, JournalLock::Adopt);
    if (!ADOQuery || !ADOQuery->Active())
        return;
    gfx::TCanvas& canvas = sender->Canvas();
    TField* date = field("DATA_IZM");
    if (!date || date->IsNull()) {
        canvas.Brush().SetColor(gfx::clWhite);
        canvas.Pen().SetColor(gfx::clWhite);
        canvas.Rectangle(rect);
        return;
    }
    auto integer = [&](const char* name) { TField* f = field(name); return f ? f->AsInteger() : 0; };
    auto number = [&](const char* name) { TField* f = field(name); return f ? f->AsFloat() : 0.0; };
    auto text = [&](const char* name) { TField* f = field(name); return f ? f->AsString() : QString(); };

    const bool selected = (state & (gdSelected | gdFocused)) != 0;
    const QString dateText = date->AsString();
    const int kind = integer("TYPERECORD");
    const double izm = number("IZM");

    gfx::TColor brush, font;
    if (kind == 0 || kind == 1) {
        const bool exceeded = izm > normaOf(integer("PRIBOR"), dateText);
        if (!exceeded) {
            brush = selected ? gfx::RGB(128, 128, 128) : gfx::RGB(255, 255, 255);
        } else {
            brush = selected ? gfx::RGB(128, 0, 0) : gfx::RGB(255, 154, 138);
        }
        font = selected ? gfx::clWhite : gfx::clBlack;
    } else if (kind == 2) {
        brush = selected ? gfx::RGB(128, 128, 0) : gfx::RGB(255, 255, 0);
        font = selected ? gfx::clWhite : gfx::clBlack;
    } else if (kind == 3) {
        brush = selected ? gfx::RGB(0, 128, 0) : gfx::RGB(0, 255, 0);
        font = selected ? gfx::clWhite : gfx::clBlack;
    } else {
        brush = selected ? gfx::RGB(128, 128, 128) : gfx::RGB(192, 192, 192);
        font = selected ? gfx::RGB(192, 192, 192) : gfx::clBlack;
    }
    canvas.Brush().SetColor(brush);
    canvas.Pen().SetColor(brush);
    canvas.Font().SetColor(font);
    canvas.Rectangle(rect);

    // Texts stay inside their cell: a value anchored 30 pixels from the right of a narrower column would
    // otherwise be written over the cell to its left, which is already painted.
    auto left = [&](const QString& s) { canvas.ExtTextOut(rect.Left + 2, rect.Top + 2, gfx::ETO_CLIPPED, &rect, s); };
    auto right = [&](const QString& s) { canvas.ExtTextOut(rect.Right - 30, rect.Top + 2, gfx::ETO_CLIPPED, &rect, s); };

    if (kind == 2) {
        if (dataCol == 0) {
            left(dateText);
        } else if (dataCol == 1) {
            left(EventText(integer("NUM_VIDOH")));
        } else if (dataCol == 4) {
            right(fourDigits(integer("PRIBOR")));
        } else {
            right(QStringLiteral("---"));
        }
        return;
    }
    if (kind == 3) {
        if (dataCol == 0)
            left(dateText);
        else if (dataCol == 1)
            left(QStringLiteral("system"));
        else
            right(QStringLiteral("---"));
        return;
    }
    switch (dataCol) {
    case 0: left(dateText); break;
    case 1: left(text("OBSL_FAM") + QLatin1Char(' ') + text("OBSL_NAME") + QLatin1Char(' ') + text("OBSL_PAT")); break;
    case 2:
        right(threeDecimals(izm));
        left(StateMark(text("STAT")));
        break;
    case 3: right(threeDecimals(number("IZM_AIR"))); break;
    case 4: right(fourDigits(integer("PRIBOR"))); break;
    case 5: left(QString::number(integer("NUM_VIDOH"))); break;
    case 6: left(text("MEAS_PLACE")); break;
    case 7: left(text("OBSL_NAUTO")); break;
    case 8: left(text("INSP_FAM") + QLatin1Char(' ') + text("INSP_NAME") + QLatin1Char(' ') + text("INSP_PAT")); break;
    case 9: left(text("INSP_DEPR")); break;
    case 10: left(text("INSP_NUMB")); break;
    default: break;
    }
}

QString TfmDefault_MP_Akt::EventText(int32_t code)
{
    switch (code) {
    case -2147483647: return QStringLiteral(" \\пропадание питания");
    case -2147483646: return QStringLiteral(" \\включение зажигания");
    case -2147483645: return QStringLiteral(" \\подключение датчика к коробке блокиратора");
    case -2147483644: return QStringLiteral(" \\отключение датчика от коробки блокиратора");
    case -2147483643: return QStringLiteral(" \\индикация максимального количества прерванных выдохов");
    case -2147483642: return QStringLiteral(" \\был отказ от выдоха");
    default: return QStringLiteral(" \\unknow");
    }
}

QString TfmDefault_MP_Akt::StateMark(const QString& stat)
{
    if (stat == QLatin1String("0"))
        return QString();
    if (stat == QLatin1String("1"))
        return QStringLiteral("(!)");
    if (stat == QLatin1String("2"))
        return QStringLiteral("(!!!)");
    if (stat == QLatin1String("3"))
        return QStringLiteral("(+)");
    return QStringLiteral("(?)");
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
        IdentWindow = rows + (rows > IdentWindow ? 1 : 0);
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

void TfmDefault_MP_Akt::DeleteRecords()
{
    if (!ADOQuery || !ADOQuery->Active() || ADOQuery->IsEmpty())
        return;
    TBookmarkListEx* marked = DBGrid ? &DBGrid->SelectedRows() : nullptr;
    const int count = marked ? marked->Count() : 0;
    if (count <= 1) {
        const QString date = ADOQuery->FieldByName(QStringLiteral("DATA_IZM"))->AsString();
        const int id = ADOQuery->FieldByName(QStringLiteral("ID"))->AsString().toInt();
        if (ctl::MessageBox(QStringLiteral("Удалить запись от: ") + date + QLatin1Char('?'), QStringLiteral("Внимание"),
                            ctl::MB_YESNO | ctl::MB_ICONQUESTION) != ctl::IDYES)
            return;
        const int row = ADOQuery->RecNo();
        DeleteRecord(id);
        const int rows = ADOQuery->RecordCount();
        if (rows > 0)
            ADOQuery->SetRecNo(row <= rows ? row : rows);
        return;
    }
    if (ctl::MessageBox(QStringLiteral("Удалить все отмеченные записи? Отмечено строк - ") + QString::number(count) +
                            QLatin1Char('.'),
                        QStringLiteral("Внимание"), ctl::MB_YESNO | ctl::MB_ICONQUESTION) != ctl::IDYES)
        return;
    {
        JournalLock lock(TableLock);
        // Bookmarks name records, not rows: each marked record is deleted once, whatever the others do.
        std::vector<QByteArray> bookmarks;
        for (int i = 0; i < count; ++i)
            bookmarks.push_back(marked->GetItem(i));
        ADOQuery->DisableControls();
        try {
            for (const QByteArray& b : bookmarks)
                if (ADOQuery->BookmarkValid(b)) {
                    ADOQuery->GotoBookmark(b);
                    ADOQuery->Delete();
                }
        } catch (...) {
            ADOQuery->EnableControls();
            throw;
        }
        ADOQuery->EnableControls();
        marked->Clear();
    }
    RefreshView(-1);
}

void TfmDefault_MP_Akt::DeleteRecord(int id)
{
    JournalLock lock(TableLock);
    ADOQuery->Close();
    ADOQuery->ClearSQL();
    ADOQuery->SetSQL(QStringLiteral("DELETE FROM Base") + QStringLiteral(" WHERE") + QStringLiteral(" ID = ") +
                     QString::number(id));
    ADOQuery->ExecSQL();
    RefreshView(-1);
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
    Settings.VideoOn = ini.ReadBool(kMethods, QStringLiteral("Video"), false) ? 1 : 0;
    int8_t quality = int8_t(uint8_t(ini.ReadInteger(kMethods, QStringLiteral("JpegQuality"), 75) & 0xFF));
    if (quality > 99)
        quality = 99;
    if (quality < 30)
        quality = 30;
    Settings.JpegQuality = quality;
    Settings.OnlyForAlkozamok = ini.ReadBool(kMethods, QStringLiteral("ProgUseOnlyForAlkozamok"), false) ? 1 : 0;
    LoadColumnWidths(ini);
    editButtonsVisibility();
}

void TfmDefault_MP_Akt::WriteIni(rtl::TIniFile& ini)
{
    ini.WriteBool(kMethods, QStringLiteral("Video"), Settings.VideoOn != 0);
    ini.WriteInteger(kMethods, QStringLiteral("JpegQuality"), Settings.JpegQuality);
    ini.WriteBool(kMethods, QStringLiteral("ProgUseOnlyForAlkozamok"), Settings.OnlyForAlkozamok != 0);
    SaveColumnWidths(ini);
}

void TfmDefault_MP_Akt::ApplyJournalSettings(const TJournalSettings& settings)
{
    Settings = settings;
    if (DBGrid)
        DBGrid->update();
    editButtonsVisibility();
}

void TfmDefault_MP_Akt::ShowJournalReport()
{
    // The journal's printout comes with the report forms.
    Dbg().Print("ShowJournalReport: the journal report is not available in this build");
}

void TfmDefault_MP_Akt::ShowConsReport()
{
    Dbg().Print("ShowConsReport: the consolidated report is not available in this build");
}
