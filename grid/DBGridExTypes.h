#pragma once
// Enumerations and small sets shared by the data grid's columns, selection, footers and sums.
#include "platform/graphics/CheckBox.h"
#include <QList>
#include <cstdint>

class TColumnEx;

using gfx::TCheckBoxState;
using gfx::cbUnchecked;
using gfx::cbChecked;
using gfx::cbGrayed;

// Options of the data grid (bit numbers in declaration order).
enum TDBGridOption : unsigned {
    dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
    dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgMultiSelect
};
using TDBGridOptions = unsigned;

enum TDBGridExOption : unsigned {
    dghFixed3D, dghFrozen3D, dghFooter3D, dghData3D, dghResizeWholeRightPart, dghHighlightFocus,
    dghClearSelection, dghFitRowHeightToText, dghAutoSortMarking, dghMultiSortMarking, dghEnterAsTab,
    dghTraceColSizing, dghIncSearch, dghPreferIncSearch, dghRowHighlight
};
using TDBGridExOptions = unsigned;

enum TDBGridExAllowedOperation : unsigned { alopInsertEx, alopUpdateEx, alopDeleteEx, alopAppendEx };
using TDBGridExAllowedOperations = unsigned;

enum TDBGridExEditAction : unsigned { geaCutEx, geaCopyEx, geaPasteEx, geaDeleteEx, geaSelectAllEx };
using TDBGridExEditActions = unsigned;

enum TDBGridExSelectionType { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };
using TDBGridExAllowedSelections = unsigned;  // bits by TDBGridExSelectionType

template <typename E>
constexpr unsigned bit(E e) { return 1u << unsigned(e); }
template <typename E>
constexpr bool has(unsigned set, E e) { return set & bit(e); }

constexpr TDBGridOptions DefaultDBGridOptions = 0x0CFD;
constexpr TDBGridExOptions DefaultDBGridExOptions = 0x61;

// Attributes a column holds itself (the rest follow their defaults).
enum TColumnExValue : unsigned {
    cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption, cvTitleAlignment,
    cvTitleFont, cvTitleButton, cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation, cvImeMode, cvImeName,
    cvWordWrap, cvLookupDisplayFields, cvCheckboxes, cvAlwaysShowEditButton, cvEndEllipsis, cvAutoDropDown,
    cvDblClickNextVal, cvToolTips, cvDropDownSizing, cvDropDownShowTitles
};
using TColumnExValues = std::uint32_t;
constexpr TColumnExValues TitleValuesMask = 0x1FE0;  // bits 5 to 12

enum TColumnButtonStyleEx { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
enum TColumnExType { ctCommon, ctPickList, ctLookupField, ctKeyPickList, ctKeyImageList, ctCheckboxes };
enum TSortMarkerEx { smNoneEx, smDownEx, smUpEx };
enum TTextOrientationEx { tohHorizontal, tohVertical };
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
enum TColumnFooterExValue : unsigned { cvFooterAlignment, cvFooterFont, cvFooterColor };
enum TDBGridColumnsState { csDefault, csCustomized };
enum TGroupOperation { goSum, goAvg, goCount };
enum TScrollBarVisibleModeEx { sbAlwaysShowEx, sbNeverShowEx, sbAutoShowEx };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TDBLookupGridExOption { dlgColumnResizeEx, dlgColLinesEx, dlgRowLinesEx, dlgAutoSortMarkingEx, dlgMultiSortMarkingEx };
using TDBLookupGridExOptions = unsigned;
// What a stored layout gives back to the columns, and to the grid.
enum TColumnExRestoreParam : unsigned {
    crpColIndexEx, crpColWidthsEx, crpSortMarkerEx, crpColVisibleEx, crpDropDownRowsEx, crpDropDownWidthEx
};
using TColumnExRestoreParams = unsigned;
enum TDBGridExRestoreParam : unsigned {
    grpColIndexEx, grpColWidthsEx, grpSortMarkerEx, grpColVisibleEx, grpRowHeightEx, grpDropDownRowsEx,
    grpDropDownWidthEx
};
using TDBGridExRestoreParams = unsigned;

// A list of columns that owns none of them.
using TColumnsExList = QList<TColumnEx*>;

class TCustomDBGridEx;

// Makes a worker (an exporter or importer) of the class a factory gives, for a grid, and runs one of its
// operations on it.
template <class Factory, class Fn>
void RunOnGrid(Factory make, TCustomDBGridEx* grid, Fn fn)
{
    auto worker = make();
    worker->DBGridEx = grid;
    fn(*worker);
}
