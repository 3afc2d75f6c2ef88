// The view items of the designer's pop-up menu: which items each kind of view adds, what they toggle, and
// the text views' format and font commands.
#include "dialogsupport.h"

#include "report/designer/rpFmtForm.h"
#include "report/designer/rpViewPopups.h"
#include "report/rpObjEditorForm.h"
#include "report/rpPictureView.h"
#include "report/rpStrings.h"

#include <QAction>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using namespace destest;

namespace {

// A text view of a class of its own (an add-in kind of text).
class TaggedText : public TrpMemoView {
public:
    QString ClassName() const override { return QStringLiteral("TTaggedText"); }
};

class PopupTest : public EngineDesignerTest {
protected:
    // Opens the pop-up for the selection; the view items, separators as "-".
    QStringList Items()
    {
        form->Popup1Popup();
        QStringList texts;
        const QList<QAction*> all = form->Popup1->actions();
        for (int i = 7; i < all.size(); ++i)
            texts.append(all[i]->isSeparator() ? QStringLiteral("-") : all[i]->text());
        return texts;
    }
    QAction* Item(const QString& text) { return PopupItem(text); }
    TrpPictureView* Picture(int x, int y)
    {
        auto* p = new TrpPictureView;
        p->SetBounds(x, y, 40, 40);
        p->CreateUniqueName();
        page->Objects.append(p);
        return p;
    }
    DialogScript script;
};

QStringList texts(std::initializer_list<int> ids)
{
    QStringList list;
    for (int id : ids)
        list.append(id == 0 ? QStringLiteral("-") : rpLoadStr(id));
    return list;
}

} // namespace

TEST_F(PopupTest, EachBandTypeGetsItsItems)
{
    const QStringList stretched = texts({0, 55190});
    const struct {
        int type;
        QStringList items;
    } cases[] = {
        {btReportTitle, stretched + texts({55194, 55196})},
        {btReportSummary, stretched + texts({55194, 55196})},
        {btPageHeader, stretched + texts({55230})},
        {btPageFooter, texts({55230, 55231})},
        {btMasterHeader, stretched + texts({55196, 55232})},
        {btMasterData, stretched + texts({55194, 55195, 55196})},
        {btMasterFooter, stretched + texts({55194, 55196})},
        {btDetailHeader, stretched + texts({55196, 55232})},
        {btDetailData, stretched + texts({55194, 55195, 55196})},
        {btDetailFooter, stretched + texts({55194, 55196})},
        {btSubDetailHeader, stretched + texts({55196, 55232})},
        {btSubDetailData, stretched + texts({55194, 55196})},
        {btSubDetailFooter, stretched + texts({55194, 55196})},
        {btOverlay, {}},
        {btColumnHeader, {}},
        {btColumnFooter, {}},
        {btGroupHeader, stretched + texts({55194, 55196, 55232})},
        {btGroupFooter, stretched + texts({55196})},
        {btCrossHeader, stretched + texts({55232})},
        {btCrossData, {}},
        {btCrossFooter, {}},
    };
    for (const auto& c : cases) {
        TrpBandView* band = Band(c.type, 100, 40);
        Select({band});
        EXPECT_EQ(Items(), c.items) << rpBandName(c.type).toStdString();
        Select({});
        page->Objects.removeOne(band);
        delete band;
    }
}

TEST_F(PopupTest, SeveralViewsGetItemsOnlyWhenTheyAreOfOneKind)
{
    TrpMemoView* memo = Memo(10, 10, 60, 20);
    auto* tagged = new TaggedText;
    tagged->SetBounds(10, 40, 60, 20);
    tagged->CreateUniqueName();
    page->Objects.append(tagged);
    TrpPictureView* picture = Picture(100, 10);
    TrpPictureView* picture2 = Picture(150, 10);
    TrpBandView* b1 = Band(btMasterData, 200, 40);
    TrpBandView* b2 = Band(btDetailData, 260, 40);
    const QStringList memoItems = texts({55191, 55334, 0, 55190, 55192, 55335});

    Select({memo});
    EXPECT_EQ(Items(), memoItems);
    Select({memo, tagged});
    EXPECT_EQ(Items(), memoItems) << "two text classes are both text views";
    Select({memo, picture});
    EXPECT_EQ(Items(), QStringList());
    Select({picture, picture2});
    EXPECT_EQ(Items(), texts({0, 55190, 55197, 55198}));
    Select({b1, b2});
    EXPECT_EQ(Items(), QStringList()) << "bands only one at a time";

    // Every opening starts from the window's own items.
    Select({memo});
    Items();
    EXPECT_EQ(Items(), memoItems);
    EXPECT_EQ(form->Popup1->actions().size(), 7 + memoItems.size());
}

TEST_F(PopupTest, FlagItemsToggleTheirBitOnEverySelectedView)
{
    TrpMemoView* a = Memo(10, 10, 60, 20);
    TrpMemoView* b = Memo(10, 40, 60, 20);
    a->Flags = 0;
    b->Flags = 8;
    Select({a, b});
    QAction* wrap = Item(rpLoadStr(55192));
    ASSERT_TRUE(wrap);
    EXPECT_FALSE(wrap->isChecked());
    const int undo = form->UndoBufferLength;
    wrap->trigger();
    EXPECT_EQ(a->Flags, 2);
    EXPECT_EQ(b->Flags, 10);
    EXPECT_EQ(form->UndoBufferLength, undo + 1);
    Item(rpLoadStr(55335))->trigger(); // b is the topmost: its Auto size is on, so the click clears it
    EXPECT_EQ(a->Flags, 2);
    EXPECT_EQ(b->Flags, 2);
    // One undo step per click.
    const QString aName = a->Name, bName = b->Name;
    form->Undo(form->UndoBuffer);
    auto flags = [this](const QString& name) {
        for (TrpView* v : objects())
            if (v->Name == name)
                return int(v->Flags);
        return -1;
    };
    EXPECT_EQ(flags(bName), 10);

    auto copy = Reloaded();
    EXPECT_EQ(Find(*copy, aName)->Flags, 2);
    EXPECT_EQ(Find(*copy, bName)->Flags, 10);
}

TEST_F(PopupTest, KeepAspectRatioIsGreyedWhileThePictureIsNotStretched)
{
    TrpPictureView* p = Picture(10, 10);
    p->Flags = pfKeepAspect;
    Select({p});
    QAction* aspect = Item(rpLoadStr(55198));
    EXPECT_FALSE(aspect->isEnabled());
    EXPECT_FALSE(aspect->isChecked());
    Item(rpLoadStr(55190))->trigger();
    EXPECT_EQ(p->Flags, pfKeepAspect | pfStretch);
    aspect = Item(rpLoadStr(55198));
    EXPECT_TRUE(aspect->isEnabled());
    EXPECT_TRUE(aspect->isChecked());
    aspect->trigger();
    EXPECT_EQ(p->Flags, pfStretch);
}

TEST_F(PopupTest, PageFooterItemsSetTheBitsOfThatBand)
{
    TrpBandView* footer = Band(btPageFooter, 900, 40);
    footer->Flags = 0;
    Select({footer});
    Item(rpLoadStr(55231))->trigger();
    EXPECT_EQ(footer->Flags, 32);
    Item(rpLoadStr(55230))->trigger();
    EXPECT_EQ(footer->Flags, 48);
    Item(rpLoadStr(55230))->trigger();
    EXPECT_EQ(footer->Flags, 32);
    EXPECT_EQ(Find(*Reloaded(), footer->Name)->Flags, 32);
}

TEST_F(PopupTest, FontCopiesOnlyWhatTheUserChanged)
{
    TrpMemoView* a = Memo(10, 10, 60, 20);
    TrpMemoView* b = Memo(10, 40, 60, 20);
    TrpMemoView* c = Memo(10, 70, 60, 20);
    a->Font = gfx::TFont("Liberation Serif", 10, gfx::fsBold);
    b->Font = gfx::TFont("DejaVu Sans", 12, 0, gfx::clBlack);
    c->Font = gfx::TFont("Liberation Mono", 8, gfx::fsItalic, gfx::clRed);
    Select({a, b, c});
    QFont given;
    script.Then<QFontDialog>([&given](QFontDialog* d) {
        given = d->currentFont();
        QFont f = given;
        f.setPointSize(14);
        d->setCurrentFont(f);
        d->accept();
    });
    Item(rpLoadStr(55334))->trigger();
    EXPECT_EQ(given.family(), "Liberation Mono") << "the dialog starts from the topmost view's font";
    for (TrpMemoView* m : {a, b, c})
        EXPECT_EQ(m->Font.Size(), 14);
    EXPECT_EQ(a->Font.Name(), "Liberation Serif");
    EXPECT_EQ(b->Font.Name(), "DejaVu Sans");
    EXPECT_EQ(a->Font.Style(), gfx::fsBold);
    EXPECT_EQ(c->Font.Color(), gfx::clRed);
    EXPECT_EQ(b->Font.Color(), gfx::clBlack);

    script.Then<QFontDialog>([](QFontDialog* d) {
        d->setCurrentFont(QFont("Liberation Sans"));
        d->reject();
    });
    Item(rpLoadStr(55334))->trigger();
    EXPECT_EQ(a->Font.Name(), "Liberation Serif") << "cancelled";
}

TEST_F(PopupTest, VariableFormatGoesToEverySelectedTextView)
{
    TrpMemoView* a = Memo(10, 10, 60, 20);
    TrpMemoView* b = Memo(10, 40, 60, 20);
    b->Format = 0x01020000;
    b->FormatStr = "#,##0.00";
    Select({a, b});
    qint32 givenFormat = 0;
    QString givenStr;
    script.Then<TrpFmtForm>([&](TrpFmtForm* f) {
        givenFormat = f->Format;
        givenStr = f->Edit1->text();
        f->Format = 0x01000200;
        f->Edit1->setText("0.0");
        f->Button1->click();
    });
    Item(rpLoadStr(55191))->trigger();
    EXPECT_EQ(givenFormat, 0x01020000);
    EXPECT_EQ(givenStr, "#,##0.00");
    for (TrpMemoView* m : {a, b}) {
        EXPECT_EQ(m->Format, 0x01000200);
        EXPECT_EQ(m->FormatStr, "0.0");
    }
    auto copy = Reloaded();
    EXPECT_EQ(Find(*copy, a->Name)->FormatStr, "0.0");
}

// ---- add-in objects ------------------------------------------------------------------------------------

namespace {

class StampView : public TrpView {
public:
    StampView() { BaseName = QStringLiteral("Stamp"); }
    QString ClassName() const override { return QStringLiteral("TStampView"); }
    void Draw(gfx::TCanvas*) override {}
};

class StampEditor : public TrpObjEditorForm {
public:
    using TrpObjEditorForm::TrpObjEditorForm;
    void ShowEditor(TrpView* view) override { edited.append(view->Name); }
    static inline QStringList edited;
};

void registerStamp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QImage glyph(16, 16, QImage::Format_RGB32);
    glyph.fill(Qt::darkRed);
    rpRegisterObject({"TStampView", [] { return std::make_unique<StampView>(); }, glyph, "Stamp",
                      [](QWidget* parent) { return std::make_unique<StampEditor>(parent); }});
}

} // namespace

TEST_F(PopupTest, AddInsOfOneClassShareTheViewItemsAndOpenTheirOwnEditor)
{
    registerStamp();
    auto add = [this](int y) {
        TrpView* v = rpCreateObject(gtAddIn, "TStampView").release();
        v->SetBounds(10, y, 40, 20);
        v->CreateUniqueName();
        page->Objects.append(v);
        return v;
    };
    TrpView* a = add(10);
    TrpView* b = add(40);
    TrpMemoView* memo = Memo(10, 70, 60, 20);
    Select({a, b});
    EXPECT_EQ(Items(), texts({0, 55190}));
    Select({a, memo});
    EXPECT_EQ(Items(), QStringList());

    Select({b});
    StampEditor::edited.clear();
    form->ShowEditor();
    EXPECT_EQ(StampEditor::edited, QStringList{b->Name});
}

TEST_F(PopupTest, ARightClickOpensTheMenuWithTheViewsItems)
{
    TrpMemoView* m = Memo(100, 100, 50, 20);
    m->Flags = 0;
    QStringList seen;
    script.Menu([&seen](QMenu& menu) {
        for (QAction* a : menu.actions())
            if (!a->isSeparator())
                seen.append(a->text());
        for (QAction* a : menu.actions())
            if (a->text() == rpLoadStr(55192))
                a->trigger();
    });
    Hover(110, 110);
    surface->MDown(Qt::RightButton, Qt::NoModifier, 110, 110);
    surface->MUp(Qt::RightButton, Qt::NoModifier, 110, 110);
    EXPECT_EQ(seen.mid(0, 6), (QStringList{"Cu&t", "&Copy", "&Paste", "&Delete", "Select &all", "&Edit..."}));
    EXPECT_EQ(seen.mid(6), texts({55191, 55334, 55190, 55192, 55335}));
    EXPECT_EQ(m->Flags, 2);
}
