#pragma once
// The selection state of the one designer of the program, shared by its design surface and its window,
// the style that new objects receive, and the designer's private clipboard.
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

#include <QList>
#include <QString>

class TrpView;

enum TrpShapeMode { smFrame = 0, smAll = 1 };

// Selected objects of the current page.
extern int SelectedCount;
// The object last clicked while it alone was selected; null when nothing is.
extern TrpView* ReferenceView;
// The group rectangle (OldRect) is valid: more than one object is selected.
extern bool GroupFrame;
// After an insertion the insert tool stays active.
extern bool StickyInsert;
// The rectangle being drawn or the group rectangle; OldRect1 its copy at the start of a drag.
extern gfx::TRect OldRect;
extern gfx::TRect OldRect1;
// Set by a press; the first real move records the undo step.
extern bool FirstMove;
// The position box shows the rectangle being drawn rather than the selected object.
extern bool PositionOnly;

// What new objects take: updated by the style controls.
struct TrpLastStyle {
    QString FontName;
    int FontSize = 10;
    gfx::TColor FontColor = gfx::clBlack;
    quint16 FontStyle = 0;
    qint32 Adjust = 0;
    double FrameWidth = 1.0;
    double LineWidth = 2.0;
    quint16 FrameTyp = 0;
    gfx::TColor FrameColor = gfx::clBlack;
    gfx::TColor FillColor = gfx::clNone;
};
extern TrpLastStyle LastStyle;

// Copies of the views last copied or cut (owned); it outlives the report, so views can be pasted into another.
extern QList<TrpView*> PasteList;
void rpClearPasteList();

// The base of the names of new bands of a type: its name without blanks ("MasterData").
QString rpBandBaseName(int bandType);
