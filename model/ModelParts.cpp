#include "model/ModelParts.h"

namespace {

QString Text(const char* text) {
    return QString::fromLatin1(text);
}

// Name and the shared display properties; the field attaches to its dataset
// last, so the field list follows creation order.
template <typename F>
F* MakeField(TComponent& owner, const char* name, TDataSet* dataSet, const char* fieldName,
             const char* label, int displayWidth) {
    auto* field = new F(&owner);
    field->SetName(Text(name));
    field->SetFieldName(Text(fieldName));
    field->SetDisplayLabel(Text(label));
    field->SetDisplayWidth(displayWidth);
    field->SetDataSet(dataSet);
    return field;
}

} // namespace

TpFIBDataSet* MakeDataSet(TComponent& owner, const char* name, const TModelConnection& connection,
                          const TDataSetStatements& statements) {
    auto* dataSet = new TpFIBDataSet(&owner);
    dataSet->SetName(Text(name));
    dataSet->SetDatabase(connection.DataBase);
    dataSet->SetTransaction(connection.Transaction);
    dataSet->SetSelectSQL(statements.SelectSQL);
    dataSet->SetInsertSQL(statements.InsertSQL);
    dataSet->SetUpdateSQL(statements.UpdateSQL);
    dataSet->SetDeleteSQL(statements.DeleteSQL);
    dataSet->SetRefreshSQL(statements.RefreshSQL);
    return dataSet;
}

void SetAutoUpdate(TpFIBDataSet& dataSet, const char* table, const char* keyFields,
                   const char* generator) {
    TAutoUpdateOptions& options = dataSet.AutoUpdateOptions;
    options.SetUpdateTableName(Text(table));
    options.KeyFields = Text(keyFields);
    options.GeneratorName = Text(generator);
    options.WhenGetGenID = wgOnNewRecord;
}

TDataSource* MakeDataSource(TComponent& owner, const char* name, TDataSet* dataSet, bool autoEdit) {
    auto* source = new TDataSource(&owner);
    source->SetName(Text(name));
    source->SetDataSet(dataSet);
    source->SetAutoEdit(autoEdit);
    return source;
}

TFIBIntegerField* MakeIntegerField(TComponent& owner, const char* name, TDataSet* dataSet,
                                   const char* fieldName, const char* label, int displayWidth) {
    return MakeField<TFIBIntegerField>(owner, name, dataSet, fieldName, label, displayWidth);
}

TFIBStringField* MakeStringField(TComponent& owner, const char* name, TDataSet* dataSet,
                                 const char* fieldName, const char* label, int displayWidth,
                                 int size) {
    auto* field = MakeField<TFIBStringField>(owner, name, dataSet, fieldName, label, displayWidth);
    field->SetSize(size);
    field->SetEmptyStrToNull(true);
    return field;
}

TFIBFloatField* MakeFloatField(TComponent& owner, const char* name, TDataSet* dataSet,
                               const char* fieldName, const char* label, int displayWidth) {
    return MakeField<TFIBFloatField>(owner, name, dataSet, fieldName, label, displayWidth);
}

TFIBDateTimeField* MakeDateTimeField(TComponent& owner, const char* name, TDataSet* dataSet,
                                     const char* fieldName, const char* label, int displayWidth,
                                     const char* displayFormat) {
    auto* field =
        MakeField<TFIBDateTimeField>(owner, name, dataSet, fieldName, label, displayWidth);
    field->SetDisplayFormat(Text(displayFormat));
    return field;
}
