#pragma once
// Types shared by the data-set layer (data sets, fields, data sources, data links).
//
// The layer has no namespace: its classes keep the names callers know them by (TDataSet, TField,
// TDataSource, TDataLink, TADOConnection, TADOQuery). The dBASE storage lives in namespace dbf and the SQL
// interpreter in namespace sql; callers never need either.
//
// Values travel as QVariant: a null QVariant is NULL; integers are qlonglong, floats double, texts
// QString, blobs QByteArray, logicals bool.
#include <QByteArray>
#include <QFlags>
#include <QtGlobal>

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate, ftTime,
    ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle,
    ftTypedBinary, ftLargeint
};

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields };

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = QFlags<TLocateOption>;

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// What a data set tells the data sources bound to it (and they their links).
enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord,
    deUpdateState, deCheckBrowseMode, deFocusControl
};

// The info of a deDataSetChange after a jump to a record (Locate, GotoBookmark, SetRecNo): data links
// place the current record in the middle of their window, as far as rows allow.
constexpr qintptr kCenterCurrentRecord = 1;

// A bookmark names one record for as long as the record exists, whatever else is inserted or deleted.
// Empty means "no record".
using TBookmark = QByteArray;
