#include "model/TestingModel.h"

TTestingModel::TTestingModel(TComponent& owner)
    : DataBase(new TpFIBDatabase(&owner)), Transaction(new TpFIBTransaction(&owner)) {
    DataBase->SetName(QStringLiteral("DataBase"));
    // The path, user name and password come from options.ini at start.
    DataBase->SetDBName(QStringLiteral("127.0.0.1:veltor.fdb"));
    DataBase->SetDBParams({QStringLiteral("lc_ctype=WIN1251")});
    DataBase->SetDefaultTransaction(Transaction);
    DataBase->SetSQLDialect(3);
    DataBase->SetTimeout(0);
    DataBase->SetLibraryName(QStringLiteral("fbclient.dll"));
    DataBase->SetWaitForRestoreConnect(0);

    Transaction->SetName(QStringLiteral("Transaction"));
    Transaction->SetDefaultDatabase(DataBase);
    Transaction->SetTimeoutAction(TARollback);
}
