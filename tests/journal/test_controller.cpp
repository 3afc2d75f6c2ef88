// The "default_mp" controller: the table it creates, its views and their captions, the grid's columns,
// widths and cell colours, the record-count status, editability, deletion and settings.
#include "JournalFixture.h"
#include "VideoFixture.h"

#include "db/JournalSchemas.h"
#include "journal/CellLook.h"
#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/IniFile.h"

#include <QApplication>
#include <QCoreApplication>

using jtest::Journal;
using jtest::Measurement;

namespace {

TVELTMeasurement Kind(int kind, int minute, double value, int y = 2010, int mo = 8, int d = 1)
{
    auto m = Measurement(y, mo, d, 12, minute, 0, 55, value, 0, uint32_t(minute + 1));
    m.Probe.RecordType = uint32_t(kind);
    return m;
}

} // namespace

TEST(Controller, AFreshStartCreatesTheJournalTableWithItsCodePageByte)
{
    Journal j;
    const QByteArray file = testutil::readFile(j.base());
    ASSERT_GT(file.size(), 32);
    EXPECT_EQ(uchar(file[29]), 0x57);
    const QString log = j.log();
    EXPECT_TRUE(log.contains(QString::fromUtf8(
        "Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы) на 0x57, т.е. на 'ascii' ANSI...")));
    EXPECT_TRUE(log.contains(QString::fromUtf8(
        "Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы) на 0x57, т.е. на 'ascii' ANSI - Выполнено")));
    // The columns as a reader that is not ours sees them.
    const QString fields = jtest::runPython(
        QStringLiteral("import sys, dbfread\n"
                       "t = dbfread.DBF(sys.argv[1], encoding='cp1251', load=True)\n"
                       "print(' '.join('%s:%s%d' % (f.name, f.type, f.length) for f in t.fields))\n"),
        j.base());
    EXPECT_EQ(fields.toStdString(),
              "ID:N11 TYPE_PRIB:N11 PRIBOR:N11 DATA_IZM:C19 NUM_VIDOH:N11 IZM:N19 STAT:C1 NORMA:N19 IZM_AIR:N19 "
              "DATA_POVER:C19 MEAS_PLACE:C23 OBSL_FAM:C23 OBSL_NAME:C23 OBSL_PAT:C23 OBSL_NAUTO:C23 OBSL_PHOTO:M10 "
              "INSP_FAM:C23 INSP_NAME:C23 INSP_PAT:C23 INSP_DEPR:C23 INSP_NUMB:C23 SATURDATA:N11 TYPERECORD:N11 "
              "DATA_REC:C19 OPER:C19");
    EXPECT_EQ(db::DetectGeneration(j.query->FieldNames()), 7);
    // An existing table is left as it is.
    QFile f(j.base());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(29);
    f.write("\x65", 1);
    f.close();
    Journal again(false);
    QFile::copy(j.base(), again.base());
    QFile::copy(j.dir.file("DATABASE/Base.DBT"), again.dir.file("DATABASE/Base.DBT"));
    again.Init();
    EXPECT_EQ(uchar(testutil::readFile(again.base())[29]), 0x65);
}

TEST(Controller, AFailingHeaderPatchIsReportedOnlyInTheLog)
{
    Journal j;
    EXPECT_FALSE(TJournalFiling::PatchDbfHeader(j.dir.file("DATABASE/none.DBF")));
    EXPECT_TRUE(j.log().contains(QString::fromUtf8("Заменяем в BASE.DBF значение 29-го байта(код кодировки таблицы)\r\n")));
}

TEST(Controller, ViewsNameThemselvesAndTodayHoldsOnlyTodaysRecords)
{
    Journal j;
    const rtl::TDateTime now = rtl::Now();
    int y, mo, d, h, mi, s, ms;
    rtl::DecodeDateTime(now, y, mo, d, h, mi, s, ms);
    auto today = Measurement(y, mo, d, 0, 0, 1, 7, 0.1);
    auto old = Measurement(2015, 1, 1, 0, 0, 0, 7, 0.2);
    j.ctrl->NewMeasure(&old, 0);
    j.ctrl->NewMeasure(&today, 0);
    j.ctrl->ShowToday();
    EXPECT_EQ(j.viewPanel->text(), QString::fromUtf8("измерения, сделанные сегодня"));
    EXPECT_EQ(j.ViewIds(), std::vector<int>{2});
    const QString day = rtl::FormatDateTime("yyyy.mm.dd", now);
    EXPECT_EQ(j.ctrl->CurrentFilter().From, day + " 00:00:00");
    EXPECT_EQ(j.ctrl->CurrentFilter().To, day + " 23:59:59");
    j.ctrl->ShowAll();
    EXPECT_EQ(j.viewPanel->text(), QString::fromUtf8("вся база"));
    EXPECT_EQ(j.ViewIds(), (std::vector<int>{1, 2}));
    EXPECT_EQ(j.query->RecNo(), 2) << "the view stands on its last row";
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: 2"));
}

TEST(Controller, ColumnsTitlesAndWidthsKeptInSizeTable)
{
    Journal j;
    const char* fields[] = {"DATA_IZM", "FIO", "IZM", "IZM_AIR", "PRIBOR", "NUM_VIDOH", "MEAS_PLACE", "OBSL_NAUTO",
                            "INSP_FIO", "INSP_DEPR", "INSP_NUMB"};
    const char* titles[] = {"Дата", "ФИО\\Информ.", "Алкоголь (мг/л)", "В воздухе (мг/л)", "прибор", "Номер выдоха",
                            "Место составления", "Номер авто.", "ФИО инспектора", "Подразделение", "Нагрудной знак"};
    ASSERT_EQ(j.grid->Columns().Count(), 11);
    for (int i = 0; i < 11; ++i) {
        TColumnEx* c = j.grid->Columns().GetColumn(i);
        EXPECT_EQ(c->FieldName(), fields[i]);
        EXPECT_EQ(c->Title().Caption(), QString::fromUtf8(titles[i]));
        EXPECT_EQ(c->Alignment(), taCenter);
        EXPECT_EQ(c->Title().Alignment(), taCenter);
        EXPECT_TRUE(c->Title().GetFont().Style() & gfx::fsBold);
    }
    // Defaults when the section is missing, one key read, a damaged value taken as its default.
    rtl::TIniFile ini(j.dir.file("VELT.ini"));
    ini.WriteInteger("SizeTable", "IZM", 99);
    ini.WriteString("SizeTable", "PRIBOR", "wide");
    j.ctrl->ReadIni(ini);
    const int expected[] = {19, 720, 99, 70, 40, 230, 230, 230, 230, 230, 230};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(j.grid->Columns().GetColumn(i)->GetWidth(), expected[i]) << fields[i];
    j.grid->Columns().GetColumn(5)->SetWidth(123);
    j.ctrl->WriteIni(ini);
    rtl::TIniFile back(j.dir.file("VELT.ini"));
    EXPECT_EQ(back.ReadInteger("SizeTable", "NUM_VIDOH", 0), 123);
    EXPECT_EQ(back.ReadInteger("SizeTable", "PRIBOR", 0), 40);
    EXPECT_EQ(back.ReadInteger("SizeTable", "DATA_IZM", 0), 19);
}

TEST(Controller, SettingsReadFromMethods)
{
    struct Case {
        const char* quality;
        int expected;
    } cases[] = {{nullptr, 75}, {"10", 30}, {"120", 99}, {"200", 30}, {"95", 95}, {"30", 30}};
    for (const Case& c : cases) {
        Journal j;
        rtl::TIniFile ini(j.dir.file("VELT.ini"));
        if (c.quality)
            ini.WriteString("Methods", "JpegQuality", c.quality);
        j.ctrl->ReadIni(ini);
        EXPECT_EQ(j.ctrl->GetJournalSettings().JpegQuality, c.expected) << (c.quality ? c.quality : "absent");
    }
    Journal j;
    rtl::TIniFile ini(j.dir.file("VELT.ini"));
    ini.WriteBool("Methods", "ProgUseOnlyForAlkozamok", true);
    ini.WriteBool("Methods", "Video", true);
    vtest::UseLinks(j.ctrl->ActWindow().VideoPanel(), [] { return vtest::LinkWith(vtest::Format(64, 48, 4)); });
    const auto m = Measurement(2015, 1, 1, 0, 0, 0, 7, 0.2);
    j.ctrl->NewMeasure(&m, 1);
    j.ctrl->ReadIni(ini);
    EXPECT_TRUE(j.editButtons->isHidden());
    EXPECT_FALSE(j.ctrl->IsRecordEditable());
    EXPECT_EQ(j.ctrl->GetJournalSettings().VideoOn, 1);
    TJournalSettings s = j.ctrl->GetJournalSettings();
    s.OnlyForAlkozamok = 0;
    s.JpegQuality = 50;
    j.ctrl->ApplyJournalSettings(s);
    EXPECT_FALSE(j.editButtons->isHidden());
    EXPECT_TRUE(j.ctrl->IsRecordEditable());
    j.ctrl->WriteIni(ini);
    rtl::TIniFile back(j.dir.file("VELT.ini"));
    EXPECT_EQ(back.ReadInteger("Methods", "JpegQuality", 0), 50);
    EXPECT_FALSE(back.ReadBool("Methods", "ProgUseOnlyForAlkozamok", true));
    EXPECT_TRUE(back.ReadBool("Methods", "Video", false));
}

TEST(Controller, EditabilityAndTheRecordCountFollowTheView)
{
    Journal j;
    j.ctrl->ShowAll();
    EXPECT_FALSE(j.ctrl->IsRecordEditable()) << "empty view";
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: 0"));
    EXPECT_FALSE(j.del->isEnabled());
    EXPECT_FALSE(j.edit->isEnabled());
    for (int kind : {0, 1, 2, 3, 5}) {
        const auto m = Kind(kind, kind, 0.1);
        j.ctrl->NewMeasure(&m, 1);
    }
    const bool editable[] = {true, true, false, false, false};
    for (int row = 1; row <= 5; ++row) {
        j.query->SetRecNo(row);
        EXPECT_EQ(j.ctrl->IsRecordEditable(), editable[row - 1]) << "TYPERECORD of row " << row;
    }
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: 5"));
    EXPECT_TRUE(j.del->isEnabled());
    // A view without TYPERECORD is never editable.
    j.query->Close();
    j.query->SetSQL("SELECT ID, DATA_IZM FROM Base");
    j.query->Open();
    EXPECT_FALSE(j.ctrl->IsRecordEditable());
}

TEST(Controller, DuringABurstTheStatusShowsTheCounterAndTheGridIsDisabled)
{
    Journal j;
    uint32_t counter = 0;
    j.ctrl->QueryAfterOpenBurstInstall();
    auto m = Kind(1, 0, 0.1);
    j.ctrl->NewMeasure(&m, 0);
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: ---"));
    j.ctrl->SetBurstCounter(&counter);
    counter = 2;
    m = Kind(1, 1, 0.1);
    j.ctrl->NewMeasure(&m, 0);
    j.ctrl->FlushView();  // the second filing's view read waits for its pause
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: 2"));
    EXPECT_FALSE(j.grid->isEnabled());
    EXPECT_FALSE(j.add->isEnabled());
    EXPECT_FALSE(j.del->isEnabled());
    const int rows = j.grid->VisibleDataRowCount();
    EXPECT_EQ(j.ctrl->IdWindow(), rows + (rows > 10 ? 1 : 0));
    j.ctrl->QueryAfterOpenInstall();
    j.ctrl->NewMeasure(nullptr, 1);
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: 2"));
    EXPECT_TRUE(j.grid->isEnabled());
    EXPECT_TRUE(j.add->isEnabled());
    EXPECT_TRUE(j.del->isEnabled());
}

// The view a filing reads reaches the grid as new rows, not as a view closed and opened again; what a close
// did that shows is kept: the marked rows are let go, and the grid holds the view's rows and paints them.
TEST(Controller, AViewReadAfterAFilingShowsItsRowsAndLetsTheMarksGo)
{
    Journal j;
    for (int i = 0; i < 30; ++i) {
        const auto m = Kind(1, i, 0.1);
        j.ctrl->NewMeasure(&m, 1);
    }
    for (int row : {2, 4}) {
        j.query->SetRecNo(row);
        j.grid->SelectedRows().SetCurrentRowSelected(true);
    }
    ASSERT_EQ(j.grid->SelectedRows().Count(), 2);
    const int shownBefore = j.grid->RowCount();
    j.ctrl->QueryAfterOpenBurstInstall();
    const auto m = Kind(1, 30, 0.1);
    j.ctrl->NewMeasure(&m, 0);
    j.ctrl->FlushView();  // read at once or once the pause after the filings before it is over
    EXPECT_EQ(j.grid->SelectedRows().Count(), 0);
    const std::vector<int> ids = j.ViewIds();
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.back(), 31);
    EXPECT_LT(int(ids.size()), 30) << "the newest identifiers only";
    EXPECT_EQ(j.grid->RowCount(), std::min(shownBefore, int(ids.size()) + 1)) << "titles and the view's rows";
    EXPECT_FALSE(j.grid->RenderToImage().isNull());
}

TEST(Controller, AFailedEndOfBurstViewStillGivesTheGridAndButtonsBack)
{
    // The journal cannot be read when the burst ends: the error is logged, and the grid and the new-record
    // button are not left disabled until some later burst happens to succeed.
    Journal j;
    j.ctrl->QueryAfterOpenBurstInstall();
    const auto m = Kind(1, 0, 0.1);
    j.ctrl->NewMeasure(&m, 0);
    ASSERT_FALSE(j.grid->isEnabled());
    j.query->Close();
    j.conn->ReleaseFiles();
    const QString moved = j.dir.file("DATABASE/gone.DBF");
    ASSERT_TRUE(QFile::rename(j.base(), moved));
    j.ctrl->QueryAfterOpenInstall();
    j.ctrl->NewMeasure(nullptr, 1);
    EXPECT_TRUE(j.log().contains(QString::fromUtf8("NewMeasure - error")));
    EXPECT_TRUE(j.grid->isEnabled());
    EXPECT_TRUE(j.add->isEnabled());
    EXPECT_FALSE(j.del->isEnabled()) << "nothing shown, nothing to delete";
    EXPECT_FALSE(j.edit->isEnabled());
    j.conn->ReleaseFiles();
    ASSERT_TRUE(QFile::rename(moved, j.base()));
    j.ctrl->ShowAll();
    EXPECT_EQ(j.ViewIds(), (std::vector<int>{1}));
}

TEST(Controller, TheGridGetsTheFocusBackAfterABurst)
{
    // Disabling the focused grid moves the focus on to the next control; the arrow keys and the wheel would
    // then no longer move through the journal once the burst is over.
    for (const bool focused : {true, false}) {
        Journal j;
        j.window->show();
        QApplication::setActiveWindow(j.window.get());
        j.del->setFocusPolicy(Qt::StrongFocus);
        (focused ? static_cast<QWidget*>(j.grid) : j.del)->setFocus();
        ASSERT_EQ(j.grid->hasFocus(), focused);
        j.ctrl->QueryAfterOpenBurstInstall();
        const auto m = Kind(1, 0, 0.1);
        j.ctrl->NewMeasure(&m, 0);
        ASSERT_FALSE(j.grid->isEnabled());
        EXPECT_FALSE(j.grid->hasFocus());
        j.ctrl->QueryAfterOpenInstall();
        j.ctrl->NewMeasure(nullptr, 1);
        ASSERT_TRUE(j.grid->isEnabled());
        EXPECT_EQ(j.grid->hasFocus(), focused) << focused;
    }
}

TEST(Controller, CellsArePaintedByRowKindAndNorm)
{
    Journal j;
    j.grid->OnDrawColumnCell = [&](TCustomDBGridEx* sender, const gfx::TRect& r, int col, TColumnEx* c, TGridDrawState s) {
        j.ctrl->DrawColumnCell(sender, r, col, c, s);
    };
    // Before 2010-08-06 an unknown instrument's norm is 0.15 mg/l.
    const TVELTMeasurement rows[] = {Kind(1, 0, 0.150), Kind(0, 1, 0.151), Kind(2, 2, 0), Kind(3, 3, 0), Kind(7, 4, 0),
                                     Kind(1, 5, 0.151)};
    for (const auto& m : rows)
        j.ctrl->NewMeasure(&m, 0);
    j.window->show();
    j.ctrl->ShowAll();
    QCoreApplication::processEvents();
    const QImage image = j.grid->RenderToImage();
    if (qEnvironmentVariableIsSet("VELT_SHOT"))
        image.save(qEnvironmentVariable("VELT_SHOT"));
    const QColor expected[] = {QColor(255, 255, 255), QColor(255, 154, 138), QColor(255, 255, 0), QColor(0, 255, 0),
                               QColor(192, 192, 192), QColor(128, 0, 0) /* the current row, selected */};
    for (int r = 0; r < 6; ++r)
        for (int c : {0, 3, 10}) {
            const QRect cell = j.grid->CellRect(c + 1, r + 1);
            EXPECT_EQ(image.pixelColor(cell.left() + 1, cell.bottom() - 1), expected[r]) << "row " << r << " column " << c;
        }
}

TEST(Controller, CellTextsStayInsideTheirCells)
{
    Journal j;
    j.grid->OnDrawColumnCell = [&](TCustomDBGridEx* sender, const gfx::TRect& r, int col, TColumnEx* c, TGridDrawState s) {
        j.ctrl->DrawColumnCell(sender, r, col, c, s);
    };
    const TVELTMeasurement m = Kind(1, 0, 0.150);
    j.ctrl->NewMeasure(&m, 0);
    j.window->show();
    j.ctrl->ShowAll();
    // The air value's cell as painted beside an instrument column of the given width; the instrument's
    // number is anchored 30 pixels from its right edge.
    auto airCell = [&](int priborWidth) {
        j.grid->Columns().GetColumn(4)->SetWidth(priborWidth);
        j.grid->update();
        QCoreApplication::processEvents();
        const QImage image = j.grid->RenderToImage();
        return image.copy(j.grid->CellRect(3 + 1, 1));
    };
    const QImage wide = airCell(40);
    ASSERT_FALSE(wide.isNull());
    EXPECT_EQ(airCell(12), wide);
    EXPECT_EQ(airCell(1), wide);
}

TEST(Controller, CellTexts)
{
    EXPECT_EQ(EventText(-2147483647), QString::fromUtf8(" \\пропадание питания"));
    EXPECT_EQ(EventText(-2147483646), QString::fromUtf8(" \\включение зажигания"));
    EXPECT_EQ(EventText(-2147483642), QString::fromUtf8(" \\был отказ от выдоха"));
    EXPECT_EQ(EventText(1), QString::fromUtf8(" \\unknow"));
    const char* marks[][2] = {{"0", ""}, {"1", "(!)"}, {"2", "(!!!)"}, {"3", "(+)"}, {"7", "(?)"}, {"", "(?)"}};
    for (auto& m : marks)
        EXPECT_EQ(StateMark(m[0]), QString::fromUtf8(m[1])) << m[0];
}

TEST(Controller, DeletingOneRecordAsksForItsDateAndKeepsThePlace)
{
    Journal j;
    ctl::TScriptedMessageBoxPort boxes;
    for (int i = 0; i < 4; ++i) {
        const auto m = Kind(1, i, 0.1);
        j.ctrl->NewMeasure(&m, 1);
    }
    j.query->SetRecNo(2);
    boxes.Answer(ctl::IDNO);
    j.ctrl->DeleteRecords();
    EXPECT_EQ(j.Rows(), 4);
    boxes.Answer(ctl::IDYES);
    j.ctrl->DeleteRecords();
    ASSERT_EQ(boxes.Count(), 2);
    const auto asked = boxes.AskedSoFar();
    EXPECT_EQ(asked[1].text, QString::fromUtf8("Удалить запись от: 2010.08.01 12:01:00?"));
    EXPECT_EQ(asked[1].caption, QString::fromUtf8("Внимание"));
    EXPECT_EQ(asked[1].flags, ctl::MB_YESNO | ctl::MB_ICONQUESTION);
    EXPECT_EQ(j.ViewIds(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(j.query->RecNo(), 2);
    // The last row deleted: the view goes to its new last row.
    j.query->SetRecNo(3);
    boxes.Answer(ctl::IDYES);
    j.ctrl->DeleteRecords();
    EXPECT_EQ(j.query->RecNo(), 2);
}

TEST(Controller, DeletingMarkedRecordsDeletesEachOnce)
{
    Journal j;
    ctl::TScriptedMessageBoxPort boxes;
    for (int i = 0; i < 5; ++i) {
        const auto m = Kind(1, i, 0.1);
        j.ctrl->NewMeasure(&m, 1);
    }
    for (int row : {1, 3, 5}) {
        j.query->SetRecNo(row);
        j.grid->SelectedRows().SetCurrentRowSelected(true);
    }
    ASSERT_EQ(j.grid->SelectedRows().Count(), 3);
    boxes.Answer(ctl::IDYES);
    j.ctrl->DeleteRecords();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, QString::fromUtf8("Удалить все отмеченные записи? Отмечено строк - 3."));
    EXPECT_EQ(j.ViewIds(), (std::vector<int>{2, 4}));
    EXPECT_EQ(j.Rows(), 2);
}

TEST(Controller, TheTableIsMadeWhereTheDataLinkPoints)
{
    Journal j(false);
    const QString elsewhere = j.dir.file("Journal");
    QDir().mkpath(elsewhere);
    testutil::writeFile(j.dir.file("connect.udl"),
                        ("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                         "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + elsewhere + "\r\n").toLatin1());
    j.conn->Close();
    j.conn->Open();
    j.Init();
    const QString made = elsewhere + "/Base.DBF";
    ASSERT_TRUE(QFile::exists(made));
    EXPECT_EQ(uchar(testutil::readFile(made)[29]), 0x57);
    EXPECT_FALSE(QFile::exists(j.base()));
    const auto m = Measurement(2015, 1, 1, 0, 0, 0, 7, 0.2);
    j.ctrl->NewMeasure(&m, 1);
    // The next start finds it there and keeps it.
    j.ctrl = std::make_unique<TfmDefault_MP_Akt>();
    j.ctrl->SetDirs(j.dir.path(), j.dir.path());
    j.Init();
    EXPECT_EQ(j.Rows(), 1);
}

TEST(Controller, ATableThatCannotBeReadIsReportedInRussianAndLoggedInFull)
{
    Journal j;
    const auto m = Kind(1, 0, 0.1);
    j.ctrl->NewMeasure(&m, 1);
    j.grid->SelectedRows().Clear();
    // The table goes away under the journal.
    j.query->Close();
    j.conn->ReleaseFiles();
    ASSERT_TRUE(QFile::rename(j.base(), j.base() + ".gone"));
    ctl::TScriptedMessageBoxPort boxes;
    j.ctrl->ShowAll();
    j.ctrl->ShowToday();
    ASSERT_EQ(boxes.Count(), 2);
    for (const auto& asked : boxes.AskedSoFar()) {
        EXPECT_EQ(asked.text, QString::fromUtf8("Не удалось прочитать записи журнала. Подробности записаны в лог программы."));
        EXPECT_EQ(asked.caption, QString::fromUtf8("Ошибка"));
    }
    const QString log = j.log();
    EXPECT_TRUE(log.contains("ShowAll - error: ")) << log.toStdString();
    EXPECT_TRUE(log.contains("ShowToday - error: ")) << log.toStdString();
}
