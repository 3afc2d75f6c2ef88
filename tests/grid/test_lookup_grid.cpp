// The lookup grid and its drop-down form: the key value and text of the chosen record, the special
// "none" row, keys, typed search with its two-second restart, the row count's bounds, the drop-down's
// close-up on a release, the list's own column defaults, columns fitted to its width, and a column's
// drop-down box settings reaching its list.
#include "GridFixture.h"
#include "grid/ColumnDropDownBoxEx.h"
#include "grid/DBLookupGridsEx.h"
#include "platform/data/DatabaseError.h"
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace gridtest;

namespace {
struct Lookup {
    TMemDataSet ds;
    TDataSource source;
    std::unique_ptr<TDBLookupGridEx> grid;
    qint64 now = 100000;

    explicit Lookup(bool popup = false)
    {
        ds.AddFieldDef("ID", ftInteger);
        ds.AddFieldDef("NAME", ftString, 30);
        ds.Open();
        const char* names[] = {"Алексеев", "Борисов", "Быстров", "Васин", "Громов"};
        for (int i = 0; i < 5; ++i)
            ds.AppendRecord({10 + i, QString::fromUtf8(names[i])});
        ds.First();
        source.SetDataSet(&ds);
        grid.reset(popup ? new TPopupDataGridEx : new TDBLookupGridEx);
        grid->resize(200, 150);
        grid->SetListSource(&source);
        grid->SetKeyField(QStringLiteral("ID"));
        grid->SetListField(QStringLiteral("NAME"));
        TDBLookupGridEx::Clock = [this] { return now; };
        grid->show();
        QApplication::processEvents();
    }
    ~Lookup() { TDBLookupGridEx::Clock = [] { return qint64(0); }; }
    void type(const QString& s)
    {
        for (QChar c : s)
            key(grid->viewport(), Qt::Key_unknown, {}, QString(c));
    }
    QPoint row(int dataRow) { return grid->CellRect(grid->DataToRawColumn(0), grid->TitleOffset() + dataRow).center(); }
};
} // namespace

TEST(LookupGrid, KeyValueChoosesTheRecordAndItsText)
{
    Lookup l;
    l.grid->SetKeyValue(12);
    EXPECT_EQ(l.grid->Text(), QString::fromUtf8("Быстров"));
    EXPECT_EQ(l.ds.RecNo(), 3);
    l.grid->SetKeyValue(99);
    EXPECT_EQ(l.ds.RecNo(), 1) << "a key not in the list shows the first record";
    int heard = 0;
    l.grid->OnKeyValueChanged = [&](TDBLookupGridEx*) { ++heard; };
    key(l.grid->viewport(), Qt::Key_Down);
    EXPECT_EQ(l.grid->KeyValue(), 11);
    key(l.grid->viewport(), Qt::Key_End);
    EXPECT_EQ(l.grid->KeyValue(), 14);
    EXPECT_EQ(l.grid->Text(), QString::fromUtf8("Громов"));
    EXPECT_EQ(heard, 2);
    EXPECT_THROW(l.grid->SetKeyField(QStringLiteral("NOPE")), EDatabaseError);
}

TEST(LookupGrid, SpecialRowAboveTheListStandsForItsValue)
{
    Lookup l;
    l.grid->SpecRow().SetCellsText(QStringLiteral("(нет)"));
    l.grid->SpecRow().SetValue(0);
    l.grid->SpecRow().SetVisible(true);
    EXPECT_EQ(l.grid->TitleOffset(), 1) << "the special row is a row above the records";
    l.grid->SetKeyValue(10);
    ASSERT_EQ(l.ds.RecNo(), 1);
    key(l.grid->viewport(), Qt::Key_Up);
    EXPECT_TRUE(l.grid->SpecRowSelected());
    EXPECT_EQ(l.grid->KeyValue(), 0);
    EXPECT_EQ(l.grid->Text(), QString::fromUtf8("(нет)"));
    // Drawn in the highlight colour while chosen.
    const QRect spec = l.grid->CellRect(l.grid->DataToRawColumn(0), 0);
    const QImage img = l.grid->viewport()->grab().toImage();
    EXPECT_EQ(img.pixelColor(spec.left() + 1, spec.center().y()), gfx::ToQColor(gfx::clHighlight));
    key(l.grid->viewport(), Qt::Key_Down);
    EXPECT_EQ(l.grid->KeyValue(), 10) << "down from the special row starts at the first record";
    l.grid->SetKeyValue(77);
    EXPECT_TRUE(l.grid->SpecRowSelected()) << "a key not in the list shows the special row";
    l.grid->SpecRow().SetVisible(false);
    l.grid->SetKeyValue(0);
    EXPECT_FALSE(l.grid->SpecRowSelected()) << "a hidden special row is never chosen";
}

TEST(LookupGrid, TypingSearchesAndRestartsAfterTwoSeconds)
{
    Lookup l;
    l.type(QString::fromUtf8("б"));
    EXPECT_EQ(l.grid->KeyValue(), 11);
    l.now += 500;
    l.type(QString::fromUtf8("ы"));
    EXPECT_EQ(l.grid->KeyValue(), 12);
    EXPECT_EQ(l.grid->SearchText(), QString::fromUtf8("бы"));
    l.now += 2500;
    l.type(QString::fromUtf8("в"));
    EXPECT_EQ(l.grid->SearchText(), QString::fromUtf8("в")) << "a new search after the pause";
    EXPECT_EQ(l.grid->KeyValue(), 13);
    l.type(QString::fromUtf8("я"));
    EXPECT_EQ(l.grid->SearchText(), QString::fromUtf8("в")) << "a character matching nothing is dropped";
}

TEST(LookupGrid, RowCountIsKeptWithinOneToAHundredAndSetsTheHeight)
{
    Lookup l;
    const struct { int set, kept; } cases[] = {{0, 1}, {1, 1}, {5, 5}, {100, 100}, {500, 100}, {-3, 1}};
    for (const auto& c : cases) {
        l.grid->SetRowCount(c.set);
        EXPECT_EQ(l.grid->RowCount(), c.kept) << c.set;
    }
    l.grid->SetRowCount(4);
    QApplication::processEvents();
    const int border = l.grid->height() - l.grid->viewport()->height();
    EXPECT_EQ(l.grid->height(), border + 4 * l.grid->DataRowHeight());
    l.grid->SpecRow().SetVisible(true);
    EXPECT_EQ(l.grid->height(), border + 5 * l.grid->DataRowHeight()) << "the special row adds a row";
}

TEST(LookupGrid, DropDownClosesUpOnARelease)
{
    Lookup l(true);
    auto* popup = static_cast<TPopupDataGridEx*>(l.grid.get());
    std::vector<bool> closes;
    popup->OnCloseUp = [&](TPopupDataGridEx*, bool accept) { closes.push_back(accept); };
    EXPECT_FALSE(popup->focusPolicy() & Qt::ClickFocus) << "the drop-down never takes the focus";
    mouse(popup->viewport(), QEvent::MouseButtonPress, l.row(2));
    mouse(popup->viewport(), QEvent::MouseButtonRelease, l.row(2));
    ASSERT_EQ(closes, std::vector<bool>{true});
    EXPECT_EQ(l.grid->KeyValue(), 12);
    mouse(popup->viewport(), QEvent::MouseButtonPress, l.row(1));
    mouse(popup->viewport(), QEvent::MouseButtonRelease, QPoint(-20, -20));
    EXPECT_EQ(closes, (std::vector<bool>{true, false})) << "a release outside rejects";
    EXPECT_TRUE(popup->SizeGrip().isVisible());
    // The pointer moving over the list with no button held selects what it is over.
    QMouseEvent move(QEvent::MouseMove, QPointF(l.row(3)), popup->viewport()->mapToGlobal(QPointF(l.row(3))),
                     Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(popup->viewport(), &move);
    EXPECT_EQ(l.grid->KeyValue(), 13);
}

namespace {
// Acts whose instrument key the lookup grid writes; PRIBOR is the instrument's name, a lookup field.
struct WithActs : Lookup {
    TMemDataSet acts;
    TDataSource actsSource;
    WithActs()
    {
        acts.AddFieldDef("ID", ftInteger);
        acts.AddFieldDef("PRIBOR_ID", ftInteger);
        acts.AddLookupField("PRIBOR", ftString, 30, "PRIBOR_ID", &ds, "ID", "NAME");
        acts.Open();
        acts.AppendRecord({1, 11});
        acts.AppendRecord({2, 14});
        acts.First();
        actsSource.SetDataSet(&acts);
    }
};
} // namespace

TEST(LookupGrid, TheDataFieldTakesTheChosenKeyAndFollowsItsRecord)
{
    WithActs l;
    l.grid->SetDataFieldSource(&l.actsSource);
    l.grid->SetDataField(QStringLiteral("PRIBOR_ID"));
    EXPECT_FALSE(l.grid->LookupMode());
    EXPECT_EQ(l.grid->KeyValue(), 11) << "the key of the act's record";
    key(l.grid->viewport(), Qt::Key_Down);
    EXPECT_EQ(l.acts.State(), dsEdit);
    l.acts.Post();
    EXPECT_EQ(l.acts.FieldByName("PRIBOR_ID")->Value(), 12);
    l.acts.Next();
    EXPECT_EQ(l.grid->KeyValue(), 14) << "the key follows the act shown";
    EXPECT_EQ(l.grid->Text(), QString::fromUtf8("Громов"));
    l.acts.First();
    EXPECT_EQ(l.grid->KeyValue(), 12);
    EXPECT_THROW(l.grid->SetDataFieldSource(&l.source), EDatabaseError) << "a list that feeds itself";
    try {
        TDBLookupGridEx other;
        other.SetListSource(&l.actsSource);
        other.SetDataFieldSource(&l.actsSource);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), "Circular datalinks are not allowed");
    }
}

TEST(LookupGrid, ALookupDataFieldBringsItsListKeyAndShownField)
{
    WithActs l;
    TDBLookupGridEx g;
    g.resize(200, 150);
    g.SetDataFieldSource(&l.actsSource);
    g.SetDataField(QStringLiteral("PRIBOR"));
    EXPECT_TRUE(g.LookupMode());
    EXPECT_EQ(g.KeyField(), "ID");
    EXPECT_EQ(g.ListField(), "NAME");
    EXPECT_EQ(g.KeyValue(), 11);
    EXPECT_EQ(g.Text(), QString::fromUtf8("Борисов"));
    for (auto set : std::vector<std::function<void()>>{[&] { g.SetListField(QStringLiteral("ID")); },
                                                       [&] { g.SetKeyField(QStringLiteral("NAME")); },
                                                       [&] { g.SetListSource(&l.source); }}) {
        try {
            set();
            ADD_FAILURE() << "a list property set in lookup mode";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), "Property already defined by lookup field");
        }
    }
    g.show();
    QApplication::processEvents();
    key(g.viewport(), Qt::Key_End);
    l.acts.Post();
    EXPECT_EQ(l.acts.FieldByName("PRIBOR_ID")->Value(), 14) << "the key went to the lookup field's key field";
    EXPECT_EQ(l.acts.FieldByName("PRIBOR")->AsString(), QString::fromUtf8("Громов"));
    g.SetDataField(QString());
    EXPECT_FALSE(g.LookupMode());
    EXPECT_EQ(g.ListField(), "");
}

TEST(LookupGrid, ColumnsCarryTheirSpecialRowCellsAndMovingThemReordersTheList)
{
    Lookup l;
    l.grid->resize(500, 150);
    l.grid->SetKeyValue(10);
    l.grid->SetListField(QStringLiteral("NAME;ID"));
    l.grid->SpecRow().SetCellsText(QString::fromUtf8("(нет);0"));
    l.grid->SpecRow().SetVisible(true);
    ASSERT_EQ(l.grid->Columns().Count(), 2);
    TDBLookupGridColumnEx* name = l.grid->LookupColumn(0);
    EXPECT_EQ(name->SpecCell().Text(), QString::fromUtf8("(нет)"));
    EXPECT_EQ(l.grid->LookupColumn(1)->SpecCell().Text(), "0");
    EXPECT_EQ(name->SpecCell().Color(), l.grid->Color()) << "the grid's colour unless the row has its own";
    l.grid->SpecRow().SetColor(gfx::clYellow);
    EXPECT_EQ(name->SpecCell().Color(), gfx::clYellow);
    l.grid->LookupColumn(1)->SpecCell().SetColor(gfx::clAqua);
    l.grid->LookupColumn(1)->SpecCell().SetText(QString::fromUtf8("нет"));
    QApplication::processEvents();
    const QImage img = l.grid->viewport()->grab().toImage();
    const QRect specName = l.grid->CellRect(l.grid->DataToRawColumn(0), 0);
    const QRect specId = l.grid->CellRect(l.grid->DataToRawColumn(1), 0);
    EXPECT_EQ(img.pixelColor(specName.right() - 2, specName.center().y()), gfx::ToQColor(gfx::clYellow));
    EXPECT_EQ(img.pixelColor(specId.right() - 2, specId.center().y()), gfx::ToQColor(gfx::clAqua));
    l.grid->MoveColumn(l.grid->DataToRawColumn(1), l.grid->DataToRawColumn(0));
    EXPECT_EQ(l.grid->ListField(), "ID;NAME");
    EXPECT_EQ(l.grid->SpecRow().GetCellText(0), "0");
    EXPECT_EQ(l.grid->SpecRow().GetCellText(1), QString::fromUtf8("(нет)"));
}

TEST(LookupGrid, TheScrollBarStandsForTheListsRecords)
{
    Lookup l;
    for (int i = 0; i < 25; ++i)
        l.ds.AppendRecord({100 + i, QStringLiteral("Запись %1").arg(i, 2, 10, QLatin1Char('0'))});
    l.ds.First();
    l.grid->SetRowCount(5);
    l.grid->SetKeyValue(10);
    QApplication::processEvents();
    QScrollBar* bar = l.grid->verticalScrollBar();
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 30 - 5) << "30 records, 5 shown";
    EXPECT_EQ(bar->pageStep(), 5);
    EXPECT_EQ(bar->value(), 0);
    // action, the first record shown afterwards
    struct Step { QAbstractSlider::SliderAction action; int first; };
    for (const Step s : {Step{QAbstractSlider::SliderSingleStepAdd, 1}, Step{QAbstractSlider::SliderSingleStepAdd, 2},
                         Step{QAbstractSlider::SliderPageStepAdd, 7}, Step{QAbstractSlider::SliderSingleStepSub, 6},
                         Step{QAbstractSlider::SliderToMaximum, 25}, Step{QAbstractSlider::SliderToMinimum, 0}}) {
        bar->triggerAction(s.action);
        EXPECT_EQ(l.grid->DataLink()->FirstRecord(), s.first) << s.action;
        EXPECT_EQ(bar->value(), s.first);
    }
    bar->setSliderDown(true);
    bar->setSliderPosition(12);
    bar->setSliderDown(false);
    EXPECT_EQ(l.grid->DataLink()->FirstRecord(), 12) << "the thumb's record is the first shown";
    EXPECT_EQ(l.grid->KeyValue(), 10) << "scrolling leaves the key";
}

namespace {
struct TimedLookup : TDBLookupGridEx {
    using TDBLookupGridEx::WMTimer;
};
} // namespace

TEST(LookupGrid, DraggingBeyondTheRowsScrollsOnATimer)
{
    TMemDataSet ds;
    ds.AddFieldDef("ID", ftInteger);
    ds.AddFieldDef("NAME", ftString, 20);
    ds.Open();
    for (int i = 0; i < 30; ++i)
        ds.AppendRecord({i, QStringLiteral("N%1").arg(i, 2, 10, QLatin1Char('0'))});
    ds.First();
    TDataSource source;
    source.SetDataSet(&ds);
    TimedLookup g;
    g.resize(200, 100);
    g.SetListSource(&source);
    g.SetKeyField(QStringLiteral("ID"));
    g.SetListField(QStringLiteral("NAME"));
    g.SetRowCount(5);
    g.show();
    QApplication::processEvents();
    const QPoint first = g.CellRect(g.DataToRawColumn(0), g.TitleOffset()).center();
    mouse(g.viewport(), QEvent::MouseButtonPress, first);
    EXPECT_EQ(g.KeyValue(), 0);
    const int bottom = g.CellRect(g.DataToRawColumn(0), g.TitleOffset() + 4).bottom() + 1;
    // pointer's distance below the rows, interval of the timer
    for (auto [distance, interval] : {std::pair{1, 185}, {4, 140}, {20, 0}}) {
        mouse(g.viewport(), QEvent::MouseMove, QPoint(first.x(), bottom + distance - 1), {}, Qt::LeftButton);
        EXPECT_EQ(g.ScrollTimerInterval(), interval) << distance;
    }
    const QVariant before = g.KeyValue();
    g.WMTimer(1);
    g.WMTimer(1);
    EXPECT_EQ(g.KeyValue().toInt(), before.toInt() + 2) << "one record a tick";
    mouse(g.viewport(), QEvent::MouseButtonRelease, QPoint(first.x(), bottom + 30));
    EXPECT_EQ(g.ScrollTimerInterval(), -1) << "the release stops it";
}

TEST(LookupGrid, AHeightFromOutsideSnapsToWholeRows)
{
    Lookup l;
    l.grid->SetRowCount(4);
    const int rowH = l.grid->DataRowHeight();
    const int base = l.grid->height() - 4 * rowH;
    // height asked for, rows kept
    for (auto [asked, rows] : {std::pair{base + 6 * rowH + rowH / 2, 6}, {base + 2 * rowH - 1, 1}, {10, 1},
                               {base + 3 * rowH, 3}}) {
        l.grid->resize(l.grid->width(), asked);
        EXPECT_EQ(l.grid->height(), base + rows * rowH) << asked;
        EXPECT_EQ(l.grid->RowCount(), rows) << asked;
    }
}

TEST(LookupGrid, ItsColumnsFollowItsOwnColumnDefaults)
{
    Lookup l;
    l.grid->SetListField(QStringLiteral("NAME;ID"));
    l.grid->SetShowTitles(true);
    TCustomDBGridEx& base = *l.grid;
    EXPECT_NE(dynamic_cast<TDBLookupGridColumnDefValuesEx*>(&base.ColumnDefValues()), nullptr);
    TDBGridEx plain;
    EXPECT_NE(dynamic_cast<TDBGridExColumnDefValuesEx*>(&plain.ColumnDefValues()), nullptr);
    TDBLookupGridColumnDefValuesEx& defaults = l.grid->ColumnDefValues();
    TColumnEx* name = l.grid->Columns()[0];
    TColumnEx* id = l.grid->Columns()[1];
    id->SetToolTips(false);
    defaults.SetToolTips(true);
    defaults.SetEndEllipsis(true);
    defaults.Title().SetColor(gfx::clAqua);
    EXPECT_TRUE(name->ToolTips());
    EXPECT_FALSE(id->ToolTips()) << "a column's own value stands";
    EXPECT_TRUE(id->EndEllipsis());
    EXPECT_EQ(name->Title().Color(), gfx::clAqua);
    QApplication::processEvents();
    const QRect title = l.grid->CellRect(l.grid->DataToRawColumn(0), 0);
    const QImage img = l.grid->viewport()->grab().toImage();
    EXPECT_EQ(img.pixelColor(title.right() - 2, title.center().y()), gfx::ToQColor(gfx::clAqua));
}

namespace {
// A list of three fields whose columns start 100, 50 and 50 pixels wide.
struct Fitted {
    TMemDataSet ds;
    TDataSource source;
    TDBLookupGridEx grid;

    Fitted()
    {
        ds.AddFieldDef("NAME", ftString, 30);
        ds.AddFieldDef("CITY", ftString, 20);
        ds.AddFieldDef("ID", ftInteger);
        ds.Open();
        for (int i = 0; i < 4; ++i)
            ds.AppendRecord({QStringLiteral("Имя %1").arg(i), QStringLiteral("Город"), i});
        ds.First();
        source.SetDataSet(&ds);
        grid.resize(300, 150);
        grid.SetListSource(&source);
        grid.SetKeyField(QStringLiteral("ID"));
        grid.SetListField(QStringLiteral("NAME;CITY;ID"));
        grid.SetShowTitles(true);
        grid.SetLookupOptions(bit(dlgColLinesEx) | bit(dlgColumnResizeEx));
        const int widths[] = {100, 50, 50};
        for (int i = 0; i < 3; ++i)
            grid.Columns()[i]->SetWidth(widths[i]);
        grid.show();
        QApplication::processEvents();
    }
    void setClientWidth(int w) { grid.resize(grid.width() - grid.viewport()->width() + w, grid.height()); }
    std::vector<int> widths()
    {
        std::vector<int> w;
        for (int i = 0; i < grid.Columns().Count(); ++i)
            w.push_back(grid.Columns()[i]->Visible() ? grid.Columns()[i]->Width() : -1);
        return w;
    }
};
} // namespace

TEST(LookupGrid, FittingSharesTheWidthByTheColumnsStartingWidths)
{
    Fitted f;
    f.grid.Columns()[2]->SetColor(gfx::clAqua);
    f.setClientWidth(403);
    QApplication::processEvents();
    // Painted: the last column reaches the list's right edge only while the columns are fitted.
    auto lastColumnAtRightEdge = [&] {
        const QImage img = f.grid.viewport()->grab().toImage();
        const int y = f.grid.CellRect(f.grid.DataToRawColumn(0), f.grid.TitleOffset()).center().y();
        return img.pixelColor(img.width() - 3, y) == gfx::ToQColor(gfx::clAqua);
    };
    EXPECT_FALSE(lastColumnAtRightEdge());
    f.grid.SetAutoFitColWidths(true);
    QApplication::processEvents();
    EXPECT_TRUE(lastColumnAtRightEdge());
    EXPECT_FALSE(f.grid.horizontalScrollBar()->isVisible());
    // Each step, the list's client width afterwards, the column widths (-1: hidden); a line follows each column.
    struct Step { const char* what; std::function<void()> act; int client; std::vector<int> widths; };
    const Step steps[] = {
        {"client 403", [&] { f.setClientWidth(403); }, 403, {200, 100, 100}},
        {"client 203", [&] { f.setClientWidth(203); }, 203, {100, 50, 50}},
        {"hidden city", [&] { f.grid.Columns()[1]->SetVisible(false); f.setClientWidth(302); }, 302, {200, -1, 100}},
        {"shown again", [&] { f.grid.Columns()[1]->SetVisible(true); f.setClientWidth(403); }, 403, {200, 100, 100}},
        // A width set on a column rescales its share; the difference comes from its right neighbour.
        {"name 260", [&] { f.grid.Columns()[0]->SetWidth(260); }, 403, {260, 40, 100}},
        {"name 390", [&] { f.grid.Columns()[0]->SetWidth(390); }, 403, {318, 0, 82}},
    };
    for (const Step& s : steps) {
        s.act();
        QApplication::processEvents();
        EXPECT_EQ(f.grid.viewport()->width(), s.client) << s.what;
        EXPECT_EQ(f.widths(), s.widths) << s.what;
        EXPECT_GE(f.grid.Columns()[1]->InitialWidth(), 0) << s.what;
    }
    f.grid.SetListField(QStringLiteral("NAME"));
    QApplication::processEvents();
    EXPECT_EQ(f.widths(), std::vector<int>{402}) << "one column takes the whole width";
}

TEST(LookupGrid, SizingAColumnOfAFittingListSizesTheList)
{
    Fitted f;
    f.grid.SetAutoFitColWidths(true);
    f.setClientWidth(403);
    QApplication::processEvents();
    ASSERT_EQ(f.widths(), (std::vector<int>{200, 100, 100}));
    // The last column's right border dragged 40 pixels right in the title row.
    const QRect last = f.grid.CellRect(f.grid.DataToRawColumn(2), 0);
    const QPoint from(last.right() + 1, last.center().y());
    mouse(f.grid.viewport(), QEvent::MouseButtonPress, from);
    mouse(f.grid.viewport(), QEvent::MouseMove, from + QPoint(40, 0), {}, Qt::LeftButton);
    mouse(f.grid.viewport(), QEvent::MouseButtonRelease, from + QPoint(40, 0));
    QApplication::processEvents();
    EXPECT_EQ(f.grid.viewport()->width(), 443) << "the list grows around its columns";
    EXPECT_EQ(f.widths(), (std::vector<int>{200, 100, 140}));
}

TEST(LookupGrid, SwitchingFittingSnapsTheHeightToRowsAgain)
{
    Fitted f;
    f.setClientWidth(120);  // narrower than its columns: the horizontal bar shows
    QApplication::processEvents();
    ASSERT_TRUE(f.grid.horizontalScrollBar()->isVisible());
    f.grid.SetRowCount(3);
    QApplication::processEvents();
    const int rowsHigh = f.grid.viewport()->height(), withBar = f.grid.height();
    f.grid.SetAutoFitColWidths(true);
    QApplication::processEvents();
    EXPECT_FALSE(f.grid.horizontalScrollBar()->isVisible());
    EXPECT_EQ(f.grid.RowCount(), 3);
    EXPECT_EQ(f.grid.viewport()->height(), rowsHigh) << "the bar's room is not left below the rows";
    EXPECT_EQ(f.grid.height(), withBar - f.grid.horizontalScrollBar()->height());
}

TEST(LookupGrid, TheDropDownBoxFitsItsListsColumnsAndReachesItsOptions)
{
    TDBGridEx grid;
    TColumnEx* column = grid.Columns().Add();
    TColumnDropDownBoxEx& box = column->DropDownBox();
    EXPECT_TRUE(box.AutoFitColWidths());
    EXPECT_EQ(column->DataListIfMade(), nullptr) << "the list is made on first need";
    box.SetUseMultiTitle(true);
    TPopupDataGridEx* list = column->GetDataList();
    EXPECT_TRUE(list->AutoFitColWidths());
    EXPECT_TRUE(list->UseMultiTitle());
    box.SetAutoFitColWidths(false);
    EXPECT_FALSE(list->AutoFitColWidths());
    EXPECT_EQ(box.Options(), bit(dlgColLinesEx));
    box.SetOptions(bit(dlgRowLinesEx));
    EXPECT_TRUE(has(list->Options(), dgRowLines));
    box.ColumnDefValues().SetEndEllipsis(true);
    EXPECT_TRUE(list->ColumnDefValues().EndEllipsis());
    EXPECT_EQ(&box.Columns(), &list->Columns());
    // Another column takes the box whole; its list's own columns come only when they are the user's.
    box.Columns().Add()->SetFieldName(QStringLiteral("ID"));
    TColumnEx* other = grid.Columns().Add();
    other->Assign(*column);
    EXPECT_FALSE(other->DropDownBox().AutoFitColWidths());
    EXPECT_TRUE(other->GetDataList()->UseMultiTitle());
    EXPECT_EQ(other->DropDownBox().Options(), bit(dlgRowLinesEx));
    EXPECT_TRUE(other->DropDownBox().ColumnDefValues().EndEllipsis());
    ASSERT_EQ(other->DropDownBox().Columns().Count(), 1);
    EXPECT_EQ(other->DropDownBox().Columns()[0]->FieldName(), "ID");
}
