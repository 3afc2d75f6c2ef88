#pragma once
// A designer window (hidden) on a report of one A4 page, with helpers to place views and to drive the
// design surface as the mouse would.
#include "report/designer/rpDesignerForm.h"
#include "report/designer/rpDesignerPage.h"
#include "report/rpBandView.h"
#include "report/rpLineView.h"
#include "report/rpMemoView.h"
#include "report/rpPage.h"
#include "report/rpPages.h"
#include "report/rpReport.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace destest {

class DesignerTest : public ::testing::Test {
protected:
    DesignerTest();
    ~DesignerTest() override;

    TrpMemoView* Memo(int x, int y, int w, int h, const QString& text = QString());
    TrpBandView* Band(int type, int y, int h);
    TrpLineView* Line(int x, int y, int w, int h);
    // Selects exactly these views (as clicks would) and refreshes the group state.
    void Select(std::initializer_list<TrpView*> views);
    QByteArray Saved();
    // Shows the report in the designer (FormShow).
    void Show();

    // Mouse: press, moves in steps to the end point, release.
    void Drag(int x0, int y0, int x1, int y1, Qt::KeyboardModifiers mods = Qt::NoModifier, int steps = 1);
    void Click(int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void Hover(int x, int y);

    QList<TrpView*>& objects() { return page->Objects; }

    QTemporaryDir dir;
    std::unique_ptr<TrpReport> report;
    TrpPage* page = nullptr;
    std::unique_ptr<TrpDesignerForm> form;
    TrpDesignerPage* surface = nullptr;
};

} // namespace destest
