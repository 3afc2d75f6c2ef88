#include "journal/Default_ActWindow.h"

#include "db/JournalSchemas.h"
#include "journal/ActControls.h"
#include "journal/CellLook.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfmDefault_ActWindow::TfmDefault_ActWindow()
{
    auto* outer = new QHBoxLayout(this);
    // The photo panel: this variant keeps no photos; the panel shows the picture of an act without one.
    auto* photo = new QVBoxLayout;
    imSavePhoto = new QLabel(this);
    imSavePhoto->setAlignment(Qt::AlignCenter);
    imSavePhoto->setFixedSize(180, 240);
    photo->addWidget(imSavePhoto);
    bFixPhoto = new QPushButton(QStringLiteral("фиксация фотографии"), this);
    bFixPhoto->hide();
    bNewPhoto = new QPushButton(QStringLiteral("новая фоторгафия"), this);
    bNewPhoto->setEnabled(false);
    photo->addWidget(bFixPhoto);
    photo->addWidget(bNewPhoto);
    outer->addLayout(photo);

    auto* column = new QVBoxLayout;
    outer->addLayout(column, 1);

    gbDannie_s_Pribora = new QGroupBox(QStringLiteral("Данные с прибора:"), this);
    auto* dataGrid = new QGridLayout(gbDannie_s_Pribora);
    auto dataRow = [&](int row, const char* caption, QLabel*& value) { return AddDataRow(dataGrid, row, caption, value); };
    Label31 = dataRow(0, "Дата измерения:", lbDATA_IZM);
    lbDATA_IZM->setToolTip(QStringLiteral("год.месяц.день час:минута:секунда"));
    dataRow(1, "Заводской номер прибора:", lbPRIBOR);
    dataRow(2, "Измеренная величина:", lbIZM);
    dataRow(3, "Состояния выдоха:", lbSTAT);
    dataRow(4, "Номер записи:", lbnumber_zapis);
    column->addWidget(gbDannie_s_Pribora);

    bWaitNewIzm = new QPushButton(QStringLiteral("Новое измерение."), this);
    column->addWidget(bWaitNewIzm);

    GroupBox3 = new QGroupBox(QStringLiteral("Данные гражданина(гражданки):"), this);
    auto* person = new QGridLayout(GroupBox3);
    // Each edit holds no more than its table column, so nothing typed is cut when the act is saved.
    const db::SchemaWidths w = db::WidthsOf(db::Schema::Default);
    Label8 = new QLabel(QStringLiteral("Фамилия:"), GroupBox3);
    Label9 = new QLabel(QStringLiteral("Имя:"), GroupBox3);
    Label10 = new QLabel(QStringLiteral("Отчество:"), GroupBox3);
    eOBSL_FAM = UpperCaseEdit(GroupBox3, w.maxFam);
    eOBSL_NAME = UpperCaseEdit(GroupBox3, w.maxName);
    eOBSL_PAT = UpperCaseEdit(GroupBox3, w.maxPat);
    Label8->setWordWrap(true);
    person->addWidget(Label8, 0, 0);
    person->addWidget(eOBSL_FAM, 0, 1);
    person->addWidget(Label9, 1, 0);
    person->addWidget(eOBSL_NAME, 1, 1);
    person->addWidget(Label10, 2, 0);
    person->addWidget(eOBSL_PAT, 2, 1);
    column->addWidget(GroupBox3);

    auto* bottom = new QHBoxLayout;
    lb_lbOPER = new QLabel(QStringLiteral("Оператор:"), this);
    bottom->addWidget(lb_lbOPER);
    lbOPER = new QLabel(this);
    bottom->addWidget(lbOPER, 1);
    column->addLayout(bottom);
    auto* buttons = new QHBoxLayout;
    bPrintAkt = new QPushButton(QStringLiteral("Печать."), this);
    bSave = new QPushButton(QStringLiteral("Сохранить."), this);
    bCancel = new QPushButton(QStringLiteral("Отмена."), this);
    buttons->addWidget(bPrintAkt);
    buttons->addStretch(1);
    buttons->addWidget(bSave);
    buttons->addWidget(bCancel);
    column->addLayout(buttons);

    // A measurement made up here goes the way of one an instrument sent.
    GroupBox1 = new QGroupBox(QStringLiteral("Имитация измерения:"), this);
    auto* simulation = new QVBoxLayout(GroupBox1);
    simulation->setSpacing(2);
    Edit1 = UpperCaseEdit(GroupBox1, 10);
    Edit2 = UpperCaseEdit(GroupBox1, 10);
    simulation->addWidget(new QLabel(QStringLiteral("Обследуемый(10 символов):"), GroupBox1));
    simulation->addWidget(Edit1);
    simulation->addWidget(new QLabel(QStringLiteral("Инспектор(10 символов):"), GroupBox1));
    simulation->addWidget(Edit2);
    Button1 = new QPushButton(QStringLiteral("Имитировать случайные значения."), GroupBox1);
    simulation->addWidget(Button1);
    photo->addWidget(GroupBox1);
    photo->addStretch(1);
    column->addStretch(1);

    NoDefaultButton({bFixPhoto, bNewPhoto, Button1});
    connect(Button1, &QPushButton::clicked, this, [this] { if (OnSimulate) OnSimulate(); });
    wire(gbDannie_s_Pribora, bWaitNewIzm, bSave, bCancel, bPrintAkt);
    // Tests and the shell find the controls by their names.
    for (auto [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
             {lb_lbOPER, "lb_lbOPER"}, {lbOPER, "lbOPER"}, {imSavePhoto, "imSavePhoto"}, {bFixPhoto, "bFixPhoto"},
             {bNewPhoto, "bNewPhoto"}, {GroupBox3, "GroupBox3"}, {Label8, "Label8"}, {Label9, "Label9"},
             {Label10, "Label10"}, {eOBSL_FAM, "eOBSL_FAM"}, {eOBSL_NAME, "eOBSL_NAME"}, {eOBSL_PAT, "eOBSL_PAT"},
             {gbDannie_s_Pribora, "gbDannie_s_Pribora"}, {Label31, "Label31"}, {lbDATA_IZM, "lbDATA_IZM"},
             {lbPRIBOR, "lbPRIBOR"}, {lbIZM, "lbIZM"}, {lbSTAT, "lbSTAT"}, {lbnumber_zapis, "lbnumber_zapis"},
             {bWaitNewIzm, "bWaitNewIzm"}, {bPrintAkt, "bPrintAkt"}, {bSave, "bSave"}, {bCancel, "bCancel"},
             {GroupBox1, "GroupBox1"}, {Edit1, "Edit1"}, {Edit2, "Edit2"}, {Button1, "Button1"}})
        widget->setObjectName(QString::fromLatin1(name));

    resize(609, 461);
    ShowStillPhoto(imSavePhoto, nullptr);
}

QString TfmDefault_ActWindow::EventLabel(int32_t code)
{
    const QString text = DefaultEventText(code, true);
    QString out;
    for (qsizetype i = 0; i < text.size(); i += 43) {
        if (i > 0)
            out += QLatin1Char('\n');
        out += text.mid(i, 43);
    }
    return out;
}

void TfmDefault_ActWindow::ShowAct(const TDataForm& act)
{
    eOBSL_FAM->setText(act.OBSL_FAM);
    eOBSL_NAME->setText(act.OBSL_NAME);
    eOBSL_PAT->setText(act.OBSL_PAT);
    lbOPER->setText(act.OPER);
    lbDATA_IZM->setText(act.DATA_IZM);
    lbPRIBOR->setText(QString::number(act.PRIBOR).rightJustified(4, QLatin1Char('0')));
    lbIZM->setText(ActValueText(act.IZM));
    lbSTAT->setText(act.STAT == u'0' ? QStringLiteral("нормальный") : QStringLiteral("прерван"));
    lbnumber_zapis->setText(QString::number(act.NUM_VIDOH));
    const bool event = act.PAGE_FOOT == u'1';
    if (!event) {
        Label31->setText(QStringLiteral("Дата измерения:"));
        GroupBox3->setTitle(QStringLiteral("Данные гражданина(гражданки):"));
        Label8->setText(QStringLiteral("Фамилия:"));
    } else {
        Label31->setText(QStringLiteral("Дата события:"));
        GroupBox3->setTitle(QStringLiteral("Описание состояния прибора:"));
        Label8->setText(EventLabel(act.NUM_VIDOH));
        lbIZM->setText(QStringLiteral("---"));
        lbSTAT->setText(QStringLiteral("---"));
        lbnumber_zapis->setText(QStringLiteral("---"));
    }
    for (QWidget* w : std::initializer_list<QWidget*>{eOBSL_FAM, eOBSL_NAME, eOBSL_PAT, Label9, Label10})
        w->setVisible(!event);
    for (QPushButton* b : {bWaitNewIzm, bPrintAkt, bSave})
        b->setEnabled(!event);
}

QString TfmDefault_ActWindow::SimulatedSurname() const
{
    return Edit1->text();
}

QString TfmDefault_ActWindow::SimulatedInspector() const
{
    return Edit2->text();
}

TDataForm TfmDefault_ActWindow::ActFromControls(const TDataForm& act) const
{
    TDataForm a = act;
    a.OBSL_FAM = eOBSL_FAM->text();
    a.OBSL_NAME = eOBSL_NAME->text();
    a.OBSL_PAT = eOBSL_PAT->text();
    a.OPER = lbOPER->text();
    return a;
}
