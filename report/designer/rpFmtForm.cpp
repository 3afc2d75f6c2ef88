#include "report/designer/rpFmtForm.h"

#include "platform/controls/FormFont.h"
#include "platform/controls/MessageBox.h"
#include "report/designer/rpDesignerDialogs.h"
#include "platform/rtl/CodePage.h"
#include "report/rpFormat.h"
#include "report/rpLimits.h"
#include "report/rpStrings.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int customFormat = 4;

// A whole number of decimal digits that fits the code's byte.
bool decimalsOf(const QString& text, int& n)
{
    bool ok = false;
    n = text.trimmed().toInt(&ok);
    return ok && n >= 0 && n <= rplimits::FormatDecimals;
}

} // namespace

TrpFmtForm::TrpFmtForm(QWidget* parent) : QDialog(parent)
{
    ctl::SetFormFont(this);
    setObjectName(QStringLiteral("TrpFmtForm"));
    setWindowTitle(rpLoadStr(53420));
    GroupBox2 = new QGroupBox(rpLoadStr(53421), this);
    ComboBox1 = new QComboBox(GroupBox2);
    ComboBox2 = new QComboBox(GroupBox2);
    Panel1 = new QWidget(GroupBox2);
    Label5 = new QLabel(rpLoadStr(53422), Panel1);
    Edit3 = new QLineEdit(Panel1);
    Label6 = new QLabel(rpLoadStr(53423), Panel1);
    SplEdit = new QLineEdit(Panel1);
    SplEdit->setMaxLength(1);
    Label5->setBuddy(Edit3);
    Label6->setBuddy(SplEdit);
    Panel2 = new QWidget(GroupBox2);
    Label1 = new QLabel(rpLoadStr(53424), Panel2);
    Edit1 = new QLineEdit(Panel2);
    Label1->setBuddy(Edit1);

    auto* numbers = new QGridLayout(Panel1);
    numbers->setContentsMargins(0, 0, 0, 0);
    numbers->addWidget(Label5, 0, 0);
    numbers->addWidget(Edit3, 0, 1);
    numbers->addWidget(Label6, 1, 0);
    numbers->addWidget(SplEdit, 1, 1);
    Edit3->setFixedWidth(Edit3->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    SplEdit->setFixedWidth(Edit3->width());
    numbers->setColumnStretch(2, 1);
    auto* custom = new QHBoxLayout(Panel2);
    custom->setContentsMargins(0, 0, 0, 0);
    custom->addWidget(Label1);
    custom->addWidget(Edit1, 1);
    auto* group = new QGridLayout(GroupBox2);
    group->addWidget(ComboBox1, 0, 0);
    group->addWidget(ComboBox2, 0, 1);
    group->addWidget(Panel1, 1, 0, 1, 2);
    group->addWidget(Panel2, 2, 0, 1, 2);
    group->setRowStretch(3, 1);
    QHBoxLayout* buttons = rpOkCancelRow(this, Button1, Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox2, 1);
    layout->addLayout(buttons);
    // Room for the number details and the custom text whichever of them is shown.
    GroupBox2->setMinimumHeight(GroupBox2->sizeHint().height());
    setMinimumWidth(360);

    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Click(); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox2Click(); });
    connect(Edit3, &QLineEdit::textChanged, this, [this] { Edit3Change(); });
    connect(SplEdit, &QLineEdit::textChanged, this, [this] { SplEditChange(); });
    SplEdit->installEventFilter(this);
}

void TrpFmtForm::showEvent(QShowEvent* event)
{
    FormActivate();
    QDialog::showEvent(event);
}

void TrpFmtForm::setBits(int shift, int value)
{
    Format = qint32((quint32(Format) & ~(0xFFu << shift)) | (quint32(value & 0xFF) << shift));
}

void TrpFmtForm::listFormats()
{
    ComboBox2->clear();
    const int category = ComboBox1->currentIndex();
    for (int i = 0; i < 5; ++i) {
        const QString name = rpLoadStr(55150 + 5 * category + i);
        if (!name.isEmpty())
            ComboBox2->addItem(name);
    }
    ComboBox2->setCurrentIndex(0);
}

void TrpFmtForm::FormActivate()
{
    busy_ = true;
    Panel1->hide();
    Panel2->hide();
    ComboBox1->clear();
    for (int c = 0; c < 5; ++c)
        ComboBox1->addItem(rpLoadStr(55130 + c));
    ComboBox1->setCurrentIndex(rpFormatCategory(Format) < 5 ? rpFormatCategory(Format) : 0);
    listFormats();
    const int kind = rpFormatKind(Format);
    if (kind < ComboBox2->count())
        ComboBox2->setCurrentIndex(kind);
    busy_ = false;
    ShowPanels();
}

void TrpFmtForm::ShowPanels()
{
    const bool custom = ComboBox2->currentIndex() == customFormat;
    const bool numbers = !custom && ComboBox1->currentIndex() == fcNumber;
    Panel2->setVisible(custom);
    if (numbers && !Panel1->isVisibleTo(this)) {
        busy_ = true;
        Edit3->setText(QString::number(rpFormatDecimals(Format)));
        const int separator = rpFormatSeparator(Format);
        SplEdit->setText(separator ? QString(rtl::charOf(rtl::CodePage::Cp1251, uchar(separator))) : QString());
        busy_ = false;
    }
    Panel1->setVisible(numbers);
}

void TrpFmtForm::ComboBox1Click()
{
    Format = qint32((quint32(Format) & 0xF0FFFFFFu) | (quint32(ComboBox1->currentIndex() & 0xF) << 24));
    listFormats();
    setBits(16, 0);
    ShowPanels();
    Edit1->clear();
}

void TrpFmtForm::ComboBox2Click()
{
    setBits(16, ComboBox2->currentIndex());
    ShowPanels();
}

void TrpFmtForm::Edit3Change()
{
    int n = 0;
    // A text that is not yet a number keeps the digits it had; OK does not let it through.
    if (!busy_ && decimalsOf(Edit3->text(), n))
        setBits(8, n);
}

void TrpFmtForm::SplEditChange()
{
    if (busy_)
        return;
    const QString text = SplEdit->text();
    int byte = text.isEmpty() ? ',' : rtl::byteOf(rtl::CodePage::Cp1251, text[0].unicode());
    if (byte < 0)
        byte = ',';
    setBits(0, byte);
}

bool TrpFmtForm::DecimalsValid()
{
    int n = 0;
    if (!Panel1->isVisibleTo(this) || decimalsOf(Edit3->text(), n))
        return true;
    ctl::MessageBox(QStringLiteral("'%1' is not a valid number of decimal digits: enter a whole number from 0 to %2.")
                        .arg(Edit3->text(), QString::number(rplimits::FormatDecimals)),
                    rpLoadStr(55206), ctl::MB_OK | ctl::MB_ICONERROR);
    Edit3->setFocus();
    Edit3->selectAll();
    return false;
}

void TrpFmtForm::done(int result)
{
    if (result == Accepted && !DecimalsValid())
        return;
    QDialog::done(result);
}

bool TrpFmtForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SplEdit && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, SplEdit, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

bool TrpFmtForm::Edit(qint32& format, QString& formatStr, QWidget* parent)
{
    TrpFmtForm form(parent);
    form.Format = format;
    form.Edit1->setText(formatStr);
    if (ctl::ExecDialog(form) != Accepted)
        return false;
    format = form.Format;
    formatStr = form.Edit1->text();
    return true;
}
