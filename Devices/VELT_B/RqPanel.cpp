#include "Devices/VELT_B/RqPanel.h"
#include "platform/controls/MessageBox.h"

#include <QFont>
#include <QScrollBar>
#include <QTimer>

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TRqPanel::TRqPanel(TVelt_B* driver, QWidget* parent, std::unique_ptr<TfmVelt_B_EEPROM> window)
    : TSerialPanel(driver, parent), driver_(driver), fmEEPROM(std::move(window))
{
    CreatePortGroup();
    cbAutoEnum = new QCheckBox(u("Автоматически перебирать порты в поисках устройства."), gbPort);
    cbAutoEnum->setGeometry(8, 40, 321, 17);
    cbAutoEnum->setChecked(true);
    connect(cbAutoEnum, &QCheckBox::toggled, this, [this](bool on) { driver_->SetAutoEnum(on); });

    bGetEEPROM = new QPushButton(u("Получить ЕЕПРОМ прибора"), this);
    bGetEEPROM->setGeometry(184, 80, 161, 25);
    bGetEEPROM->setEnabled(false);
    connect(bGetEEPROM, &QPushButton::clicked, this, [this] {
        bGetEEPROM->setEnabled(false);
        driver_->AskDownload();
        QTimer::singleShot(100, bGetEEPROM, [this] { bGetEEPROM->setEnabled(true); });
    });
    bClearEEPROM = new QPushButton(u("Очистить ЕЕПРОМ прибора"), this);
    bClearEEPROM->setGeometry(8, 80, 161, 25);
    bClearEEPROM->setEnabled(false);
    bClearEEPROM->setVisible(false);
    connect(bClearEEPROM, &QPushButton::clicked, this, &TRqPanel::ClearClick);

    gbDescription = CreateDescription(QRect(352, 8, 225, 97),
                                      {{"Заводской номер:", &lbSerialValue}, {"Дата поверки:", &lbDateValue},
                                       {"Всего произведено выдохов:", &lbCountValue}},
                                      {128, 128, 168});

    gbLog = CreateLogGroup(QRect(8, 104, 569, 137), mLog, bClearLog);
    connect(bClearLog, &QPushButton::clicked, this, [this] {
        mLog->clear();
        QFont f = mLog->font();
        f.setStyleStrategy(QFont::PreferDefault);
        mLog->setFont(f);
    });

    connect(fmEEPROM->cbAfterSend, &QCheckBox::toggled, this, [this](bool on) { driver_->SetAfterSend(on); });
}

TRqPanel::~TRqPanel() = default;

void TRqPanel::ClearClick()
{
    bClearEEPROM->setEnabled(false);
    if (ctl::MessageBox(u("Операция уничтожит все записи в приборе!\nВы действительно хотите стереть EEPROM прибора?"),
                        u("Внимание!"), ctl::MB_YESNO | ctl::MB_ICONQUESTION) == ctl::IDYES)
        driver_->AskClear();
    else
        bClearEEPROM->setEnabled(true);
}

void TRqPanel::Refresh()
{
    TRqStatus now;
    driver_->TakeStatus(now);
    const TRqStatus& before = shown_;
    ShowSerialStatus(now, before);
    ShowChanged(now.AutoEnum, before.AutoEnum, [this](bool on) { cbAutoEnum->setChecked(on); });
    ShowChanged(now.GetEnabled, before.GetEnabled, [this](bool on) { bGetEEPROM->setEnabled(on); });
    ShowChanged(now.ClearEnabled, before.ClearEnabled, [this](bool on) { bClearEEPROM->setEnabled(on); });
    ShowChanged(now.SerialValue, before.SerialValue, [this](const QString& t) { SetLabel(lbSerialValue, t); });
    ShowChanged(now.DateValue, before.DateValue, [this](const QString& t) { SetLabel(lbDateValue, t); });
    ShowChanged(now.CountValue, before.CountValue, [this](const QString& t) { SetLabel(lbCountValue, t); });
    if (ShowLog(mLog, now.Log, before.Log))
        mLog->verticalScrollBar()->setValue(mLog->verticalScrollBar()->maximum());
    showDownload(now.Download, before.Download);
    shown_ = now;
}

void TRqPanel::showDownload(const TDownloadView& now, const TDownloadView& before)
{
    TfmVelt_B_EEPROM* w = fmEEPROM.get();
    const std::pair<const TShown<QString> TDownloadView::*, QLabel*> labels[] = {
        {&TDownloadView::CountRec, w->lbCountRec},   {&TDownloadView::FullRec, w->lbFullRec},
        {&TDownloadView::State, w->lbState},         {&TDownloadView::COMport, w->lbCOMport},
        {&TDownloadView::NamePribor, w->lbNamePribor}, {&TDownloadView::SerialNum, w->lbSerialNum},
        {&TDownloadView::DatePover, w->lbDatePover}, {&TDownloadView::AllLifeZapis, w->lbAllLifeZapis}};
    for (const auto& [field, label] : labels)
        ShowChanged(now.*field, before.*field, [label = label](const QString& t) { SetLabel(label, t); });
    ShowChanged(now.ActionsText, before.ActionsText, [w](const QString& t) { w->bActions->setText(t); });
    ShowChanged(now.ActionsEnabled, before.ActionsEnabled, [w](bool on) { w->bActions->setEnabled(on); });
    ShowChanged(now.CancelEnabled, before.CancelEnabled, [w](bool on) { w->bCancel->setEnabled(on); });
    ShowChanged(now.AfterSend, before.AfterSend, [w](bool on) { w->cbAfterSend->setChecked(on); });
    // Shown once its texts are in place.
    ShowChanged(now.Shown, before.Shown, [w](bool on) {
        if (!on) {
            w->hide();
            return;
        }
        w->show();
        w->raise();
        w->activateWindow();
    });
}
