#pragma once
// Fixtures of the grid export, import and clipboard tests: a two- or three-column grid over a small data set,
// and a runner of outside programs that read what the exporters write.
#include "grid/DBGridEx.h"
#include "grid/DBGridExExport.h"
#include "grid/DBGridExImport.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <ostream>
#include <memory>

// Readable failures for texts and lists of texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace gridio {

// ID (integer), NAME (text), VAL (float): a grid named Grid1 in Arial 10 with titles and lines.
struct IOGrid {
    TMemDataSet ds;
    TDataSource source;
    TDBGridEx grid;

    explicit IOGrid(const std::vector<std::vector<QVariant>>& rows = {}, bool withValue = false)
    {
        ds.AddFieldDef("ID", ftInteger);
        ds.AddFieldDef("NAME", ftString, 40);
        ds.AddFieldDef("VAL", ftFloat);
        ds.Open();
        for (const auto& r : rows)
            ds.AppendRecord(r);
        ds.First();
        source.SetDataSet(&ds);
        grid.setObjectName(QStringLiteral("Grid1"));
        grid.resize(400, 200);
        grid.Font().SetName(QStringLiteral("Arial"));
        grid.Font().SetSize(10);
        grid.TitleFont().SetName(QStringLiteral("Arial"));
        grid.TitleFont().SetSize(10);
        grid.TitleFont().SetStyle(gfx::fsBold);
        grid.SetOptions(bit(dgTitles) | bit(dgColLines) | bit(dgRowLines) | bit(dgMultiSelect) | bit(dgEditing));
        grid.SetDataSource(&source);
        grid.Columns().Clear();
        addColumn("ID", QStringLiteral("N"), 40, taRightJustify);
        addColumn("NAME", QString::fromUtf8("Имя"), 100, taLeftJustify);
        if (withValue)
            addColumn("VAL", QStringLiteral("Value"), 60, taRightJustify);
    }
    TColumnEx* addColumn(const char* field, const QString& title, int width, TAlignment a)
    {
        TColumnEx* c = grid.Columns().Add();
        c->SetFieldName(QString::fromLatin1(field));
        c->SetWidth(width);
        c->SetAlignment(a);
        c->Title().SetCaption(title);
        return c;
    }
    QByteArray exportAll(TDBGridExExportClass cls, bool all = true)
    {
        QByteArray bytes;
        QBuffer b(&bytes);
        b.open(QIODevice::WriteOnly);
        WriteDBGridExToExportStream(cls, &grid, b, all);
        return bytes;
    }
    void import(TDBGridExImportClass cls, QByteArray bytes, bool all = false)
    {
        QBuffer b(&bytes);
        b.open(QIODevice::ReadOnly);
        ReadDBGridExFromImportStream(cls, &grid, b, all);
    }
    // The rows of the data set as texts ("null" for NULL), fields joined by '|'.
    QStringList rows()
    {
        QStringList out;
        const TBookmark keep = ds.GetBookmark();
        for (ds.First(); !ds.Eof(); ds.Next()) {
            QStringList f;
            for (int i = 0; i < ds.FieldCount(); ++i)
                f << (ds.Fields(i)->IsNull() ? QStringLiteral("null") : ds.Fields(i)->Value().toString());
            out << f.join(QLatin1Char('|'));
        }
        if (!keep.isEmpty())
            ds.GotoBookmark(keep);
        return out;
    }
};

// Runs an outside program with the input on its standard input; its standard output, or a null array when
// it could not run; what it said on its error output in *errors.
inline QByteArray runTool(const QString& program, const QStringList& args, const QByteArray& input, int* exitCode = nullptr,
                          QByteArray* errors = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(5000))
        return {};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(20000);
    if (exitCode)
        *exitCode = p.exitCode();
    if (errors)
        *errors = p.readAllStandardError();
    QByteArray out = p.readAllStandardOutput();
    if (out.isNull())
        out = QByteArray("");
    return out;
}

} // namespace gridio
