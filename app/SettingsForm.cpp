#include "app/SettingsForm.h"

#include "platform/controls/FormFont.h"

#include "platform/rtl/FormatSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

QLabel* legend(QWidget* parent, const char* text, QColor colour, int y)
{
    auto* l = new QLabel(u(text), parent);
    l->setGeometry(12, y, 195, 19);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    return l;
}

} // namespace

TfmSettings::TfmSettings(QWidget* owner)
    : QDialog(owner)
{
    ctl::SetFormFont(this);
    setWindowTitle(u("Настройки"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(235, 416);

    rVideo = new QGroupBox(u("Видео режим"), this);
    rVideo->setGeometry(8, 4, 219, 62);
    rbVideoOn = new QRadioButton(u("включен"), rVideo);
    rbVideoOn->setGeometry(12, 18, 195, 18);
    rbVideoOff = new QRadioButton(u("выключен"), rVideo);
    rbVideoOff->setGeometry(12, 38, 195, 18);

    rQuality = new QGroupBox(u("Качество фотографий"), this);
    rQuality->setGeometry(8, 70, 219, 78);
    tbSaveJpegQuality = new QSlider(Qt::Horizontal, rQuality);
    tbSaveJpegQuality->setGeometry(12, 20, 195, 30);
    tbSaveJpegQuality->setRange(1, 5);
    tbSaveJpegQuality->setSingleStep(1);
    tbSaveJpegQuality->setPageStep(1);
    tbSaveJpegQuality->setTickInterval(1);
    tbSaveJpegQuality->setTickPosition(QSlider::TicksBelow);
    tbSaveJpegQuality->setToolTip(QStringList{
        u("Этот параметр влияет на чёткость и"),
        u("цветопередачу сохранённой фотографии. Чем "),
        u("выше качество, тем лучше изображение, но "),
        u("и больше размер сохранённой фотографии. "),
        u("Следует выбрать оптимальное для вас значение "),
        u("между качеством изображения фотографии и "),
        u("экономией дискового пространства."),
        u("По умолчанию - \"Выше Среднего\"."),
    }.join(QLatin1Char('\n')));
    auto* good = new QLabel(u("Хорошее"), rQuality);
    good->setGeometry(8, 52, 66, 16);
    auto* middle = new QLabel(u("Среднее"), rQuality);
    middle->setGeometry(76, 52, 66, 16);
    middle->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* low = new QLabel(u("Низкое"), rQuality);
    low->setGeometry(144, 52, 66, 16);
    low->setAlignment(Qt::AlignRight | Qt::AlignTop);

    GroupBox1 = new QGroupBox(u("Справка по цветовому обозначению:"), this);
    GroupBox1->setGeometry(8, 152, 219, 152);
    legend(GroupBox1, "Измерение - Норма", QColor(255, 255, 255), 20);
    legend(GroupBox1, "Измерение - Превышение", QColor(255, 154, 138), 42);
    legend(GroupBox1, "Состояние прибора", QColor(255, 255, 0), 64);
    legend(GroupBox1, "Служебная запись", QColor(0, 255, 0), 86);
    legend(GroupBox1, "Неопределённый тип записи", QColor(192, 192, 192), 108);
    auto* note = new QLabel(u("Выделенная запись немного темнее."), GroupBox1);
    note->setGeometry(12, 130, 195, 16);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setGeometry(8, 308, 219, 58);
    cbOnlyForAlkozamok = new QCheckBox(u("Программа используется только \nдля Алкозамков"), GroupBox2);
    cbOnlyForAlkozamok->setGeometry(12, 10, 200, 40);
    cbOnlyForAlkozamok->setToolTip(u("Если программа используеться только для приборов серии VELT-B.АЛКОЗАМОК \n"
                                     "- то можно скрыть некоторые неиспользуемые функции"));

    // Kept for its edit's input rule; never shown.
    rNorma = new QGroupBox(u("Виз. норма алкоголя (мг/л)"), this);
    rNorma->setGeometry(8, 308, 219, 50);
    eVisualNorma = new QLineEdit(rNorma);
    eVisualNorma->setGeometry(12, 20, 100, 21);
    const QString sep = QRegularExpression::escape(QString(rtl::formatSettings().DecimalSeparator));
    eVisualNorma->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9%1]*").arg(sep)), eVisualNorma));
    rNorma->hide();

    bOK = new QPushButton(u("ОК"), this);
    bOK->setGeometry(36, 378, 75, 25);
    bOK->setDefault(true);
    bCancel = new QPushButton(u("Отмена"), this);
    bCancel->setGeometry(124, 378, 75, 25);
    connect(bOK, &QPushButton::clicked, this, [this] { bOKClick(); });
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
}

int TfmSettings::QualityToPosition(int quality)
{
    switch (quality) {
    case 90: return 1;
    case 65: return 3;
    case 40: return 4;
    case 30: return 5;
    default: return 2;
    }
}

int TfmSettings::PositionToQuality(int position)
{
    switch (position) {
    case 1: return 90;
    case 3: return 65;
    case 4: return 40;
    case 5: return 30;
    default: return 75;
    }
}

void TfmSettings::SetSettings(const TJournalSettings& settings)
{
    settings_ = settings;
    (settings.VideoOn ? rbVideoOn : rbVideoOff)->setChecked(true);
    tbSaveJpegQuality->setValue(QualityToPosition(settings.JpegQuality));
    cbOnlyForAlkozamok->setChecked(settings.OnlyForAlkozamok != 0);
}

void TfmSettings::bOKClick()
{
    settings_.VideoOn = rbVideoOn->isChecked() ? 1 : 0;
    settings_.JpegQuality = int8_t(PositionToQuality(tbSaveJpegQuality->value()));
    settings_.OnlyForAlkozamok = cbOnlyForAlkozamok->isChecked() ? 1 : 0;
    done(1);
}

void TfmSettings::bCancelClick()
{
    done(2);
}

void TfmSettings::reject()
{
    done(2);
}
