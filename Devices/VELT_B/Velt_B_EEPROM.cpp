#include "Devices/VELT_B/Velt_B_EEPROM.h"
#include "platform/controls/FormFont.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <initializer_list>

namespace {

QLabel* label(const char* text, QWidget* parent, int left, int top)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->move(left, top);
    l->adjustSize();
    return l;
}

struct TRow {
    QLabel** caption;
    const char* text;
    QLabel** value; // "---" until the download fills it
    int valueLeft;
};

// Caption and value label pairs, one row every 16 pixels from top.
void rows(QWidget* parent, int left, int top, std::initializer_list<TRow> list)
{
    for (const TRow& r : list) {
        *r.caption = label(r.text, parent, left, top);
        *r.value = label("---", parent, r.valueLeft, top);
        top += 16;
    }
}

} // namespace

TfmVelt_B_EEPROM::TfmVelt_B_EEPROM(std::atomic<int>* go) : QDialog(nullptr), go_(go)
{
    setWindowTitle(QString::fromUtf8("Получение данных ЕЕПРОМ"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(440, 204);
    ctl::SetFormFont(this);

    GroupBox1 = new QGroupBox(QString::fromUtf8("Прогресс:"), this);
    GroupBox1->setGeometry(8, 8, 185, 113);
    rows(GroupBox1, 8, 24, {{&Label1, "Полученно/Передано:", &lbCountRec, 128}, {&Label2, "Всего записей:", &lbFullRec, 128}});
    Label7 = label("Статус:", GroupBox1, 8, 64);
    lbState = label("---", GroupBox1, 16, 80);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 160, 440, 44);
    bActions = new QPushButton(QString::fromUtf8("Получить от прибора"), Panel1);
    bActions->setGeometry(8, 8, 129, 25);
    bCancel = new QPushButton(QString::fromUtf8("Отмена"), Panel1);
    bCancel->setGeometry(352, 8, 75, 25);
    bActions->setAutoDefault(false);
    bCancel->setAutoDefault(false);

    cbAfterSend = new QCheckBox(QString::fromUtf8("Автоматически начать передачу"), this);
    cbAfterSend->setGeometry(16, 136, 201, 17);

    GroupBox2 = new QGroupBox(QString::fromUtf8("Прибор:"), this);
    GroupBox2->setGeometry(200, 8, 233, 113);
    rows(GroupBox2, 16, 24,
         {{&Label8, "Порт:", &lbCOMport, 88}, {&Label3, "Модель:", &lbNamePribor, 88},
          {&Label4, "Номер:", &lbSerialNum, 88}, {&Label5, "Дата поверки:", &lbDatePover, 104},
          {&Label6, "Всего произведено выдохов:", &lbAllLifeZapis, 168}});

    connect(bActions, &QPushButton::clicked, this, [this] {
        go_->store(1);
        bActions->setEnabled(false);
    });
    connect(bCancel, &QPushButton::clicked, this, [this] {
        go_->store(-1);
        bCancel->setEnabled(false);
    });
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void TfmVelt_B_EEPROM::closeEvent(QCloseEvent* e)
{
    // Closed by its title bar: the driver must not wait for ever.
    go_->store(-1);
    e->accept();
}

void TfmVelt_B_EEPROM::reject()
{
    go_->store(-1);
    QDialog::reject();
}
