// The journal's report windows over the shipped templates: the variables they answer, the journal and
// an act printed to PDF and read back with pdftotext and pdfimages, and the faults of a missing
// template, a missing picture and a failed build.
#include "JournalFixture.h"
#include "common/dialogscript.h"
#include "common/testutil.h"
#include "db/DBInfoPribors.h"
#include "journal/Default_MP_Report.h"
#include "journal/Default_Report.h"
#include "platform/controls/MessageBox.h"
#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/FormatSettings.h"
#include "report/rpPrepare.h"
#include "report/rpPrinter.h"
#include "report/rpReport.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QApplication>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

const QString kTemplates = QStringLiteral(VELT_BINARY_DIR "/templates");

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of a PDF, blanks and line breaks folded to one blank.
QString pdfText(const QString& file)
{
    return run("pdftotext", {"-layout", file, "-"}).simplified();
}

// Width x height of each picture in the PDF.
QStringList pdfImages(const QString& file)
{
    QStringList sizes;
    const QStringList lines = run("pdfimages", {"-list", file}).split('\n');
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].simplified().split(' ');
        if (cols.size() > 4)
            sizes << cols[3] + 'x' + cols[4];
    }
    return sizes;
}

class RecordingBoxes : public ctl::TMessageBoxPort {
public:
    RecordingBoxes() : previous_(ctl::SetMessageBoxPort(this)) {}
    ~RecordingBoxes() override { ctl::SetMessageBoxPort(previous_); }
    int Show(const QString& text, const QString&, unsigned) override
    {
        texts << text;
        return ctl::IDOK;
    }
    QStringList texts;

private:
    ctl::TMessageBoxPort* previous_;
};

struct Row {
    const char* date;
    int pribor;
    const char* fam;
    double izm;
    const char* stat;
    int vidoh;
    int typerecord; // 2: an interlock event ("default_mp")
    int saturdata;
    double air;
    const char* pageFoot; // "1": an interlock event ("default")
};

// The system's print dialog as the user works it: the file field, the page range and copies of its
// options, and its print and cancel buttons.
class PrintDialogUser {
public:
    explicit PrintDialogUser(QPrintDialog& d) : d_(d) {}
    QLineEdit* fileField() const { return d_.findChild<QLineEdit*>("filename"); }
    QString file() const { return fileField() ? fileField()->text() : QString("(no file field)"); }
    void setFile(const QString& file) { testutil::Type(fileField(), file); }
    int copies() const { return option<QSpinBox>("copies")->value(); }
    bool allPages() const { return option<QRadioButton>("printAll")->isChecked(); }
    // Pages from..to, typed into the options (shown first when they are not).
    void pages(int from, int to)
    {
        auto* range = option<QRadioButton>("printRange");
        if (!range->isVisible())
            click(QDialogButtonBox::ResetRole); // "Options >>" sits in the button box under this role
        testutil::ClickOn(range);
        for (const auto& [name, value] : {std::pair{"from", from}, std::pair{"to", to}})
            testutil::Type(option<QSpinBox>(name)->findChild<QLineEdit*>(), QString::number(value));
    }
    void click(QDialogButtonBox::ButtonRole role)
    {
        auto* buttons = d_.findChild<QDialogButtonBox*>();
        ASSERT_TRUE(buttons);
        for (QAbstractButton* b : buttons->buttons())
            if (buttons->buttonRole(b) == role)
                return QTest::mouseClick(b, Qt::LeftButton);
        FAIL() << "no such button";
    }
    void print() { click(QDialogButtonBox::AcceptRole); }
    void cancel() { click(QDialogButtonBox::RejectRole); }
    bool open() const { return d_.isVisible(); }

private:
    template <class W>
    W* option(const char* name) const
    {
        W* w = d_.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "the print dialog has no " << name;
        return w;
    }
    QPrintDialog& d_;
};

// A journal with both variants' columns: measurements of every state, event rows, empty names.
class ReportForms : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::setFormatSettings(rtl::TFormatSettings::russian());
        ASSERT_TRUE(Prn().IsDefault()) << "tests print through the default printer into a PDF";
        QDir().mkpath(work.file("REPORTS"));
        for (const QString& name : {"Report.rpf", "AktDefault.rpf", "Report_MP.rpf", "AktDefault_MP.rpf"})
            ASSERT_TRUE(QFile::copy(kTemplates + "/REPORTS/" + name, work.file("REPORTS/" + name)));
        ASSERT_TRUE(QFile::copy(kTemplates + "/no_photo.jpg", work.file("no_photo.jpg")));
        out = work.file("out.pdf");
        info = std::make_unique<TDBInfoPribors>(work.path());

        for (const char* f : {"DATA_IZM", "OBSL_FAM", "OBSL_NAME", "OBSL_PAT", "STAT", "OPER", "PAGE_FOOT", "MEAS_PLACE",
                              "OBSL_NAUTO", "INSP_FAM", "INSP_NAME", "INSP_PAT", "INSP_DEPR", "INSP_NUMB"})
            table.AddFieldDef(f, ftString, 23);
        for (const char* f : {"PRIBOR", "NUM_VIDOH", "TYPERECORD", "SATURDATA"})
            table.AddFieldDef(f, ftInteger);
        table.AddFieldDef("IZM", ftFloat);
        table.AddFieldDef("IZM_AIR", ftFloat);
        table.Open();
        const Row rows[] = {
            {"2024.05.18 10:15:00", 7, "Иванов", 0.25, "1", 3, 1, 20, 0.01, "0"},
            {"2024.05.18 11:00:05", 7, "", 0.0, "0", 4, 1, 10, 0.02, "0"},
            {"2024.05.19 08:30:00", 1234, "Сидоров", 0.5, "2", 5, 1, 20, 0.03, "0"},
            {"2024.05.19 09:00:00", 1234, "Петров", 0.1, "3", 6, 1, 20, 0.0, "0"},
            {"2024.05.19 09:10:00", 1234, "Орлов", 0.0, "7", 7, 1, 20, 0.0, "0"},
            {"2024.05.20 12:00:00", 55, "", 0.0, "0", -2147483642, 2, 20, 0.0, "1"},
        };
        for (const Row& r : rows)
            table.AppendRecord({r.date, r.fam, r.fam[0] ? "Иван" : "", "", r.stat, "Оператор1", r.pageFoot,
                                "Москва", "А123ВС", "", "", "", "ДПС", "77", qlonglong(r.pribor),
                                qlonglong(r.vidoh), qlonglong(r.typerecord), qlonglong(r.saturdata), r.izm, r.air});
        table.First();
    }

    // Clicks the window's print button; the user prints into out.pdf, anew each time, with the page range
    // asked for, or cancels the print dialog.
    void print(TfmReportWindow& w)
    {
        dialogs.Then<QPrintDialog>([this](QPrintDialog* d) {
            PrintDialogUser u(*d);
            EXPECT_EQ(u.copies(), 1); // the dialog opens with one copy each time
            EXPECT_TRUE(u.allPages());
            if (!answer)
                return u.cancel();
            if (range == TReportPrintDialog::prPageNums)
                u.pages(from, to);
            QFile::remove(out);
            u.setFile(out);
            u.print();
        });
        w.bPrintClick();
    }
    int printDialogs() const { return int(dialogs.Shown.size()); }

    // What the user is told once the report is in out.pdf.
    QStringList saved() const { return {QString::fromUtf8("Отчёт сохранён в файл\n") + out}; }

    // The value a report window answers for a variable on the current row (invalid when none).
    template <class W>
    QVariant journalValue(W& w, const QString& name)
    {
        QVariant v;
        w.rpRepGetValue(name, v);
        return v;
    }

    TDataReportAkt act(QChar stat, double izm)
    {
        TDataReportAkt a;
        a.PRIBOR = 42;
        a.DATA_IZM = "2024.05.18 10:15:07";
        a.OBSL_FAM = "Иванов";
        a.OBSL_NAME = "Иван";
        a.OBSL_PAT = "Иванович";
        a.IZM = izm;
        a.STAT = stat;
        a.OPER = "Оператор1";
        a.NUM_VIDOH = 12;
        return a;
    }

    testutil::TempDir work;
    QString out;
    ctl::TScriptedMessageBoxPort told;
    testutil::DialogScript dialogs;
    TMemDataSet table;
    std::unique_ptr<TDBInfoPribors> info;
    bool answer = true;
    TReportPrintDialog::TPrintRange range = TReportPrintDialog::prAllPages;
    int from = 0, to = 0;
};

TEST_F(ReportForms, DefaultMpJournalVariablesFollowTheRowKind)
{
    TfmDefault_MP_Report w;
    w.ShowJournal(&table, nullptr, info.get(), work.path(), "Петров");
    const QString none = " " + QString(32, '-');
    struct Case {
        int row;
        const char* name;
        QString expected;
    };
    const double norm = info->Norma(7, "2024.05.18 10:15:00");
    const Case cases[] = {
        {1, "date", "18.05.2024 10:15:00"},
        {1, "pribor", "0007"},
        {3, "pribor", "1234"},
        {1, "number_row", "1"},
        {1, "operator", "Петров"},
        {1, "FIO", " Иванов Иван "},
        {2, "FIO", none},
        {6, "FIO", "/  был отказ от выдоха"},
        {1, "insp_fio", none},
        {1, "stat", "прерван."},
        {2, "stat", "норм."},
        {3, "stat", "отказ."},
        {4, "stat", "руч.отбор"},
        {5, "stat", "(?)"},
        {6, "stat", "---"},
        {6, "number_vidoh", "---"},
        {6, "Previshenie", "---"},
        {3, "number_vidoh", "5"},
        {2, "izm_air", "---"}, // SATURDATA 10
        {1, "Previshenie", 0.25 > norm ? "да" : "нет"},
        {3, "meas_place", "Москва"},
        {3, "insp_depr", "ДПС"},
    };
    for (const Case& c : cases) {
        table.SetRecNo(c.row);
        EXPECT_EQ(journalValue(w, c.name).toString(), c.expected) << c.row << " " << c.name;
    }
    table.SetRecNo(1);
    EXPECT_FALSE(journalValue(w, "Text_State_pribor").isValid()); // not a name of this variant
    // A value exactly at the norm is no excess.
    table.Edit();
    table.FieldByName("IZM")->SetValue(norm);
    table.Post();
    EXPECT_EQ(journalValue(w, "Previshenie").toString(), QString("нет"));
}

TEST_F(ReportForms, DefaultJournalVariablesLeaveTheNameOfAnEventRowUnanswered)
{
    TfmDefault_Report w;
    w.ShowJournal(&table, nullptr, work.path(), "Петров");
    table.SetRecNo(6);
    EXPECT_EQ(journalValue(w, "Text_State_pribor").toString(), QString("/  был отказ от выдоха"));
    EXPECT_FALSE(journalValue(w, "FIO").isValid());
    for (const char* name : {"izm", "number_vidoh", "Previshenie", "stat"})
        EXPECT_EQ(journalValue(w, name).toString(), QString("---")) << name;
    EXPECT_EQ(journalValue(w, "oper").toString(), QString("Оператор1"));
    table.SetRecNo(3);
    EXPECT_FALSE(journalValue(w, "Text_State_pribor").isValid());
    EXPECT_EQ(journalValue(w, "Previshenie").toString(), QString("..."));
    EXPECT_EQ(journalValue(w, "stat").toString(), QString("норм.")); // only "1" is interrupted here
    table.SetRecNo(1);
    EXPECT_EQ(journalValue(w, "stat").toString(), QString("прерван."));
}

TEST_F(ReportForms, ActVariablesOfBothVariants)
{
    TfmDefault_Report d;
    TfmDefault_MP_Report mp;
    d.ShowAct(work.path(), act('1', 0.25));
    mp.ShowAct(work.path(), act('3', 0.25));
    QVariant v;
    d.rpRepAktGetValue("Izm", v);
    EXPECT_EQ(v.toString(), QString("0.250 мг/л (прерван)"));
    d.ShowAct(work.path(), act('0', 0.25));
    d.rpRepAktGetValue("Izm", v);
    EXPECT_EQ(v.toString(), QString("0.250 мг/л ")); // with its trailing blank
    mp.rpRepAktGetValue("Izm", v);
    EXPECT_EQ(v.toString(), QString("0.250 мг/л"));
    mp.rpRepAktGetValue("Stat", v);
    EXPECT_EQ(v.toString(), QString("(ручной отбор пробы)"));
    for (auto [name, expected] : {std::pair{"DateIzm", "18.05.2024 "}, {"TimeIzm", "10:15 "}, {"Pribor", "0042"},
                                  {"Number_vidoh", "12"}, {"operator", "Оператор1"}, {"OBSL_Pat", "Иванович"}}) {
        QVariant value;
        mp.rpRepAktGetValue(name, value);
        EXPECT_EQ(value.toString(), QString(expected)) << name;
    }
    QVariant stat;
    d.rpRepAktGetValue("Stat", stat);
    EXPECT_FALSE(stat.isValid()); // "default" has no state variable
}

TEST_F(ReportForms, JournalOfEachVariantPrintsItsRowsToPdf)
{
    {
        RecordingBoxes boxes;
        TfmDefault_MP_Report w;
        ASSERT_TRUE(w.ShowJournal(&table, nullptr, info.get(), work.path(), "Петров"));
        EXPECT_EQ(boxes.texts, QStringList()); // every name the template uses is declared or answered
        EXPECT_EQ(w.ReportKind(), 1);
        ASSERT_GE(w.PreviewPages(), 1);
        print(w);
        EXPECT_EQ(printDialogs(), 1);
        const QString text = pdfText(out);
        for (const char* expected : {"Журнал измерений", "Оператор: Петров", "18.05.2024 10:15:00", "19.05.2024 08:30:00",
                                     "Иванов Иван", "прерван.", "отказ.", "руч.отбор", "(?)", "был отказ", "Москва",
                                     "--------------------------------", "Стр. 1"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
        EXPECT_EQ(boxes.texts, saved());
    }
    {
        RecordingBoxes boxes;
        TfmDefault_Report w;
        ASSERT_TRUE(w.ShowJournal(&table, nullptr, work.path(), "Петров"));
        print(w);
        const QString text = pdfText(out);
        for (const char* expected : {"20.05.2024 12:00:00", "был отказ от", "норм.", "..."})
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
        EXPECT_EQ(boxes.texts, saved());
        // Its photo object shows no_photo.jpg of the work folder.
        EXPECT_EQ(pdfImages(out), QStringList{"240x320"});
    }
}

TEST_F(ReportForms, ActPrintsItsTextsAndOnePicture)
{
    {
        TfmDefault_Report w;
        ASSERT_TRUE(w.ShowAct(work.path(), act('1', 0.25)));
        EXPECT_EQ(w.ReportKind(), 2);
        print(w);
        const QString text = pdfText(out);
        for (const char* expected : {"АКТ обследования", "0.250 мг/л (прерван)", "18.05.2024", "10:15", "0042", "Иванович"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
        EXPECT_EQ(pdfImages(out), QStringList()); // the "default" act shows no picture
    }
    // "default_mp": the act's photo, or the built-in picture when there is none.
    TfmDefault_MP_Report none;
    ASSERT_TRUE(none.ShowAct(work.path(), act('0', 0.1)));
    print(none);
    EXPECT_TRUE(pdfText(out).contains(QString::fromUtf8("0.100 мг/л (нормальный)")));
    EXPECT_EQ(pdfImages(out), QStringList{"240x320"});

    QImage pixels(64, 48, QImage::Format_RGB32);
    pixels.fill(Qt::darkCyan);
    gfx::TJPEGImage photo;
    photo.Assign(gfx::TBitmap(pixels));
    TfmDefault_MP_Report with;
    with.Photo = &photo;
    ASSERT_TRUE(with.ShowAct(work.path(), act('0', 0.1)));
    print(with);
    EXPECT_EQ(pdfImages(out), QStringList{"64x48"});
}

TEST_F(ReportForms, PrintingBuildsAgainAndTakesTheDialogsPagesOrNothingOnCancel)
{
    // Enough rows for several pages.
    for (int i = 0; i < 150; ++i)
        table.AppendRecord({"2024.06.01 10:00:00", "Ким", "", "", "0", "Оп", "0", "", "", "", "", "", "", "",
                            qlonglong(9), qlonglong(i), qlonglong(1), qlonglong(20), 0.01, 0.0});
    table.First();
    TfmDefault_MP_Report w;
    ASSERT_TRUE(w.ShowJournal(&table, nullptr, info.get(), work.path(), "Петров"));
    const int pages = w.PreviewPages();
    ASSERT_GE(pages, 3);

    answer = false;
    print(w);
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(w.PreviewPages(), pages); // the preview is left as it was

    answer = true;
    range = TReportPrintDialog::prPageNums;
    from = 2;
    to = 3;
    print(w);
    EXPECT_EQ(printDialogs(), 2);
    const QStringList printed = run("pdftotext", {out, "-"}).split('\f', Qt::SkipEmptyParts);
    EXPECT_EQ(printed.size() - (printed.last().trimmed().isEmpty() ? 1 : 0), 2);
    EXPECT_TRUE(printed[0].contains("Стр. 2"));
}

TEST_F(ReportForms, PageListOfTheDialog)
{
    TReportPrintDialog d;
    EXPECT_EQ(d.PageList(), QString());
    d.PrintRange = TReportPrintDialog::prPageNums;
    d.FromPage = 2;
    d.ToPage = 5;
    EXPECT_EQ(d.PageList(), QString("2-5"));
}

TEST_F(ReportForms, MissingTemplateIsReportedAndTheWindowIsLeftToItsCaller)
{
    QFile::remove(work.file("REPORTS/Report_MP.rpf"));
    RecordingBoxes boxes;
    auto w = std::make_unique<TfmDefault_MP_Report>();
    EXPECT_FALSE(w->ShowJournal(&table, nullptr, info.get(), work.path(), "Петров"));
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].contains("Report_MP.rpf"));
    EXPECT_EQ(w->ReportKind(), 0);
    w->bPrintClick(); // nothing to print
    EXPECT_EQ(printDialogs(), 0);
    w.reset();
}

TEST_F(ReportForms, MissingNoPhotoLeavesThePictureEmpty)
{
    QFile::remove(work.file("no_photo.jpg"));
    RecordingBoxes boxes;
    TfmDefault_Report w;
    ASSERT_TRUE(w.ShowJournal(&table, nullptr, work.path(), "Петров"));
    print(w);
    EXPECT_EQ(boxes.texts, saved());
    EXPECT_TRUE(pdfText(out).contains("Журнал измерений"));
    EXPECT_EQ(pdfImages(out), QStringList());
    // PHOTOS/tmp.jpg wins over no_photo.jpg when present.
    QDir().mkpath(work.file("PHOTOS"));
    QImage pixels(30, 20, QImage::Format_RGB32);
    pixels.fill(Qt::red);
    ASSERT_TRUE(pixels.save(work.file("PHOTOS/tmp.jpg"), "JPEG"));
    print(w);
    EXPECT_EQ(pdfImages(out), QStringList{"30x20"});
}

TEST_F(ReportForms, BuildErrorStopsPrinting)
{
    // A template whose texts cannot be worked out.
    TrpReport broken;
    ASSERT_TRUE(broken.LoadFromFile(work.file("REPORTS/AktDefault.rpf")));
    broken.Values.Clear();
    broken.SaveToFile(work.file("REPORTS/AktDefault.rpf"));
    RecordingBoxes boxes;
    TfmDefault_Report w;
    ASSERT_TRUE(w.ShowAct(work.path(), act('0', 0.1)));
    w.rpRepAkt->OnGetValue = nullptr; // nothing answers: the names are worked out as expressions
    boxes.texts.clear();
    w.bPrintClick();
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(printDialogs(), 0);
    EXPECT_FALSE(QFile::exists(out));
}

// The journal's print command and the act's print button of either variant open its report window; what
// is typed into the act goes into the printout and nothing into the table. Each is printed into a file
// of its own name in the documents folder.
template <class J, class Report, class ActWindow>
void printCommandsOpenTheReportWindow(const QStringList& templates, const QStringList& actPictures)
{
    J j;
    QDir().mkpath(j.dir.file("REPORTS"));
    for (const QString& name : templates)
        ASSERT_TRUE(QFile::copy(kTemplates + "/REPORTS/" + name, j.dir.file("REPORTS/" + name)));
    testutil::TempHome home;
    QDir().mkpath(home.documents());
    ctl::TScriptedMessageBoxPort boxes;
    testutil::DialogScript dialogs;
    QStringList proposed;
    // The print dialog prints into the file it proposes.
    const auto printAsProposed = [&] {
        dialogs.Then<QPrintDialog>([&proposed](QPrintDialog* d) {
            PrintDialogUser u(*d);
            proposed << u.file();
            u.print();
        });
    };
    for (int i = 0; i < 3; ++i) {
        const auto m = jtest::Measurement(2017, 1, 1, 9, i, 0, 8, 0.1 * (i + 1), 0, uint32_t(i + 1));
        j.ctrl->NewMeasure(&m, 1);
    }

    int shown = 0;
    dialogs.Then<Report>([&](Report& w) {
        ++shown;
        EXPECT_EQ(w.ReportKind(), 1);
        EXPECT_GE(w.PreviewPages(), 1);
        printAsProposed();
        w.bPrint->click();
        w.bCancel->click();
    });
    j.ctrl->ShowJournalReport();
    EXPECT_EQ(shown, 1);
    const QString journalFile = home.documents() + QString::fromUtf8("/Журнал измерений.pdf");
    const QString journal = pdfText(journalFile);
    EXPECT_TRUE(journal.contains("01.01.2017 09:02:00")) << journal.toStdString();
    EXPECT_TRUE(journal.contains("Оператор: ADMIN")) << journal.toStdString();

    j.query->SetRecNo(1);
    dialogs.Then<ActWindow>([&](ActWindow&) {
        j.template Act<QLineEdit>("eOBSL_FAM")->setText(QString::fromUtf8("ПЕЧАТНОВ"));
        dialogs.Then<Report>([&](Report& w) {
            ++shown;
            EXPECT_EQ(w.ReportKind(), 2);
            printAsProposed();
            w.bPrint->click();
            w.bCancel->click();
            j.ctrl->bCancelClick();
        });
        j.template Act<QPushButton>("bPrintAkt")->click();
    });
    j.ctrl->OpenAct();
    EXPECT_EQ(shown, 2);
    const QString actFile = home.documents() + QString::fromUtf8("/Акт обследования.pdf");
    const QString act = pdfText(actFile);
    EXPECT_TRUE(act.contains("Фамилия: ПЕЧАТНОВ")) << act.toStdString();
    EXPECT_TRUE(act.contains("0.100 мг/л")) << act.toStdString();
    EXPECT_EQ(pdfImages(actFile), actPictures);
    EXPECT_EQ(proposed, (QStringList{journalFile, actFile}));
    EXPECT_TRUE(pdfText(journalFile).contains("01.01.2017 09:02:00")); // the act left the journal's file alone
    EXPECT_EQ(boxes.Count(), 2); // told of each file
    EXPECT_TRUE(j.Value(1, "OBSL_FAM").toString().isEmpty());
}

TEST(ReportCommands, TheJournalsPrintCommandAndTheActsPrintButtonOpenTheReportWindow)
{
    printCommandsOpenTheReportWindow<jtest::Journal, TfmDefault_MP_Report, TfmDefault_MP_ActWindow>(
        {"Report_MP.rpf", "AktDefault_MP.rpf"}, {"240x320"});
    // "default": its act report holds no picture.
    printCommandsOpenTheReportWindow<jtest::DefaultJournal, TfmDefault_Report, TfmDefault_ActWindow>(
        {"Report.rpf", "AktDefault.rpf"}, {});
}

// The print button of a report window with the system's print dialog: print to file proposes the
// report's own name in the documents folder, and an existing file is replaced only when the user says so;
// the dialog stays open otherwise.
TEST_F(ReportForms, PrintToFileProposesTheReportsOwnNameAndAsksBeforeReplacing)
{
    testutil::TempHome home;
    ASSERT_TRUE(QDir().mkpath(home.documents()));
    const QString journalFile = home.documents() + QString::fromUtf8("/Журнал измерений.pdf");
    const QString actFile = home.documents() + QString::fromUtf8("/Акт обследования.pdf");
    ctl::TScriptedMessageBoxPort boxes;
    auto saved = [](const QString& file) { return QString::fromUtf8("Отчёт сохранён в файл\n") + file; };

    // Clicks the window's print button; the user acts in the dialog.
    auto printWith = [this](TfmReportWindow& w, const std::function<void(PrintDialogUser&)>& user) {
        bool shown = false;
        dialogs.Then<QPrintDialog>([&](QPrintDialog& d) {
            shown = true;
            PrintDialogUser u(d);
            user(u);
        });
        QTest::mouseClick(w.bPrint, Qt::LeftButton);
        EXPECT_TRUE(shown);
    };
    TfmDefault_MP_Report journal;
    ASSERT_TRUE(journal.ShowJournal(&table, nullptr, info.get(), work.path(), "Петров"));
    journal.show();
    printWith(journal, [&](PrintDialogUser& u) {
        EXPECT_EQ(u.file(), journalFile);
        u.print();
    });
    EXPECT_TRUE(pdfText(journalFile).contains(QString::fromUtf8("Оператор: Петров")));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, saved(journalFile));

    TfmDefault_MP_Report act;
    ASSERT_TRUE(act.ShowAct(work.path(), this->act('0', 0.1)));
    act.show();
    printWith(act, [&](PrintDialogUser& u) {
        EXPECT_EQ(u.file(), actFile);
        u.print();
    });
    EXPECT_TRUE(pdfText(actFile).contains(QString::fromUtf8("0.100 мг/л")));
    EXPECT_TRUE(pdfText(journalFile).contains(QString::fromUtf8("Оператор: Петров")));

    // The journal once more: asked; No keeps the dialog open, and Cancel then prints nothing.
    const QByteArray before = testutil::readFile(journalFile);
    const QString replace = QString::fromUtf8("Файл\n%1\nуже существует. Заменить его?").arg(journalFile);
    boxes.Clear();
    boxes.Answer(ctl::IDNO);
    printWith(journal, [&](PrintDialogUser& u) {
        EXPECT_EQ(u.file(), journalFile);
        u.print();
        EXPECT_TRUE(u.open());
        u.cancel();
    });
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, replace);
    EXPECT_EQ(testutil::readFile(journalFile), before);

    boxes.Clear();
    boxes.Answer(ctl::IDYES);
    printWith(journal, [&](PrintDialogUser& u) { u.print(); });
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_EQ(boxes.AskedSoFar()[0].text, replace);
    EXPECT_EQ(boxes.AskedSoFar()[1].text, saved(journalFile));
}

// A documents folder that cannot be written: the dialog says so and stays open; Cancel prints nothing,
// another name prints there.
TEST_F(ReportForms, PrintToAFolderThatCannotBeWrittenIsToldInTheDialog)
{
    struct Case {
        const char* what;
        std::function<void(const QString& documents)> make;
        const char* problem; // %1: the documents folder
        bool otherName;      // the user then types another name instead of cancelling
    };
    const Case cases[] = {
        {"missing", [](const QString&) {}, "Папка %1 не существует.", true},
        {"system folder", [](const QString& d) { QFile::link("/proc/1", d); }, "В папку %1 нельзя записывать.", false},
    };
    for (const Case& c : cases) {
        testutil::TempHome home;
        c.make(home.documents());
        const QString file = home.documents() + QString::fromUtf8("/Журнал измерений.pdf");
        ctl::TScriptedMessageBoxPort boxes;
        TfmDefault_Report w;
        ASSERT_TRUE(w.ShowJournal(&table, nullptr, work.path(), "Петров"));
        w.show();
        bool shown = false;
        dialogs.Then<QPrintDialog>([&](QPrintDialog& d) {
            shown = true;
            PrintDialogUser u(d);
            EXPECT_EQ(u.file(), file) << c.what;
            u.print();
            EXPECT_TRUE(u.open()) << c.what;
            if (c.otherName) {
                u.fileField()->setText(out);
                u.print();
            } else {
                u.cancel();
            }
        });
        QTest::mouseClick(w.bPrint, Qt::LeftButton);
        EXPECT_TRUE(shown) << c.what;
        const auto told = boxes.AskedSoFar();
        ASSERT_EQ(told.size(), c.otherName ? 2u : 1u) << c.what;
        EXPECT_EQ(told[0].text, QString::fromUtf8("Отчёт нельзя сохранить в файл\n%1\n\n%2")
                                    .arg(file, QString::fromUtf8(c.problem).arg(home.documents())))
            << c.what;
        EXPECT_EQ(told[0].icon(), ctl::MB_ICONERROR) << c.what;
        EXPECT_FALSE(QFileInfo::exists(file)) << c.what;
        if (c.otherName) {
            EXPECT_EQ(told[1].text, saved()[0]);
            EXPECT_TRUE(pdfText(out).contains(QString::fromUtf8("Журнал измерений")));
        }
    }
}

} // namespace
