#include "tests/support/ProgramConnection.h"

#include "model/TestingModel.h"

namespace veltor::test {

ProgramConnection::ProgramConnection(const TestDatabase& database, const QString& rootName) {
    root_.SetName(rootName);
    const TModelConnection c = TTestingModel::MakeConnection(root_);
    db_ = c.DataBase;
    tr_ = c.Transaction;
    db_->SetDBName(database.ConnectionString());
    db_->SetDBParams(db_->DBParams() + QStringList{QStringLiteral("user_name=") + TestUser(),
                                                   QStringLiteral("password=") + TestPassword()});
    db_->SetConnected(true);
}

} // namespace veltor::test
