#pragma once
// The grid's small pictures: the indicator glyphs (current row, editing, inserting, multi-selected dot,
// multi-selected arrow, current row on a dark indicator) and the sort markers (down, up), drawn once.
#include <QCursor>
#include <QImage>
#include <vector>

namespace gridglyphs {

enum Indicator { Arrow, Edit, Insert, MultiDot, MultiArrow, ArrowOnDark, IndicatorCount };
enum Sort { SortDown, SortUp, SortCount };

const std::vector<QImage>& IndicatorGlyphs();
const std::vector<QImage>& SortGlyphs();
// The pointer over the indicator column of a grid that marks rows: an arrow pointing right.
QCursor RowSelectCursor();
// The pointer over the column-selection strip at the bottom of a title: an arrow pointing down.
QCursor ColumnSelectCursor();

} // namespace gridglyphs
