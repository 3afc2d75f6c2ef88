#pragma once
// The common report object: fields, geometry for screen and paper, background and frame drawing,
// its stream records (design and prepared), unique naming.
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "report/rpGlobals.h"

#include <QIODevice>
#include <QRegion>
#include <QString>
#include <QStringList>

namespace gfx {
class TCanvas;
}
class TDataSet;
class TField;

enum TrpStreamMode : quint8 { smDesigning = 0, smPrinting = 1 };
enum TrpRgnType { rtNormal, rtExtended };

// Frame line bits of FrameTyp.
enum : quint16 { frRight = 1, frBottom = 2, frLeft = 4, frTop = 8, frAll = 15 };
constexpr int rpDoubleFrame = 5;

class TrpView {
public:
    TrpView();
    virtual ~TrpView();
    TrpView(const TrpView&) = delete;
    TrpView& operator=(const TrpView&) = delete;

    virtual QString ClassName() const { return QStringLiteral("TrpView"); }

    // Copies the design fields (not the ID).
    virtual void Assign(const TrpView& from);
    void SetBounds(int left, int top, int width, int height);
    // BaseName + 1, 2, ... : the first that no object of CurReport carries; empty after 10000 tries.
    void CreateUniqueName();

    virtual void CalcGaps();
    virtual void RestoreCoord();
    virtual void ShowBackGround();
    virtual void ShowFrame();
    void BeginDraw(gfx::TCanvas* canvas);
    virtual void Draw(gfx::TCanvas* canvas) = 0;
    virtual void GetBlob(TField* field);
    virtual void OnHook(TrpView* view);
    virtual void Resized();
    // The object's record in a prepared page.
    virtual void Print(QIODevice& stream);
    virtual void ExportData();
    virtual void LoadFromStream(QIODevice& stream);
    virtual void SaveToStream(QIODevice& stream);
    virtual QRegion GetClipRgn(TrpRgnType rgnType);

    // Geometry saved by CalcGaps.
    int SaveX = 0, SaveY = 0, SaveDX = 0, SaveDY = 0;
    double SaveFW = 0;

    QString BaseName = QStringLiteral("View");
    gfx::TCanvas* Canvas = nullptr;
    gfx::TRect DRect;
    int GapX = 0;
    int GapY = 0;
    QStringList Memo1;
    TDataSet* DataSet = nullptr;
    QString Field;
    TrpStreamMode StreamMode = smDesigning;
    TrpBand* Parent = nullptr;
    QString Name;
    int ID = 0;
    quint8 Typ = 0;
    bool Selected = false;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    int OffsX = 0;
    int OffsY = 0;
    bool IsPrinting = false;
    int x = 0, y = 0, dx = 0, dy = 0;
    quint16 Flags = 1;
    quint16 FrameTyp = 0;
    double FrameWidth = 1.0;
    gfx::TColor FrameColor = gfx::clBlack;
    quint16 FrameStyle = 0;
    gfx::TColor FillColor = gfx::clNone;
    qint32 Format = 0;
    QString FormatStr;
    bool Visible = true;
    QStringList Memo;
    QStringList Script;

protected:
    // Right and bottom edges at the current scale, from the saved geometry.
    int ScaledRight() const;
    int ScaledBottom() const;
    void DrawFrameLine(int x1, int y1, int x2, int y2, bool vertical);
};

// Objects whose height follows their content.
enum TrpDrawMode { drAll, drCalcHeight, drAfterCalcHeight, drPart };

class TrpStretcheable : public TrpView {
public:
    virtual int CalcHeight() = 0;
    virtual int MinHeight() = 0;
    virtual int RemainHeight() = 0;
    TrpDrawMode DrawMode = drAll;
};

// Stream form of FrameWidth: whole widths up to 10 as points, any other as thousandths.
qint32 rpFrameWidthToStream(double width);
double rpFrameWidthFromStream(qint32 stored);
