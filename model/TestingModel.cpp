#include "model/TestingModel.h"

TModelConnection TTestingModel::MakeConnection(TComponent& owner) {
    auto* db = new TpFIBDatabase(&owner);
    auto* tr = new TpFIBTransaction(&owner);
    db->SetName(QStringLiteral("DataBase"));
    // The path, user name and password come from options.ini at start.
    db->SetDBName(QStringLiteral("127.0.0.1:veltor.fdb"));
    db->SetDBParams({QStringLiteral("lc_ctype=WIN1251")});
    db->SetDefaultTransaction(tr);
    db->SetSQLDialect(3);
    db->SetTimeout(0);
    db->SetLibraryName(QStringLiteral("fbclient.dll"));
    db->SetWaitForRestoreConnect(0);

    tr->SetName(QStringLiteral("Transaction"));
    tr->SetDefaultDatabase(db);
    tr->SetTimeoutAction(TARollback);
    return {db, tr};
}

TTestingModel::TTestingModel(TComponent& owner) : TTestingModel(owner, MakeConnection(owner)) {}

TTestingModel::TTestingModel(TComponent& owner, const TModelConnection& connection)
    : DataBase(connection.DataBase), Transaction(connection.Transaction),
      Students(owner, connection), Disciplines(owner, connection),
      Results(owner, connection, Disciplines.discipline_datasource),
      dataset(MakeDataSet(owner, "dataset", connection, TDataSetStatements{})) {}
