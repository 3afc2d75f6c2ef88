// Undo and redo restore the report exactly: the saved template is compared byte for byte.
#include "designerfixture.h"

#include "report/rpCtrls.h"
#include "report/rpSubReportView.h"

#include <QLineEdit>
#include <functional>

using namespace destest;

namespace {

class UndoTest : public DesignerTest {
protected:
    // A page with bands, text, a line and a sub-report, as the designer leaves them once drawn.
    void Sample()
    {
        Band(btPageHeader, 40, 60)->FrameWidth = 1;
        Band(btMasterData, 140, 40)->FrameWidth = 1;
        TrpMemoView* title = Memo(20, 50, 200, 20, QStringLiteral("Title"));
        title->Font.SetSize(14);
        title->FrameTyp = frAll;
        Memo(20, 150, 100, 18, QStringLiteral("[Field]"));
        Memo(130, 150, 100, 18, QStringLiteral("Second"))->Adjust = adCenter;
        Line(20, 190, 300, 0);
        auto* sub = new TrpSubReportView;
        sub->SetBounds(400, 150, 100, 20);
        sub->FrameWidth = 1;
        sub->CreateUniqueName();
        objects().append(sub);
        form->RedrawPage();
    }
    TrpView* At(int i) { return objects()[i]; }
};

} // namespace

TEST_F(UndoTest, EveryEditUndoneGivesBackTheTemplateAndRedoneTheEditedOne)
{
    Sample();
    const QByteArray original = Saved();
    TrpTBButton* frameAll = form->FrB5;
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"keyboard move", [&] { Select({At(2), At(3)}); form->FormKeyDown(Qt::Key_Right, Qt::ControlModifier); }},
        {"keyboard size", [&] { Select({At(4)}); form->FormKeyDown(Qt::Key_Down, Qt::ShiftModifier); }},
        {"mouse move", [&] { Select({At(3)}); Drag(40, 160, 70, 200); }},
        {"mouse resize", [&] { Select({At(4)}); Hover(230, 168); Drag(230, 168, 250, 180); }},
        {"frame style", [&] { Select({At(3), At(4)}); form->DoClick(frameAll); }},
        {"frame width", [&] { Select({At(2)}); form->E1->setText("2,5"); form->DoClick(form->E1); }},
        {"inspector", [&] { Select({At(5)}); form->OnModify(1, QStringLiteral("10+5")); }},
        {"rename", [&] { Select({At(5)}); form->OnModify(0, QStringLiteral("RuleLine")); }},
        {"align", [&] { Select({At(2), At(3), At(4)}); form->AlignClick(1); }},
        {"fit to grid", [&] { form->GridSize = 8; Select({At(4)}); form->GB3Click(); }},
        {"bring to front", [&] { Select({At(2)}); form->ZB1Click(); }},
        {"send to back", [&] { Select({At(objects().size() - 1)}); form->ZB2Click(); }},
        {"cut", [&] { Select({At(3)}); form->CutBClick(); }},
        {"paste", [&] { form->PstBClick(); }},
        {"copy and paste", [&] { Select({At(0), At(4)}); form->CopyBClick(); form->PstBClick(); }},
        {"insert", [&] { form->ObjectButtonDown(form->OB2, false); Drag(300, 400, 400, 430); }},
        {"line", [&] { form->ObjectButtonDown(form->OB6, false); Drag(50, 500, 250, 500); form->PressArrowTool(); }},
        {"delete", [&] { Select({At(1), At(5)}); form->DeleteObjects(); }},
        {"delete band", [&] { Select({At(0)}); form->FormKeyDown(Qt::Key_Delete, Qt::NoModifier); }},
    };
    int steps = 0;
    for (const auto& [name, edit] : edits) {
        const int before = form->UndoBufferLength;
        edit();
        EXPECT_GT(form->UndoBufferLength, before) << name;
        EXPECT_EQ(form->RedoBufferLength, 0) << name;
        steps = form->UndoBufferLength;
    }
    const QByteArray edited = Saved();
    ASSERT_NE(edited, original);
    EXPECT_TRUE(form->FileModified);

    for (int i = 0; i < steps; ++i)
        form->Undo(form->UndoBuffer);
    EXPECT_EQ(form->UndoBufferLength, 0);
    EXPECT_EQ(form->RedoBufferLength, steps);
    EXPECT_FALSE(form->UndoB->isEnabled());
    EXPECT_EQ(SelectedCount, 0);
    EXPECT_EQ(Saved(), original);

    for (int i = 0; i < steps; ++i)
        form->Undo(form->RedoBuffer);
    EXPECT_EQ(Saved(), edited);
    EXPECT_FALSE(form->RedoB->isEnabled());
}

TEST_F(UndoTest, HistoryKeepsTheLastHundredSteps)
{
    TrpView* m = Memo(100, 100, 50, 20);
    Select({m});
    for (int i = 0; i < 101; ++i)
        form->MoveObjects(1, 0, false);
    EXPECT_EQ(form->UndoBufferLength, rpUndoDepth);
    for (int i = 0; i < 101; ++i)
        form->Undo(form->UndoBuffer);
    EXPECT_EQ(At(0)->x, 101) << "the first step can no longer be undone";
}

TEST_F(UndoTest, CutUndoneRestoresPlacesAndIdsAndRedoCutsAgain)
{
    Sample();
    const int id = At(3)->ID;
    const QString name = At(3)->Name;
    Select({At(3)});
    form->CutBClick();
    EXPECT_EQ(objects().size(), 6);
    form->Undo(form->UndoBuffer);
    EXPECT_EQ(At(3)->ID, id);
    EXPECT_EQ(At(3)->Name, name);
    form->Undo(form->RedoBuffer);
    EXPECT_EQ(page->FindObjectByID(id), -1);
}

TEST_F(UndoTest, ZOrderUndoRestoresTheWholeOrder)
{
    Sample();
    QList<TrpView*> order = objects();
    Select({At(2), At(4)});
    form->ZB1Click();
    EXPECT_NE(objects(), order);
    form->Undo(form->UndoBuffer);
    EXPECT_EQ(objects(), order);
}

TEST_F(UndoTest, ARecordWaitsForItsPageAndANewChangeEmptiesRedo)
{
    report->Pages->Add();
    TrpView* m = Memo(100, 100, 50, 20);
    Select({m});
    form->MoveObjects(5, 0, false);
    form->SetCurPage(1);
    form->Undo(form->UndoBuffer);
    EXPECT_EQ(form->UndoBufferLength, 1) << "not applied on another page";
    form->SetCurPage(0);
    form->Undo(form->UndoBuffer);
    EXPECT_EQ(m->x, 100);
    EXPECT_EQ(form->RedoBufferLength, 1);
    Select({m});
    form->MoveObjects(0, 5, false);
    EXPECT_EQ(form->RedoBufferLength, 0);
    EXPECT_FALSE(form->N48->isEnabled());
}
