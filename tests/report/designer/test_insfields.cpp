// Insert DB fields: the data sets of the program's forms, the fields chosen, and the text views and bands
// laid out for them.
#include "designerfixture.h"
#include "designerdialogs.h"
#include "report/rpCtrls.h"

#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include "report/designer/rpInsertFieldsForm.h"
#include "report/rpComponents.h"
#include "report/rpDBDataSet.h"

#include <QAction>
#include <QMenu>
#include "platform/graphics/Bitmap.h"
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace destest;

namespace {

class InsertFieldsTest : public DesignerTest {
protected:
    InsertFieldsTest()
    {
        people.AddFieldDef("FAM", ftString, 20);
        people.AddFieldDef("NAME", ftString, 60);
        people.AddFieldDef("NOTE", ftString, 200);
        people.Open();
        people.FieldByName("FAM")->SetDisplayLabel(QString::fromUtf8("Фамилия"));
        cities.AddFieldDef("CITY", ftString, 10);
        cities.Open();
        rpPeople.SetDataSet(&people);
        form1.Add("People", &people);
        form1.Add("rpPeople", &rpPeople);
        module.Add("Cities", &cities);
    }

    // Runs the tool through its menu item: the data set, the fields (clicked with Ctrl) and the options.
    void Insert(const QString& dataSet, const QStringList& fields, bool horizontal, bool headers, bool bands)
    {
        DialogScript script;
        script.Then([&](QDialog& d) {
            auto* sets = Child<QComboBox>(d, "DatasetCB");
            sets->setCurrentIndex(sets->findText(dataSet));
            auto* list = Child<QListWidget>(d, "FieldsL");
            for (const QString& f : fields)
                ClickItem(list, f, Qt::ControlModifier);
            if (!horizontal)
                ClickOn(Child<QRadioButton>(d, "VertRB"));
            if (!headers)
                ClickOn(Child<QCheckBox>(d, "HeaderCB"));
            if (bands)
                ClickOn(Child<QCheckBox>(d, "BandCB"));
            ClickOn(Child<QPushButton>(d, "Button1"));
        });
        QAction* tool = nullptr;
        for (QAction* a : form->MastMenu->actions())
            if (a->text() == QStringLiteral("Insert DB fields"))
                tool = a;
        if (tool)
            tool->trigger();
        else
            form->InsFieldsClick(); // a later designer of this program has no tools of its own
    }
    QList<TrpView*> Texts() const
    {
        QList<TrpView*> t;
        for (TrpView* v : page->Objects)
            if (v->Typ == gtMemo)
                t.append(v);
        return t;
    }
    QList<int> BandTypes() const
    {
        QList<int> t;
        for (TrpView* v : page->Objects)
            if (v->Typ == gtBand)
                t.append(v->FrameTyp & 0xFF);
        return t;
    }

    TrpOwner form1{QStringLiteral("Form1")};
    TrpOwner module{QStringLiteral("DataModule1"), TrpOwner::DataModule};
    TMemDataSet people;
    TMemDataSet cities;
    TrpDBDataSet rpPeople;
    DialogScript guard{DialogScript::FailUnscripted};
};

} // namespace

TEST_F(InsertFieldsTest, TheDialogListsTheProgramsDataSetsAndTheirFields)
{
    DialogScript script;
    script.Then([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Insert fields"));
        auto* sets = Child<QComboBox>(d, "DatasetCB");
        ASSERT_EQ(sets->count(), 2);
        EXPECT_EQ(sets->itemText(0), QStringLiteral("Form1.People"));
        EXPECT_EQ(sets->itemText(1), QStringLiteral("DataModule1.Cities"));
        auto* list = Child<QListWidget>(d, "FieldsL");
        EXPECT_EQ(list->count(), 3);
        EXPECT_TRUE(Child<QRadioButton>(d, "HorzRB")->isChecked());
        EXPECT_TRUE(Child<QCheckBox>(d, "HeaderCB")->isChecked());
        EXPECT_FALSE(Child<QCheckBox>(d, "BandCB")->isChecked());
        ExpectLaidOutCleanly(&d, "insert-fields");
        sets->setFocus();
        QTest::keyClick(sets, Qt::Key_Down);
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text(), QStringLiteral("CITY"));
        // OK with nothing chosen inserts nothing and records nothing.
        ClickOn(Child<QPushButton>(d, "Button1"));
    });
    form->InsFieldsClick();
    EXPECT_TRUE(page->Objects.isEmpty());
    EXPECT_EQ(form->UndoBufferLength, 0);
}

TEST_F(InsertFieldsTest, FieldsSideBySideGetBoldHeadersAboveAndFitThePrintableWidth)
{
    Insert("Form1.People", {"FAM", "NAME", "NOTE"}, true, true, false);
    const QList<TrpView*> t = Texts();
    ASSERT_EQ(t.size(), 6);
    const int left = page->LeftMargin(), top = page->TopMargin();
    const int grid = form->GridSize;
    QList<TrpMemoView*> headers, data;
    for (TrpView* v : t)
        (static_cast<TrpMemoView*>(v)->Font.Style() & gfx::fsBold ? headers : data).append(static_cast<TrpMemoView*>(v));
    ASSERT_EQ(headers.size(), 3);
    ASSERT_EQ(data.size(), 3);
    EXPECT_EQ(headers[0]->Memo, QStringList{QString::fromUtf8("Фамилия")});
    EXPECT_EQ(headers[1]->Memo, QStringList{"NAME"});
    EXPECT_EQ(data[2]->Memo, QStringList{"[Form1.People.\"NOTE\"]"});
    EXPECT_EQ(headers[0]->x, left);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(headers[i]->y, top);
        EXPECT_EQ(data[i]->y, top + 72);
        EXPECT_EQ(headers[i]->x, data[i]->x);
        EXPECT_LE(headers[i]->dx, data[i]->dx) << "a header is cut to its field";
        EXPECT_TRUE(data[i]->Selected);
        if (i > 0)
            EXPECT_GT(data[i]->x, data[i - 1]->x + data[i - 1]->dx - grid);
    }
    // 280 characters do not fit across: the row is scaled to end inside the right margin.
    EXPECT_LE(data[2]->x + data[2]->dx, page->RightMargin());
    EXPECT_GT(data[2]->x + data[2]->dx, page->RightMargin() - 3 * grid);
    EXPECT_EQ(SelectedCount, 6);
    EXPECT_TRUE(BandTypes().isEmpty());
    // One step undoes it all.
    EXPECT_EQ(form->UndoBufferLength, 1);
    form->Undo(form->UndoBuffer);
    EXPECT_TRUE(page->Objects.isEmpty());
}

TEST_F(InsertFieldsTest, FieldsDownwardsWithABandBoundToTheReportDataSet)
{
    people.FieldByName("NOTE")->SetDisplayWidth(300); // too wide to be a width: six characters
    Insert("Form1.People", {"FAM", "NOTE"}, false, false, true);
    const QList<TrpView*> t = Texts();
    ASSERT_EQ(t.size(), 2);
    const int grid = form->GridSize;
    EXPECT_EQ(t[0]->x, t[1]->x);
    EXPECT_EQ(t[1]->y, t[0]->y + t[0]->dy + grid);
    gfx::TBitmap b(8, 8);
    b.Canvas().Font().Assign(static_cast<TrpMemoView*>(t[1])->Font);
    EXPECT_EQ(t[1]->dx, b.Canvas().TextWidth("======") / grid * grid);
    ASSERT_EQ(BandTypes(), QList<int>{btMasterData});
    TrpView* band = page->Objects[0];
    EXPECT_EQ(band->FormatStr, QStringLiteral("Form1.rpPeople"));
    EXPECT_EQ(band->y, page->TopMargin());
    EXPECT_EQ(band->y + band->dy, t[1]->y + t[1]->dy);
    EXPECT_TRUE(band->Name.startsWith("MasterData"));
    EXPECT_EQ(SelectedCount, 3);
}

TEST_F(InsertFieldsTest, BandsWithHeadersAddAPageHeaderOnlyWhereThereIsNone)
{
    Insert("DataModule1.Cities", {"CITY"}, true, true, true);
    EXPECT_EQ(BandTypes(), (QList<int>{btPageHeader, btMasterData}));
    EXPECT_EQ(page->Objects[1]->y, page->TopMargin() + 72);
    EXPECT_EQ(page->Objects[1]->FormatStr, QString()) << "no report data set reads the cities";
    Insert("DataModule1.Cities", {"CITY"}, true, true, true);
    EXPECT_EQ(BandTypes(), (QList<int>{btPageHeader, btMasterData, btMasterData}));
}

TEST_F(InsertFieldsTest, TheReportsOwnFormNamesItsDataSetsWithoutTheForm)
{
    report->Owner = &form1;
    EXPECT_EQ(rpFindDataSetName(&form1, &people), QStringLiteral("rpPeople"));
    EXPECT_EQ(rpFindDataSetName(&module, &people), QStringLiteral("Form1.rpPeople"));
    EXPECT_EQ(rpFindDataSetName(&form1, &cities), QString());
    Insert("People", {"FAM"}, true, false, true);
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_EQ(Texts()[0]->Memo, QStringList{"[People.\"FAM\"]"});
    EXPECT_EQ(page->Objects[0]->FormatStr, QStringLiteral("rpPeople"));
    report->Owner = nullptr;
}
