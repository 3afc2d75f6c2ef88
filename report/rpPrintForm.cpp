#include "report/rpPrintForm.h"

#include "platform/controls/DialogPort.h"
#include "report/rpCtrls.h"
#include "report/rpPrinter.h"
#include "report/rpStrings.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

// A printer drawn in 18 x 16 pixels, grey (128, 128, 128) as its transparent colour.
QImage printerGlyph()
{
    QImage g(18, 16, QImage::Format_RGB32);
    g.fill(qRgb(128, 128, 128));
    QPainter p(&g);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(5, 1, 7, 5);  // paper
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(1, 6, 15, 6); // body
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(4, 11, 9, 3); // paper out
    p.end();
    return g;
}

// Each printer item: the glyph at (left + 2, top), the name at (left + 24, top + 1).
class PrinterItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        static const QImage glyph = [] {
            QImage g = printerGlyph().convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < g.height(); ++y)
                for (int x = 0; x < g.width(); ++x)
                    if ((g.pixel(x, y) & 0xFFFFFF) == 0x808080)
                        g.setPixel(x, y, 0);
            return g;
        }();
        p->drawImage(option.rect.left() + 2, option.rect.top(), glyph);
        p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p->drawText(option.rect.adjusted(24, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize s = QStyledItemDelegate::sizeHint(option, index);
        return QSize(s.width() + 24, std::max(s.height(), 17));
    }
};

} // namespace

TrpPrintForm::TrpPrintForm(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);

    auto* printerBox = new QGroupBox(rpLoadStr(53041), this);
    auto* printerRow = new QHBoxLayout(printerBox);
    CB1 = new QComboBox(printerBox);
    CB1->setItemDelegate(new PrinterItemDelegate(CB1));
    PropButton = new QPushButton(rpLoadStr(53042), printerBox);
    printerRow->addWidget(CB1, 1);
    printerRow->addWidget(PropButton);
    layout->addWidget(printerBox);

    auto* copiesRow = new QHBoxLayout;
    auto* copiesLabel = new QLabel(rpLoadStr(53043), this);
    E1 = new QLineEdit(QStringLiteral("1"), this);
    copiesLabel->setBuddy(E1);
    rpSpeedButton1 = new TrpSpeedButton(this);
    rpSpeedButton1->SetCaption(QStringLiteral("+"));
    rpSpeedButton1->setFixedSize(16, 11);
    rpSpeedButton2 = new TrpSpeedButton(this);
    rpSpeedButton2->SetCaption(QStringLiteral("-"));
    rpSpeedButton2->setFixedSize(16, 11);
    auto* steps = new QVBoxLayout;
    steps->setSpacing(0);
    steps->addWidget(rpSpeedButton1);
    steps->addWidget(rpSpeedButton2);
    copiesRow->addWidget(copiesLabel);
    copiesRow->addWidget(E1);
    copiesRow->addLayout(steps);
    copiesRow->addStretch(1);
    layout->addLayout(copiesRow);

    auto* rangeBox = new QGroupBox(rpLoadStr(53044), this);
    auto* range = new QGridLayout(rangeBox);
    RB1 = new QRadioButton(rpLoadStr(53045), rangeBox);
    RB2 = new QRadioButton(rpLoadStr(53046), rangeBox);
    RB3 = new QRadioButton(rpLoadStr(53047), rangeBox);
    E2 = new QLineEdit(rangeBox);
    HintLabel = new QLabel(rpLoadStr(53048), rangeBox);
    HintLabel->setWordWrap(true);
    RB1->setChecked(true);
    range->addWidget(RB1, 0, 0, 1, 2);
    range->addWidget(RB2, 1, 0, 1, 2);
    range->addWidget(RB3, 2, 0);
    range->addWidget(E2, 2, 1);
    range->addWidget(HintLabel, 3, 0, 1, 2);
    layout->addWidget(rangeBox);

    auto* buttons = new QHBoxLayout;
    OkButton = new QPushButton(rpLoadStr(55000), this);
    CancelButton = new QPushButton(rpLoadStr(55001), this);
    OkButton->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    connect(CB1, &QComboBox::activated, this, [this] { CB1Click(); });
    connect(PropButton, &QPushButton::clicked, this, [this] { PropButtonClick(); });
    connect(RB3, &QRadioButton::clicked, this, [this] { RB3Click(); });
    connect(OkButton, &QPushButton::clicked, this, [this] { done(1); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { done(2); });
    rpSpeedButton1->OnClick = [this] { rpSpeedButton1Click(); };
    rpSpeedButton2->OnClick = [this] { rpSpeedButton2Click(); };
    E2->installEventFilter(this);
    FormCreate();
}

TrpPrintForm::~TrpPrintForm() = default;

void TrpPrintForm::FormCreate()
{
    setWindowTitle(rpLoadStr(53040));
    TrpPrinter& prn = Prn();
    CB1->clear();
    CB1->addItems(prn.Printers);
    CB1->setCurrentIndex(prn.PrinterIndex);
    OldIndex = prn.PrinterIndex;
}

void TrpPrintForm::CB1Click()
{
    if (CB1->currentIndex() >= 0)
        Prn().SetPrinterIndex(CB1->currentIndex());
}

void TrpPrintForm::PropButtonClick()
{
    TrpPrinter& prn = Prn();
    if (!prn.IsDefault() && prn.Printer) {
        QPrintDialog dialog(prn.Printer, this);
        dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
        if (ctl::ExecDialog(dialog) == QDialog::Accepted) {
            const int index = int(prn.Printers.indexOf(prn.Printer->printerName()));
            if (index >= 0 && index != prn.PrinterIndex)
                prn.SetPrinterIndex(index);
        }
    }
    CB1->setCurrentIndex(prn.PrinterIndex);
}

void TrpPrintForm::E2Click()
{
    RB3->setChecked(true);
}

void TrpPrintForm::RB3Click()
{
    E2->setFocus();
}

void TrpPrintForm::rpSpeedButton1Click()
{
    E1->setText(QString::number(Copies() + 1));
}

void TrpPrintForm::rpSpeedButton2Click()
{
    E1->setText(QString::number(std::max(1, Copies() - 1)));
}

int TrpPrintForm::Copies() const
{
    bool ok = false;
    const int n = E1->text().trimmed().toInt(&ok);
    return ok && n > 0 ? n : 1;
}

QString TrpPrintForm::PageList(int currentPage) const
{
    if (RB1->isChecked())
        return QString();
    if (RB2->isChecked())
        return QString::number(currentPage);
    return E2->text();
}

void TrpPrintForm::done(int result)
{
    // Anything but OK gives the engine its printer back.
    if (result != 1 && Prn().PrinterIndex != OldIndex)
        Prn().SetPrinterIndex(OldIndex);
    QDialog::done(result);
}

bool TrpPrintForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == E2 && event->type() == QEvent::MouseButtonPress)
        E2Click();
    return QDialog::eventFilter(watched, event);
}
