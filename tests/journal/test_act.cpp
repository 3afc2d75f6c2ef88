// The act window of "default_mp": what it shows and lets edit, waiting for the next measurement, saving,
// cancelling, and the act's photo.
#include "JournalFixture.h"

#include "platform/data/BlobStream.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QPushButton>
#include "platform/controls/MessageBox.h"

using jtest::Journal;
using jtest::Measurement;

namespace {

// Runs the action once the act window is the active modal window.
std::array<QLineEdit*, 10> Edits(Journal& j)
{
    return {j.Act<QLineEdit>("eOBSL_FAM"), j.Act<QLineEdit>("eOBSL_NAME"), j.Act<QLineEdit>("eOBSL_PAT"),
            j.Act<QLineEdit>("eMEAS_PLACE"), j.Act<QLineEdit>("eOBSL_NAUTO"), j.Act<QLineEdit>("eINSP_FAM"),
            j.Act<QLineEdit>("eINSP_NAME"), j.Act<QLineEdit>("eINSP_PAT"), j.Act<QLineEdit>("eINSP_DEPR"),
            j.Act<QLineEdit>("eINSP_NUMB")};
}

QImage Frame()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    return image;
}


} // namespace

TEST(Act, EditsAndLabelsFollowTheInstrumentModel)
{
    Journal j;
    struct Case {
        int model;
        std::array<bool, 10> enabled;
        const char* air;
    } cases[] = {
        {0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, "---"},
        {12, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, "---"},
        {13, {0, 1, 1, 1, 1, 0, 1, 1, 1, 1}, "---"},
        {20, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "0.456 мг/л"},
        {99, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "---"},
    };
    for (const Case& c : cases) {
        TDataForm_MP a;
        j.ctrl->InitAct(a);
        a.SATURDATA = c.model;
        a.IZM = 0.25;
        a.IZM_AIR = 0.456;
        a.PRIBOR = 17;
        a.NUM_VIDOH = 42;
        a.STAT = QLatin1Char('1');
        a.OBSL_FAM = QString::fromUtf8("ПЕТРОВ");
        j.ctrl->ShowAct(a);
        const auto edits = Edits(j);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(edits[size_t(i)]->isEnabled(), c.enabled[size_t(i)]) << "model " << c.model << " edit " << i;
        EXPECT_EQ(j.Act<QLabel>("lbIZM_AIR")->text().toStdString(), c.air) << c.model;
        EXPECT_EQ(j.Act<QLabel>("lbIZM")->text(), QString::fromUtf8("0.250 мг/л"));
        EXPECT_EQ(j.Act<QLabel>("lbPRIBOR")->text(), "0017");
        EXPECT_EQ(j.Act<QLabel>("lbnumber_zapis")->text(), "42");
        EXPECT_EQ(j.Act<QLineEdit>("eOBSL_FAM")->text(), QString::fromUtf8("ПЕТРОВ"));
        EXPECT_EQ(j.Act<QLabel>("lbOPER")->text(), "ADMIN");
    }
    const char* states[][2] = {{"0", "нормальный"}, {"1", "прерван"}, {"2", "отказ"}, {"3", "ручной отбор пробы"}, {"7", "---"}};
    for (auto& s : states) {
        TDataForm_MP a;
        j.ctrl->InitAct(a);
        a.STAT = QLatin1Char(s[0][0]);
        j.ctrl->ShowAct(a);
        EXPECT_EQ(j.Act<QLabel>("lbSTAT")->text(), QString::fromUtf8(s[1])) << s[0];
    }
}

TEST(Act, TheWindowHoldsEverythingIn820By400)
{
    Journal j;
    j.ctrl->ActWindow().show();
    QCoreApplication::processEvents();
    EXPECT_EQ(j.ctrl->ActWindow().size(), QSize(820, 400));
    const QRect client = j.ctrl->ActWindow().rect();
    for (QWidget* w : std::initializer_list<QWidget*>{j.Act<QPushButton>("bSave"), j.Act<QPushButton>("bCancel"), j.Act<QLineEdit>("eOBSL_NAUTO"), j.Act<QLineEdit>("eINSP_NUMB"),
                                                      j.Act<QLabel>("lbnumber_zapis"), j.Act<QPushButton>("bWaitNewIzm")})
        EXPECT_TRUE(client.contains(QRect(w->mapTo(&j.ctrl->ActWindow(), QPoint(0, 0)), w->size()))) << w->objectName().toStdString();
    j.ctrl->ActWindow().hide();
}

TEST(Act, TypedLettersStandInUpperCase)
{
    Journal j;
    QLineEdit* e = j.Act<QLineEdit>("eOBSL_NAME");
    e->setEnabled(true);
    for (const char* ch : {"ж", "a", "Ё"}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8(ch));
        QCoreApplication::sendEvent(e, &press);
    }
    EXPECT_EQ(e->text(), QString::fromUtf8("ЖAЁ"));
    EXPECT_EQ(e->maxLength(), 23);
}

TEST(Act, ANewActWaitsForTheNextMeasurementAndIsSavedWithWhatWasTyped)
{
    Journal j;
    const auto before = Measurement(2016, 4, 4, 10, 0, 0, 31, 0.05, 0, 1);
    j.ctrl->NewMeasure(&before, 1);
    bool waited = false;
    j.dialogs.Then([&](QDialog&) {
        waited = j.ctrl->IsWaiting();
        EXPECT_EQ(j.Act<QGroupBox>("gbDannie_s_Pribora")->title(), QString::fromUtf8("Данные с прибора(Ожидается измерение):"));
        EXPECT_FALSE(j.Act<QPushButton>("bSave")->isEnabled());
        // The manager delivers the next measurement while the window is open.
        auto m = Measurement(2016, 4, 4, 10, 5, 0, 31, 0.35, 1, 2);
        m.ModelCode = 13;
        jtest::SetText(m.Probe.SurvLastName, "СЕМЕНОВ");
        j.ctrl->NewMeasure(&m, 0);
        EXPECT_FALSE(j.ctrl->IsWaiting());
        EXPECT_TRUE(j.ctrl->IsReceived());
        EXPECT_EQ(j.Act<QGroupBox>("gbDannie_s_Pribora")->title(), QString::fromUtf8("Данные с прибора:"));
        EXPECT_EQ(j.ctrl->Act().ID, 2);
        EXPECT_EQ(j.ctrl->Act().SATURDATA, 13);
        EXPECT_EQ(j.Act<QLabel>("lbDATA_IZM")->text(), "2016.04.04 10:05:00");
        EXPECT_EQ(j.Act<QLineEdit>("eOBSL_FAM")->text(), QString::fromUtf8("СЕМЕНОВ"));
        EXPECT_FALSE(j.Act<QLineEdit>("eOBSL_FAM")->isEnabled());
        j.Act<QLineEdit>("eOBSL_NAME")->setText(QString::fromUtf8("ОЛЕГ"));
        j.Act<QLineEdit>("eINSP_DEPR")->setText(QString::fromUtf8("ОТДЕЛ 5"));
        j.ctrl->bSaveClick();
    });
    j.ctrl->NewAct();
    EXPECT_TRUE(waited);
    EXPECT_EQ(j.ctrl->ActWindow().result(), 1);
    EXPECT_EQ(j.Rows(), 2);
    EXPECT_EQ(j.Value(2, "OBSL_FAM").toString(), QString::fromUtf8("СЕМЕНОВ"));
    EXPECT_EQ(j.Value(2, "OBSL_NAME").toString(), QString::fromUtf8("ОЛЕГ"));
    EXPECT_EQ(j.Value(2, "INSP_DEPR").toString(), QString::fromUtf8("ОТДЕЛ 5"));
    EXPECT_EQ(j.Value(2, "NUM_VIDOH").toInt(), 2);
    EXPECT_TRUE(j.Value(1, "OBSL_NAME").isNull()) << "the other record is untouched";
    EXPECT_EQ(j.query->FieldByName("ID")->AsInteger(), 2) << "the view stands on the act's record";
}

TEST(Act, AfterSavingTheViewStandsOnTheActsRecordThoughTheViewChangedMeanwhile)
{
    // The act's record arrives in a burst (the view then holds only the newest identifiers, the record in
    // its 11th row) and the end of the burst shows the whole journal: the 11th row is another record now.
    Journal j;
    for (int i = 0; i < 14; ++i) {
        const auto m = Measurement(2016, 4, 4, 10, i, 0, 31, 0.05, 0, uint32_t(i + 1));
        j.ctrl->NewMeasure(&m, 0);
    }
    j.ctrl->NewMeasure(nullptr, 1);
    j.dialogs.Then([&](QDialog&) {
        const auto m = Measurement(2016, 4, 4, 11, 0, 0, 31, 0.25, 0, 20);
        j.ctrl->NewMeasure(&m, 0);
        EXPECT_EQ(j.ctrl->Act().ID, 15);
        j.ctrl->NewMeasure(nullptr, 1);
        j.Act<QLineEdit>("eOBSL_NAME")->setText(QString::fromUtf8("ПЕТР"));
        j.ctrl->bSaveClick();
    });
    j.ctrl->NewAct();
    EXPECT_EQ(j.Value(15, "OBSL_NAME").toString(), QString::fromUtf8("ПЕТР"));
    EXPECT_EQ(j.query->FieldByName("ID")->AsInteger(), 15);
}

TEST(Act, ANewActWhoseMeasurementNeverCameWritesNothing)
{
    Journal j;
    const auto m = Measurement(2016, 4, 4, 10, 0, 0, 31, 0.05, 0, 1);
    j.ctrl->NewMeasure(&m, 1);
    j.dialogs.Then([&](QDialog&) {
        j.Act<QLineEdit>("eOBSL_FAM")->setText(QString::fromUtf8("НИКТО"));
        j.ctrl->bSaveClick();
    });
    j.ctrl->NewAct();
    EXPECT_EQ(j.ctrl->ActWindow().result(), 1);
    EXPECT_TRUE(j.Value(1, "OBSL_FAM").isNull());
}

TEST(Act, APhotoTakenInAnOpenedActIsKept)
{
    Journal j;
    for (int i = 0; i < 3; ++i) {
        const auto m = Measurement(2017, 1, 1, 9, i, 0, 8, 0.1 * i, 0, uint32_t(i + 1));
        j.ctrl->NewMeasure(&m, 1);
    }
    j.query->SetRecNo(2);
    j.dialogs.Then([&](QDialog&) {
        EXPECT_EQ(j.ctrl->Act().ID, 2);
        EXPECT_EQ(j.ctrl->ActPhoto(), nullptr) << "the row has no photo";
        EXPECT_TRUE(j.ctrl->FixPhoto(Frame()));
        j.Act<QLineEdit>("eOBSL_FAM")->setText(QString::fromUtf8("ФОТОВ"));
        j.ctrl->bSaveClick();
    });
    j.ctrl->OpenAct();
    const QByteArray stored = j.StoredPhoto(2);
    ASSERT_FALSE(stored.isEmpty());
    EXPECT_EQ(stored, j.ctrl->ActPhoto()->SaveToBytes());
    EXPECT_EQ(uchar(stored[0]), 0xFF);
    EXPECT_EQ(uchar(stored[1]), 0xD8);
    EXPECT_EQ(j.Value(2, "OBSL_FAM").toString(), QString::fromUtf8("ФОТОВ"));
    EXPECT_TRUE(j.StoredPhoto(1).isEmpty());
    EXPECT_TRUE(j.StoredPhoto(3).isEmpty());

    // Opened again: the stored photo is the act's; saving without a new one leaves it as stored.
    j.query->Locate("ID", 2, {});
    j.dialogs.Then([&](QDialog&) {
        ASSERT_NE(j.ctrl->ActPhoto(), nullptr);
        EXPECT_EQ(j.ctrl->ActPhoto()->Width(), 64);
        j.ctrl->bSaveClick();
    });
    j.ctrl->OpenAct();
    EXPECT_EQ(j.StoredPhoto(2), stored);

    // A row without a photo, saved: still none.
    j.query->Locate("ID", 3, {});
    j.dialogs.Then([&](QDialog&) { j.ctrl->bSaveClick(); });
    j.ctrl->OpenAct();
    EXPECT_TRUE(j.StoredPhoto(3).isEmpty());
}

TEST(Act, ASaveTheTableRefusesLeavesTheJournalViewOpenAndTheActAsTyped)
{
    // A letter the table's code page has no byte for: the update is refused. The operator is told so in
    // Russian (the data layer's text goes to the log), the act stays open with what was typed, and the
    // journal still shows its view.
    Journal j;
    for (int i = 0; i < 3; ++i) {
        const auto m = Measurement(2017, 1, 1, 9, i, 0, 8, 0.1, 0, uint32_t(i + 1));
        j.ctrl->NewMeasure(&m, 1);
    }
    j.query->SetRecNo(2);
    ctl::TScriptedMessageBoxPort boxes;
    j.dialogs.Then([&](QDialog&) {
        j.Act<QLineEdit>("eOBSL_FAM")->setText(QString::fromUtf8("ӘЛИЕВ"));
        QTest::mouseClick(j.Act<QPushButton>("bSave"), Qt::LeftButton);
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_TRUE(boxes.AskedSoFar()[0].text.startsWith(QString::fromUtf8("Акт не сохранён")));
        EXPECT_FALSE(boxes.AskedSoFar()[0].text.contains("UPDATE"));
        EXPECT_EQ(boxes.AskedSoFar()[0].icon(), ctl::MB_ICONERROR);
        EXPECT_TRUE(j.ctrl->ActWindow().isVisible()) << "the act is not closed as saved";
        EXPECT_EQ(j.Act<QLineEdit>("eOBSL_FAM")->text(), QString::fromUtf8("ӘЛИЕВ"));
        EXPECT_TRUE(j.query->Active());
        if (j.query->Active()) {
            EXPECT_EQ(j.ViewIds(), (std::vector<int>{1, 2, 3}));
            EXPECT_EQ(j.query->FieldByName("ID")->AsInteger(), 2);
        }
        j.ctrl->bCancelClick();
    });
    j.ctrl->OpenAct();
    EXPECT_TRUE(j.log().contains("bSaveClick - error: ")) << j.log().toStdString();
    EXPECT_TRUE(j.Value(2, "OBSL_FAM").isNull());
    EXPECT_EQ(j.countPanel->text(), QString::fromUtf8("Всего записей: 3"));
}

TEST(Act, EnterInAnEditNeitherClosesNorDiscards)
{
    Journal j;
    const auto m = Measurement(2017, 1, 1, 9, 0, 0, 8, 0.1, 0, 1);
    j.ctrl->NewMeasure(&m, 1);
    j.dialogs.Then([&](QDialog&) {
        QLineEdit* name = j.Act<QLineEdit>("eOBSL_NAME");
        name->setFocus();
        QTest::keyClicks(name, "ivan");
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(name, key);
        EXPECT_TRUE(j.ctrl->ActWindow().isVisible());
        EXPECT_EQ(name->text(), "IVAN");
        QTest::mouseClick(j.Act<QPushButton>("bSave"), Qt::LeftButton);
    });
    j.ctrl->OpenAct();
    EXPECT_EQ(j.ctrl->ActWindow().result(), 1);
    EXPECT_EQ(j.Value(1, "OBSL_NAME").toString(), "IVAN");
}

TEST(Act, EditsTakeNoMoreThanTheirColumnsHold)
{
    Journal j;
    const auto m = Measurement(2017, 1, 1, 9, 0, 0, 8, 0.1, 0, 1);
    j.ctrl->NewMeasure(&m, 1);
    const char* edits[] = {"OBSL_FAM", "OBSL_NAME", "OBSL_PAT",  "MEAS_PLACE", "OBSL_NAUTO",
                           "INSP_FAM", "INSP_NAME", "INSP_PAT", "INSP_DEPR",  "INSP_NUMB"};
    j.dialogs.Then([&](QDialog&) {
        for (const char* column : edits) {
            QLineEdit* e = j.Act<QLineEdit>((std::string("e") + column).c_str());
            QTest::keyClicks(e, QString(40, QLatin1Char('W')));
            EXPECT_EQ(e->text().size(), j.query->FieldByName(column)->Size()) << column;
        }
        QTest::mouseClick(j.Act<QPushButton>("bSave"), Qt::LeftButton);
    });
    j.ctrl->OpenAct();
    for (const char* column : edits)
        EXPECT_EQ(j.Value(1, column).toString(), QString(j.query->FieldByName(column)->Size(), QLatin1Char('W')))
            << column;
}

TEST(Act, ARecordWhosePhotoCannotBeReadOpensWithoutItAndSaysSo)
{
    Journal j;
    const auto m = Measurement(2017, 1, 1, 9, 0, 0, 8, 0.1, 0, 1);
    j.ctrl->NewMeasure(&m, 1);
    const QByteArray damaged("\xFF\xD8 not a picture");
    {
        TADOQuery q(j.conn.get());
        q.SetSQL(QStringLiteral("SELECT * FROM Base WHERE ID = 1"));
        q.Open();
        q.Edit();
        q.CreateBlobStream(q.FieldByName(QStringLiteral("OBSL_PHOTO")), bmWrite)->write(damaged);
        q.Post();
    }
    j.ctrl->ShowAll();
    ctl::TScriptedMessageBoxPort boxes;
    bool opened = false;
    j.dialogs.Then([&](QDialog&) {
        opened = true;
        EXPECT_EQ(j.ctrl->Act().ID, 1);
        EXPECT_EQ(j.ctrl->ActPhoto(), nullptr);
        QTest::mouseClick(j.Act<QPushButton>("bSave"), Qt::LeftButton);
    });
    j.ctrl->OpenAct();
    EXPECT_TRUE(opened);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.AskedSoFar()[0].text,
              QString::fromUtf8("Фотографию этой записи не удалось прочитать. Акт открыт без фотографии."));
    EXPECT_EQ(j.StoredPhoto(1), damaged) << "the stored bytes stay as they are";
}

TEST(Act, CancelAfterAPhotoWritesNothingAndDropsThePhoto)
{
    Journal j;
    const auto m = Measurement(2017, 1, 1, 9, 0, 0, 8, 0.1, 0, 1);
    j.ctrl->NewMeasure(&m, 1);
    j.dialogs.Then([&](QDialog&) {
        j.ctrl->FixPhoto(Frame());
        j.Act<QLineEdit>("eOBSL_FAM")->setText(QString::fromUtf8("ОТМЕНОВ"));
        j.ctrl->bCancelClick();
    });
    j.ctrl->OpenAct();
    EXPECT_EQ(j.ctrl->ActWindow().result(), 2);
    EXPECT_EQ(j.ctrl->ActPhoto(), nullptr);
    EXPECT_TRUE(j.StoredPhoto(1).isEmpty());
    EXPECT_TRUE(j.Value(1, "OBSL_FAM").isNull());
}
