// The act window of "default_mp": one journal record completed into an examination act.
#include "journal/Default_MP_Akt.h"

#include "Devices/Measurement.h"
#include "journal/JournalLock.h"
#include "journal/NoPhoto.h"
#include "platform/data/ADOQuery.h"
#include "platform/data/BlobStream.h"
#include "platform/data/Field.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/FormatFloat.h"

#include <QGridLayout>
#include <array>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString threeDecimals(double v)
{
    return rtl::FormatFloat(QStringLiteral("0.000"), v, rtl::TFormatSettings::english());
}

QLineEdit* upperCaseEdit(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setMaxLength(kActTextWidth);
    // eUpperCase: every typed character in its upper-case form (Cyrillic too).
    QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int pos = e->cursorPosition();
            e->setText(upper);
            e->setCursorPosition(pos);
        }
    });
    return e;
}

} // namespace

void TfmDefault_MP_Akt::buildWindow()
{
    setWindowTitle(QStringLiteral("Акт обследования на анализаторе алкоголя"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* outer = new QHBoxLayout(this);
    imSavePhoto = new QLabel(this);
    imSavePhoto->setAlignment(Qt::AlignCenter);
    imSavePhoto->setFixedSize(240, 320);
    outer->addWidget(imSavePhoto, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    outer->addLayout(column, 1);

    gbDannie_s_Pribora = new QGroupBox(QStringLiteral("Данные с прибора:"), this);
    auto* data = new QGridLayout(gbDannie_s_Pribora);
    // Rows packed as on the form, so that everything fits its 400 pixels of height.
    data->setVerticalSpacing(1);
    auto dataRow = [&](int row, const char* caption, QLabel*& value) -> QLabel* {
        auto* l = new QLabel(QString::fromUtf8(caption), gbDannie_s_Pribora);
        value = new QLabel(gbDannie_s_Pribora);
        data->addWidget(l, row, 0);
        data->addWidget(value, row, 1);
        return l;
    };
    Label31 = dataRow(0, "Дата измерения:", lbDATA_IZM);
    lbDATA_IZM->setToolTip(QStringLiteral("год.месяц.день час:минута:секунда"));
    dataRow(1, "Заводской номер прибора:", lbPRIBOR);
    dataRow(2, "Измеренная величина:", lbIZM);
    dataRow(3, "Измеренная величина(возд.):", lbIZM_AIR);
    dataRow(4, "Состояния выдоха:", lbSTAT);
    dataRow(5, "Номер записи:", lbnumber_zapis);
    column->addWidget(gbDannie_s_Pribora);

    bWaitNewIzm = new QPushButton(QStringLiteral("Новое измерение."), this);
    column->addWidget(bWaitNewIzm);

    auto* people = new QHBoxLayout;
    column->addLayout(people);
    auto editGroup = [&](QGroupBox*& box, const char* title, const char* const captions[5], QLineEdit** out,
                         QLabel** firstLabel) {
        box = new QGroupBox(QString::fromUtf8(title), this);
        auto* grid = new QGridLayout(box);
        grid->setVerticalSpacing(3);
        for (int i = 0; i < 5; ++i) {
            auto* l = new QLabel(QString::fromUtf8(captions[i]), box);
            out[i] = upperCaseEdit(box);
            grid->addWidget(l, i, 0);
            grid->addWidget(out[i], i, 1);
            if (i == 0 && firstLabel)
                *firstLabel = l;
        }
        people->addWidget(box);
    };
    static const char* const person[5] = {"Фамилия:", "Имя:", "Отчество:", "Место сост-я:", "Номер \r\nавтомобиля:"};
    static const char* const inspector[5] = {"Фамилия:", "Имя:", "Отчество:", "Отдел ГИБДД:",
                                             "Нагрудный \r\nзнак инспектора:"};
    QLineEdit* personEdits[5];
    QLineEdit* inspectorEdits[5];
    editGroup(GroupBox3, "Данные гражданина(гражданки):", person, personEdits, &Label8);
    editGroup(GroupBox2, "Данные инспектора:", inspector, inspectorEdits, nullptr);
    eOBSL_FAM = personEdits[0];
    eOBSL_NAME = personEdits[1];
    eOBSL_PAT = personEdits[2];
    eMEAS_PLACE = personEdits[3];
    eOBSL_NAUTO = personEdits[4];
    eINSP_FAM = inspectorEdits[0];
    eINSP_NAME = inspectorEdits[1];
    eINSP_PAT = inspectorEdits[2];
    eINSP_DEPR = inspectorEdits[3];
    eINSP_NUMB = inspectorEdits[4];

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Оператор:"), this));
    lbOPER = new QLabel(this);
    bottom->addWidget(lbOPER, 1);
    bSave = new QPushButton(QStringLiteral("Сохранить."), this);
    bCancel = new QPushButton(QStringLiteral("Отмена."), this);
    bottom->addWidget(bSave);
    bottom->addWidget(bCancel);
    column->addLayout(bottom);
    column->addStretch(1);

    connect(bWaitNewIzm, &QPushButton::clicked, this, [this] { bWaitNewIzmClick(); });
    connect(bSave, &QPushButton::clicked, this, [this] { bSaveClick(); });
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });

    resize(820, 400);
    showPhoto(nullptr);
}

void TfmDefault_MP_Akt::showPhoto(const gfx::TJPEGImage* photo)
{
    QImage image;
    if (photo && !photo->Empty()) {
        image = photo->ToImage();
    } else {
        gfx::TJPEGImage none;
        LoadResourceJpeg(QStringLiteral("NO_PHOTO_JPG"), none);
        image = none.ToImage();
    }
    imSavePhoto->setPixmap(QPixmap::fromImage(image.scaled(imSavePhoto->size(), Qt::KeepAspectRatio,
                                                           Qt::SmoothTransformation)));
}

void TfmDefault_MP_Akt::InitAct(TDataForm_MP& act)
{
    act = TDataForm_MP();
    act.STAT = QChar();
    act.OPER = Oper.left(kActTextWidth);
    act.flag = QChar();
}

void TfmDefault_MP_Akt::ShowAct(const TDataForm_MP& act)
{
    Akt = act;
    const std::array<QLineEdit*, 10> all = {eOBSL_FAM, eOBSL_NAME, eOBSL_PAT, eMEAS_PLACE, eOBSL_NAUTO,
                                            eINSP_FAM, eINSP_NAME, eINSP_PAT, eINSP_DEPR, eINSP_NUMB};
    for (QLineEdit* edit : all)
        edit->setEnabled(false);
    switch (act.SATURDATA) {
    case 0: case 1: case 2: case 10: case 11: case 12:
        for (QLineEdit* edit : all)
            edit->setEnabled(true);
        break;
    case 13:
        for (QLineEdit* edit : all)
            edit->setEnabled(edit != eOBSL_FAM && edit != eINSP_FAM);
        break;
    default:
        break;
    }
    eOBSL_FAM->setText(act.OBSL_FAM);
    eOBSL_NAME->setText(act.OBSL_NAME);
    eOBSL_PAT->setText(act.OBSL_PAT);
    eMEAS_PLACE->setText(act.MEAS_PLACE);
    eOBSL_NAUTO->setText(act.OBSL_NAUTO);
    eINSP_FAM->setText(act.INSP_FAM);
    eINSP_NAME->setText(act.INSP_NAME);
    eINSP_PAT->setText(act.INSP_PAT);
    eINSP_DEPR->setText(act.INSP_DEPR);
    eINSP_NUMB->setText(act.INSP_NUMB);
    lbOPER->setText(act.OPER);
    lbDATA_IZM->setText(act.DATA_IZM);
    lbPRIBOR->setText(QString::number(act.PRIBOR).rightJustified(4, QLatin1Char('0')));
    lbIZM->setText(threeDecimals(act.IZM) + QStringLiteral(" мг/л"));
    lbIZM_AIR->setText(act.SATURDATA == 20 ? threeDecimals(act.IZM_AIR) + QStringLiteral(" мг/л") : QStringLiteral("---"));
    const QChar s = act.STAT;
    lbSTAT->setText(s == u'0'   ? QStringLiteral("нормальный")
                    : s == u'1' ? QStringLiteral("прерван")
                    : s == u'2' ? QStringLiteral("отказ")
                    : s == u'3' ? QStringLiteral("ручной отбор пробы")
                                : QStringLiteral("---"));
    lbnumber_zapis->setText(QString::number(act.NUM_VIDOH));
    Label31->setText(QStringLiteral("Дата измерения:"));
    GroupBox3->setTitle(QStringLiteral("Данные гражданина(гражданки):"));
    Label8->setText(QStringLiteral("Фамилия:"));
    bSave->setEnabled(true);
    bWaitNewIzm->setEnabled(true);
}

TDataForm_MP TfmDefault_MP_Akt::ActFromControls() const
{
    TDataForm_MP a = Akt;
    a.OBSL_FAM = eOBSL_FAM->text();
    a.OBSL_NAME = eOBSL_NAME->text();
    a.OBSL_PAT = eOBSL_PAT->text();
    a.MEAS_PLACE = eMEAS_PLACE->text();
    a.OBSL_NAUTO = eOBSL_NAUTO->text();
    a.INSP_FAM = eINSP_FAM->text();
    a.INSP_NAME = eINSP_NAME->text();
    a.INSP_PAT = eINSP_PAT->text();
    a.INSP_DEPR = eINSP_DEPR->text();
    a.INSP_NUMB = eINSP_NUMB->text();
    a.OPER = lbOPER->text();
    return a;
}

void TfmDefault_MP_Akt::ActFromMeasurement(const TVELTMeasurement& m, int id, int rowNo)
{
    TDataForm_MP a = ActFromControls();
    const TDataForm_MP v = RecordOf(m);
    a.ID = id;
    a.RowNumber = rowNo;
    a.PRIBOR = v.PRIBOR;
    a.DATA_IZM = v.DATA_IZM;
    a.IZM = RoundIzm(v.IZM);
    a.IZM_AIR = RoundIzm(v.IZM_AIR);
    a.STAT = v.STAT;
    a.NUM_VIDOH = v.NUM_VIDOH;
    a.MEAS_PLACE = v.MEAS_PLACE;
    a.OBSL_FAM = v.OBSL_FAM;
    a.OBSL_NAME = v.OBSL_NAME;
    a.OBSL_PAT = v.OBSL_PAT;
    a.OBSL_NAUTO = v.OBSL_NAUTO;
    a.INSP_FAM = v.INSP_FAM;
    a.INSP_NAME = v.INSP_NAME;
    a.INSP_PAT = v.INSP_PAT;
    a.INSP_DEPR = v.INSP_DEPR;
    a.INSP_NUMB = v.INSP_NUMB;
    a.OPER = Oper.left(kActTextWidth);
    a.flag = v.flag;
    a.SATURDATA = v.SATURDATA;
    ShowAct(a);
}

void TfmDefault_MP_Akt::StartWaiting()
{
    Waiting = true;
    Received = false;
    bSave->setEnabled(false);
    bWaitNewIzm->setEnabled(false);
    gbDannie_s_Pribora->setTitle(QStringLiteral("Данные с прибора(Ожидается измерение):"));
}

void TfmDefault_MP_Akt::StopWaiting()
{
    Waiting = false;
    Received = false;
    bSave->setEnabled(true);
    bWaitNewIzm->setEnabled(true);
    gbDannie_s_Pribora->setTitle(QStringLiteral("Данные с прибора:"));
}

void TfmDefault_MP_Akt::MeasurementArrived()
{
    StopWaiting();
    Received = true;
}

bool TfmDefault_MP_Akt::FixPhoto(const QImage& frame)
{
    JournalLock lock(PhotoLock);
    Photo.reset();
    PhotoFixed = false;
    try {
        if (frame.isNull())
            throw std::runtime_error("no frame");
        auto jpeg = std::make_unique<gfx::TJPEGImage>();
        jpeg->Assign(gfx::TBitmap(frame));
        jpeg->SetCompressionQuality(Settings.JpegQuality);
        jpeg->Compress();
        Photo = std::move(jpeg);
        // Taken in this act: saving the act stores it, however the act was opened.
        PhotoFixed = true;
    } catch (...) {
        Photo.reset();
    }
    showPhoto(Photo.get());
    return Photo != nullptr;
}

void TfmDefault_MP_Akt::NewAct()
{
    Photo.reset();
    PhotoFixed = false;
    InitAct(Akt);
    showPhoto(nullptr);
    ShowAct(Akt);
    StartWaiting();
    exec();
}

void TfmDefault_MP_Akt::OpenAct()
{
    if (!ADOQuery || !ADOQuery->Active() || ADOQuery->IsEmpty())
        return;
    TDataForm_MP a;
    InitAct(a);
    {
        JournalLock lock(TableLock);
        auto text = [&](const char* name) { return ADOQuery->FieldByName(QString::fromLatin1(name))->AsString(); };
        auto integer = [&](const char* name) { return ADOQuery->FieldByName(QString::fromLatin1(name))->AsInteger(); };
        a.ID = integer("ID");
        a.PRIBOR = integer("PRIBOR");
        a.NUM_VIDOH = integer("NUM_VIDOH");
        a.SATURDATA = integer("SATURDATA");
        a.DATA_IZM = text("DATA_IZM");
        const QString stat = text("STAT");
        a.STAT = stat.isEmpty() ? QChar() : stat.at(0);
        a.OBSL_FAM = text("OBSL_FAM");
        a.OBSL_NAME = text("OBSL_NAME");
        a.OBSL_PAT = text("OBSL_PAT");
        a.MEAS_PLACE = text("MEAS_PLACE");
        a.OBSL_NAUTO = text("OBSL_NAUTO");
        a.INSP_FAM = text("INSP_FAM");
        a.INSP_NAME = text("INSP_NAME");
        a.INSP_PAT = text("INSP_PAT");
        a.INSP_DEPR = text("INSP_DEPR");
        a.INSP_NUMB = text("INSP_NUMB");
        a.OPER = text("OPER");
        a.IZM = ADOQuery->FieldByName(QStringLiteral("IZM"))->AsFloat();
        a.IZM_AIR = ADOQuery->FieldByName(QStringLiteral("IZM_AIR"))->AsFloat();

        Photo.reset();
        PhotoFixed = false;
        TField* memo = ADOQuery->FieldByName(QStringLiteral("OBSL_PHOTO"));
        const QByteArray bytes = memo->IsNull() ? QByteArray() : ADOQuery->CreateBlobStream(memo, bmRead)->readAll();
        if (!bytes.isEmpty()) {
            auto jpeg = std::make_unique<gfx::TJPEGImage>();
            try {
                jpeg->LoadFromBytes(bytes);
                Photo = std::move(jpeg);
            } catch (...) {
                // A damaged photo reads as none; the stored bytes stay as they are.
            }
        }
        a.RowNumber = ADOQuery->RecNo();
    }
    showPhoto(Photo.get());
    StopWaiting();
    ShowAct(a);
    exec();
}

void TfmDefault_MP_Akt::bWaitNewIzmClick()
{
    StartWaiting();
}

void TfmDefault_MP_Akt::bSaveClick()
{
    const TDataForm_MP a = ActFromControls();
    if (a.ID != 0) {
        UpdateRecord(a, true);
        // Back to the act's record: its row number is stale when records were filed while the act was open
        // (the view then changed); the number serves only when the view no longer holds the record.
        if (ADOQuery->Active() && !ADOQuery->Locate(QStringLiteral("ID"), a.ID, LocateOptions) &&
            a.RowNumber > 0 && a.RowNumber <= ADOQuery->RecordCount())
            ADOQuery->SetRecNo(a.RowNumber);
    }
    done(1);
}

void TfmDefault_MP_Akt::bCancelClick()
{
    Photo.reset();
    PhotoFixed = false;
    done(2);
}
