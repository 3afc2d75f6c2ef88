#pragma once
// The journal's views: the view query built from the filter (and, after an insert, limited to the newest
// identifiers), the named views with their captions, and the norm look-up the cell look needs. Shared by
// both journal variants; it holds no widgets.
#include "journal/Filter.h"

#include <QString>

class TADOQuery;
class TDBInfoPribors;

class TJournalView {
public:
    // Captions of the view-name panel.
    static const QString kCaptionAll;    // "вся база"
    static const QString kCaptionToday;  // "измерения, сделанные сегодня"
    static const QString kCaptionFilter; // "фильтр: " before the filter's description

    void Bind(TADOQuery* query, TDBInfoPribors* info)
    {
        Query = query;
        Info = info;
    }

    // Runs the view; with maxId 0 or more only the identifiers maxId - window .. maxId that pass the filter.
    void Refresh(int maxId);
    // The named views: each runs on the whole table, stands on its last row and gives its caption.
    QString ShowAll();
    QString ShowToday();
    QString ShowFilter(const TFilter& filter);

    TFilter& Filter() { return Filter_; }
    const TFilter& Filter() const { return Filter_; }
    void ClearFilter() { ::ClearFilter(Filter_); }

    // The number of identifiers below the newest one that a view after an insert shows.
    int IdentWindow = 10;

    // The instrument's norm for a row, cached for the rows the painter asks for one after another.
    double Norma(int serial, const QString& date);

private:
    QString showWhole(const QString& caption);
    // The view's statement for the filter, limited to an identifier window or not; the filter gets its
    // description.
    static QString statement(bool window, TFilter& filter, TViewConditions& used);

    TADOQuery* Query = nullptr;
    TDBInfoPribors* Info = nullptr;
    TFilter Filter_;
    int normaSerial_ = -1;
    QString normaDate_;
    double normaValue_ = 0;
};
