#pragma once
// Data-set helpers of the engine: blob test, bookmarks, field names, and finding data sets and fields
// by the names templates use ("Query", "Query.Field", "Form.Query.Field", "Query.\"Field\"").
#include "platform/data/DataSetTypes.h"

#include <QString>
#include <QStringList>

class TDataSet;
class TField;
class TrpDataset;
class TrpOwner;

bool rpIsBlob(const TField* field);
TBookmark rpGetBookmark(TDataSet* d);
void rpGotoBookmark(TDataSet* d, const TBookmark& b);
void rpFreeBookmark(TDataSet* d, TBookmark& b);
bool rpIsBookmarksEqual(TDataSet* d, const TBookmark& b1, const TBookmark& b2);
void rpGetFieldNames(TDataSet* d, QStringList& list);

// The database data set named on the owner of CurReport (a report data set over a database data set
// counts as that data set).
TDataSet* rpGetDataSet(const QString& name);
// Field := none, then: "Form.DataSet.Field", "DataSet.Field" on the owner of CurReport, or a plain field
// of the dataSet passed in. A field name in double quotes is used without them.
void rpGetDataSetAndField(const QString& complexName, TDataSet*& dataSet, TField*& field);
// Every report data set the designer can reach except skip: those of owner (the report's own form, global
// or not) first, then those of the global owners (forms, then data modules); "Form.Name" when it lives
// outside owner, the bare name inside it.
void rpGetComponents(const TrpOwner* owner, QStringList& list, const TrpDataset* skip = nullptr);
// Every database data set the designer can reach, named the same way: those of owner (the report's own
// form, global or not) first, then those of the global owners.
void rpGetDataSets(const TrpOwner* owner, QStringList& list);
// The owners rpGetDataSets searches, in its order.
QList<const TrpOwner*> rpDesignOwners(const TrpOwner* owner);

// The data source of a band by its name: "5" is a new user data set of five records (owned is set:
// the caller frees it); any other name is a report data set of the owner of CurReport. The result
// is Init-ed; null when the name is empty or names nothing, ErpError when it names something else.
TrpDataset* rpBandDataSource(const QString& name, bool& owned);
