#include "journal/Default_MP_Filter.h"

#include "platform/controls/MessageBox.h"
#include "platform/rtl/FormatFloat.h"
#include "platform/rtl/FormatSettings.h"

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// A value typed with either separator, read as the system reads numbers.
bool valueOf(QString text, double& value)
{
    const QChar sep = rtl::formatSettings().DecimalSeparator;
    text.replace(QLatin1Char('.'), sep).replace(QLatin1Char(','), sep);
    return rtl::TryStrToFloat(text, value);
}

QString dayText(const QDate& d)
{
    return QStringLiteral("%1.%2.%3")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}

// The day of a bound "yyyy.mm.dd ..."; invalid when the text is no day.
QDate dayOf(const QString& bound)
{
    return QDate::fromString(bound.left(10), QStringLiteral("yyyy.MM.dd"));
}

void warn(const char* text)
{
    ctl::MessageBox(QString::fromUtf8(text), QStringLiteral("Предупреждение!"), ctl::MB_OK | ctl::MB_ICONWARNING);
}

} // namespace

TfmDefault_MP_Filter::TfmDefault_MP_Filter(QWidget* owner)
    : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Фильтр отображения записей"));
    resize(303, 459);
    auto* column = new QVBoxLayout(this);

    auto* dateBox = new QGroupBox(this);
    auto* date = new QGridLayout(dateBox);
    cbfDate_active = new QCheckBox(QStringLiteral("По дате"), dateBox);
    rbToday = new QRadioButton(QStringLiteral("сегодняшняя дата"), dateBox);
    rbDate = new QRadioButton(QStringLiteral("конкретная дата"), dateBox);
    rbDateFiltr = new QRadioButton(QStringLiteral("временной период"), dateBox);
    lDate1 = new QLabel(QStringLiteral("c"), dateBox);
    lDate2 = new QLabel(QStringLiteral("по"), dateBox);
    cbDateMin = new QDateEdit(dateBox);
    cbDateMax = new QDateEdit(dateBox);
    for (QDateEdit* d : {cbDateMin, cbDateMax}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setDate(QDate::currentDate());
        d->setVisible(false);
    }
    for (QRadioButton* r : {rbToday, rbDate, rbDateFiltr})
        r->setEnabled(false);
    lDate1->setVisible(false);
    lDate2->setVisible(false);
    date->addWidget(cbfDate_active, 0, 0, 1, 2);
    date->addWidget(rbToday, 1, 0, 1, 2);
    date->addWidget(rbDate, 2, 0, 1, 2);
    date->addWidget(rbDateFiltr, 3, 0, 1, 2);
    date->addWidget(lDate1, 4, 0);
    date->addWidget(cbDateMin, 4, 1);
    date->addWidget(lDate2, 5, 0);
    date->addWidget(cbDateMax, 5, 1);
    column->addWidget(dateBox);

    auto* famBox = new QGroupBox(this);
    auto* fam = new QVBoxLayout(famBox);
    cbfFam_active = new QCheckBox(QStringLiteral("По фамилии"), famBox);
    efFam = new QLineEdit(famBox);
    efFam->setEnabled(false);
    connect(efFam, &QLineEdit::textEdited, efFam, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int pos = efFam->cursorPosition();
            efFam->setText(upper);
            efFam->setCursorPosition(pos);
        }
    });
    fam->addWidget(cbfFam_active);
    fam->addWidget(efFam);
    column->addWidget(famBox);

    auto* priborBox = new QGroupBox(QStringLiteral("По номеру прибора"), this);
    auto* pribor = new QVBoxLayout(priborBox);
    cbfPribor_active = new QCheckBox(QStringLiteral("По номеру прибора"), priborBox);
    efPribor = new QLineEdit(priborBox);
    efPribor->setMaxLength(4);
    // efIntNum: digits only.
    efPribor->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), efPribor));
    efPribor->setEnabled(false);
    pribor->addWidget(cbfPribor_active);
    pribor->addWidget(efPribor);
    column->addWidget(priborBox);

    auto* valueBox = new QGroupBox(QStringLiteral("По измеренной величине"), this);
    auto* value = new QGridLayout(valueBox);
    cbfMinMax_active = new QCheckBox(QStringLiteral("По измеренной величине"), valueBox);
    Label1 = new QLabel(QStringLiteral("c"), valueBox);
    efMin = new QLineEdit(valueBox);
    Label2 = new QLabel(QStringLiteral("(мг/л)  по"), valueBox);
    efMax = new QLineEdit(valueBox);
    Label3 = new QLabel(QStringLiteral("(мг/л)"), valueBox);
    // efFloatNum: digits and one decimal separator, the point or the comma whatever the system's is (an
    // operator's "0.1" must not become "01").
    for (QLineEdit* e : {efMin, efMax}) {
        e->setMaxLength(6);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*([.,][0-9]*)?")), e));
    }
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, efMin, Label2, efMax, Label3})
        w->setEnabled(false);
    value->addWidget(cbfMinMax_active, 0, 0, 1, 5);
    value->addWidget(Label1, 1, 0);
    value->addWidget(efMin, 1, 1);
    value->addWidget(Label2, 1, 2);
    value->addWidget(efMax, 1, 3);
    value->addWidget(Label3, 1, 4);
    column->addWidget(valueBox);

    auto* buttons = new QHBoxLayout;
    bOK = new QPushButton(QStringLiteral("ок"), this);
    bCancel = new QPushButton(QStringLiteral("отмена"), this);
    buttons->addWidget(bOK);
    buttons->addWidget(bCancel);
    column->addLayout(buttons);

    connect(cbfDate_active, &QCheckBox::clicked, this, [this] { cbfDate_activeClick(); });
    connect(rbToday, &QRadioButton::clicked, this, [this] { rbTodayClick(); });
    connect(rbDate, &QRadioButton::clicked, this, [this] { rbDateClick(); });
    connect(rbDateFiltr, &QRadioButton::clicked, this, [this] { rbDateFiltrClick(); });
    connect(cbfFam_active, &QCheckBox::clicked, this, [this] { cbfFam_activeClick(); });
    connect(cbfPribor_active, &QCheckBox::clicked, this, [this] { cbfPribor_activeClick(); });
    connect(cbfMinMax_active, &QCheckBox::clicked, this, [this] { cbfMinMax_activeClick(); });
    connect(bOK, &QPushButton::clicked, this, [this] { bOKClick(); });
    connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
}

void TfmDefault_MP_Filter::Load(const TFilter& filter)
{
    Filter = filter;
    if (Filter.DateMode == 0) {
        cbfDate_active->setChecked(false);
        cbfDate_activeClick();
    } else {
        cbfDate_active->setChecked(true);
        cbfDate_activeClick();
        if (Filter.DateMode == 1) {
            rbToday->setChecked(true);
        } else if (Filter.DateMode == 2) {
            rbDate->setChecked(true);
            rbDateClick();
            if (Filter.From != QLatin1String("0") && dayOf(Filter.From).isValid())
                cbDateMin->setDate(dayOf(Filter.From));
        } else if (Filter.DateMode == 3) {
            rbDateFiltr->setChecked(true);
            rbDateFiltrClick();
            if (Filter.From != QLatin1String("0") && dayOf(Filter.From).isValid())
                cbDateMin->setDate(dayOf(Filter.From));
            if (Filter.To != QLatin1String("0") && dayOf(Filter.To).isValid())
                cbDateMax->setDate(dayOf(Filter.To));
        }
    }
    cbfFam_active->setChecked(Filter.FamOn != 0);
    cbfFam_activeClick();
    if (Filter.FamOn)
        efFam->setText(Filter.Fam);
    cbfPribor_active->setChecked(Filter.PriborOn != 0);
    cbfPribor_activeClick();
    if (Filter.PriborOn)
        efPribor->setText(QString::number(Filter.Pribor));
    cbfMinMax_active->setChecked(Filter.MinMaxOn != 0);
    cbfMinMax_activeClick();
    if (Filter.MinMaxOn) {
        efMin->setText(rtl::FloatToStr(Filter.Min));
        efMax->setText(rtl::FloatToStr(Filter.Max));
    }
}

void TfmDefault_MP_Filter::cbfDate_activeClick()
{
    const bool on = cbfDate_active->isChecked();
    for (QRadioButton* r : {rbToday, rbDate, rbDateFiltr})
        r->setEnabled(on);
    if (on) {
        rbToday->setChecked(true);
        rbTodayClick();
    }
}

void TfmDefault_MP_Filter::rbTodayClick()
{
    if (!rbToday->isChecked())
        return;
    cbDateMin->setVisible(true);
    cbDateMin->setDate(QDate::currentDate());
    cbDateMin->setEnabled(false);
    lDate1->setVisible(false);
    lDate2->setVisible(false);
    cbDateMax->setVisible(false);
}

void TfmDefault_MP_Filter::rbDateClick()
{
    if (!rbDate->isChecked())
        return;
    cbDateMin->setVisible(true);
    cbDateMin->setEnabled(true);
    lDate1->setVisible(false);
    lDate2->setVisible(false);
    cbDateMax->setVisible(false);
}

void TfmDefault_MP_Filter::rbDateFiltrClick()
{
    if (!rbDateFiltr->isChecked())
        return;
    lDate1->setVisible(true);
    lDate2->setVisible(true);
    cbDateMin->setVisible(true);
    cbDateMin->setDate(QDate::currentDate());
    cbDateMax->setDate(cbDateMin->date());
    cbDateMin->setEnabled(true);
    cbDateMax->setVisible(true);
}

void TfmDefault_MP_Filter::cbfFam_activeClick()
{
    efFam->setEnabled(cbfFam_active->isChecked());
}

void TfmDefault_MP_Filter::cbfPribor_activeClick()
{
    efPribor->setEnabled(cbfPribor_active->isChecked());
}

void TfmDefault_MP_Filter::cbfMinMax_activeClick()
{
    const bool on = cbfMinMax_active->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, efMin, Label2, efMax, Label3})
        w->setEnabled(on);
}

void TfmDefault_MP_Filter::bOKClick()
{
    if (!cbfDate_active->isChecked()) {
        Filter.DateMode = 0;
    } else {
        Filter.DateMode = 1;
        auto oneDay = [this](int mode, const QDate& day) {
            Filter.DateMode = mode;
            Filter.From = dayText(day) + QStringLiteral(" 00:00:00");
            Filter.To = dayText(day) + QStringLiteral(" 23:59:59");
            Filter.FirstDay = Filter.LastDay = dayText(day);
        };
        if (rbToday->isChecked()) {
            oneDay(1, QDate::currentDate());
        } else if (rbDate->isChecked()) {
            oneDay(2, cbDateMin->date());
        } else if (rbDateFiltr->isChecked()) {
            Filter.DateMode = 3;
            Filter.From = dayText(cbDateMin->date()) + QStringLiteral(" 00:00:00");
            Filter.To = dayText(cbDateMax->date()) + QStringLiteral(" 23:59:59");
            Filter.FirstDay = dayText(cbDateMin->date());
            Filter.LastDay = dayText(cbDateMax->date());
        }
    }
    if (cbfFam_active->isChecked()) {
        if (efFam->text().isEmpty()) {
            warn("Вы не ввели Фамилию!");
            return;
        }
        Filter.FamOn = 1;
        Filter.Fam = efFam->text();
    } else {
        Filter.FamOn = 0;
    }
    if (cbfPribor_active->isChecked()) {
        bool ok = false;
        const int serial = efPribor->text().toInt(&ok);
        if (efPribor->text().isEmpty() || !ok) {
            warn("Вы не ввели Номер прибора!");
            return;
        }
        Filter.PriborOn = 1;
        Filter.Pribor = serial;
    } else {
        Filter.PriborOn = 0;
    }
    if (cbfMinMax_active->isChecked()) {
        // A lone decimal separator is no number: asked for again, like an empty edit.
        double min = 0, max = 0;
        if (efMin->text().isEmpty() || efMax->text().isEmpty() || !valueOf(efMin->text(), min) ||
            !valueOf(efMax->text(), max)) {
            warn("Вы не ввели Измеренную величину!");
            return;
        }
        Filter.MinMaxOn = 1;
        Filter.Min = min;
        Filter.Max = max;
    } else {
        Filter.MinMaxOn = 0;
    }
    done(1);
}

void TfmDefault_MP_Filter::bCancelClick()
{
    done(2);
}
