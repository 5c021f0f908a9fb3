#pragma once
// The database components of the main window, configured for the Veltor
// testing database: the connection DataBase, its transaction Transaction,
// and every dataset, data source and field of the three views. They are
// created under the window's component, which must be loading (property
// writes that wait for the end of loading then act at its end), in the order
// the window describes them; everything starts closed. The owner destroys
// them.

#include "model/DisciplinesModel.h"
#include "model/ResultsModel.h"
#include "model/StudentsModel.h"

class TTestingModel {
public:
    explicit TTestingModel(TComponent& owner);

    TpFIBDatabase* DataBase;
    TpFIBTransaction* Transaction;
    TStudentsModel Students;
    TDisciplinesModel Disciplines;
    TResultsModel Results;
    // The discipline assignment editor's scratch dataset: no master, no
    // fields, no modifying statements; its select text is set before every
    // use.
    TpFIBDataSet* dataset;

    // The program's connection and its default transaction, owned by owner,
    // not yet connected: what every connection to the testing database
    // shares, whoever opens it.
    static TModelConnection MakeConnection(TComponent& owner);

private:
    TTestingModel(TComponent& owner, const TModelConnection& connection);
};
