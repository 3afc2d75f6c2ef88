#pragma once
// Tab-separated text import: cells separated by TAB, lines by CR LF; a CR without LF is a format error.
// Extra cells of a line are dropped; a key pick-list column takes the key of the pick-list text.
#include "grid/DBGridExImport.h"

enum TImportTextSreamState { itssChar, itssTab, itssNewLine, itssEof };

class TDBGridExImportAsText : public TDBGridExImport {
public:
    static std::unique_ptr<TDBGridExImport> Create() { return std::make_unique<TDBGridExImportAsText>(); }

protected:
    void Validate() override;
    void ReadPrefix() override;
    void ReadRecord(const TColumnsExList& columns) override;
    void ReadDataCell(TColumnEx* column) override;

    bool GetChar() { return GetByte(CurChar); }
    void CheckState();
    void GetString();

    char CurChar = 0;
    TImportTextSreamState StreamState = itssEof;
    QByteArray CellText;
};
