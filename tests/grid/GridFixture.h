#pragma once
// Fixtures of the grid tests: a small Russian journal in memory, a grid over it shown offscreen, and
// synthetic input delivered as the window system would.
#include "grid/DBGridEx.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/data/MemDataSet.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <memory>

namespace gridtest {

// Journal rows: date text, name, value (mg/l, may be null), instrument, exhalation number.
inline std::unique_ptr<TMemDataSet> makeJournal(int rows = 8)
{
    static const char* names[] = {"Иванов Иван Иванович", "Петров Пётр", "Сидорова Анна", "Кузнецов Олег",
                                  "Смирнова Мария", "Попов Андрей", "Васильев Илья", "Новикова Елена"};
    auto ds = std::make_unique<TMemDataSet>();
    ds->AddFieldDef("DATA_IZM", ftString, 19);
    ds->AddFieldDef("FIO", ftString, 40);
    ds->AddFieldDef("IZM", ftFloat);
    ds->AddFieldDef("PRIBOR", ftString, 12);
    ds->AddFieldDef("NUM_VIDOH", ftInteger);
    ds->Open();
    for (int i = 0; i < rows; ++i) {
        const QString date = QStringLiteral("2026.12.%1 10:%2:00").arg(1 + i % 28, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'));
        const QVariant value = i % 5 == 3 ? QVariant() : QVariant(0.05 * (i % 7));
        ds->AppendRecord({date, QString::fromUtf8(names[i % 8]), value, QStringLiteral("VELT-A"), i + 1});
    }
    ds->First();
    return ds;
}

inline void wait(int ms)
{
    QElapsedTimer t;
    t.start();
    do
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    while (t.elapsed() < ms);
}

inline void key(QWidget* w, int k, Qt::KeyboardModifiers m = {}, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, k, m, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, m, text);
    QApplication::sendEvent(w, &release);
}

inline void mouse(QWidget* w, QEvent::Type t, QPoint p, Qt::KeyboardModifiers m = {}, Qt::MouseButton b = Qt::LeftButton)
{
    const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b);
    QMouseEvent e(t, QPointF(p), w->mapToGlobal(QPointF(p)), t == QEvent::MouseMove ? Qt::NoButton : b, held, m);
    QApplication::sendEvent(w, &e);
}

inline void click(QWidget* w, QPoint p, Qt::KeyboardModifiers m = {})
{
    mouse(w, QEvent::MouseButtonPress, p, m);
    mouse(w, QEvent::MouseButtonRelease, p, m);
}

// A journal grid as the main window sets it up: six columns with bold titles, row and multi-select.
struct JournalGrid {
    std::unique_ptr<TMemDataSet> ds;
    TDataSource source;
    TDBGridEx grid;

    explicit JournalGrid(int rows = 8, QSize size = {660, 260}) : ds(makeJournal(rows))
    {
        source.SetDataSet(ds.get());
        grid.resize(size);
        grid.SetOptions(bit(dgTitles) | bit(dgIndicator) | bit(dgColumnResize) | bit(dgColLines) | bit(dgRowLines)
                        | bit(dgTabs) | bit(dgRowSelect) | bit(dgConfirmDelete) | bit(dgCancelOnExit)
                        | bit(dgMultiSelect));
        grid.VertScrollBar().SetTracking(true);
        grid.SetDataSource(&source);
        struct Col { const char* field; const char* title; int width; TAlignment a; };
        const Col cols[] = {{"DATA_IZM", "дата", 130, taLeftJustify}, {"FIO", "Ф.И.О.", 150, taLeftJustify},
                            {"IZM", "измерение (мг/л)", 110, taRightJustify}, {"PRIBOR", "прибор", 60, taLeftJustify},
                            {"NUM_VIDOH", "Номер выдоха", 90, taRightJustify}, {"PAGE_FOOT", "Инф.", 40, taLeftJustify}};
        grid.Columns().Clear();
        for (const Col& c : cols) {
            TColumnEx* col = grid.Columns().Add();
            col->SetFieldName(QString::fromUtf8(c.field));
            col->SetWidth(c.width);
            col->SetAlignment(c.a);
            col->Title().SetCaption(QString::fromUtf8(c.title));
            col->Title().SetAlignment(taCenter);
            col->Title().GetFont().SetStyle(gfx::fsBold);
        }
    }

    void show()
    {
        grid.show();
        grid.activateWindow();
        grid.setFocus();
        QApplication::processEvents();
    }
    // Centre of a data cell (data row, data column) in viewport coordinates.
    QPoint cell(int dataRow, int dataCol) const
    {
        return grid.CellRect(grid.DataToRawColumn(dataCol), grid.TitleOffset() + dataRow).center();
    }
    QWidget* vp() { return grid.viewport(); }
    QImage image() { return grid.viewport()->grab().toImage(); }
};

} // namespace gridtest
