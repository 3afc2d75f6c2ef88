#include "Devices/VELT_B/Velt_B_EEPROM.h"
#include "platform/controls/FormFont.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace {

QLabel* label(const char* text, QWidget* parent, int left, int top)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->move(left, top);
    l->adjustSize();
    return l;
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
    Label1 = label("Полученно/Передано:", GroupBox1, 8, 24);
    lbCountRec = label("---", GroupBox1, 128, 24);
    Label2 = label("Всего записей:", GroupBox1, 8, 40);
    lbFullRec = label("---", GroupBox1, 128, 40);
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
    Label8 = label("Порт:", GroupBox2, 16, 24);
    lbCOMport = label("---", GroupBox2, 88, 24);
    Label3 = label("Модель:", GroupBox2, 16, 40);
    lbNamePribor = label("---", GroupBox2, 88, 40);
    Label4 = label("Номер:", GroupBox2, 16, 56);
    lbSerialNum = label("---", GroupBox2, 88, 56);
    Label5 = label("Дата поверки:", GroupBox2, 16, 72);
    lbDatePover = label("---", GroupBox2, 104, 72);
    Label6 = label("Всего произведено выдохов:", GroupBox2, 16, 88);
    lbAllLifeZapis = label("---", GroupBox2, 168, 88);

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
