#include "BookmarkWalk.h"
#include "platform/data/BlobStream.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSource.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Field.h"
#include "platform/data/FloatField.h"
#include "platform/rtl/FormatFloat.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/data/MemDataSet.h"
#include "platform/rtl/CodePage.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

// A link that writes down what it hears.
class RecordingLink : public TDataLink {
public:
    QStringList heard;

protected:
    void ActiveChanged() override { heard << QStringLiteral("active %1").arg(Active()); }
    void DataSetChanged() override { heard << QStringLiteral("changed"); }
    void DataSetScrolled(int distance) override { heard << QStringLiteral("scrolled %1").arg(distance); }
    void EditingChanged() override { heard << QStringLiteral("editing %1").arg(Editing()); }
    void LayoutChanged() override { heard << QStringLiteral("layout"); }
    void RecordChanged(TField* field) override { heard << QStringLiteral("record %1").arg(field ? field->FieldName() : "-"); }
    void UpdateData() override { heard << QStringLiteral("update"); }
};

struct MemFixture : ::testing::Test {
    TMemDataSet ds;
    void SetUp() override
    {
        ds.AddFieldDef("ID", ftInteger);
        ds.AddFieldDef("NAME", ftString, 10);
        ds.AddFieldDef("V", ftFloat);
        ds.AddFieldDef("PHOTO", ftBlob);
        ds.Open();
        for (int i = 1; i <= 10; ++i)
            ds.AppendRecord({i, QStringLiteral("Имя%1").arg(i), i * 0.5});
        ds.First();
    }
};

} // namespace

TEST_F(MemFixture, NavigationRecNoAndEof)
{
    EXPECT_EQ(ds.RecordCount(), 10);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_TRUE(ds.Bof());
    int seen = 0;
    for (ds.First(); !ds.Eof(); ds.Next())
        ++seen;
    EXPECT_EQ(seen, 10);
    EXPECT_EQ(ds.RecNo(), 10);
    ds.SetRecNo(4);
    EXPECT_EQ(ds.FieldByName("id")->AsInteger(), 4);
    EXPECT_EQ(ds.MoveBy(100), 6);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.MoveBy(-100), -9);
    EXPECT_TRUE(ds.Bof());
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 10);
}

TEST_F(MemFixture, FieldAccessAndConversions)
{
    ds.SetRecNo(3);
    TField* id = ds.FieldByName("ID");
    TField* v = ds.FieldByName("v");
    TField* name = ds.FindField("Name");
    EXPECT_EQ(id->AsString(), "3");
    EXPECT_DOUBLE_EQ(v->AsFloat(), 1.5);
    EXPECT_EQ(v->AsInteger(), 1);
    EXPECT_EQ(name->AsString(), QString::fromUtf8("Имя3"));
    EXPECT_EQ(ds.FindField("NOPE"), nullptr);
    EXPECT_THROW(ds.FieldByName("NOPE"), EDatabaseError);
    EXPECT_EQ(id->Alignment(), taRightJustify);
    EXPECT_EQ(name->Alignment(), taLeftJustify);
    EXPECT_TRUE(id->IsValidChar('5') && id->IsValidChar('-') && !id->IsValidChar('a') && !id->IsValidChar(','));
    EXPECT_TRUE(v->IsValidChar(',') && v->IsValidChar('e') && !v->IsValidChar('x'));
    EXPECT_TRUE(name->IsValidChar(QChar(0x0416)));

    const rtl::TFormatSettings saved = rtl::formatSettings();
    rtl::setFormatSettings(rtl::TFormatSettings::russian());
    EXPECT_EQ(v->DisplayText(), "1,5");
    rtl::setFormatSettings(rtl::TFormatSettings::english());
    EXPECT_EQ(v->DisplayText(), "1.5");
    static_cast<TFloatField*>(v)->SetDisplayFormat("0.000");
    EXPECT_EQ(v->DisplayText(), "1.500");
    EXPECT_EQ(v->AsString(), "1.5");
    rtl::setFormatSettings(saved);

    ds.Edit();
    v->SetAsString("0,123");
    EXPECT_DOUBLE_EQ(v->AsFloat(), 0.123);
    id->Clear();
    EXPECT_TRUE(id->IsNull());
    EXPECT_EQ(id->AsInteger(), 0);
    EXPECT_EQ(id->AsString(), "");
    EXPECT_THROW(id->SetAsString("12a"), EDatabaseError);
    name->SetAsString("ABCDEFGHIJKLMN   ");
    EXPECT_EQ(name->AsString(), "ABCDEFGHIJ");
    ds.Post();
    EXPECT_TRUE(ds.FieldByName("ID")->IsNull());
    EXPECT_EQ(ds.RecNo(), 3);
}

TEST_F(MemFixture, MoneyIsShownInTheCurrencyFormatAndEditedAsANumber)
{
    const rtl::TFormatSettings saved = rtl::formatSettings();
    rtl::setFormatSettings(rtl::TFormatSettings::russian());
    auto* v = static_cast<TFloatField*>(ds.FieldByName("V"));
    v->SetCurrency(true);
    const rtl::TFormatSettings& fs = rtl::formatSettings();
    ds.SetRecNo(7);  // 3.5
    EXPECT_EQ(v->DisplayText(), QString::fromUtf8("3,50 р."));
    EXPECT_EQ(v->Text(), "3,5");
    for (double value : {0.0, 1234567.125, -2.5, 0.005}) {
        ds.Edit();
        v->SetAsFloat(value);
        EXPECT_EQ(v->DisplayText(), rtl::FloatToStrF(value, rtl::TFloatFormat::ffCurrency, 15, fs.CurrencyDecimals)) << value;
        EXPECT_EQ(v->Text(), rtl::FloatToStr(value)) << value;
        ds.Cancel();
    }
    // A display format still wins; a null shows nothing.
    v->SetDisplayFormat("0.000");
    EXPECT_EQ(v->DisplayText(), "3,500");
    v->SetDisplayFormat(QString());
    ds.Edit();
    v->Clear();
    EXPECT_EQ(v->DisplayText(), "");
    ds.Cancel();
    v->SetCurrency(false);
    rtl::setFormatSettings(saved);
}

TEST_F(MemFixture, FloatsBeyondTheIntegerRangeAreNoIntegers)
{
    // A wide numeric field of a damaged or foreign table can hold such values.
    TField* v = ds.FieldByName("V");
    for (double value : {1e20, -1e20, 9.3e18}) {
        SCOPED_TRACE(value);
        ds.Edit();
        v->SetAsFloat(value);
        EXPECT_THROW(v->AsLargeInt(), EDatabaseError);
        EXPECT_THROW(v->AsInteger(), EDatabaseError);
        ds.Cancel();
    }
    ds.Edit();
    v->SetAsFloat(-9.0e18);
    EXPECT_EQ(v->AsLargeInt(), qint64(-9000000000000000000LL));
    ds.Cancel();
}

TEST_F(MemFixture, WritingOutsideEditAndOnClosedSetRaises)
{
    EXPECT_THROW(ds.FieldByName("ID")->SetAsInteger(5), EDatabaseError);
    TField* f = ds.FieldByName("ID");
    ds.Close();
    EXPECT_THROW(f->AsInteger(), EDatabaseError);
    EXPECT_THROW(ds.RecordCount(), EDatabaseError);
}

TEST_F(MemFixture, BookmarksSurviveDeletesOfOtherRecords)
{
    ds.SetRecNo(7);
    const TBookmark seven = ds.GetBookmark();
    ds.SetRecNo(2);
    const TBookmark two = ds.GetBookmark();
    EXPECT_LT(ds.CompareBookmarks(two, seven), 0);
    EXPECT_GT(ds.CompareBookmarks(seven, two), 0);
    EXPECT_EQ(ds.CompareBookmarks(seven, seven), 0);
    for (int recNo : {1, 3, 4}) {
        ds.SetRecNo(recNo);
        ds.Delete();
    }
    ASSERT_TRUE(ds.BookmarkValid(seven));
    ds.GotoBookmark(seven);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 7);
    ds.GotoBookmark(two);
    ds.Delete();
    EXPECT_FALSE(ds.BookmarkValid(two));
    EXPECT_THROW(ds.GotoBookmark(two), EDatabaseError);
    EXPECT_FALSE(ds.BookmarkValid(TBookmark("xx")));
    EXPECT_EQ(ds.RecordCount(), 6);
}

TEST_F(MemFixture, BookmarksFollowDeletesAndAppendsInEveryOrder)
{
    fixtures::walkBookmarks(ds, [&](int id) { ds.AppendRecord({id, QStringLiteral("Новый")}); });
}

TEST_F(MemFixture, LocateAndLookup)
{
    struct Case {
        const char* field;
        QVariant value;
        TLocateOptions options;
        int expectId;  // 0: not found
    };
    const Case cases[] = {
        {"ID", 5, {}, 5},
        {"ID", "6", loPartialKey, 6},  // partial key does nothing to numbers
        {"ID", 60, loPartialKey, 0},
        {"NAME", QString::fromUtf8("имя4"), loCaseInsensitive, 4},
        {"NAME", QString::fromUtf8("имя4"), {}, 0},
        {"NAME", QString::fromUtf8("ИМЯ1"), TLocateOptions(loCaseInsensitive) | loPartialKey, 1},
        {"V", 2.5, {}, 5},
        {"NAME", QString::fromUtf8("Имя3   "), {}, 3},  // the wanted text's trailing blanks do not count
        {"NAME", QString::fromUtf8("имя1"), TLocateOptions(loCaseInsensitive) | loPartialKey, 1},  // first in order
        {"NAME", QString::fromUtf8("иМЯ2"), loCaseInsensitive, 2},  // the first letter's case too
        {"NAME", QString::fromUtf8("   "), loPartialKey, 1},  // an empty beginning: every text has it
        {"NAME", QVariant(), {}, 7},  // null finds null only
        {"V", QVariant(), {}, 7},
        {"ID", 4.0, {}, 4},
        {"ID", "abc", {}, 0},
    };
    ds.Locate("ID", 7, {});
    ds.Edit();
    ds.FieldByName("NAME")->Clear();
    ds.FieldByName("V")->Clear();
    ds.Post();
    for (const Case& c : cases) {
        ds.First();
        const bool found = ds.Locate(c.field, c.value, c.options);
        EXPECT_EQ(found, c.expectId != 0) << c.field << " " << c.value.toString().toStdString();
        if (found)
            EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), c.expectId) << c.field;
    }
    EXPECT_EQ(ds.Lookup("ID", 9, "NAME").toString(), QString::fromUtf8("Имя9"));
    EXPECT_TRUE(ds.Locate("ID;NAME", QVariantList{8, QString::fromUtf8("Имя8")}, {}));
}

TEST_F(MemFixture, BlobStreamsReadAndWrite)
{
    const QByteArray jpeg("\xFF\xD8\x1A\x1A\x1F\x00\x41\xFF\xD9", 9);
    ds.SetRecNo(2);
    ds.Edit();
    {
        auto out = ds.CreateBlobStream(ds.FieldByName("PHOTO"), bmWrite);
        out->write(jpeg);
    }
    ds.Post();
    auto in = ds.CreateBlobStream(ds.FieldByName("PHOTO"), bmRead);
    EXPECT_EQ(in->readAll(), jpeg);
    EXPECT_THROW(ds.CreateBlobStream(ds.FieldByName("PHOTO"), bmWrite), EDatabaseError);
    EXPECT_THROW(ds.CreateBlobStream(ds.FieldByName("ID"), bmRead), EDatabaseError);
}

TEST_F(MemFixture, LinkHearsStateScrollAndEditing)
{
    TDataSource source(&ds);
    RecordingLink link;
    link.SetBufferCount(4);
    link.SetDataSource(&source);
    EXPECT_EQ(link.heard, QStringList{"active 1"});
    EXPECT_EQ(link.RecordCount(), 4);

    link.heard.clear();
    ds.MoveBy(2);  // inside the window: nothing scrolls
    ds.MoveBy(3);  // row 5: the window moves by 2
    EXPECT_EQ(link.heard, (QStringList{"scrolled 0", "scrolled 2"}));
    EXPECT_EQ(link.ActiveRecord(), 3);
    EXPECT_EQ(link.FirstRecord(), 2);

    // Painting another row of the window reads that row's fields.
    link.SetActiveRecord(0);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 3);
    link.SetActiveRecord(3);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 6);

    link.heard.clear();
    ds.Edit();
    ds.FieldByName("NAME")->SetAsString("x");
    ds.Post();
    EXPECT_EQ(link.heard, (QStringList{"editing 1", "record NAME", "update", "editing 0", "changed"}));

    link.heard.clear();
    ds.Close();
    EXPECT_EQ(link.heard, QStringList{"active 0"});
    EXPECT_EQ(link.RecordCount(), 0);
}

TEST_F(MemFixture, ARecordBeingInsertedIsAnExtraRowBeforeTheCurrentOne)
{
    TDataSource source(&ds);
    RecordingLink link;
    link.SetBufferCount(4);
    link.SetDataSource(&source);
    ds.SetRecNo(3);
    const TBookmark third = ds.GetBookmark();
    auto window = [&] {
        QStringList ids;
        const int active = link.ActiveRecord();
        for (int r = 0; r < link.RecordCount(); ++r) {
            link.SetActiveRecord(r);
            ids << (ds.FieldByName("ID")->IsNull() ? QStringLiteral("new") : ds.FieldByName("ID")->AsString());
        }
        link.SetActiveRecord(active);
        return ids.join(' ');
    };
    ASSERT_EQ(window(), "2 3 4 5");

    // The links hear of the new row; it stands where the current record stood, which moves down a row.
    link.heard.clear();
    ds.Insert();
    EXPECT_TRUE(link.heard.contains("changed"));
    EXPECT_EQ(window(), "2 new 3 4");
    EXPECT_EQ(link.ActiveRecord(), 1);
    EXPECT_EQ(ds.RecordCount(), 10);
    ds.FieldByName("ID")->SetAsInteger(99);
    EXPECT_EQ(window(), "2 99 3 4");
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 99);
    // The rows after it are the records they show: their bookmarks too.
    link.SetActiveRecord(2);
    EXPECT_EQ(ds.ActiveBookmark(), third);
    link.SetActiveRecord(1);
    EXPECT_TRUE(ds.ActiveBookmark().isEmpty());

    // Cancelled: the current record is back in its place.
    ds.Cancel();
    EXPECT_EQ(window(), "2 3 4 5");
    EXPECT_EQ(ds.GetBookmark(), third);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 3);

    // At the window's last row the new row pushes the current record out of the window.
    ds.MoveBy(2);
    ASSERT_EQ(link.ActiveRecord(), 3);
    ds.Insert();
    EXPECT_EQ(window(), "2 3 4 new");
    ds.FieldByName("ID")->SetAsInteger(11);
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 11);
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 11);

    // Into an empty data set.
    TMemDataSet empty;
    empty.AddFieldDef("ID", ftInteger);
    empty.Open();
    TDataSource emptySource(&empty);
    RecordingLink emptyLink;
    emptyLink.SetBufferCount(4);
    emptyLink.SetDataSource(&emptySource);
    empty.Insert();
    EXPECT_EQ(emptyLink.RecordCount(), 1);
    EXPECT_TRUE(empty.FieldByName("ID")->IsNull());
    empty.Cancel();
    EXPECT_EQ(emptyLink.RecordCount(), 0);
}

TEST_F(MemFixture, DisableControlsHoldsNotificationsUntilTheLastEnable)
{
    TDataSource source(&ds);
    RecordingLink link;
    link.SetDataSource(&source);
    link.heard.clear();
    ds.DisableControls();
    ds.DisableControls();
    for (ds.First(); !ds.Eof(); ds.Next()) {
    }
    ds.EnableControls();
    EXPECT_TRUE(link.heard.isEmpty());
    EXPECT_TRUE(ds.ControlsDisabled());
    ds.EnableControls();
    EXPECT_EQ(link.heard, QStringList{"changed"});
}

TEST_F(MemFixture, FieldsSurviveReopenAndFreeNotificationReachesHolders)
{
    TField* id = ds.FieldByName("ID");
    ds.Close();
    ds.Open();
    EXPECT_EQ(ds.FieldByName("ID"), id);  // same columns: same field objects

    bool told = false;
    id->AddFreeNotification([&](TField* f) { told = f == id; });
    ds.Close();
    ds.ClearFieldDefs();
    ds.AddFieldDef("OTHER", ftString, 5);
    ds.Open();
    EXPECT_TRUE(told);
}

TEST(DataSource, DestroyingTheDataSetUnbindsSourceAndLinks)
{
    auto ds = std::make_unique<TMemDataSet>();
    ds->AddFieldDef("A", ftInteger);
    ds->Open();
    TDataSource source(ds.get());
    RecordingLink link;
    link.SetDataSource(&source);
    EXPECT_TRUE(link.Active());
    ds.reset();
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_FALSE(link.Active());
}

TEST(DataLink, JumpsCentreTheRecordAndStepsMoveTheWindowLeast)
{
    TMemDataSet ds;
    ds.AddFieldDef("ID", ftInteger);
    ds.Open();
    for (int i = 1; i <= 20; ++i)
        ds.AppendRecord({i});
    ds.First();
    TDataSource source(&ds);
    RecordingLink link;
    link.SetBufferCount(5);
    link.SetDataSource(&source);

    struct Step {
        const char* what;
        std::function<void()> act;
        int first;
        int active;
    };
    const Step steps[] = {
        {"locate 10", [&] { ds.Locate("ID", 10, {}); }, 7, 2},
        {"one down", [&] { ds.Next(); }, 7, 3},
        {"three down", [&] { ds.MoveBy(3); }, 9, 4},
        {"record 19", [&] { ds.SetRecNo(19); }, 15, 3},
        {"record 2", [&] { ds.SetRecNo(2); }, 0, 1},
        {"last", [&] { ds.Last(); }, 15, 4},
        {"first", [&] { ds.First(); }, 0, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(link.FirstRecord(), s.first);
        EXPECT_EQ(link.ActiveRecord(), s.active);
        EXPECT_EQ(link.RecordCount(), 5);
    }
    const TBookmark five = (ds.SetRecNo(5), ds.GetBookmark());
    ds.Last();
    ds.GotoBookmark(five);
    EXPECT_EQ(link.FirstRecord(), 2);
    EXPECT_EQ(link.heard.back(), "changed");
}

TEST(MemoField, TextValuesAreStoredAsCp1251AndFoundByLocate)
{
    TMemDataSet ds;
    ds.AddFieldDef("ID", ftInteger);
    ds.AddFieldDef("NOTE", ftMemo);
    ds.Open();
    const QString text = QString::fromUtf8("Итог: ИВАНОВ");
    ds.AppendRecord({1, text});
    ds.AppendRecord({2, QByteArray("\xCF\xC5\xD2\xD0\xCE\xC2")}); // ПЕТРОВ as a memo file holds it
    ds.First();
    EXPECT_EQ(ds.FieldByName("NOTE")->AsString(), text);
    EXPECT_EQ(ds.FieldByName("NOTE")->AsBytes(), rtl::toCp1251(text));
    ASSERT_TRUE(ds.Locate("NOTE", QString::fromUtf8("петров"), TLocateOptions(loCaseInsensitive)));
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 2);
}

TEST(LookupField, ShowsTheListRecordOfItsKeyAndWritesTheKeyBack)
{
    TMemDataSet list;
    list.AddFieldDef("ID", ftInteger);
    list.AddFieldDef("NAME", ftString, 20);
    list.Open();
    list.AppendRecord({1, QStringLiteral("Alpha")});
    list.AppendRecord({2, QStringLiteral("Beta")});
    TMemDataSet acts;
    acts.AddFieldDef("ID", ftInteger);
    acts.AddFieldDef("LIST_ID", ftInteger);
    acts.AddFieldDef("DAY", ftDate, 10);
    TField* name = acts.AddLookupField("NAME", ftString, 20, "LIST_ID", &list, "ID", "NAME");
    EXPECT_EQ(name, nullptr) << "made when the set opens";
    acts.Open();
    acts.AppendRecord({1, 2, QDate(2026, 12, 11)});
    acts.AppendRecord({2, 7});
    acts.AppendRecord({3});
    acts.First();
    name = acts.FieldByName("NAME");
    EXPECT_EQ(name->FieldKind(), fkLookup);
    EXPECT_EQ(name->Index(), 3) << "after the data fields";
    EXPECT_EQ(name->AsString(), "Beta");
    EXPECT_EQ(acts.FieldByName("DAY")->DataType(), ftDate);
    EXPECT_EQ(acts.FieldByName("DAY")->Value().toDate(), QDate(2026, 12, 11));
    acts.Next();
    EXPECT_TRUE(name->IsNull()) << "a key the list does not hold";
    acts.Next();
    EXPECT_TRUE(name->IsNull()) << "no key";
    acts.Edit();
    name->SetValue(QStringLiteral("Alpha"));
    EXPECT_EQ(acts.FieldByName("LIST_ID")->Value(), 1) << "writing the name writes its key";
    acts.Post();
    EXPECT_EQ(name->AsString(), "Alpha");
    acts.Close();
    acts.Open();
    ASSERT_TRUE(acts.FindField("NAME")) << "the lookup field outlives a close";
    EXPECT_EQ(acts.FindField("NAME")->FieldKind(), fkLookup);
    EXPECT_THROW(acts.Locate("NAME", QStringLiteral("Alpha"), {}), EDatabaseError);
    EXPECT_THROW(acts.AddLookupField("NAME", ftString, 20, "LIST_ID", &list, "ID", "NAME"), EDatabaseError);
}
