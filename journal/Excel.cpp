#include "journal/Excel.h"

#include "platform/xls/XlsApplication.h"

#include <exception>

namespace {

// Runs an operation, turning anything thrown into a false result.
template <class F> bool guarded(QString& error, F&& op)
{
    try {
        error.clear();
        return op();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        error = QStringLiteral("unknown error");
    }
    return false;
}

} // namespace

TExcel::TExcel() = default;

TExcel::~TExcel()
{
    Quit();
}

bool TExcel::Create()
{
    return guarded(Error, [&] {
        App = std::make_unique<xls::XlsApplication>();
        return true;
    });
}

bool TExcel::OpenWorkbook(const QString& fileName)
{
    return guarded(Error, [&] {
        if (!App) {
            Error = QStringLiteral("the spreadsheet application is not started");
            return false;
        }
        return App->Open(fileName, &Error);
    });
}

bool TExcel::SetCell(int row, int col, const QVariant& value)
{
    return guarded(Error, [&] {
        xls::XlsWorkbook* book = App ? App->ActiveWorkbook() : nullptr;
        if (!book) {
            Error = QStringLiteral("no workbook is open");
            return false;
        }
        if (value.typeId() == QMetaType::QString)
            return book->SetText(row - 1, col - 1, value.toString());
        bool ok = false;
        const double number = value.toDouble(&ok);
        return ok && book->SetNumber(row - 1, col - 1, number);
    });
}

bool TExcel::SaveAs(const QString& fileName)
{
    return guarded(Error, [&] {
        xls::XlsWorkbook* book = App ? App->Workbook(1) : nullptr;
        if (!book) {
            Error = QStringLiteral("no workbook is open");
            return false;
        }
        return book->Save(fileName, &Error);
    });
}

bool TExcel::CloseWorkbook()
{
    return guarded(Error, [&] { return App && App->Close(1); });
}

bool TExcel::Quit()
{
    return guarded(Error, [&] {
        App.reset();
        return true;
    });
}
