// The connection's services that run statements: the one-off select, the
// generator query and the server-time query of the connect sequence, each
// through a cached statement.

#include "base/FormatSettings.h"
#include "base/TextCodec.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "fib/FIBQueryRegistry.h"
#include "fib/SqlTxtRtns.h"
#include "fib/fib.h"

#include <QDateTime>
#include <QVariantList>

namespace {

QVariant ToQVariant(const Variant& v) {
    switch (v.Type()) {
    case TVarType::varEmpty:
    case TVarType::varNull:
        return QVariant();
    case TVarType::varShortInt:
    case TVarType::varByte:
    case TVarType::varSmallint:
    case TVarType::varWord:
    case TVarType::varInteger:
        return QVariant(static_cast<int>(v.ToInt64()));
    case TVarType::varLongWord:
    case TVarType::varInt64:
        return QVariant(static_cast<qlonglong>(v.ToInt64()));
    case TVarType::varSingle:
    case TVarType::varDouble:
    case TVarType::varCurrency:
        return QVariant(v.ToDouble());
    case TVarType::varDate:
        return QVariant(QDateTime(DateOf(v.ToDateTime()), TimeOf(v.ToDateTime())));
    case TVarType::varString:
    case TVarType::varUString:
        return QVariant(v.ToString());
    case TVarType::varBoolean:
        return QVariant(v.ToBool());
    case TVarType::varByteArray:
        return QVariant(v.ToBytes());
    case TVarType::varArray: {
        QVariantList items;
        for (const Variant& item : v.Items())
            items.append(ToQVariant(item));
        return items;
    }
    }
    return QVariant();
}

QVariant ColumnValue(TFIBXSQLVAR& column) {
    if (column.IsNull())
        return QVariant();
    if (column.SQLType() == SQLBlob)
        return QVariant(column.AsWideString());
    if (column.SQLType() == SQLText || column.SQLType() == SQLVarying)
        return QVariant(column.AsWideString());
    return ToQVariant(column.AsVariant());
}

} // namespace

QVariant TFIBDatabase::SelectValue(const QString& sql, int column, TFIBTransaction* transaction) {
    TFIBTransaction* tr = transaction ? transaction : internalTransaction_;
    TCachedQuery query(this, tr, sql);
    // A transaction the caller had running holds the caller's uncommitted
    // work: only one started here for this value is rolled back on failure.
    TTransactionScope scope(query->Transaction());
    QVariant result;
    query->ExecQuery();
    if (query->FieldCount() > 0) {
        if (column < 0) {
            QVariantList all;
            for (int i = 0; i < query->FieldCount(); ++i)
                all.append(ColumnValue(query->Fields(i)));
            result = all;
        } else {
            result = ColumnValue(query->Fields(column));
        }
    }
    // The caller's transaction, even one started here, runs on for the
    // caller's work; the connection's own is ended now.
    scope.Keep();
    if (!transaction && query->Transaction()->Active()) {
        query->Close();
        query->Transaction()->Commit();
    }
    return result;
}

int64_t TFIBDatabase::GeneratorValue(const QString& generatorName, int64_t step,
                                     TFIBTransaction* transaction) {
    const QString name = FormatIdentifier(generatorName, SQLDialect(), OldStyleNames());
    TFIBTransaction* tr = FirstActiveTransaction();
    if (!tr)
        tr = transaction ? transaction : internalTransaction_;
    const QString text = QStringLiteral("select gen_id(") + name + QStringLiteral(", ") +
                         QString::number(step) + QStringLiteral(") from RDB$DATABASE");
    TCachedQuery query(this, tr, text);
    // A transaction started here for one value is not left behind.
    TTransactionScope scope(tr);
    query->ExecQuery();
    const int64_t value = query->Fields(0).AsInt64();
    scope.Commit(&*query);
    return value;
}

void TFIBDatabase::SynchronizeServerTime() {
    const QString text = SQLDialect() > 1
                             ? QStringLiteral("SELECT CAST('NOW' AS TIMESTAMP) from RDB$DATABASE")
                             : QStringLiteral("SELECT CAST('NOW' AS DATE) from RDB$DATABASE");
    const QVariant server = SelectValue(text, 0, nullptr);
    const QDateTime serverTime = server.toDateTime();
    if (!serverTime.isValid())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    serverTimeOffset_ = EncodeDateTime(now.date(), now.time()) -
                        EncodeDateTime(serverTime.date(), serverTime.time());
}
