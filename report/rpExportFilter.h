#pragma once
// Base of the filters that turn prepared pages into another file format. The calling order is
// OnBeginDoc, then per page OnBeginPage, the page's data and texts, OnEndPage, and last OnEndDoc.
#include <QIODevice>
#include <QList>
#include <QString>

class TrpView;

// One piece of text of a line chain; the filter owns the nodes.
struct TrpTextNode {
    int X = 0;
    int Y = 0;
    QString Text;
    TrpView* View = nullptr;
    TrpTextNode* Next = nullptr;
};

class TrpExportFilter {
public:
    // The stream is the caller's and stays open after the filter.
    explicit TrpExportFilter(QIODevice* stream);
    virtual ~TrpExportFilter();
    TrpExportFilter(const TrpExportFilter&) = delete;
    TrpExportFilter& operator=(const TrpExportFilter&) = delete;

    virtual void OnBeginDoc() {}
    virtual void OnEndDoc() {}
    virtual void OnBeginPage() {}
    virtual void OnEndPage() {}
    virtual void OnData(int x, int y, TrpView* view);
    virtual void OnText(int x, int y, const QString& text, TrpView* view);

    // Frees every node of every chain, then empties Lines.
    void ClearLines();

    QIODevice* Stream;
    QList<TrpTextNode*> Lines; // heads of the chains
};
