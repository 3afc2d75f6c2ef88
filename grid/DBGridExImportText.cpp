// Tab-separated text importer.
#include "grid/DBGridExImportText.h"
#include "grid/ColumnEx.h"
#include "grid/GridError.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"

namespace {
[[noreturn]] void invalidText()
{
    throw EInvalidGridOperation(QStringLiteral("TDBGridExImportAsText.CheckState: Invalid text format"));
}
} // namespace

void TDBGridExImportAsText::Validate()
{
    const QByteArray& d = Data();
    for (qsizetype i = d.indexOf('\r'); i >= 0; i = d.indexOf('\r', i + 1))
        if (i + 1 >= d.size() || d[i + 1] != '\n')
            invalidText();
}

void TDBGridExImportAsText::CheckState()
{
    if (!GetChar()) {
        StreamState = itssEof;
        Eof = true;
        return;
    }
    switch (CurChar) {
    case '\t':
        StreamState = itssTab;
        break;
    case '\r':
        if (!GetChar() || CurChar != '\n')
            invalidText();
        StreamState = itssNewLine;
        break;
    default:
        StreamState = itssChar;
        break;
    }
}

void TDBGridExImportAsText::GetString()
{
    CellText.clear();
    CellText.append(CurChar);
    for (;;) {
        CheckState();
        if (StreamState != itssChar)
            break;
        CellText.append(CurChar);
    }
    if (StreamState == itssTab)
        CheckState();
}

void TDBGridExImportAsText::ReadPrefix()
{
    CheckState();
}

void TDBGridExImportAsText::ReadRecord(const TColumnsExList& columns)
{
    if (StreamState == itssEof)
        return;
    ++ImportRow;
    int counter = 0;
    if (StreamState == itssChar) {
        GetString();
        ImportCol = 1;
        if (!columns.isEmpty())
            ReadDataCell(columns[0]);
        counter = 1;
    }
    while (StreamState != itssNewLine && StreamState != itssEof) {
        if (StreamState == itssTab) {
            CellText.clear();
            CheckState();
        } else {
            GetString();
        }
        ImportCol = counter + 1;
        if (counter < columns.size())
            ReadDataCell(columns[counter]);
        ++counter;
    }
    CheckState();
}

void TDBGridExImportAsText::ReadDataCell(TColumnEx* column)
{
    try {
        TField* f = DBGridExEditField(column);
        if (!f)
            return;
        const QString text = Decode(CellText);
        if (TField* lookup = column->Field(); lookup && lookup->FieldKind() == fkLookup) {
            // The list record showing the text gives the key; a text no record shows leaves the key.
            TDataSet* list = lookup->LookupDataSet();
            if (list && list->Active()
                && list->Locate(lookup->LookupResultField(), text, TLocateOptions(loCaseInsensitive) | loPartialKey)) {
                const QVariant key = list->FieldByName(lookup->LookupKeyFields().section(QLatin1Char(';'), 0, 0).trimmed())->Value();
                CheckFits(f, key);
                f->SetValue(key);
            }
        } else if (column->GetColumnType() == ctKeyPickList) {
            const int i = int(column->PickList().indexOf(text));
            if (i < 0 || i >= column->KeyList().size()) {
                f->Clear();
            } else {
                CheckFits(f, column->KeyList()[i]);
                f->SetText(column->KeyList()[i]);
            }
        } else {
            CheckFits(f, text);
            f->SetText(text);
        }
    } catch (const std::exception& e) {
        ValueError(QString::fromUtf8(e.what()));
    }
}
