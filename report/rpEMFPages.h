#pragma once
// Prepared pages: per output sheet its paper and the stream of objects placed on it, turned back into
// objects to draw or export, and saved and loaded as a prepared report file.
#include "platform/graphics/Geometry.h"
#include "report/rpPrinter.h"

#include <QBuffer>
#include <QIODevice>
#include <memory>
#include <vector>

namespace gfx {
class TCanvas;
}
class TrpPage;
class TrpReport;

struct TrpPageInfo {
    gfx::TRect r; // place in the preview
    quint16 pgSize = 0;
    qint32 pgWidth = 0;
    qint32 pgHeight = 0;
    quint8 pgOr = 0;
    bool pgMargins = false;
    TrpPrnInfo PrnInfo;
    bool Visible = true;
    std::unique_ptr<QBuffer> Stream; // the page's object stream; records are appended at its end
    std::unique_ptr<TrpPage> Page;   // its objects, made from Stream on demand

    TrpPageInfo();
    ~TrpPageInfo();
};

// Compression of prepared pages: reserved in the file form, off in this system.
class TrpCompressor {
public:
    bool Enabled = false;
    void Compress(QIODevice& source, QIODevice& dest) { (void)source; (void)dest; }
    void DeCompress(QIODevice& source, QIODevice& dest) { (void)source; (void)dest; }
};

class TrpEMFPages {
public:
    explicit TrpEMFPages(TrpReport* report);
    ~TrpEMFPages();
    TrpEMFPages(const TrpEMFPages&) = delete;
    TrpEMFPages& operator=(const TrpEMFPages&) = delete;

    int Count() const { return int(pages_.size()); }
    TrpPageInfo& Pages(int i) { return *pages_[i]; }
    void Clear();
    void Delete(int i);
    // A new record at index (appended past the end) with the paper of the design page.
    void Insert(int index, TrpPage* page);
    // Insert at the end, then OnBeginPage (PageNo) of CurReport (and of MasterReport when another).
    void Add(TrpPage* page);
    void ObjectsToPage(int i);
    void PageToObjects(int i);
    void Draw(int i, gfx::TCanvas* canvas, const gfx::TRect& drawRect);
    void ExportData(int i);

    // The prepared report file; loading also reads the older form (a vector picture per page).
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream);

    // Objects made from page streams so far (for checking that a page is made once).
    int ObjectsMade = 0;

private:
    void LoadOldForm(QIODevice& stream);
    TrpReport* report_;
    std::vector<std::unique_ptr<TrpPageInfo>> pages_;
};
