#pragma once
// The results view's components: every test result joined with its student
// and faculty. Read only: no modifying statements, no automatic editing.

#include "model/ModelParts.h"

struct TResultsModel {
    TResultsModel(TComponent& owner, const TModelConnection& connection,
                  TDataSource* discipline_datasource);

    // Its master is discipline_datasource, although the select has no MAS_
    // parameter: only the master's opening and closing reach it.
    TpFIBDataSet* resultat_dataset;
    TDataSource* resultat_datasource;
    TFIBStringField* resultat_dataset_NAME;
    TFIBIntegerField* resultat_dataset_COURSE;
    TFIBStringField* resultat_dataset_GROUP;
    TFIBStringField* resultat_dataset_LAST_NAME;
    TFIBStringField* resultat_dataset_FIRST_NAME;
    TFIBStringField* resultat_dataset_FATHER_NAME;
    TFIBFloatField* resultat_dataset_RESULTAT;
    TFIBDateTimeField* resultat_dataset_TIME;
};
