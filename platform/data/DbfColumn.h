#pragma once
// One field descriptor of a dBASE table: name (at most 10 ASCII characters), type letter, width,
// decimals, and where its bytes start in a record (after the deletion flag at 0).
#include <QString>

namespace dbf {

struct Column {
    QString name;
    char type = 'C';  // C text, N/F number, M memo, L logical, D date
    int length = 0;
    int decimals = 0;
    int offset = 0;

    bool isNumeric() const { return type == 'N' || type == 'F'; }
    bool isMemo() const { return type == 'M'; }
};

} // namespace dbf
