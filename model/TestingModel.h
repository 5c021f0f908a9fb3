#pragma once
// The database components of the main window, configured for the Veltor
// testing database: the connection DataBase and its transaction Transaction,
// the datasets with their fields, and their data sources. They are created
// under the window's component, which must be loading, in the order the
// window describes them; everything starts closed.

#include "dataset/pFIBDataSet.h"
#include "fib/pFIBDatabase.h"

class TTestingModel {
public:
    explicit TTestingModel(TComponent& owner);

    TpFIBDatabase* DataBase;
    TpFIBTransaction* Transaction;

    TpFIBDataSet* faculty_dataset;
    TpFIBDataSet* student_dataset;
    TpFIBDataSet* discipline_dataset;
    TpFIBDataSet* test_dataset;
    TpFIBDataSet* resultat_dataset;
    TpFIBDataSet* dataset; // scratch: its select text is set before each use

    TDataSource* faculty_DataSource;
    TDataSource* student_datasource;
    TDataSource* discipline_datasource;
    TDataSource* test_datasource;
    TDataSource* resultat_datasource;
};
