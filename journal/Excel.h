#pragma once
// TExcel: the spreadsheet client of the consolidated report. It starts the spreadsheet application (the
// in-process workbook layer), opens the report template, writes cells of the first worksheet, saves the
// workbook under a new name, closes it and ends the application. Every operation answers true or false;
// nothing is thrown and nothing is shown.
#include <QString>
#include <QVariant>

#include <memory>

namespace xls { class XlsApplication; }

class TExcel {
public:
    TExcel();
    ~TExcel();
    TExcel(const TExcel&) = delete;
    TExcel& operator=(const TExcel&) = delete;

    // Starts the application, replacing one already held.
    bool Create();
    // Opens a workbook; it becomes the active one.
    bool OpenWorkbook(const QString& fileName);
    // A cell of the active workbook's first worksheet, row and column from 1: text as text, any other
    // value as a number.
    bool SetCell(int row, int col, const QVariant& value);
    // Saves the first open workbook under the name.
    bool SaveAs(const QString& fileName);
    // Closes the first open workbook without saving it.
    bool CloseWorkbook();
    // Ends the application; with none started it does nothing and succeeds.
    bool Quit();

    bool Started() const { return App != nullptr; }
    // Why the last failed operation failed (for the caller's log).
    QString LastError() const { return Error; }

private:
    std::unique_ptr<xls::XlsApplication> App;
    QString Error;
};
