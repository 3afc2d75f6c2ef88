#pragma once
// "GRIDBIF" import: values are placed by position, the header's column names and visible bytes are read
// but steer nothing. Unassigned values (tag 1, unknown tags) leave the field as it is; null clears it.
#include "grid/DBGridExImport.h"
#include <QVariant>
#include <vector>

class TDBGridExImportAsGRIDBIF : public TDBGridExImport {
public:
    static std::unique_ptr<TDBGridExImport> Create() { return std::make_unique<TDBGridExImportAsGRIDBIF>(); }
    void ImportFromStream(QIODevice& stream, bool loadToAll) override;

protected:
    void Validate() override;
    void ReadPrefix() override;
    void ReadRecord(const TColumnsExList& columns) override;
    void ReadDataCell(TColumnEx* column) override;
    void ReadValue();

    quint32 ColumnCount = 0;
    bool Assigned = false;  // the current value is not unassigned
    QVariant Value;
    struct ColumnDesc {
        QByteArray Name;
        bool Visible;
    };
    std::vector<ColumnDesc> Descriptions;
    bool AnyVisible = false;
};
