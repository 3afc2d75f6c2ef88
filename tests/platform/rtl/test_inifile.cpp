#include "platform/rtl/CodePage.h"
#include "platform/rtl/IniFile.h"

#include "common/testutil.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using rtl::TIniFile;
using testutil::readFile;
using testutil::writeFile;

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A settings file as the old program and a hand editor leave it: CR LF, comments, blanks, mixed case.
QByteArray windowsFixture()
{
    return rtl::toCp1251(u("orphan=before any section\r\n"
                           "; settings of the journal\r\n"
                           "[Methods]\r\n"
                           "AppType=default_mp\r\n"
                           "Operator=ИВАНОВ\r\n"
                           "  Video = 1  \r\n"
                           "Quoted=\"  padded  \"\r\n"
                           "Single='x'\r\n"
                           "Half=\"open\r\n"
                           "Empty=\r\n"
                           ";Hidden=1\r\n"
                           "no equals sign here\r\n"
                           "AppType=second wins never\r\n"
                           "\r\n"
                           "[Device_000]\r\n"
                           "TypeDev=VELT-A (тип 1)\r\n"
                           "COM= \r\n"
                           "netnums= 1; 2; 17; \r\n"
                           "List=a,b\r\n"
                           "\r\n"
                           "[Раздел]\r\n"
                           "Ключ=Значение\r\n"
                           "[methods]\r\n"
                           "Later=duplicate section is not read\r\n"));
}

} // namespace

TEST(IniFile, ReadsProfileSemantics)
{
    testutil::TempDir dir;
    for (const bool lf : {false, true}) {
        const QString path = dir.file(lf ? "lf.ini" : "crlf.ini");
        QByteArray bytes = windowsFixture();
        if (lf)
            bytes.replace("\r\n", "\n");
        writeFile(path, bytes);
        const TIniFile ini(path);
        struct Case { const char* section; const char* key; const char* expected; };
        const Case cases[] = {
            {"Methods", "AppType", "default_mp"},
            {"METHODS", "apptype", "default_mp"},       // names ignore case
            {" Methods ", " AppType ", "default_mp"},   // and surrounding blanks
            {"Methods", "Operator", "ИВАНОВ"},           // cp1251 on disk
            {"Methods", "Video", "1"},                  // blanks around '=' and the value cut
            {"Methods", "Quoted", "  padded  "},        // one pair of quotes stripped, inside kept
            {"Methods", "Single", "x"},
            {"Methods", "Half", "\"open"},              // an unmatched quote stays
            {"Methods", "Empty", ""},                   // present but empty: not the default
            {"Methods", ";Hidden", "<def>"},            // a comment is no key
            {"Methods", "Later", "<def>"},              // only the first section of a name is read
            {"Methods", "orphan", "<def>"},             // nothing before the first section is a key
            {"Device_000", "netnums", "1; 2; 17;"},
            {"Device_000", "COM", ""},
            {"Device_000", "List", "a,b"},
            {"раздел", "КЛЮЧ", "Значение"},              // Cyrillic names ignore case too
            {"Missing", "AppType", "<def>"},
        };
        for (const Case& c : cases)
            EXPECT_EQ(ini.ReadString(u(c.section), u(c.key), "<def>"), u(c.expected))
                << (lf ? "LF " : "CRLF ") << c.section << "/" << c.key;
    }
}

TEST(IniFile, WrittenValuesAreStoredAsTheyStandAndReadBackAsAReaderSeesThem)
{
    testutil::TempDir dir;
    const QString path = dir.file("VELT.ini");
    // Value, its bytes in the file, what is read back: blanks at the edges are stored as they stand and dropped
    // by the reader; quotes are added only where the reader would take away more than those blanks.
    struct Case {
        const char* value;
        QByteArray stored;
        const char* read;
    };
    const Case cases[] = {
        {" 1; 2; ", " 1; 2; ", "1; 2;"},
        {"	tab", "	tab", "tab"},
        {"a,b", "a,b", "a,b"},
        {"", "", ""},
        {"a=b;c", "a=b;c", "a=b;c"},
        {"x \"y\" z", "x \"y\" z", "x \"y\" z"},
        {"\"", "\"", "\""},
        {"Иванов И.И.", rtl::toCp1251(u("Иванов И.И.")), "Иванов И.И."},
        {" ", "\" \"", " "},
        {"\"quoted\"", "\"\"quoted\"\"", "\"quoted\""},
        {"'single'", "\"'single'\"", "'single'"},
        {" 'x' ", "\" 'x' \"", " 'x' "},
    };
    {
        TIniFile ini(path);
        int i = 0;
        for (const Case& c : cases)
            ASSERT_TRUE(ini.WriteString("Device_001", QString("k%1").arg(i++), u(c.value))) << ini.LastError().toStdString();
    }
    const TIniFile again(path);
    const QByteArray bytes = readFile(path);
    int i = 0;
    for (const Case& c : cases) {
        EXPECT_TRUE(bytes.contains("\r\nk" + QByteArray::number(i) + "=" + c.stored + "\r\n")) << c.value << "\n" << bytes.constData();
        EXPECT_EQ(again.ReadString("device_001", QString("K%1").arg(i++), "<def>"), u(c.read)) << c.value;
    }
    // What files written with quotes round such values hold reads as it always did.
    writeFile(path, "[Device_000]\r\nnetnums=\" 3; 5; 7; \"\r\nCOM=\" \"\r\n");
    EXPECT_EQ(TIniFile(path).ReadString("Device_000", "netnums", "<def>"), u(" 3; 5; 7; "));
    EXPECT_EQ(TIniFile(path).ReadString("Device_000", "COM", "<def>"), u(" "));
}

TEST(IniFile, WritesKeepEveryOtherLineInPlace)
{
    testutil::TempDir dir;
    const QString path = dir.file("VELT.ini");
    writeFile(path, "; top comment\r\n"
                    "[Methods]\r\n"
                    "AppType=default\r\n"
                    "  ; note about video\r\n"
                    "Video=0\r\n"
                    "\r\n"
                    "\r\n"
                    "[SizeTable]\r\n"
                    "Col0=120\r\n"
                    "odd line\r\n");
    TIniFile ini(path);
    ASSERT_TRUE(ini.WriteString("methods", "VIDEO", "1"));       // existing key: replaced where it stands
    ASSERT_TRUE(ini.WriteInteger("Methods", "JpegQuality", 75));  // new key: after the section's last line
    ASSERT_TRUE(ini.WriteBool("WindowState", "wsMaximized", true)); // new section: at the end
    EXPECT_EQ(readFile(path), QByteArray("; top comment\r\n"
                                         "[Methods]\r\n"
                                         "AppType=default\r\n"
                                         "  ; note about video\r\n"
                                         "Video=1\r\n"
                                         "JpegQuality=75\r\n"
                                         "\r\n"
                                         "\r\n"
                                         "[SizeTable]\r\n"
                                         "Col0=120\r\n"
                                         "odd line\r\n"
                                         "[WindowState]\r\n"
                                         "wsMaximized=1\r\n"));

    // A file with LF line ends keeps them.
    const QString lfPath = dir.file("lf.ini");
    writeFile(lfPath, "[A]\nx=1\n");
    TIniFile lf(lfPath);
    ASSERT_TRUE(lf.WriteString("A", "y", "2"));
    EXPECT_EQ(readFile(lfPath), QByteArray("[A]\nx=1\ny=2\n"));
}

TEST(IniFile, NumbersAndBooleans)
{
    testutil::TempDir dir;
    const QString path = dir.file("n.ini");
    writeFile(path, "[N]\r\n"
                    "dec=10\r\nneg=-5\r\nspaced= 7 \r\nhex=0x1F\r\nHEX=0X1f\r\ndollar=$10\r\nall=0xFFFFFFFF\r\n"
                    "min=-2147483648\r\nover=2147483648\r\nhexover=0x100000000\r\ntext=abc\r\ntail=12abc\r\n"
                    "empty=\r\nsign=-\r\nquoted=\"42\"\r\n"
                    "f1=0.5\r\nf2=-1e3\r\nf3=0,5\r\nf4=.25\r\nf5=nan\r\nf6=1.5x\r\n"
                    "b0=0\r\nb1=1\r\nb2=2\r\nbt=true\r\n");
    const TIniFile ini(path);
    struct IntCase { const char* key; int expected; };
    const IntCase ints[] = {
        {"dec", 10}, {"neg", -5}, {"spaced", 7}, {"hex", 31}, {"HEX", 31}, {"dollar", 16}, {"all", -1},
        {"min", -2147483647 - 1}, {"over", -99}, {"hexover", -99}, {"text", -99}, {"tail", -99}, {"empty", -99},
        {"sign", -99}, {"quoted", 42}, {"missing", -99},
    };
    for (const IntCase& c : ints)
        EXPECT_EQ(ini.ReadInteger("N", c.key, -99), c.expected) << c.key;

    struct FloatCase { const char* key; double expected; };
    const FloatCase floats[] = {{"f1", 0.5}, {"f2", -1000}, {"f3", -7}, {"f4", 0.25}, {"f5", -7}, {"f6", -7}};
    for (const FloatCase& c : floats)
        EXPECT_EQ(ini.ReadFloat("N", c.key, -7), c.expected) << c.key;

    EXPECT_FALSE(ini.ReadBool("N", "b0", true));
    EXPECT_TRUE(ini.ReadBool("N", "b1", false));
    EXPECT_TRUE(ini.ReadBool("N", "b2", false));
    EXPECT_TRUE(ini.ReadBool("N", "bt", true)); // not an integer: the default
    EXPECT_FALSE(ini.ReadBool("N", "bt", false));

    TIniFile out(dir.file("out.ini"));
    ASSERT_TRUE(out.WriteFloat("F", "tenth", 0.1));
    ASSERT_TRUE(out.WriteFloat("F", "third", 1.0 / 3));
    ASSERT_TRUE(out.WriteBool("F", "off", false));
    EXPECT_EQ(readFile(dir.file("out.ini")), QByteArray("[F]\r\ntenth=0.1\r\nthird=0.3333333333333333\r\noff=0\r\n"));
    EXPECT_EQ(out.ReadFloat("F", "third", 0), 1.0 / 3);
}

TEST(IniFile, SectionsKeysAndErasing)
{
    testutil::TempDir dir;
    const QString path = dir.file("VELT.ini");
    writeFile(path, rtl::toCp1251(u("[Methods]\r\nAppType=default\r\n\r\n"
                                    "[Device_000]\r\nTypeDev=A\r\nCOM=COM1\r\ncom=dup\r\n;c=1\r\n\r\n"
                                    "[Empty]\r\n"
                                    "[Device_001]\r\nTypeDev=\"B\"\r\n"
                                    "[DEVICE_000]\r\nExtra=1\r\n")));
    TIniFile ini(path);
    QStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(list, QStringList({"Methods", "Device_000", "Empty", "Device_001"}));
    ini.ReadSection("device_000", list);
    EXPECT_EQ(list, QStringList({"TypeDev", "COM"}));
    ini.ReadSectionValues("Device_001", list);
    EXPECT_EQ(list, QStringList({"TypeDev=B"}));
    EXPECT_TRUE(ini.SectionExists("DEVICE_001"));
    EXPECT_FALSE(ini.SectionExists("Empty")); // a header with no key does not count
    EXPECT_FALSE(ini.SectionExists("Device_002"));
    EXPECT_TRUE(ini.ValueExists("Device_000", "com"));
    EXPECT_FALSE(ini.ValueExists("Device_000", "c"));

    // Erasing takes every section of the name, with its comments and blank lines; nothing else moves.
    ASSERT_TRUE(ini.EraseSection("device_000"));
    ASSERT_TRUE(ini.DeleteKey("Methods", "APPTYPE"));
    ASSERT_TRUE(ini.DeleteKey("Methods", "NoSuchKey"));
    ASSERT_TRUE(ini.EraseSection("NoSuchSection"));
    EXPECT_EQ(readFile(path), QByteArray("[Methods]\r\n\r\n[Empty]\r\n[Device_001]\r\nTypeDev=\"B\"\r\n"));
}

TEST(IniFile, FailuresAreReportedAndLoseNothing)
{
    testutil::TempDir dir;

    // A folder that does not exist: reads give defaults, writes fail naming the file.
    TIniFile nowhere(dir.file("no/such/folder/VELT.ini"));
    EXPECT_EQ(nowhere.ReadInteger("Methods", "JpegQuality", 75), 75);
    EXPECT_FALSE(nowhere.WriteString("Methods", "Video", "1"));
    EXPECT_TRUE(nowhere.LastError().contains("no/such/folder/VELT.ini")) << nowhere.LastError().toStdString();
    EXPECT_TRUE(nowhere.EraseSection("Methods")); // nothing there to erase

    // A file that cannot be read (here a folder in its place) is never replaced by a file of one key.
    QDir(dir.path()).mkdir("VELT.ini");
    TIniFile unreadable(dir.file("VELT.ini"));
    EXPECT_EQ(unreadable.ReadString("Methods", "AppType", "default_mp"), "default_mp");
    EXPECT_FALSE(unreadable.WriteString("Methods", "AppType", "default"));
    EXPECT_TRUE(unreadable.LastError().startsWith("Cannot read ")) << unreadable.LastError().toStdString();
    EXPECT_TRUE(QFileInfo(dir.file("VELT.ini")).isDir());

    // Text the file cannot hold is refused whole, and the file stays as it was.
    const QString path = dir.file("ok.ini");
    writeFile(path, "[A]\r\nx=1\r\n");
    TIniFile ini(path);
    EXPECT_FALSE(ini.WriteString("A", "x", "line\r\nbreak"));
    EXPECT_FALSE(ini.WriteString("A", "x", u("中文")));
    EXPECT_TRUE(ini.LastError().contains("cp1251")) << ini.LastError().toStdString();
    EXPECT_FALSE(ini.WriteString("A", "k=v", "1"));
    EXPECT_FALSE(ini.WriteString("A]", "x", "1"));
    EXPECT_FALSE(ini.WriteString("", "x", "1"));
    EXPECT_EQ(readFile(path), QByteArray("[A]\r\nx=1\r\n"));
    EXPECT_TRUE(ini.WriteString("A", "x", "2"));
    EXPECT_TRUE(ini.LastError().isEmpty());

    if (geteuid() != 0) { // root writes anywhere
        const QString locked = dir.file("locked");
        QDir(dir.path()).mkdir("locked");
        TIniFile ro(locked + "/VELT.ini");
        ::chmod(QFile::encodeName(locked).constData(), 0555);
        EXPECT_FALSE(ro.WriteString("A", "x", "1"));
        EXPECT_TRUE(ro.LastError().contains("locked/VELT.ini"));
        ::chmod(QFile::encodeName(locked).constData(), 0755);
    }
}

TEST(IniFile, WritesReplaceTheFileWhole)
{
    testutil::TempDir dir;
    const QString path = dir.file("VELT.ini");
    writeFile(path, "[A]\r\nx=1\r\n");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    // A second name for the old file: a write in place would change it too; a rename leaves it alone.
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.file("old.ini")).constData()), 0);
    TIniFile ini(path);
    ASSERT_TRUE(ini.WriteString("A", "x", "2"));
    EXPECT_EQ(readFile(dir.file("old.ini")), QByteArray("[A]\r\nx=1\r\n"));
    EXPECT_EQ(readFile(path), QByteArray("[A]\r\nx=2\r\n"));
    EXPECT_EQ(QFile(path).permissions(), QFile(dir.file("old.ini")).permissions()); // mode kept
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // A symbolic link stays a link to the file it named.
    QFile::link(path, dir.file("link.ini"));
    TIniFile viaLink(dir.file("link.ini"));
    ASSERT_TRUE(viaLink.WriteString("A", "y", "3"));
    EXPECT_TRUE(QFileInfo(dir.file("link.ini")).isSymLink());
    EXPECT_EQ(readFile(path), QByteArray("[A]\r\nx=2\r\ny=3\r\n"));
}

TEST(IniFile, FindsTheFileInAnotherLetterCase)
{
    testutil::TempDir dir;
    writeFile(dir.file("velt.INI"), "[Methods]\r\nAppType=default\r\n");
    TIniFile ini(dir.file("VELT.ini"));
    EXPECT_EQ(ini.ReadString("Methods", "AppType", ""), "default");
    ASSERT_TRUE(ini.WriteString("Methods", "Video", "1"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(readFile(dir.file("velt.INI")), QByteArray("[Methods]\r\nAppType=default\r\nVideo=1\r\n"));
}

TEST(IniFile, ThreadsWritingTheirSectionsLoseNothing)
{
    testutil::TempDir dir;
    const QString path = dir.file("VELT.ini");
    constexpr int kThreads = 8, kKeys = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            TIniFile ini(path); // one object per driver, as the drivers hold them
            const QString section = QString::asprintf("Device_%03i", t);
            for (int k = 0; k < kKeys; ++k)
                ini.WriteInteger(section, QString("key%1").arg(k), t * 1000 + k);
        });
    for (std::thread& th : threads)
        th.join();
    const TIniFile ini(path);
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < kKeys; ++k)
            ASSERT_EQ(ini.ReadInteger(QString::asprintf("Device_%03i", t), QString("key%1").arg(k), -1), t * 1000 + k);
}
