#include "report/designer/rpDesignerState.h"

#include "report/rpView.h"

int SelectedCount = 0;
TrpView* ReferenceView = nullptr;
bool GroupFrame = false;
bool StickyInsert = false;
gfx::TRect OldRect;
gfx::TRect OldRect1;
bool FirstMove = false;
bool PositionOnly = false;
TrpLastStyle LastStyle;
QList<TrpView*> PasteList;

void rpClearPasteList()
{
    qDeleteAll(PasteList);
    PasteList.clear();
}
