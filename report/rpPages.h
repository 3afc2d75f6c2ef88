#pragma once
// The report's design pages in order, and the pages body of the template stream.
#include <QIODevice>
#include <QList>

class TrpPage;
class TrpReport;

class TrpPages {
public:
    explicit TrpPages(TrpReport* report);
    ~TrpPages();
    TrpPages(const TrpPages&) = delete;
    TrpPages& operator=(const TrpPages&) = delete;

    int Count() const { return int(pages_.size()); }
    TrpPage* Pages(int i) const { return pages_[i]; }
    // A new page of paper code 9 (A4), portrait, fitted to the printer.
    TrpPage* Add();
    void Delete(int i);
    void Clear();

    // Raises on a damaged body; what was read stays (the report replaces it).
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream) const;

private:
    TrpReport* report_;
    QList<TrpPage*> pages_;
};
