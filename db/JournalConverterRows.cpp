// The row converters: every row of oldBASE.DBF becomes a row of the new Base table, numbered 1..n in the
// order of its date text, with its photo from PHOTOS when the target keeps photos.
#include "db/JournalConverter.h"

#include "core/Debug.h"
#include "db/JournalSchemas.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"
#include "platform/rtl/CaseInsensitivePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <exception>
#include <stdexcept>

namespace db {

namespace {

// "1" when the text starts with '1' or the byte 1, else "0" (an empty text too).
QChar flagOf(const QString& text)
{
    return !text.isEmpty() && (text[0] == QLatin1Char('1') || text[0] == QChar(1)) ? QLatin1Char('1') : QLatin1Char('0');
}

QString textOf(const TField* field)
{
    return field ? field->AsString() : QString();
}

} // namespace

// The columns of the old table a row is read from; null where the generation has none.
struct TJournalConverter::SourceColumns {
    TField* id = nullptr;  // read by no one, but a table without it is no journal
    TField* pribor = nullptr;
    TField* date = nullptr;
    TField* izm = nullptr;
    TField* stat = nullptr;
    TField* oper = nullptr;
    TField* fam = nullptr;
    TField* name = nullptr;
    TField* pat = nullptr;
    TField* numVidoh = nullptr;
    TField* pageFoot = nullptr;
    // Generation 6: the place, the vehicle and the inspector.
    TField* place = nullptr;
    TField* nauto = nullptr;
    TField* insp[5] = {};
};

struct TJournalConverter::Row {
    qint64 id = 0;
    qint64 pribor = 0;
    QString date, fam, name, pat, oper;
    double izm = 0;
    QChar stat = QLatin1Char('0');
    qint64 numVidoh = 0;
    QChar pageFoot = QLatin1Char('0');
    QString place, nauto;
    QString insp[5];
};

namespace {

const char* const kInspColumns[5] = {"INSP_FAM", "INSP_NAME", "INSP_PAT", "INSP_DEPR", "INSP_NUMB"};

// The date column of a source generation. The first journal's is any column whose name ends in DATA,
// as its detection reads it; DATA itself when there is one.
QString dateColumn(const dbf::Table& old, int source)
{
    if (source != 1)
        return QStringLiteral("DATA_IZM");
    if (old.columnIndex(QStringLiteral("DATA")) >= 0)
        return QStringLiteral("DATA");
    for (const dbf::Column& c : old.columns())
        if (c.name.endsWith(QLatin1String("DATA"), Qt::CaseInsensitive))
            return c.name;
    return QStringLiteral("DATA");
}

} // namespace

void TJournalConverter::createTable(Target target)
{
    const Schema schema = target == Target::Default ? Schema::Default : Schema::DefaultMp;
    ADOQuery->Close();
    ADOQuery->ClearSQL();
    ADOQuery->SetSQL(CreateTableText(schema));
    ADOQuery->ExecSQL();
    widths_.clear();
    for (const dbf::Column& c : ADOConnection->openTable(QStringLiteral("Base"))->columns())
        if (c.type == 'C')
            widths_.emplace_back(c.name, c.length);
    TConversionFiles::Reached("table-created");
}

int TJournalConverter::targetWidth(const QString& column) const
{
    for (const auto& [name, width] : widths_)
        if (name == column)
            return width;
    return 0;
}

QString TJournalConverter::fitted(const QString& column, const QString& text) const
{
    const int width = targetWidth(column);
    if (width <= 0 || text.size() <= width)
        return text;
    Dbg().Print("TfmConverterDB - %s: '%s' cut to %i characters", column.toUtf8().constData(), text.toUtf8().constData(), width);
    return text.left(width);
}

QString TJournalConverter::photoFile(const QString& name) const
{
    if (const auto it = photos_.constFind(name); it != photos_.cend())
        return *it;
    return photosFolded_.value(name.toLower());
}

TJournalConverter::Rows TJournalConverter::ConvertRows(Target target, int source, const Progress& progress)
{
    try {
        photos_.clear();
        photosFolded_.clear();
        if (target == Target::DefaultMp) {
            // One listing for the whole table: a look-up per row would read the folder once a row.
            const QDir folder(rtl::resolveCaseInsensitive(WorkDir + QStringLiteral("/PHOTOS")));
            for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
                photos_.insert(name, folder.filePath(name));
                photosFolded_.insert(name.toLower(), folder.filePath(name));
            }
        }
        ADOQueryP->Close();
        ADOQueryP->SetSQL(QStringLiteral("SELECT COUNT(*) as cnt FROM oldBase"));
        ADOQueryP->Open();
        const int total = ADOQueryP->FieldByName(QStringLiteral("cnt"))->AsInteger();
        ADOQueryP->Close();
        // Rows are counted, not identifiers: a table whose rows all carry ID 0 is not empty.
        if (total <= 0)
            return Rows::Empty;
        createTable(target);

        const QString date = dateColumn(*ADOConnection->openTable(QStringLiteral("oldBase")), source);
        ADOQueryP->SetSQL(QStringLiteral("SELECT * FROM oldBase ORDER BY ") + date);
        ADOQueryP->Open();
        SourceColumns in;
        in.id = ADOQueryP->FieldByName(QStringLiteral("ID"));
        in.pribor = ADOQueryP->FieldByName(QStringLiteral("PRIBOR"));
        in.date = ADOQueryP->FieldByName(date);
        in.izm = ADOQueryP->FieldByName(QStringLiteral("IZM"));
        in.stat = ADOQueryP->FieldByName(QStringLiteral("STAT"));
        in.oper = ADOQueryP->FieldByName(QStringLiteral("OPER"));
        const QString prefix = source == 1 ? QString() : QStringLiteral("OBSL_");
        in.fam = ADOQueryP->FieldByName(prefix + QStringLiteral("FAM"));
        in.name = ADOQueryP->FieldByName(prefix + QStringLiteral("NAME"));
        in.pat = ADOQueryP->FieldByName(prefix + QStringLiteral("PAT"));
        if (source == 3) {
            in.numVidoh = ADOQueryP->FieldByName(QStringLiteral("NUM_VIDOH"));
            in.pageFoot = ADOQueryP->FieldByName(QStringLiteral("PAGE_FOOT"));
        }
        if (source == 6) {
            // Its own columns go to their places in the new table; it keeps no info mark.
            in.numVidoh = ADOQueryP->FieldByName(QStringLiteral("NUM_VIDOH"));
            in.pageFoot = ADOQueryP->FindField(QStringLiteral("PAGE_FOOT"));
            in.place = ADOQueryP->FieldByName(QStringLiteral("OBSLPLACE"));
            in.nauto = ADOQueryP->FieldByName(QStringLiteral("NUM_AUTO"));
            for (int i = 0; i < 5; ++i)
                in.insp[i] = ADOQueryP->FieldByName(QString::fromLatin1(kInspColumns[i]));
        }
        return copyRows(target, source, in, total, progress);
    } catch (const std::exception& e) {
        error_ = QString::fromUtf8(e.what());
        Dbg().Print("TfmConverterDB - error: %s", e.what());
        return Rows::Failed;
    }
}

TJournalConverter::Rows TJournalConverter::copyRows(Target target, int source, const SourceColumns& in, int total,
                                                   const Progress& progress)
{
    // Nothing else writes the new table: the next identifier is counted here, not searched for each row.
    ADOQuery->SetSQL(QStringLiteral("SELECT max(ID) as maxid FROM Base"));
    ADOQuery->Open();
    qint64 nextId = ADOQuery->FieldByName(QStringLiteral("maxid"))->AsLargeInt() + 1;
    ADOQuery->Close();

    int done = 0;
    for (ADOQueryP->First(); !ADOQueryP->Eof(); ADOQueryP->Next()) {
        Row r;
        r.pribor = in.pribor->AsLargeInt();
        r.date = in.date->AsString();
        r.izm = in.izm->AsFloat();
        r.stat = flagOf(in.stat->AsString());
        r.oper = in.oper->AsString();
        r.fam = in.fam->AsString();
        r.name = in.name->AsString();
        r.pat = in.pat->AsString();
        if (in.numVidoh)
            r.numVidoh = in.numVidoh->AsLargeInt();
        if (in.pageFoot)
            r.pageFoot = flagOf(in.pageFoot->AsString());
        else if (in.numVidoh && IsInterlockEventCode(r.numVidoh))
            r.pageFoot = QLatin1Char('1'); // a table without the mark knows its events by their codes
        r.place = textOf(in.place);
        r.nauto = textOf(in.nauto);
        for (int i = 0; i < 5; ++i)
            r.insp[i] = textOf(in.insp[i]);
        r.id = nextId++;
        insertRow(target, source, r);
        TConversionFiles::Reached("row-copied");

        ++done;
        if (progress && !progress(done, total))
            return Rows::Stopped;
    }

    // Success is told only once the new table, its memo and the folder are on disk and the marker is gone.
    ADOQueryP->Close();
    ADOQuery->Close();
    ADOConnection->openTable(QStringLiteral("Base"))->sync();
    TConversionFiles files(databaseFolder());
    if (!files.Commit())
        throw std::runtime_error(files.LastError().toStdString());
    TConversionFiles::Reached("committed");
    Dbg().Print("TfmConverterDB - %i rows converted", done);
    return Rows::Converted;
}

void TJournalConverter::insertRow(Target target, int source, const Row& r)
{
    const bool mp = target == Target::DefaultMp;
    const QString date = fitted(QStringLiteral("DATA_IZM"), r.date);
    const QString fam = fitted(QStringLiteral("OBSL_FAM"), r.fam);
    const QString name = fitted(QStringLiteral("OBSL_NAME"), r.name);
    const QString pat = fitted(QStringLiteral("OBSL_PAT"), r.pat);
    const QString oper = fitted(QStringLiteral("OPER"), r.oper);
    const double izm = std::trunc(r.izm * 1000.0 + 0.5) * 0.001;
    const bool numVidoh = !mp || source == 3 || source == 6;
    const int typeRecord = r.pageFoot == QLatin1Char('1') && (source == 3 || source == 6) ? 2 : 1;
    QString extra[7];
    const char* const extraColumns[7] = {"MEAS_PLACE", "OBSL_NAUTO", "INSP_FAM", "INSP_NAME", "INSP_PAT", "INSP_DEPR", "INSP_NUMB"};
    if (mp && source == 6) {
        extra[0] = r.place;
        extra[1] = r.nauto;
        for (int i = 0; i < 5; ++i)
            extra[2 + i] = r.insp[i];
        for (int i = 0; i < 7; ++i)
            extra[i] = fitted(QString::fromLatin1(extraColumns[i]), extra[i]);
    }
    QByteArray photo;
    if (mp) {
        const QString file = photoFile(ReplaceColons(r.date) + QString::asprintf("_%04i.jpg", static_cast<int>(r.pribor)));
        if (!file.isEmpty()) {
            // The file's bytes as they are: a photo that does not decode is still the photo of the act.
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly))
                throw std::runtime_error(QStringLiteral("cannot read %1: %2").arg(file, f.errorString()).toStdString());
            photo = f.readAll();
            if (f.error() != QFile::NoError)
                throw std::runtime_error(QStringLiteral("cannot read %1: %2").arg(file, f.errorString()).toStdString());
        }
    }

    QString cols, params;
    AddSqlFieldValue(QStringLiteral("ID"), r.id, cols, params, true);
    AddSqlFieldValue(QStringLiteral("PRIBOR"), r.pribor, cols, params, false);
    AddSqlField(QStringLiteral("DATA_IZM"), date, cols, params, false);
    AddSqlField(QStringLiteral("OBSL_FAM"), fam, cols, params, false);
    AddSqlField(QStringLiteral("OBSL_NAME"), name, cols, params, false);
    AddSqlField(QStringLiteral("OBSL_PAT"), pat, cols, params, false);
    AddSqlFieldValue(QStringLiteral("IZM"), izm, cols, params, false);
    AddSqlFieldChar(QStringLiteral("STAT"), r.stat, cols, params, false);
    AddSqlField(QStringLiteral("OPER"), oper, cols, params, false);
    if (numVidoh)
        AddSqlFieldValue(QStringLiteral("NUM_VIDOH"), r.numVidoh, cols, params, false);
    if (!mp)
        AddSqlFieldChar(QStringLiteral("PAGE_FOOT"), r.pageFoot, cols, params, false);
    else
        AddSqlFieldValue(QStringLiteral("TYPERECORD"), typeRecord, cols, params, false);
    for (int i = 0; i < 7; ++i)
        AddSqlField(QString::fromLatin1(extraColumns[i]), extra[i], cols, params, false);
    if (!photo.isEmpty())
        AddSqlFieldValue(QStringLiteral("OBSL_PHOTO"), photo, cols, params, false);

    const QString insert = QStringLiteral("INSERT INTO Base ( ") + cols + QStringLiteral(" )") + QStringLiteral(" VALUES ")
                           + QStringLiteral("( ") + params + QStringLiteral(" )");
    // Most rows list the same columns: the statement stays, and every parameter it names is set below.
    if (ADOQuery->SQL() != insert)
        ADOQuery->SetSQL(insert);
    SetSqlParamValue(QStringLiteral("ID"), r.id);
    SetSqlParamValue(QStringLiteral("PRIBOR"), r.pribor);
    SetSqlParam(QStringLiteral("DATA_IZM"), date);
    SetSqlParam(QStringLiteral("OBSL_FAM"), fam);
    SetSqlParam(QStringLiteral("OBSL_NAME"), name);
    SetSqlParam(QStringLiteral("OBSL_PAT"), pat);
    SetSqlParamValue(QStringLiteral("IZM"), izm);
    SetSqlParamChar(QStringLiteral("STAT"), r.stat);
    SetSqlParam(QStringLiteral("OPER"), oper);
    if (numVidoh)
        SetSqlParamValue(QStringLiteral("NUM_VIDOH"), r.numVidoh);
    if (!mp)
        SetSqlParamChar(QStringLiteral("PAGE_FOOT"), r.pageFoot);
    else
        SetSqlParamValue(QStringLiteral("TYPERECORD"), typeRecord);
    for (int i = 0; i < 7; ++i)
        SetSqlParam(QString::fromLatin1(extraColumns[i]), extra[i]);
    if (!photo.isEmpty())
        SetSqlParamValue(QStringLiteral("OBSL_PHOTO"), photo);
    ADOQuery->ExecSQL();
}

} // namespace db
