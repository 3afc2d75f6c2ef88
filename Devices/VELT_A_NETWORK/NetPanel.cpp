#include "Devices/VELT_A_NETWORK/NetPanel.h"
#include "Devices/VELT_A_NETWORK/Netnum.h"
#include "platform/controls/DialogPort.h"
#include "platform/rtl/FormatDateTime.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>

#include <cmath>

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Colours as the platform writes them, 0x00BBGGRR.
QColor bgr(unsigned c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

class TListDelegate : public QStyledItemDelegate {
public:
    // Owned by the grid it paints, so it goes with the panel.
    TListDelegate(const TNetPanel* panel, QObject* owner) : QStyledItemDelegate(owner), panel_(panel) {}

    // StrGridDrawCell.
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const auto& rows = panel_->Rows();
        const int r = index.row(), c = index.column();
        const bool selected = (option.state & QStyle::State_Selected) || (option.state & QStyle::State_HasFocus);
        p->save();
        p->fillRect(option.rect, selected ? bgr(0x646464) : option.palette.base().color());
        const TNetPanel::TRow* row = r >= 0 && r < int(rows.size()) ? &rows[size_t(r)] : nullptr;
        QColor mark;
        bool marked = false;
        auto setMark = [&](unsigned plain, unsigned sel) {
            mark = bgr(selected ? sel : plain);
            marked = true;
        };
        if (row && row->netNumber) {
            if (c == 0 && row->notAnswering)
                setMark(0x0000FF, 0x5454FF);
            if (c == 3 && row->dueSoon)
                setMark(0x008080, 0x00FFFF);
            if (c == 3 && row->overdue)
                setMark(0x0000FF, 0x5454FF);
            const bool waiting = !row->hasRecord || (row->record.online && row->record.unidentified);
            if (c == 3 && row->hasRecord && !(row->record.online && row->record.unidentified)) {
                const bool any = row->dueSoon || row->overdue || row->notAnswering;
                const int picture = !any ? 0 : (row->dueSoon && !row->overdue && !row->notAnswering) ? 1 : 2;
                p->drawPixmap(option.rect.right() - 14, option.rect.top() + 2, NetworkPicture(picture));
            }
            if (waiting)
                setMark(0x808080, 0xC0C0C0);
        }
        p->setFont(option.font);
        p->setPen(marked ? mark : selected ? QColor(Qt::white) : option.palette.text().color());
        p->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, index.data().toString());
        p->restore();
    }

private:
    const TNetPanel* panel_;
};

QPushButton* button(const char* text, const char* hint, QWidget* parent, const QRect& geometry)
{
    auto* b = new QPushButton(u(text), parent);
    b->setGeometry(geometry);
    if (hint)
        b->setToolTip(u(hint));
    return b;
}

} // namespace

QPixmap NetworkPicture(int index)
{
    static QPixmap pictures[3];
    if (index < 0 || index > 2)
        index = 2;
    if (pictures[index].isNull()) {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor fill[3] = {QColor(0, 160, 0), QColor(200, 170, 0), QColor(220, 0, 0)};
        p.setPen(QPen(fill[index].darker(150), 1));
        p.setBrush(fill[index]);
        if (index == 1) {
            const QPointF tri[3] = {{8, 1.5}, {15, 14.5}, {1, 14.5}};
            p.drawPolygon(tri, 3);
        } else {
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        }
        p.setPen(QPen(Qt::white, 2));
        if (index == 0) {
            p.drawLine(QPointF(4.5, 8), QPointF(7, 10.5));
            p.drawLine(QPointF(7, 10.5), QPointF(11.5, 5));
        } else {
            p.drawLine(QPointF(8, 5), QPointF(8, 9.5));
            p.drawPoint(QPointF(8, 12));
        }
        pictures[index] = pm;
    }
    return pictures[index];
}

TNetPanel::TNetPanel(TVelt_A_NETWORK* driver, QWidget* parent)
    : TSerialPanel(driver, parent), Now([] { return rtl::Now(); }), driver_(driver), dialog_(new TNetNumSelectForm)
{
    // The port group without the status the other drivers show in it.
    CreatePortGroup();
    gbPort->setGeometry(8, 8, 281, 49);
    lbStatus->hide();

    gbState = new QGroupBox(u("Состояние:"), this);
    gbState->setGeometry(296, 8, 297, 49);
    lbState = new QLabel(QStringLiteral("---"), gbState);
    lbState->setGeometry(16, 20, 98, 13);
    lbDetail = new QLabel(QStringLiteral("---"), gbState);
    // As wide as the group lets it: its longest text, "не найдено ни одного прибора", is wider than 153.
    lbDetail->setGeometry(120, 20, 297 - 120 - 8, 13);
    lbDetail->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    pnLower = new QWidget(this);
    pnLower->setGeometry(8, 64, 593, 193);
    pnButtons = new QWidget(pnLower);
    pnButtons->setGeometry(408, 1, 184, 189);
    StopBtn = button("Остановить", "Остановить Опрос/Поиск приборов", pnButtons, QRect(6, 159, 83, 25));
    StartBtn = button("Запустить", "Возобновить Опрос приборов.\nЛибо запустить поиск если в списке нет приборов",
                      pnButtons, QRect(95, 159, 83, 25));
    connect(StopBtn, &QPushButton::clicked, this, &TNetPanel::StopBtnClick);
    connect(StartBtn, &QPushButton::clicked, this, &TNetPanel::StartBtnClick);

    Pages = new QTabWidget(pnLower);
    Pages->setTabPosition(QTabWidget::South);
    Pages->setGeometry(8, 8, 385, 189 - 8);
    tsList = new QWidget;
    Pages->addTab(tsList, u("Список приборов"));
    StrGrid = new QTableWidget(1, 4, tsList);
    StrGrid->setGeometry(0, 0, 297, 153);
    StrGrid->setHorizontalHeaderLabels({u("сетевой №"), u("модель"), u("SN"), u("дата поверки")});
    StrGrid->verticalHeader()->hide();
    StrGrid->verticalHeader()->setDefaultSectionSize(16);
    StrGrid->horizontalHeader()->setDefaultSectionSize(64);
    StrGrid->horizontalHeader()->setHighlightSections(false);
    StrGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    StrGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    StrGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StrGrid->setShowGrid(false);
    StrGrid->setItemDelegate(new TListDelegate(this, StrGrid));
    AddBtn = button("Добавить", "Добавить сетевой номер", tsList, QRect(304, 8, 81, 25));
    // Below "Добавить", not over its bottom edge.
    DelBtn = button("Удалить", "Удалить сетевой номер.\nВнимание! Удаляет прибор из списка не спрашивая подтверждения",
                    tsList, QRect(304, 36, 81, 25));
    SearchBtn = button("Поиск", "Очистить список приборов и активировать поиск", tsList, QRect(304, 128, 81, 25));
    connect(AddBtn, &QPushButton::clicked, this, &TNetPanel::AddBtnClick);
    connect(DelBtn, &QPushButton::clicked, this, &TNetPanel::DelBtnClick);
    connect(SearchBtn, &QPushButton::clicked, this, &TNetPanel::SearchBtnClick);

    tsLog = new QWidget;
    Pages->addTab(tsLog, u("Журнал"));
    mLog = CreateLogMemo(tsLog, QRect(0, 0, 297, 153));
    ClearBtn = button("Очистить", nullptr, tsLog, QRect(304, 8, 81, 25));
    connect(ClearBtn, &QPushButton::clicked, mLog, &QPlainTextEdit::clear);

    for (QWidget* page : {tsList, tsLog})
        page->installEventFilter(this);

    StopBtn->setEnabled(false);
    RefreshInstrumentList();
}

bool TNetPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && (watched == tsList || watched == tsLog))
        placePageButtons(static_cast<QWidget*>(watched));
    return TSerialPanel::eventFilter(watched, event);
}

void TNetPanel::placePageButtons(QWidget* page)
{
    // The pages are narrower than the page control by its frame: at 304 the buttons would run out of them.
    for (QPushButton* b : page->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        b->move(std::min(304, page->width() - b->width()), b->y());
}

TNetPanel::~TNetPanel()
{
    delete dialog_;
}

void TNetPanel::PortChange()
{
    cbPort->setEnabled(false);
    TSerialPanel::PortChange();
    QTimer::singleShot(100, cbPort, [this] { cbPort->setEnabled(true); });
}

void TNetPanel::ShowListPage()
{
    Pages->setCurrentWidget(tsList);
}

void TNetPanel::Refresh(int mode)
{
    driver_->TakeStatus(view_);
    if (mode == 2) {
        ShowState();
    } else if (mode == 3 && view_.nextSearch != 0) {
        lbDetail->setText(u("сетевой № ") + QString::number(view_.nextSearch));
    }
    RefreshInstrumentList();
}

void TNetPanel::ShowState()
{
    QString state = u("отключен"), detail;
    running_ = false;
    switch (view_.state) {
    case TNetState::Search:
        state = u("поиск приборов");
        running_ = true;
        break;
    case TNetState::Poll:
        state = u("опрос приборов");
        running_ = true;
        if (view_.count < driver_->Edited.count)
            detail = u("прибор(ы) не отвечает");
        break;
    case TNetState::NoPort:
        detail = driver_->Edited.port ? u("COM порт недоступен") : u("не задан COM порт");
        break;
    case TNetState::NoneFound:
        detail = u("не найдено ни одного прибора");
        break;
    default:
        break;
    }
    lbState->setText(state);
    lbDetail->setText(detail);
    StopBtn->setEnabled(running_);
    StartBtn->setEnabled(!running_);
    cbPort->setEnabled(!running_);
}

void TNetPanel::RefreshInstrumentList()
{
    TNetSettings& edited = driver_->Edited;
    if (view_.search != 0 && view_.search != searchKept_) {
        // What the search found is kept in the list, and so saved with the settings: while it runs, and once more
        // from the first snapshot after its end (its last finds may come only then). After that the list is the
        // operator's to change.
        for (int i = 0; i < view_.count && edited.count < kMaxNetInstruments; ++i)
            if (!edited.Has(view_.instruments[i].netNumber))
                edited.netNumbers[edited.count++] = view_.instruments[i].netNumber;
        if (view_.state != TNetState::Search && view_.state != TNetState::NoPort) // over, not interrupted
            searchKept_ = view_.search;
    }
    rows_.clear();
    const rtl::TDateTime now = Now();
    bool dueSoon = false, overdue = false, silent = false;
    for (int i = 0; i < edited.count; ++i) {
        TRow row;
        row.netNumber = edited.netNumbers[i];
        if (const TNetInstrument* r = view_.Find(row.netNumber)) {
            row.hasRecord = true;
            row.record = *r;
            if (!r->unidentified) {
                const double days = std::trunc(r->verificationDate + driver_->VerificationInterval - now);
                row.dueSoon = days < driver_->VerificationAlarm;
                row.overdue = days < 0;
            }
            row.notAnswering = !r->online;
        }
        dueSoon |= row.dueSoon;
        overdue |= row.overdue;
        silent |= row.notAnswering;
        rows_.push_back(row);
    }
    StrGrid->clearContents();
    StrGrid->setRowCount(std::max<int>(1, int(rows_.size())));
    for (int i = 0; i < int(rows_.size()); ++i) {
        const TRow& row = rows_[size_t(i)];
        const bool known = row.hasRecord && !row.record.unidentified;
        const QString texts[4] = {
            QString::number(row.netNumber),
            known ? QString::fromLatin1(row.record.model).trimmed() : QStringLiteral("-"),
            known ? QString::asprintf("%04d", int(row.record.serialNumber)) : QStringLiteral("-"),
            known ? rtl::FormatDateTime(QStringLiteral("dd.mm.yyyy"), row.record.verificationDate) : QStringLiteral("-")};
        for (int c = 0; c < 4; ++c)
            StrGrid->setItem(i, c, new QTableWidgetItem(texts[c]));
    }
    if (dueSoon)
        lbDetail->setText(u("скоро потребуется поверка"));
    if (overdue)
        lbDetail->setText(u("требуется поверка"));
    if (silent)
        lbDetail->setText(u("прибор(ы) не отвечает"));
    DelBtn->setEnabled(edited.count > 0);
    AddBtn->setEnabled(edited.count < kMaxNetInstruments);
    int first = 0;
    for (int c = 0; c < 3; ++c)
        first += StrGrid->columnWidth(c);
    // The client width, also before the grid is first shown. The vertical scroll bar shows itself only at the next
    // layout: whether it will is told by the rows' height against the client's.
    int client = StrGrid->width() - 2 * StrGrid->frameWidth();
    const int clientHeight = StrGrid->height() - 2 * StrGrid->frameWidth() - StrGrid->horizontalHeader()->sizeHint().height();
    if (StrGrid->rowCount() * StrGrid->verticalHeader()->defaultSectionSize() > clientHeight)
        client -= StrGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, StrGrid->verticalScrollBar());
    StrGrid->setColumnWidth(3, std::max(20, client - first));
    StrGrid->viewport()->update();
}

void TNetPanel::AddBtnClick()
{
    TNetSettings& edited = driver_->Edited;
    dialog_->ClearMarks();
    dialog_->SetMark(0);
    for (int i = 0; i < edited.count; ++i)
        dialog_->SetMark(edited.netNumbers[i]);
    if (ctl::ExecDialog(*dialog_) != QDialog::Accepted)
        return;
    const int n = dialog_->NetNum;
    if (n > 0 && n <= 0xFFFF && !edited.Has(uint16_t(n)) && edited.count < kMaxNetInstruments)
        edited.netNumbers[edited.count++] = uint16_t(n);
    RefreshInstrumentList();
    if (running_)
        driver_->StartPolling();
}

void TNetPanel::DelBtnClick()
{
    TNetSettings& edited = driver_->Edited;
    const int row = StrGrid->currentRow();
    if (row < 0 || row >= edited.count || StrGrid->selectedItems().isEmpty())
        return;
    std::copy(edited.netNumbers + row + 1, edited.netNumbers + edited.count, edited.netNumbers + row);
    edited.netNumbers[--edited.count] = 0;
    RefreshInstrumentList();
    if (running_)
        driver_->StartPolling();
}

void TNetPanel::SearchBtnClick()
{
    driver_->Edited.count = 0;
    RefreshInstrumentList();
    driver_->StartPolling();
}

void TNetPanel::StopBtnClick()
{
    driver_->RequestStop();
}

void TNetPanel::StartBtnClick()
{
    driver_->StartPolling();
}
