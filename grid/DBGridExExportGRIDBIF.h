#pragma once
// The grid's own interchange stream "GRIDBIF": a header with the column count and one visible byte and
// name per column, then tagged values row after row, then an end byte. Titles and footers are not written.
#include "grid/DBGridExExport.h"

class TDBGridExExportAsGRIDBIF : public TDBGridExExport {
public:
    static std::unique_ptr<TDBGridExExport> Create() { return std::make_unique<TDBGridExExportAsGRIDBIF>(); }

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteDataCell(TColumnEx* column, TColCellParamsEx& params) override;

private:
    void putU32(quint32 v);
};

// Value tags of the stream.
enum TGridBifTag : unsigned char {
    gbtEnd = 0, gbtUnassigned = 1, gbtNull = 2, gbtInteger = 3, gbtFloat = 4, gbtString = 5, gbtBinary = 6
};
