#include "tests/fib-conn/ConnTestSupport.h"

using namespace veltor::test;

namespace conn_test {

ProgramComponents::ProgramComponents(const QString& dbName) : form(new TComponent) {
    form->SetName(QStringLiteral("main_frm"));
    database = new TpFIBDatabase(form.get());
    database->SetName(QStringLiteral("DataBase"));
    transaction = new TpFIBTransaction(form.get());
    transaction->SetName(QStringLiteral("Transaction"));
    database->SetDBName(dbName);
    database->SetDBParams({QStringLiteral("lc_ctype=WIN1251")});
    database->ConnectParams().SetUserName(TestUser());
    database->ConnectParams().SetPassword(TestPassword());
    database->SetLibraryName(QStringLiteral("fbclient.dll"));
    database->SetSQLDialect(3);
    database->SetDefaultTransaction(transaction);
    transaction->SetDefaultDatabase(database);
    transaction->SetTimeoutAction(TARollback);
}

ProgramComponents::~ProgramComponents() = default;

std::vector<int> Bytes(const QByteArray& bytes) {
    std::vector<int> v;
    for (char c : bytes)
        v.push_back(static_cast<uint8_t>(c));
    return v;
}

std::vector<int> Bytes(std::initializer_list<int> bytes) {
    return std::vector<int>(bytes);
}

} // namespace conn_test
