#pragma once
// Operators store: names with passwords, kept in memory and in VELT.dat of the work folder.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
// One operator, the same in memory and in the file. Text fields are cp1251, ended by a zero byte
// when shorter than the field; nothing is ever read past a field's 16 bytes.
struct TOperatorRec {
    char Name[16];
    char Password[16];
    uint8_t Deleted; // 0 for a live operator
};
#pragma pack(pop)
static_assert(sizeof(TOperatorRec) == 33);

class TProgParam {
public:
    // The longest name or password a field holds, its terminating zero aside.
    static constexpr int MaxTextLength = 15;

    TProgParam();
    ~TProgParam();

    // 0 when loaded, -1 on failure (after a message).
    int LoadFromFile(const QString& path);
    // 0 when written, -1 on failure (after a message). A file that exists but could not be loaded is
    // never replaced: the store would hold none of its operators.
    int SaveToFile(const QString& path);

    // 0 added; -1 the name is taken (deleted records included); -4 refused: longer than 15 bytes or holding characters the file's code page has not.
    int AddOper(const QString& name, const QString& password);
    // 0 deleted; -1 no live operator of that name; -2 wrong password; -3 the user declined.
    int DelOper(const QString& name, const QString& password);
    // Drops the records marked deleted, keeping the order of the others.
    void Compact();
    // Names of the live operators in record order.
    QStringList GetOperList() const;
    // 0 match; -1 no live operator of that name; -2 wrong password.
    int CheckOper(const QString& name, const QString& password) const;

    int Count() const { return int(records_.size()); }
    const TOperatorRec& Record(int i) const { return records_.at(size_t(i)); }

private:
    int findLive(const QByteArray& name) const;

    std::vector<TOperatorRec> records_;
    int32_t trailer1_ = 10;
    int32_t trailer2_ = 11;
    // Path of a file that exists but failed to load; it must not be overwritten.
    QString unreadable_;
};
