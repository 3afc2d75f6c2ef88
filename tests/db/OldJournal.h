#pragma once
// Journal tables of the older generations, written by our storage, with the rows a conversion must carry.
#include "DbFixture.h"
#include "platform/data/DbfTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <vector>

namespace oldjournal {

// One row of an old journal, by meaning; each generation stores what its columns hold.
struct Row {
    QVariant id;
    QString date;
    qint64 pribor = 0;
    QVariant izm;
    QString stat, oper, fam, name, pat;
    qint64 numVidoh = 0;
    QString pageFoot;
    QString place, nauto;
    QString insp[5];
};

inline dbf::Column col(const char* name, char type, int length, int decimals = 0)
{
    dbf::Column c;
    c.name = QString::fromLatin1(name);
    c.type = type;
    c.length = length;
    c.decimals = decimals;
    return c;
}

inline std::vector<dbf::Column> columnsOf(int generation)
{
    const auto n = [](const char* name) { return col(name, 'N', 11); };
    const auto t = [](const char* name, int length = 30) { return col(name, 'C', length); };
    switch (generation) {
    case 1:
        return {n("ID"), n("PRIBOR"), t("DATA", 19), col("IZM", 'N', 12, 4), t("STAT", 1), t("OPER"), t("FAM"), t("NAME"), t("PAT")};
    case 2:
    case 3: {
        std::vector<dbf::Column> c = {n("ID"), n("PRIBOR"), t("DATA_IZM", 19), col("IZM", 'N', 12, 4), t("STAT", 1),
                                      t("OPER"), t("OBSL_FAM"), t("OBSL_NAME"), t("OBSL_PAT")};
        if (generation == 3) {
            c.push_back(n("NUM_VIDOH"));
            c.push_back(t("PAGE_FOOT", 1));
        }
        return c;
    }
    case 6:
        return {n("ID"), n("PRIBOR"), t("DATA_IZM", 19), col("IZM", 'N', 12, 4), t("STAT", 1), n("NUM_VIDOH"),
                t("OBSL_FAM"), t("OBSL_NAME"), t("OBSL_PAT"), t("OBSLPLACE"), t("NUM_AUTO", 12), t("INSP_FAM"),
                t("INSP_NAME"), t("INSP_PAT"), t("INSP_DEPR"), t("INSP_NUMB", 10), t("OPER")};
    }
    return {};
}

inline QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// Rows that catch what a careless converter loses: identifiers 0, negative and repeated, a tie in date,
// a blank STAT and PAGE_FOOT, the byte 1 as a flag, values on both sides of a rounding, an empty surname
// and texts of 22 and 23 characters.
inline std::vector<Row> sampleRows()
{
    std::vector<Row> rows(5);
    rows[0] = {5, "2009.05.12 10:22:33", 123, 0.1234, "0", u("ОПЕРАТОР"), u("ИВАНОВ"), u("ИВАН"), u("ИВАНОВИЧ"), 17, "0",
               u("ПОСТ 1"), u("А123ВС"), {u("ПЕТРОВ"), u("ПЁТР"), u("ПЕТРОВИЧ"), u("ОГИБДД"), "77"}};
    rows[1] = {0, "2008.01.01 00:00:01", 123, 0.1236, "1", "", "", u("ПЁТР"), "", 18, "1", "", "", {}};
    rows[2] = {-3, "2010.02.03 04:05:06", 77, 0.0, "2", u("ОП"), u("КОНСТАНТИНОПОЛЬСКИЙ-ЩЕД"), u("АЛЕКСАНДРА-ВИКТОРИЯ-ЮЛЯ"),
               "", 0, "0", u("ПЛОЩАДЬ ТРЁХ ВОКЗАЛОВ, 1"), "", {}};
    rows[3] = {5, "2009.05.12 10:22:33", 124, 1.5, QString(QChar(1)), u("ОП"), u("СИДОРОВ"), "", "", 19, QString(QChar(1)), "", "", {}};
    rows[4] = {QVariant(), "2011.11.11 11:11:11", 9, QVariant(), "", u("ОП"), u("ЯКОВЛЕВ"), "", "", -2147483647, "", "", "", {}};
    return rows;
}

// The old table's value of a column for a row.
inline QVariant valueOf(const Row& r, const QString& column)
{
    static const std::map<QString, int> insp = {{"INSP_FAM", 0}, {"INSP_NAME", 1}, {"INSP_PAT", 2}, {"INSP_DEPR", 3}, {"INSP_NUMB", 4}};
    if (column == "ID") return r.id;
    if (column == "PRIBOR") return r.pribor;
    if (column == "DATA" || column == "DATA_IZM") return r.date;
    if (column == "IZM") return r.izm;
    if (column == "STAT") return r.stat;
    if (column == "OPER") return r.oper;
    if (column.endsWith("FAM") && !column.startsWith("INSP")) return r.fam;
    if (column.endsWith("NAME") && !column.startsWith("INSP")) return r.name;
    if (column.endsWith("PAT") && !column.startsWith("INSP")) return r.pat;
    if (column == "NUM_VIDOH") return r.numVidoh;
    if (column == "PAGE_FOOT") return r.pageFoot;
    if (column == "OBSLPLACE") return r.place;
    if (column == "NUM_AUTO") return r.nauto;
    if (auto it = insp.find(column); it != insp.end()) return r.insp[it->second];
    return {};
}

// Writes DATABASE/<file> of a generation with the rows; extra columns (a memo, say) may follow.
inline void write(const QString& path, int generation, const std::vector<Row>& rows, std::vector<dbf::Column> extra = {})
{
    std::vector<dbf::Column> columns = columnsOf(generation);
    columns.insert(columns.end(), extra.begin(), extra.end());
    auto table = dbf::Table::create(path, columns);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::vector<QVariant> values;
        for (const dbf::Column& c : columns)
            values.push_back(c.isMemo() ? QVariant(QByteArray("memo of row ") + QByteArray::number(qulonglong(i))) : valueOf(rows[i], c.name));
        table->append(values);
    }
}

// The rows of a table as python3-dbfread reads them (memo columns left out).
inline QJsonArray readWithDbfread(const QString& path)
{
    const QString script = QStringLiteral(
        "import dbfread, json, sys\n"
        "t = dbfread.DBF(sys.argv[1], encoding='cp1251', char_decode_errors='strict')\n"
        "memo = [f.name for f in t.fields if f.type == 'M']\n"
        "print(json.dumps([{k: v for k, v in r.items() if k not in memo} for r in t], ensure_ascii=False))\n");
    return QJsonDocument::fromJson(dbfixture::runPython(script, path).toUtf8()).array();
}

// A photo that is no JPEG at all and one whose bytes hold the dBASE III end marks.
inline const QByteArray& jpegBytes()
{
    static const QByteArray bytes("\xFF\xD8\x1A\x1A\x1F\x00\x41\xFF\xD9", 9);
    return bytes;
}
inline const QByteArray& damagedPhoto()
{
    static const QByteArray bytes("this is no jpeg \x00\x1A", 18);
    return bytes;
}

} // namespace oldjournal
