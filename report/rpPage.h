#pragma once
// A design page: its paper and margins, its objects in z-order, and its stored page record. Page
// formation (runtime bands, building) is added by the report building.
#include "platform/graphics/Geometry.h"
#include "report/rpBandType.h"
#include "report/rpPrinter.h"

#include <QIODevice>
#include <QList>
#include <QString>
#include <memory>

class TrpView;
class TrpBand;

class TrpPage {
public:
    // Fits the page to the printer at once (ChangePaper).
    TrpPage(int size, int width, int height, int orientation);
    virtual ~TrpPage();
    TrpPage(const TrpPage&) = delete;
    TrpPage& operator=(const TrpPage&) = delete;

    // Hands the paper to Prn and takes back what it chose, with its geometry.
    void ChangePaper(int size, int width, int height, int orientation);
    int TopMargin() const;
    int LeftMargin() const;
    int RightMargin() const;
    int BottomMargin() const;

    int Count() const { return int(Objects.size()); }
    void Clear();
    void Delete(int index);
    int FindObjectByID(int id) const;
    // Names compared ignoring case.
    TrpView* FindObject(const QString& name) const;
    TrpView* FindRTObject(const QString& name) const;

    // The page record of the template stream (the 6 extra bytes of versions 21 and 22 are skipped).
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream) const;

    qint32 pgSize = 9;
    qint32 pgWidth = 0;
    qint32 pgHeight = 0;
    gfx::TRect pgMargins;
    quint8 pgOr = 0;
    bool PrintToPrevPage = false;
    bool UseMargins = true;
    qint32 ColCount = 1;
    qint32 ColWidth = 0;
    qint32 ColGap = 0;
    TrpPrnInfo PrnInfo;

    QList<TrpView*> Objects;    // owned
    QList<TrpView*> RunObjects; // runtime copies made by the building; the page frees any left
    // First runtime band of each type (filled by the building).
    TrpBand* BandsByType[rpBandTypeCount] = {};
    bool SkipInBuild = false;
    int ColumnIndex = 0;
    int ColumnTopY = 0;
    int ColumnX = 0;
    int CrossColumn = 1;
    int RecordCount = 0;
    int CurrentY = 0;
    int BottomLimitY = 0;
};
