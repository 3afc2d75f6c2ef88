#include "Devices/VELT_A_NETWORK/Netnum.h"
#include "platform/controls/FormFont.h"

#include <QHeaderView>

TNetNumSelectForm::TNetNumSelectForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("Выбор сетевого номера прибора"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(408, 160);
    ctl::SetFormFont(this);

    MapGrid = new QTableWidget(2, 10, this);
    MapGrid->setGeometry(16, 16, 373, 53);
    MapGrid->horizontalHeader()->hide();
    MapGrid->verticalHeader()->hide();
    MapGrid->horizontalHeader()->setDefaultSectionSize(36);
    MapGrid->verticalHeader()->setDefaultSectionSize(24);
    MapGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MapGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    MapGrid->setTabKeyNavigation(false); // Tab goes on to the number field, the arrows move on the map
    MapGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MapGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 10; ++c) {
            auto* item = new QTableWidgetItem(QString::number(10 * r + c + 1));
            item->setTextAlignment(Qt::AlignCenter);
            MapGrid->setItem(r, c, item);
        }
    connect(MapGrid, &QTableWidget::cellClicked, this, &TNetNumSelectForm::MapGridSelectCell);
    // The arrow keys choose as a click does: the number shown is the one Enter accepts.
    connect(MapGrid, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column >= 0)
            MapGridSelectCell(row, column);
    });
    connect(MapGrid, &QTableWidget::cellDoubleClicked, this, [this](int, int) { MapGridDblClick(); });

    NumUpDown = new QSpinBox(this);
    NumUpDown->setGeometry(316, 80, 58, 21);
    NumUpDown->setRange(1, 256);
    NumUpDown->setValue(1);
    NumUpDown->setWrapping(false);
    // A number typed or stepped is shown on the map too, where it has a cell.
    connect(NumUpDown, &QSpinBox::valueChanged, this, [this](int number) { showOnMap(number); });

    OkBtn = new QPushButton(QString::fromUtf8("выбрать"), this);
    OkBtn->setGeometry(316, 112, 73, 25);
    OkBtn->setDefault(true); // Enter on the map or in the number field
    connect(OkBtn, &QPushButton::clicked, this, [this] {
        OkBtnClick();
        accept();
    });
}

void TNetNumSelectForm::ClearMarks()
{
    used_.fill(false);
}

void TNetNumSelectForm::SetMark(int number)
{
    if (number >= 0 && number < 256)
        used_[size_t(number)] = true;
}

bool TNetNumSelectForm::Mark(int number) const
{
    return number >= 0 && number < 256 && used_[size_t(number)];
}

void TNetNumSelectForm::MapGridDrawCell()
{
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 10; ++c) {
            QTableWidgetItem* item = MapGrid->item(r, c);
            item->setBackground(Mark(10 * r + c + 1) ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white));
            item->setForeground(QColor(Qt::black));
        }
}

void TNetNumSelectForm::MapGridSelectCell(int row, int column)
{
    NumUpDown->setValue(10 * row + column + 1);
}

void TNetNumSelectForm::MapGridDblClick()
{
    OkBtn->click();
}

void TNetNumSelectForm::OkBtnClick()
{
    NetNum = NumUpDown->value();
}

void TNetNumSelectForm::showOnMap(int number)
{
    if (number >= 1 && number <= 20)
        MapGrid->setCurrentCell((number - 1) / 10, (number - 1) % 10);
    else
        MapGrid->setCurrentCell(-1, -1);
}

void TNetNumSelectForm::showEvent(QShowEvent* e)
{
    MapGridDrawCell();
    // The keys start where the number shown is: on its cell, or in the number field when the map has none.
    showOnMap(NumUpDown->value());
    if (MapGrid->currentRow() >= 0)
        MapGrid->setFocus();
    else
        NumUpDown->setFocus();
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->geometry().center() - rect().center());
    QDialog::showEvent(e);
}
