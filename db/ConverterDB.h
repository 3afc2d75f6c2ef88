#pragma once
// The journal table converter: what it knows of the journal table's generations. It works on the main
// window's database objects, which the main window hands to it right after creating it.
#include <QString>

class TADOConnection;
class TADOQuery;

class TfmConverterDB {
public:
    TfmConverterDB() = default;
    TfmConverterDB(const TfmConverterDB&) = delete;
    TfmConverterDB& operator=(const TfmConverterDB&) = delete;

    // The generation (1..7) of WorkDir/DATABASE/Base.DBF, by its column names as the journal query gives
    // them; 0 when the file is missing, its columns match no generation or it cannot be read.
    int DetectFormat();

    // A copy of the text with every ':' replaced by '.', for a date inside a file name.
    static QString ReplaceColons(const QString& text);

    bool Cancel = false;
    QString WorkDir;
    TADOQuery* ADOQuery = nullptr;        // the main window's journal query, not owned
    TADOQuery* ADOQueryP = nullptr;       // the main window's look-up query, not owned
    TADOConnection* ADOConnection = nullptr;  // the main window's connection, not owned
};
