#pragma once
// The students view's components: the faculties and, below the current
// faculty, its students.

#include "model/ModelParts.h"

struct TStudentsModel {
    TStudentsModel(TComponent& owner, const TModelConnection& connection);

    TpFIBDataSet* faculty_dataset;
    TDataSource* faculty_DataSource;
    // Read-only: the update statement keeps the key, so a typed key would
    // make the refresh after post read another faculty's row into this one.
    TFIBIntegerField* faculty_datasetF_ID;
    TFIBStringField* faculty_dataset_NAME;
    TFIBStringField* faculty_dataset_SHORT_NAME;

    // Detail of faculty_DataSource through MAS_F_ID.
    TpFIBDataSet* student_dataset;
    TDataSource* student_datasource;
    TFIBIntegerField* student_datasetS_ID;
    TFIBStringField* student_dataset_LAST_NAME_;
    TFIBStringField* student_dataset_FIRST_NAME_;
    TFIBStringField* student_dataset_FATHER_NAME_;
    TFIBIntegerField* student_datasetF_ID;
    TFIBIntegerField* student_dataset_COURSE_;
    TFIBStringField* student_dataset_GROUP_;
};
