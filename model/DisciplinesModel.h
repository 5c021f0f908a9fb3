#pragma once
// The disciplines view's components: the disciplines and the tests of the
// current discipline.

#include "model/ModelParts.h"

struct TDisciplinesModel {
    TDisciplinesModel(TComponent& owner, const TModelConnection& connection);

    TpFIBDataSet* discipline_dataset;
    // Master of test_dataset and resultat_dataset. Its OnDataChange is the
    // shell's (the assignment editor follows the current discipline).
    TDataSource* discipline_datasource;
    // Read-only for the same reason as the faculty key: the update statement
    // keeps D_ID and the refresh would read the typed key's row.
    TFIBIntegerField* discipline_dataset_D_ID;
    TFIBStringField* discipline_dataset_NAME;
    TFIBStringField* discipline_dataset_SHORT_NAME;

    // Detail of discipline_datasource through MAS_D_ID. T_ID is typed by the
    // user (no generator; the update statement sets it). D_ID is selected
    // but has no field.
    TpFIBDataSet* test_dataset;
    TDataSource* test_datasource;
    TFIBIntegerField* test_datasetT_ID;
    TFIBStringField* test_dataset_NAME;
    TFIBStringField* test_dataset_FILENAME;
};
