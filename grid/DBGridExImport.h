#pragma once
// Reading rows into a grid's data set: the base importer places the imported rows by the grid's selection
// (selected rows, a rectangle, columns, everything, or from the current cell on), inserting rows when the
// data set is inserting. The whole input is read and checked first, so damaged input is refused before
// any value is written. A value that cannot be stored asks Yes (go on), No (stop) or All (stop asking).
#include "grid/DBGridExTypes.h"
#include <QByteArray>
#include <QString>
#include <memory>

class QIODevice;
class TCustomDBGridEx;
class TColumnEx;
class TField;

class TDBGridExImport {
public:
    TDBGridExImport();
    virtual ~TDBGridExImport();
    TDBGridExImport(const TDBGridExImport&) = delete;
    TDBGridExImport& operator=(const TDBGridExImport&) = delete;

    static std::unique_ptr<TDBGridExImport> Create() { return std::make_unique<TDBGridExImport>(); }

    TCustomDBGridEx* DBGridEx = nullptr;
    // Texts are UTF-8 instead of the ANSI code page (the desktop clipboard's formats).
    bool Utf8Text = false;

    virtual void ImportFromStream(QIODevice& stream, bool loadToAll);
    void ImportFromFile(const QString& fileName, bool loadToAll);

protected:
    // Checks the whole input before anything is written; raises the format's error.
    virtual void Validate() {}
    virtual void ReadPrefix() {}
    virtual void ReadSuffix() {}
    virtual void ReadRecord(const TColumnsExList& columns);
    virtual void ReadDataCell(TColumnEx* column) { (void)column; }

    // The input, read whole.
    const QByteArray& Data() const { return data_; }
    bool GetByte(char& c)
    {
        if (pos_ >= data_.size())
            return false;
        c = data_[pos_++];
        return true;
    }
    bool ReadBytes(char* dst, qsizetype n);
    QString Decode(const QByteArray& bytes) const;

    // Asks about a value that could not be stored; raises the silent abort on No, and asks no more after
    // All until the next import.
    void ValueError(const QString& message);
    // Raises for a value longer than the text field it goes to (the field would keep it cut), naming the
    // input's row and column.
    void CheckFits(const TField* field, const QVariant& value) const;

    TColumnsExList ImpCols;
    bool Eof = false;
    bool IgnoreAll = false;
    // The input's row being read and the cell of it (both from 1).
    int ImportRow = 0;
    int ImportCol = 0;

private:
    void insertRows(bool append);
    QByteArray data_;
    qsizetype pos_ = 0;
};

// The field a column's value goes to, its data set put in edit state; null when the column or its data set
// cannot take a value now.
TField* DBGridExEditField(TColumnEx* column);

using TDBGridExImportClass = std::unique_ptr<TDBGridExImport> (*)();

void ReadDBGridExFromImportStream(TDBGridExImportClass importClass, TCustomDBGridEx* grid, QIODevice& stream,
                                  bool loadToAll);
void LoadDBGridExFromImportFile(TDBGridExImportClass importClass, TCustomDBGridEx* grid, const QString& fileName,
                                bool loadToAll);
