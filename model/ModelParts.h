#pragma once
// Building blocks of the testing model: a dataset, a data source and the
// field kinds the model declares, each created under the window's component
// and given its designed properties in the order a stored description lists
// them. Empty label: none designed (the field name shows). Width 0: the
// class default width.

#include "dataset/DB.h"
#include "dataset/pFIBDataSet.h"
#include "fib/pFIBDatabase.h"
#include "model/TestingSql.h"

struct TModelConnection {
    TpFIBDatabase* DataBase;
    TpFIBTransaction* Transaction;
};

TpFIBDataSet* MakeDataSet(TComponent& owner, const char* name, const TModelConnection& connection,
                          const TDataSetStatements& statements);
// Keys drawn from the generator when a record is created.
void SetAutoUpdate(TpFIBDataSet& dataSet, const char* table, const char* keyFields,
                   const char* generator);
TDataSource* MakeDataSource(TComponent& owner, const char* name, TDataSet* dataSet, bool autoEdit);

TFIBIntegerField* MakeIntegerField(TComponent& owner, const char* name, TDataSet* dataSet,
                                   const char* fieldName, const char* label, int displayWidth);
// Text fields store an empty text as null.
TFIBStringField* MakeStringField(TComponent& owner, const char* name, TDataSet* dataSet,
                                 const char* fieldName, const char* label, int displayWidth,
                                 int size);
TFIBFloatField* MakeFloatField(TComponent& owner, const char* name, TDataSet* dataSet,
                               const char* fieldName, const char* label, int displayWidth);
TFIBDateTimeField* MakeDateTimeField(TComponent& owner, const char* name, TDataSet* dataSet,
                                     const char* fieldName, const char* label, int displayWidth,
                                     const char* displayFormat);
