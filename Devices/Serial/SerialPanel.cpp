#include "Devices/Serial/SerialPanel.h"
#include "platform/controls/FormFont.h"
#include "platform/graphics/FontNames.h"

#include <QEvent>

TSerialPanel::TSerialPanel(TSerialDriver* driver, QWidget* parent) : QWidget(parent), serialDriver_(driver)
{
    // Placed for the forms' font, whatever the page's host uses.
    ctl::SetFormFont(this);
    setGeometry(0, 0, 603, 260);
    // The page's size is its host's to give: the panel follows it and asks for none.
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
}

bool TSerialPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched == parentWidget())
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TSerialPanel::CreatePortGroup()
{
    gbPort = new QGroupBox(QString::fromUtf8("Номер используемого COM-порта:"), this);
    gbPort->setGeometry(8, 8, 337, 65);
    cbPort = new TPortComboBox(gbPort);
    cbPort->setGeometry(16, 16, 145, 21);
    cbPort->setPlaceholderText(QStringLiteral("---"));
    cbPort->setCurrentIndex(-1);
    connect(cbPort, &QComboBox::activated, this, [this](int) { PortChange(); });
    lbStatus = new QLabel(QString::fromUtf8("Статус: Не выбран."), gbPort);
    lbStatus->move(168, 24);
    lbStatus->adjustSize();
}

QGroupBox* TSerialPanel::CreateDescription(const QRect& geometry,
                                           std::initializer_list<std::pair<const char*, QLabel**>> rows,
                                           std::initializer_list<int> valueLefts)
{
    auto* box = new QGroupBox(QString::fromUtf8("Описание устройства:"), this);
    box->setGeometry(geometry);
    auto label = [box](const QString& text, int left, int top) {
        auto* l = new QLabel(text, box);
        l->move(left, top);
        l->adjustSize();
        return l;
    };
    int top = 16;
    for (const auto& row : rows) {
        label(QString::fromUtf8(row.first), 16, top);
        top += 16;
    }
    top = 16;
    auto left = valueLefts.begin();
    for (const auto& row : rows) {
        *row.second = label(QStringLiteral("---"), *left++, top);
        top += 16;
    }
    return box;
}

QPlainTextEdit* TSerialPanel::CreateLogMemo(QWidget* parent, const QRect& geometry)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setGeometry(geometry);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(gfx::ResolveFontFamily(QStringLiteral("Tahoma")));
    font.setPixelSize(10);
    memo->setFont(font);
    QPalette pal = memo->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    memo->setPalette(pal);
    return memo;
}

QGroupBox* TSerialPanel::CreateLogGroup(const QRect& geometry, QPlainTextEdit*& memo, QPushButton*& clear)
{
    auto* box = new QGroupBox(QString::fromUtf8("Журнал:"), this);
    box->setGeometry(geometry);
    memo = CreateLogMemo(box, QRect(8, 16, 345, geometry.height() - 24));
    clear = new QPushButton(QString::fromUtf8("Отчистить"), box);
    clear->setGeometry(360, 16, 75, 25);
    return box;
}

void TSerialPanel::ShowPort(const QString& port)
{
    cbPort->Fill();
    const int index = cbPort->findText(port, Qt::MatchFixedString);
    cbPort->setCurrentIndex(index);
    if (index < 0)
        cbPort->setPlaceholderText(port);
}

void TSerialPanel::PortChange()
{
    serialDriver_->PortChange(cbPort->ShownPort());
}

void TSerialPanel::SetLabel(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

void TSerialPanel::ShowSerialStatus(const TSerialStatus& now, const TSerialStatus& before)
{
    ShowChanged(now.StatusText, before.StatusText, [this](const QString& t) { SetLabel(lbStatus, t); });
    ShowChanged(now.Port, before.Port, [this](const QString& port) { ShowPort(port); });
    ShowChanged(now.PortListEnabled, before.PortListEnabled, [this](bool on) { cbPort->setEnabled(on); });
}

bool TSerialPanel::ShowLog(QPlainTextEdit* memo, const TLogFeed& now, const TLogFeed& before)
{
    if (now.cleared != before.cleared)
        memo->clear();
    if (now.lines.isEmpty())
        return false;
    memo->appendPlainText(now.lines);
    return true;
}
