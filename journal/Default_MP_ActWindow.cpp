#include "journal/Default_MP_ActWindow.h"

#include "db/JournalSchemas.h"
#include "journal/ActControls.h"
#include "journal/VideoPhotoPanel.h"
#include "platform/graphics/JPEGImage.h"

#include <QGridLayout>
#include <array>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfmDefault_MP_ActWindow::TfmDefault_MP_ActWindow(critsection_t& photoLock)
{
    auto* outer = new QHBoxLayout(this);
    pnVideoFix = new TVideoPhotoPanel(photoLock, this);
    imSavePhoto = pnVideoFix->StillPhoto();
    outer->addWidget(pnVideoFix, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    outer->addLayout(column, 1);

    gbDannie_s_Pribora = new QGroupBox(QStringLiteral("Данные с прибора:"), this);
    auto* dataGrid = new QGridLayout(gbDannie_s_Pribora);
    // Rows packed as on the form, so that everything fits its 400 pixels of height.
    dataGrid->setVerticalSpacing(1);
    auto dataRow = [&](int row, const char* caption, QLabel*& value) { return AddDataRow(dataGrid, row, caption, value); };
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
            out[i] = UpperCaseEdit(box, 32767); // the column widths below
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
    // Each edit holds no more than its table column, so nothing typed is cut when the act is saved.
    const db::SchemaWidths w = db::WidthsOf(db::Schema::DefaultMp);
    for (auto [e, width] : {std::pair{eOBSL_FAM, w.maxFam}, {eOBSL_NAME, w.maxName}, {eOBSL_PAT, w.maxPat},
                            {eMEAS_PLACE, w.maxPat}, {eOBSL_NAUTO, w.maxPat}, {eINSP_FAM, w.maxFam},
                            {eINSP_NAME, w.maxName}, {eINSP_PAT, w.maxPat}, {eINSP_DEPR, w.maxFam},
                            {eINSP_NUMB, w.maxFam}})
        e->setMaxLength(width);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Оператор:"), this));
    lbOPER = new QLabel(this);
    bottom->addWidget(lbOPER, 1);
    bPrintAkt = new QPushButton(QStringLiteral("Печать."), this);
    bottom->addWidget(bPrintAkt);
    bSave = new QPushButton(QStringLiteral("Сохранить."), this);
    bCancel = new QPushButton(QStringLiteral("Отмена."), this);
    bottom->addWidget(bSave);
    bottom->addWidget(bCancel);
    column->addLayout(bottom);
    column->addStretch(1);

    wire(gbDannie_s_Pribora, bWaitNewIzm, bSave, bCancel, bPrintAkt);
    // Tests and the shell find the controls by their names.
    for (auto [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
             {gbDannie_s_Pribora, "gbDannie_s_Pribora"}, {Label31, "Label31"}, {lbDATA_IZM, "lbDATA_IZM"},
             {lbPRIBOR, "lbPRIBOR"}, {lbIZM, "lbIZM"}, {lbIZM_AIR, "lbIZM_AIR"}, {lbSTAT, "lbSTAT"},
             {lbnumber_zapis, "lbnumber_zapis"}, {bWaitNewIzm, "bWaitNewIzm"}, {GroupBox3, "GroupBox3"},
             {Label8, "Label8"}, {eOBSL_FAM, "eOBSL_FAM"}, {eOBSL_NAME, "eOBSL_NAME"}, {eOBSL_PAT, "eOBSL_PAT"},
             {eMEAS_PLACE, "eMEAS_PLACE"}, {eOBSL_NAUTO, "eOBSL_NAUTO"}, {GroupBox2, "GroupBox2"},
             {eINSP_FAM, "eINSP_FAM"}, {eINSP_NAME, "eINSP_NAME"}, {eINSP_PAT, "eINSP_PAT"},
             {eINSP_DEPR, "eINSP_DEPR"}, {eINSP_NUMB, "eINSP_NUMB"}, {lbOPER, "lbOPER"},
             {imSavePhoto, "imSavePhoto"}, {bSave, "bSave"}, {bCancel, "bCancel"},
             {bPrintAkt, "bPrintAkt"}})
        widget->setObjectName(QString::fromLatin1(name));

    resize(820, 400);
    ShowPhoto(nullptr);
}

void TfmDefault_MP_ActWindow::ShowPhoto(const gfx::TJPEGImage* photo)
{
    ShowStillPhoto(imSavePhoto, photo);
}

void TfmDefault_MP_ActWindow::ShowAct(const TDataForm_MP& act)
{
    const std::array<QLineEdit*, 10> all = {eOBSL_FAM, eOBSL_NAME, eOBSL_PAT, eMEAS_PLACE, eOBSL_NAUTO,
                                            eINSP_FAM, eINSP_NAME, eINSP_PAT, eINSP_DEPR, eINSP_NUMB};
    for (QLineEdit* edit : all)
        edit->setEnabled(false);
    switch (act.SATURDATA) {
    case 0: case 1: case 2: case 10: case 11: case 12:
        for (QLineEdit* edit : all)
            edit->setEnabled(true);
        pnVideoFix->EnablePhotoButtons();
        break;
    case 13:
        for (QLineEdit* edit : all)
            edit->setEnabled(edit != eOBSL_FAM && edit != eINSP_FAM);
        pnVideoFix->EnablePhotoButtons();
        break;
    case 20:
        pnVideoFix->EnablePhotoButtons();
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
    lbIZM->setText(ActValueText(act.IZM));
    lbIZM_AIR->setText(act.SATURDATA == 20 ? ActValueText(act.IZM_AIR) : QStringLiteral("---"));
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
    bPrintAkt->setEnabled(true);
    bWaitNewIzm->setEnabled(true);
}

TDataForm_MP TfmDefault_MP_ActWindow::ActFromControls(const TDataForm_MP& act) const
{
    TDataForm_MP a = act;
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
