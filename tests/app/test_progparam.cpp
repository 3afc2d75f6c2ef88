#include "printers.h"
#include "app/ProgParam.h"
#include "common/testutil.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/CodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace ctl;
using testutil::TempDir;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

QByteArray header(uint32_t length)
{
    QByteArray h = QByteArray::fromHex("0102030410 11 ffffffffffff");
    for (int i = 0; i < 4; ++i)
        h.append(char((length >> (8 * i)) & 0xFF));
    return h;
}

QByteArray rec(const QByteArray& name, const QByteArray& pass, char deleted = 0)
{
    QByteArray r(33, '\0');
    r.replace(0, name.size(), name);
    r.replace(16, pass.size(), pass);
    r[32] = deleted;
    return r;
}

const QByteArray kTrailer = QByteArray::fromHex("0a0000000b000000");

QByteArray file(const QList<QByteArray>& recs, const QByteArray& trailer = kTrailer)
{
    QByteArray body;
    for (const QByteArray& r : recs)
        body += r;
    return header(uint32_t(body.size() + 8)) + body + trailer;
}

} // namespace

TEST(ProgParam, SavesTheExactLayout)
{
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    TProgParam store;
    ASSERT_EQ(store.SaveToFile(dir.file("VELT.dat")), 0);
    EXPECT_EQ(testutil::readFile(dir.file("VELT.dat")),
              QByteArray::fromHex("01020304 10 11 ffffffffffff 08000000 0a000000 0b000000"));

    ASSERT_EQ(store.AddOper(u("ИВАНОВ"), "123"), 0);
    ASSERT_EQ(store.AddOper(u("ПЕТРОВ П.П."), u("пароль")), 0);
    ASSERT_EQ(store.SaveToFile(dir.file("VELT.dat")), 0);
    const QByteArray expected = file({rec("\xC8\xC2\xC0\xCD\xCE\xC2", "123"),
                                      rec("\xCF\xC5\xD2\xD0\xCE\xC2 \xCF.\xCF.", "\xEF\xE0\xF0\xEE\xEB\xFC")});
    EXPECT_EQ(expected.size(), 24 + 2 * 33);
    EXPECT_EQ(testutil::readFile(dir.file("VELT.dat")), expected);
    // Passwords are plain text: the file is the owner's alone, and no temporary file is left behind.
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(dir.file("VELT.dat")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"VELT.dat"});
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(ProgParam, LoadKeepsRecordsAndSaveGivesTheSameBytes)
{
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    // Garbage after the terminators, a deleted record and odd trailer values: all kept or ignored as stored.
    const QByteArray r1 = QByteArray("A\0junkjunkjunk!!", 16) + QByteArray("pw\0xxxxxxxxxxxxx", 16) + QByteArray(1, '\0');
    const QByteArray r2 = rec("GONE", "x", 1);
    const QByteArray r3 = rec("B", "pb");
    testutil::writeFile(dir.file("in.dat"), file({r1, r2, r3}, QByteArray::fromHex("6300000063000000")));
    TProgParam store;
    ASSERT_EQ(store.LoadFromFile(dir.file("in.dat")), 0);
    EXPECT_EQ(store.Count(), 3);
    EXPECT_EQ(store.GetOperList(), (QStringList{"A", "B"}));
    EXPECT_EQ(store.CheckOper("A", "pw"), 0);
    EXPECT_EQ(store.CheckOper("GONE", "x"), -1);
    ASSERT_EQ(store.SaveToFile(dir.file("out.dat")), 0);
    // The object's own trailer values are written, not the file's.
    EXPECT_EQ(testutil::readFile(dir.file("out.dat")), file({r1, r2, r3}));
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(ProgParam, LoadFailures)
{
    struct Case {
        const char* what;
        QByteArray bytes; // empty: no file
        const char* message;
    };
    const QByteArray one = rec("X", "1");
    const Case cases[] = {
        {"missing file", {}, "Не найден файл параметров!"},
        {"trailer missing", header(41) + one, "Ошибка во время чтения файла параметров!"},
        {"length far beyond the file", header(0xFFFFFFF0u) + one + kTrailer, "Ошибка во время чтения файла параметров!"},
        {"header cut short", QByteArray::fromHex("01020304"), "Ошибка во время чтения файла параметров!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        TScriptedMessageBoxPort boxes;
        if (!c.bytes.isEmpty())
            testutil::writeFile(dir.file("VELT.dat"), c.bytes);
        TProgParam store;
        EXPECT_EQ(store.LoadFromFile(dir.file("VELT.dat")), -1);
        EXPECT_EQ(store.Count(), 0);
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.AskedSoFar()[0].text, u(c.message));
        EXPECT_EQ(boxes.AskedSoFar()[0].caption, u("Ошибка!"));
        EXPECT_EQ(boxes.AskedSoFar()[0].icon(), MB_ICONERROR);
    }
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    testutil::writeFile(dir.file("empty.dat"), file({}));
    TProgParam store;
    EXPECT_EQ(store.LoadFromFile(dir.file("empty.dat")), 0);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(ProgParam, AFileThatCannotBeLoadedIsNeverOverwritten)
{
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    const QByteArray damaged = header(0x7FFFFFFF) + rec("X", "1") + kTrailer;
    testutil::writeFile(dir.file("VELT.dat"), damaged);
    TProgParam store;
    EXPECT_EQ(store.LoadFromFile(dir.file("VELT.dat")), -1);
    EXPECT_EQ(store.SaveToFile(dir.file("VELT.dat")), -1);
    EXPECT_EQ(testutil::readFile(dir.file("VELT.dat")), damaged);
    EXPECT_EQ(boxes.Count(), 1); // the load's message only

    // Something that exists under the name but cannot be opened as a file.
    QDir().mkpath(dir.file("dir.dat"));
    TProgParam other;
    EXPECT_EQ(other.LoadFromFile(dir.file("dir.dat")), -1);
    EXPECT_EQ(boxes.AskedSoFar().back().text, QString::fromUtf8("Ошибка при попытке открытия файла параметров!"));
    EXPECT_EQ(other.SaveToFile(dir.file("dir.dat")), -1);
    EXPECT_TRUE(QFileInfo(dir.file("dir.dat")).isDir());

    // A missing file is created, empty, as before.
    TProgParam fresh;
    EXPECT_EQ(fresh.LoadFromFile(dir.file("new.dat")), -1);
    EXPECT_EQ(fresh.SaveToFile(dir.file("new.dat")), 0);
    EXPECT_EQ(testutil::readFile(dir.file("new.dat")).size(), 24);
}

TEST(ProgParam, SaveFailureKeepsTheOldFile)
{
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    TProgParam store;
    EXPECT_EQ(store.SaveToFile(dir.file("no/such/folder/VELT.dat")), -1);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, u("Ошибка при попытке открытия файла параметров!"));
    // The target is a folder: the temporary file is written but cannot take its place.
    QDir().mkpath(dir.file("VELT.dat/keep"));
    EXPECT_EQ(store.SaveToFile(dir.file("VELT.dat")), -1);
    EXPECT_EQ(boxes.AskedSoFar().back().text, u("Ошибка во время записи файла параметров!"));
    EXPECT_TRUE(QFileInfo(dir.file("VELT.dat/keep")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{});
}

TEST(ProgParam, AddCheckAndDelete)
{
    TScriptedMessageBoxPort boxes;
    TProgParam store;
    EXPECT_EQ(store.AddOper(u("ИВАНОВ"), "123"), 0);
    EXPECT_EQ(store.AddOper(u("ПЕТРОВ"), "555"), 0);
    EXPECT_EQ(store.AddOper(u("СИДОРОВ"), "7"), 0);
    EXPECT_EQ(store.AddOper(u("ИВАНОВ"), "999"), -1);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, u("Оператор с таким именем уже существует!"));
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, u("Ошибка!"));
    EXPECT_EQ(store.AddOper(u("Иванов"), "1"), 0); // letter case makes another name
    EXPECT_EQ(store.Count(), 4);

    EXPECT_EQ(store.CheckOper(u("ИВАНОВ"), "123"), 0);
    EXPECT_EQ(store.CheckOper(u("ИВАНОВ"), "124"), -2);
    EXPECT_EQ(store.CheckOper(u("ИВАНОВ"), ""), -2);
    EXPECT_EQ(store.CheckOper(u("иванов"), "123"), -1);
    EXPECT_EQ(store.CheckOper(u("НЕКТО"), "123"), -1);

    boxes.Clear();
    EXPECT_EQ(store.DelOper(u("НЕКТО"), "1"), -1);
    EXPECT_EQ(store.DelOper(u("ПЕТРОВ"), "556"), -2);
    EXPECT_EQ(boxes.Count(), 0);
    boxes.Answer(IDNO);
    EXPECT_EQ(store.DelOper(u("ПЕТРОВ"), "555"), -3);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, u("Вы уверены что хотите удалить оператора?"));
    EXPECT_EQ(boxes.AskedSoFar()[0].caption, u("Внимание"));
    EXPECT_EQ(boxes.AskedSoFar()[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(store.Count(), 4);
    boxes.Answer(IDYES);
    EXPECT_EQ(store.DelOper(u("ПЕТРОВ"), "555"), 0);
    EXPECT_EQ(store.GetOperList(), (QStringList{u("ИВАНОВ"), u("СИДОРОВ"), u("Иванов")}));
    EXPECT_EQ(store.Count(), 3);
}

TEST(ProgParam, DeletedRecordStillHoldsItsName)
{
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    testutil::writeFile(dir.file("VELT.dat"), file({rec("OLD", "1", 1)}));
    TProgParam store;
    ASSERT_EQ(store.LoadFromFile(dir.file("VELT.dat")), 0);
    EXPECT_EQ(store.AddOper("OLD", "2"), -1);
    EXPECT_TRUE(store.GetOperList().isEmpty());
    store.Compact();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.AddOper("OLD", "2"), 0);
}

TEST(ProgParam, TextsThatDoNotFitAreRefused)
{
    TScriptedMessageBoxPort boxes;
    TProgParam store;
    EXPECT_EQ(store.AddOper(u("АБВГДЕЁЖЗИЙКЛМН"), u("ОПРСТУФХЦЧШЩЪЫЬ")), 0); // 15 each: fits
    EXPECT_EQ(store.CheckOper(u("АБВГДЕЁЖЗИЙКЛМН"), u("ОПРСТУФХЦЧШЩЪЫЬ")), 0);
    const TOperatorRec& r = store.Record(0);
    EXPECT_EQ(r.Name[15], '\0');
    EXPECT_EQ(r.Password[15], '\0');
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(store.AddOper(u("АБВГДЕЁЖЗИЙКЛМНО"), "1"), -4);     // 16
    EXPECT_EQ(store.AddOper(u("Ω"), "1"), -4);                    // no cp1251 byte
    EXPECT_EQ(store.AddOper("X", u("0123456789abcdef")), -4);     // 16
    EXPECT_EQ(store.AddOper("Y", u("пароль€ok✓")), -4);
    EXPECT_EQ(store.Count(), 1);
    ASSERT_EQ(boxes.Count(), 4);
    for (const auto& a : boxes.AskedSoFar()) {
        EXPECT_EQ(a.caption, u("Ошибка!"));
        EXPECT_EQ(a.icon(), MB_ICONERROR);
    }
    // A typed text with no cp1251 byte never matches a stored '?'.
    EXPECT_EQ(store.AddOper("?", "?"), 0);
    EXPECT_EQ(store.CheckOper(u("Ω"), "?"), -1);
    EXPECT_EQ(store.CheckOper("?", u("Ω")), -2);
}

TEST(ProgParam, FieldsWithoutTerminatorAreReadWithinTheirBytes)
{
    TempDir dir;
    TScriptedMessageBoxPort boxes;
    // 16 non-zero name bytes run straight into the password field.
    const QByteArray r = QByteArray("ABCDEFGHIJKLMNOP", 16) + QByteArray("QRSTUVWXYZ012345", 16) + QByteArray(1, '\0');
    testutil::writeFile(dir.file("VELT.dat"), file({r}));
    TProgParam store;
    ASSERT_EQ(store.LoadFromFile(dir.file("VELT.dat")), 0);
    EXPECT_EQ(store.GetOperList(), QStringList{"ABCDEFGHIJKLMNOP"});
    EXPECT_EQ(store.CheckOper("ABCDEFGHIJKLMNOP", "QRSTUVWXYZ012345"), 0);
    EXPECT_EQ(store.CheckOper("ABCDEFGHIJKLMNOP", "QRSTUVWXYZ0123456"), -2);
}
