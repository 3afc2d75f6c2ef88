// Test instrument for outside readers: "write <folder>" makes the program's tables with known contents
// (default_mp and default journals with Russian texts and a photo, the instrument table); "dump <file>"
// prints a table's rows as UTF-8 lines "ID|value|value..." with NULL shown as "<null>", numbers as
// written with '.'.
#include "../JournalSchemas.h"
#include "platform/data/ADOConnection.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/DbfTable.h"
#include "platform/data/Field.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <charconv>
#include <cstdio>

namespace {

QByteArray photo()
{
    QByteArray jpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    for (int i = 0; i < 1500; ++i)
        jpeg.append(char(i % 5 == 0 ? 0x1A : (i * 7) & 0xFF));
    jpeg.append("\x1A\x1A\x1F\x00\xFF\xD9", 6);
    return jpeg;
}

void run(TADOQuery& q, const QString& text, const std::vector<std::pair<QString, QVariant>>& params = {})
{
    q.SetSQL(text);
    for (const auto& [n, v] : params)
        q.Parameters().ParamByName(n)->SetValue(v);
    q.ExecSQL();
}

void writeJournal(const QString& folder, bool mp)
{
    TADOConnection conn;
    conn.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder);
    conn.Open();
    TADOQuery q(&conn);
    run(q, mp ? fixtures::defaultMpCreate() : fixtures::defaultCreate());
    const QString fams[] = {QString::fromUtf8("ИВАНОВ"), QString::fromUtf8("Д'Артаньян-Ёжиков"), QString()};
    for (int i = 0; i < 3; ++i) {
        QString cols = "ID, PRIBOR, DATA_IZM, IZM, STAT, NUM_VIDOH, OPER", vals = ":ID, :PRIBOR, :DATA_IZM, :IZM, :STAT, :NUM_VIDOH, :OPER";
        std::vector<std::pair<QString, QVariant>> p{{"ID", i + 1}, {"PRIBOR", 123 + i}, {"DATA_IZM", QString("2010.12.2%1 10:22:33").arg(i)},
                                                    {"IZM", i == 1 ? QVariant("0,123") : QVariant(0.5 * i)}, {"STAT", QString::number(i)},
                                                    {"NUM_VIDOH", i == 2 ? QVariant(-2147483647LL) : QVariant(i)}, {"OPER", QString::fromUtf8("Оператор №1")}};
        if (!fams[i].isEmpty()) {
            cols += ", OBSL_FAM";
            vals += ", :OBSL_FAM";
            p.emplace_back("OBSL_FAM", fams[i]);
        }
        if (mp) {
            cols += ", TYPERECORD, NORMA";
            vals += ", :TYPERECORD, :NORMA";
            p.emplace_back("TYPERECORD", i == 2 ? 2 : 1);
            p.emplace_back("NORMA", 0.15);
        } else {
            cols += ", PAGE_FOOT";
            vals += ", :PAGE_FOOT";
            p.emplace_back("PAGE_FOOT", i == 2 ? "1" : "0");
        }
        run(q, "INSERT INTO Base ( " + cols + " ) VALUES ( " + vals + " )", p);
    }
    if (mp) {
        q.SetSQL("SELECT * FROM Base WHERE ID = :ID ORDER BY DATA_IZM");
        q.Parameters().ParamByName("ID")->SetValue(2);
        q.Open();
        q.Edit();
        q.FieldByName("OBSL_PHOTO")->SetAsBytes(photo());
        q.Post();
        q.Close();
    }
}

void writeInfoPrib(const QString& folder)
{
    TADOConnection conn;
    conn.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder);
    conn.Open();
    TADOQuery q(&conn);
    run(q, fixtures::infoPribCreate());
    run(q, "INSERT INTO InfoPrib ( ID, PRIBOR, DATECONST, DATEGET, PRIBPROT, DATEPRIB, DATEPOVER, PRIBMODEL, FIRMWARE, NORMA, ACCURACY, T_VIDOH, "
           "W_WIDOH, NETNUMBER, LIFEZAPIS ) VALUES ( :ID, :PRIBOR, :DATECONST, :DATEGET, :PRIBPROT, :DATEPRIB, :DATEPOVER, :PRIBMODEL, :FIRMWARE, "
           ":NORMA, :ACCURACY, :T_VIDOH, :W_WIDOH, :NETNUMBER, :LIFEZAPIS )",
        {{"ID", 1}, {"PRIBOR", 4294967295LL}, {"DATECONST", "2009.03.15 00:00:00"}, {"DATEGET", "2010.01.01 12:00:00"},
         {"PRIBPROT", 4000000000LL}, {"DATEPRIB", "2009.03.15 00:00:00"}, {"DATEPOVER", "2009.03.16 00:00:00"}, {"PRIBMODEL", 3},
         {"FIRMWARE", 5}, {"NORMA", 0.15}, {"ACCURACY", 0.05f}, {"T_VIDOH", 30}, {"W_WIDOH", 65535}, {"NETNUMBER", -1}, {"LIFEZAPIS", 100}});
}

QString text(const QVariant& v)
{
    if (v.isNull())
        return "<null>";
    if (v.typeId() == QMetaType::Double) {
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, v.toDouble());
        return QString::fromLatin1(buf, r.ptr - buf);
    }
    if (v.typeId() == QMetaType::QByteArray)
        return "<" + QString::number(v.toByteArray().size()) + " bytes " + QString::fromLatin1(v.toByteArray().toHex().left(16)) + ">";
    return v.toString();
}

int dump(const QString& path)
{
    auto table = dbf::Table::open(path);
    for (quint32 r = 0; r < table->recordCount(); ++r) {
        if (table->isDeleted(r))
            continue;
        QStringList cells;
        for (int c = 0; c < static_cast<int>(table->columns().size()); ++c)
            cells << text(table->value(r, c));
        std::printf("%s\n", cells.join('|').toUtf8().constData());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 3 && args[1] == "write") {
            const QDir root(args[2]);
            root.mkpath("mp");
            root.mkpath("default");
            writeJournal(root.filePath("mp"), true);
            writeJournal(root.filePath("default"), false);
            writeInfoPrib(root.filePath("mp"));
            std::printf("%s\n", photo().toHex().constData());
            return 0;
        }
        if (args.size() == 3 && args[1] == "dump")
            return dump(args[2]);
    } catch (const EDatabaseError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    std::fprintf(stderr, "usage: dbftool write <folder> | dump <file.dbf>\n");
    return 1;
}
