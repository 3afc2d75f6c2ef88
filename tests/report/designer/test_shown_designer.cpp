// The designer window as an author meets it: shown, with keys typed to whatever control has the focus,
// the mouse on the page and on the tool bars, closed by every way there is, and started again.
#include "designerfixture.h"

#include "common/testutil.h"
#include "platform/controls/MessageBox.h"
#include "report/designer/rpDock.h"
#include "report/designer/rpInspForm.h"
#include "report/rpCtrls.h"
#include "platform/graphics/Bitmap.h"
#include "report/rpPictureView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QWindow>
#include <cstdio>

using namespace destest;

namespace {

class ShownDesignerTest : public DesignerTest {
protected:
    ShownDesignerTest() { ShowWindow(); }
    ~ShownDesignerTest() override
    {
        if (form)
            form->hide();
    }

    void ShowWindow()
    {
        form->resize(1000, 720);
        form->move(200, 150);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(testutil::PumpUntil([this] { return form->isActiveWindow(); }, 30000));
    }

    // Keys go where the user's keys go: to the control that has the focus.
    static QWidget* Focused()
    {
        QWidget* w = QApplication::focusWidget();
        EXPECT_NE(w, nullptr) << "no control has the focus";
        return w ? w : QApplication::activeWindow();
    }
    static void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(Focused(), key, mods); }

    // A click on the page where the view lies.
    void ClickOn(TrpView* v)
    {
        const QPoint at(v->x + v->dx / 2, v->y + v->dy / 2);
        QTest::mouseMove(surface, at);
        QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, at);
    }

    ctl::TScriptedMessageBoxPort boxes;
};

} // namespace

TEST_F(ShownDesignerTest, ArrowKeysActOnTheSelectionWhateverControlHasTheFocus)
{
    // Each case starts from the left view selected, with the focus on one of the window's controls.
    const struct {
        const char* holder;
        std::function<QWidget*(TrpDesignerForm&)> focus;
    } holders[] = {
        {"as shown", [](TrpDesignerForm&) { return nullptr; }},
        {"page tabs", [](TrpDesignerForm& f) { return f.Tab1; }},
        {"scroll box", [](TrpDesignerForm& f) { return f.ScrollBox1; }},
        {"font name", [](TrpDesignerForm& f) { return f.C2; }},
    };
    TrpView* left = Memo(100, 100, 80, 20, "left");
    TrpView* right = Memo(300, 100, 80, 20, "right");
    form->RedrawPage();
    for (const auto& h : holders) {
        SCOPED_TRACE(h.holder);
        left->SetBounds(100, 100, 80, 20);
        ClickOn(left);
        ASSERT_TRUE(left->Selected);
        if (QWidget* w = h.focus(*form)) {
            w->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(testutil::PumpUntil([w] { return QApplication::focusWidget() == w; }, 30000));
        }
        const int scrolled = form->ScrollBox1->verticalScrollBar()->value();
        Key(Qt::Key_Right, Qt::ControlModifier);
        Key(Qt::Key_Right, Qt::ControlModifier);
        EXPECT_EQ(left->x, 102) << "Ctrl+Right moves by a pixel";
        Key(Qt::Key_Down, Qt::ShiftModifier);
        EXPECT_EQ(left->dy, 21) << "Shift+Down grows by a pixel";
        EXPECT_EQ(form->ScrollBox1->verticalScrollBar()->value(), scrolled) << "the page did not scroll";
        EXPECT_EQ(form->Tab1->currentIndex(), 0);
        Key(Qt::Key_Right);
        EXPECT_TRUE(right->Selected) << "Right selects the next view to the right";
        EXPECT_FALSE(left->Selected);
        Key(Qt::Key_Left);
        EXPECT_TRUE(left->Selected);
    }
}

TEST_F(ShownDesignerTest, AFrameWidthOrFontSizeTypedAndEnteredIsOneStepToUndo)
{
    auto* m = Memo(100, 100, 80, 20, "text");
    ClickOn(m);
    const int before = form->UndoBufferLength;
    QTest::mouseClick(form->E1, Qt::LeftButton);
    ASSERT_TRUE(testutil::PumpUntil([this] { return QApplication::focusWidget() == form->E1; }, 30000));
    form->E1->selectAll();
    QTest::keyClicks(Focused(), "2,5");
    Key(Qt::Key_Left); // editing keys stay with the field
    Key(Qt::Key_Delete);
    EXPECT_EQ(objects().size(), 1) << "Delete in the field deletes no view";
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(m->FrameWidth, 2.0);
    EXPECT_EQ(form->UndoBufferLength, before + 1);
    EXPECT_NE(QApplication::focusWidget(), form->E1) << "the width applied, the field lets the focus go";

    form->C3->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(testutil::PumpUntil([this] { return QApplication::focusWidget() == form->C3; }, 30000));
    form->C3->lineEdit()->selectAll();
    QTest::keyClicks(Focused(), "14");
    Key(Qt::Key_Return);
    EXPECT_EQ(static_cast<TrpMemoView*>(m)->Font.Size(), 14);
    EXPECT_EQ(form->UndoBufferLength, before + 2);
    // With the focus back on the window the arrows move the view again.
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(m->x, 101);
}

TEST_F(ShownDesignerTest, EscapeNeverClosesAndEveryCloseAsksAboutUnsavedChanges)
{
    auto* m = Memo(100, 100, 80, 20, "text");
    ClickOn(m);
    Key(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_TRUE(form->FileModified);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(boxes.Count(), 0);

    // The title bar's close button, Alt+F4 and the Close button all ask; Cancel keeps the window.
    const std::function<void()> closes[] = {
        [this] { form->windowHandle()->close(); },
        [this] { QTest::mouseClick(form->ExitB, Qt::LeftButton); },
        [this] { form->N10->trigger(); },
    };
    for (const auto& close : closes) {
        boxes.Answer(ctl::IDCANCEL);
        close();
        EXPECT_TRUE(form->isVisible());
    }
    ASSERT_EQ(boxes.Count(), 3);
    for (const auto& asked : boxes.AskedSoFar()) {
        EXPECT_EQ(asked.text, QStringLiteral("Save changes to Untitled?"));
        EXPECT_EQ(asked.buttons(), ctl::MB_YESNOCANCEL);
    }
    // No drops the changes and closes.
    boxes.Answer(ctl::IDNO);
    QTest::mouseClick(form->ExitB, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);

    // Saved work closes without a question.
    ShowWindow();
    form->FileModified = false;
    form->windowHandle()->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(boxes.Count(), 4);
}

TEST_F(ShownDesignerTest, ThePositionBoxFollowsTheDrawnRectangleAndShowsItsTextsWhole)
{
    form->SetUnits(ruMM);
    QTest::mouseClick(form->OB2, Qt::LeftButton);
    ASSERT_TRUE(form->OB2->Down());
    QTest::mouseMove(surface, QPoint(90, 180));
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, QPoint(90, 180));
    QTest::mouseMove(surface, QPoint(270, 360));
    EXPECT_EQ(form->PBox1->Text(0), QStringLiteral("25.00; 50.00"));
    EXPECT_EQ(form->PBox1->Text(1), QStringLiteral("50.00; 50.00"));
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, QPoint(270, 360));

    // A picture shown larger than it is: the scale as well, every text whole and clear of the next.
    auto* picture = new TrpPictureView;
    picture->SetBounds(3600, 3600, 1800, 400);
    const gfx::TBitmap bitmap(1000, 200);
    picture->Picture.SetGraphic(&bitmap);
    picture->CreateUniqueName();
    page->Objects.append(picture);
    Select({picture});
    EXPECT_EQ(form->PBox1->Text(0), QStringLiteral("1000.00; 1000.00"));
    EXPECT_EQ(form->PBox1->Text(2), QStringLiteral("% 180,200"));
    const QFontMetrics fm(form->PBox1->font());
    int end = 0;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QRect r = form->PBox1->TextRect(i);
        EXPECT_GE(r.width(), fm.horizontalAdvance(form->PBox1->Text(i)));
        EXPECT_TRUE(form->PBox1->rect().contains(r));
        EXPECT_GT(r.left(), end);
        end = r.right();
    }
    EXPECT_GT(form->StatusContent->x(), form->PBox1->geometry().right()) << "the description is not covered";
}

namespace {

// Where the tool bars and the inspector are, as the user sees them.
std::string Layout(TrpDesignerForm& f)
{
    QStringList places;
    // The tools bar is left out: only the program's first designer has tools, and each new window here is
    // a later one (its place is checked by the overlaps).
    for (TrpToolBar* bar : {f.Panel1, f.Panel2, f.Panel3, f.Panel4, f.Panel5}) {
        QString place = bar->objectName() + QLatin1Char(' ');
        if (!bar->IsVisible())
            place += QStringLiteral("hidden");
        else if (TrpFloatWindow* w = bar->GetFloatWindow())
            place += QStringLiteral("floating %1,%2 %3x%4").arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height());
        else
            place += QStringLiteral("%1 %2,%3 %4x%5")
                         .arg(bar->parentWidget()->objectName())
                         .arg(bar->x())
                         .arg(bar->y())
                         .arg(bar->width())
                         .arg(bar->height());
        places.append(place);
    }
    const QRect frame = f.InspForm->frameGeometry(), client = f.InspForm->geometry();
    places.append(QStringLiteral("inspector frame %1,%2 %3x%4 client %5,%6 %7x%8")
                      .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())
                      .arg(client.x()).arg(client.y()).arg(client.width()).arg(client.height()));
    for (TrpDock* dock : {f.rpDock1, f.rpDock2, f.rpDock3, f.rpDock4})
        places.append(dock->objectName() + QStringLiteral(" %1x%2").arg(dock->width()).arg(dock->height()));
    return places.join(QLatin1Char('\n')).toStdString();
}

// Docked tool bars that cover one another.
std::string Overlaps(TrpDesignerForm& f)
{
    QStringList found;
    for (TrpDock* dock : {f.rpDock1, f.rpDock2, f.rpDock3, f.rpDock4}) {
        const QList<TrpToolBar*> bars = dock->ToolBars();
        for (int i = 0; i < bars.size(); ++i)
            for (int j = i + 1; j < bars.size(); ++j)
                if (!bars[i]->isHidden() && !bars[j]->isHidden() && bars[i]->geometry().intersects(bars[j]->geometry()))
                    found.append(bars[i]->objectName() + QStringLiteral(" covers ") + bars[j]->objectName());
    }
    return found.join(QStringLiteral(", ")).toStdString();
}

} // namespace

TEST_F(ShownDesignerTest, ToolBarsAndTheInspectorComeBackWhereTheyWereAfterEachRestart)
{
    // The user's own arrangement: the alignment palette floated, the inspector moved.
    form->Panel5->FloatTo(form->x() + 600, form->y() + 300);
    form->InspForm->move(40, 420);
    ASSERT_TRUE(testutil::PumpUntil([this] { return form->InspForm->isVisible(); }, 30000));
    const std::string first = Layout(*form);
    EXPECT_EQ(Overlaps(*form), "");
    for (int restart = 1; restart <= 5; ++restart) {
        SCOPED_TRACE(restart);
        form->hide();
        form->FormHide();
        // A new window reads the registry afresh, as the next start of the program does.
        form = std::make_unique<TrpDesignerForm>();
        surface = form->PageSurface;
        Show();
        ShowWindow();
        ASSERT_TRUE(testutil::PumpUntil([this] { return form->InspForm->isVisible(); }, 30000));
        const std::string now = Layout(*form);
        EXPECT_EQ(now, first);
        EXPECT_EQ(Overlaps(*form), "");
        if (restart == 5)
            std::printf("after %d restarts:\n%s\n", restart, now.c_str());
    }
}

TEST_F(ShownDesignerTest, AToolBarFloatedFromTheLeftDockShowsAllItsButtonsAndDocksAgainWhenDraggedThere)
{
    TrpToolBar* bar = form->Panel4;
    ASSERT_EQ(bar->Dock(), form->rpDock2);
    bar->FloatTo(form->x() + 500, form->y() + 300);
    TrpFloatWindow* window = bar->GetFloatWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(testutil::PumpUntil([window] { return window->isVisible(); }, 30000));
    for (TrpSpeedButton* b : rpSpeedButtons(bar)) {
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_TRUE(window->rect().contains(QRect(b->mapTo(window, QPoint(0, 0)), b->size())));
    }
    // Dragged by its caption onto the left dock, now an empty one-pixel edge of the window: a drop a few
    // pixels off it is taken too.
    ASSERT_EQ(form->rpDock2->width(), 1);
    const QPoint caption = window->CaptionRect().center();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, caption);
    const QPoint dock = form->rpDock2->mapToGlobal(QPoint(6, 40));
    QTest::mouseMove(window, window->mapFromGlobal(dock));
    ASSERT_EQ(bar->Dock(), form->rpDock2);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, bar->mapFromGlobal(dock));
    EXPECT_FALSE(bar->IsFloat);
    EXPECT_EQ(bar->GetFloatWindow(), nullptr);
    EXPECT_GT(bar->height(), bar->width()) << "it stands in the column again";
    EXPECT_EQ(Overlaps(*form), "");
}
