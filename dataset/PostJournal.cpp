#include "dataset/PostJournal.h"

#include "dataset/FIBDataSet.h"
#include "dataset/FIBDataSetEdit.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "fib/SqlTxtRtns.h"

#include <memory>

namespace {

// The select column a parameter name reads, by the rule the dataset fills
// its parameters with; -1 for none.
int ColumnOfParam(const TFIBCustomDataSet& ds, const QString& name) {
    if (HasPrefixOld(name) || HasPrefixNew(name))
        return ColumnOfName(ds, PrefixedFieldName(name));
    return ColumnOfName(ds, name);
}

// The master's current value of a field, as a MAS_ parameter takes it;
// false when the dataset has no master or the master no such field.
bool MasterValue(const TFIBCustomDataSet& ds, const QString& fieldName, Variant* value) {
    TDataSource* source = ds.DataSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    TField* field = master ? master->FindField(fieldName) : nullptr;
    if (!field)
        return false;
    *value = MasterEmpty(*master) || field->IsNull() ? Variant::Null() : field->AsVariant();
    return true;
}

// A value read from the server in the form the dataset keeps it: text
// decoded, trailing blanks cut as the dataset cuts them.
Variant Comparable(const TFIBCustomDataSet& ds, const Variant& value) {
    if (!value.IsText())
        return value;
    if (value.Type() == TVarType::varUString) {
        QString text = value.ToString();
        while (ds.TrimCharFields() && text.endsWith(u' '))
            text.chop(1);
        return Variant(text);
    }
    QByteArray bytes = value.ToBytes();
    while (ds.TrimCharFields() && bytes.endsWith(' '))
        bytes.chop(1);
    return Variant(ds.DecodeFieldText(bytes));
}

// The dataset's own statement when it still has the text that was sent, so
// that a refusal reads as it did at the post; a spare one otherwise.
TFIBQuery& StatementFor(TFIBQuery& own, const QStringList& sql, std::unique_ptr<TFIBQuery>& spare) {
    if (own.SQL() == sql)
        return own;
    spare = std::make_unique<TFIBQuery>();
    spare->SetDatabase(own.Database());
    spare->SetTransaction(own.Transaction());
    spare->SetOptions(own.Options());
    spare->SetGoToFirstRecordOnExecute(own.GoToFirstRecordOnExecute());
    spare->SetSQL(sql);
    return *spare;
}

void Send(TFIBQuery& q, const std::vector<TPostedParam>& values) {
    if (TFIBTransaction* t = q.Transaction(); t && !t->Active())
        t->StartTransaction();
    if (q.Open())
        q.Close();
    TFIBXSQLDA& params = q.Params();
    for (const TPostedParam& p : values)
        if (TFIBXSQLVAR* v = params.ByName(p.name); v && !v->IsMacro())
            v->SetAsVariant(p.value);
    q.ExecQuery();
}

// Closes a statement's cursor however its reading ends.
class TCursorGuard {
public:
    explicit TCursorGuard(TFIBQuery& q) : q_(q) {}
    TCursorGuard(const TCursorGuard&) = delete;
    TCursorGuard& operator=(const TCursorGuard&) = delete;
    ~TCursorGuard() {
        if (q_.Open())
            IgnoreFailure("what ended the reading is what the caller reports",
                          [this] { q_.Close(); });
    }

private:
    TFIBQuery& q_;
};

// The update's parameters with the row's committed values in the columns
// the post did not change. A changed column that another user has changed
// since holds a value this user never saw: writing over it would lose it.
std::vector<TPostedParam> OverCommittedRow(const TPostJournalEntry& e) {
    TFIBCustomDataSet& ds = *e.dataSet;
    std::vector<TPostedParam> values = e.params;
    std::unique_ptr<TFIBQuery> spare;
    TFIBQuery& refresh = StatementFor(ds.RefreshQuery(), e.refreshSql, spare);
    TCursorGuard guard(refresh);
    Send(refresh, e.refreshParams);
    TFIBXSQLDA* row = FirstRow(refresh);
    if (!row)
        throw EFIBRecordChangedError(&ds, false);
    for (TPostedParam& p : values) {
        if (p.column.isEmpty())
            continue;
        TFIBXSQLVAR* column = row->ByName(p.column);
        if (!column)
            continue;
        const Variant committed = column->AsVariant();
        if (!p.changed) {
            p.value = committed;
            continue;
        }
        const Variant now = Comparable(ds, committed);
        if (!(now == p.read) && !(now == p.written))
            throw EFIBRecordChangedError(&ds, false);
    }
    return values;
}

} // namespace

TPostJournal::TPostJournal(TFIBTransaction& transaction)
    : ended_(transaction.AfterEndListeners().Add(
          [this](TFIBTransaction*, TTransactionAction, bool) { Clear(); })) {}

void TPostJournal::Posted(TFIBCustomDataSet& ds, TPostKind kind, TFIBQuery& statement,
                          const char* record, const char* old) {
    if (IsBlankSQL(statement.SQL()) || IsNoActionSQL(statement.SQL()))
        return;
    TPostJournalEntry e;
    e.kind = kind;
    e.dataSet = &ds;
    e.sql = statement.SQL();
    TFIBXSQLDA& params = statement.Params();
    for (int i = 0; i < params.Count(); ++i) {
        const TFIBXSQLVAR& v = params[i];
        if (v.IsMacro())
            continue;
        TPostedParam p;
        p.name = v.Name();
        p.value = v.AsVariant();
        if (kind == TPostKind::pkUpdate && !HasPrefixOld(p.name) && !HasPrefixMas(p.name)) {
            if (const int col = ColumnOfParam(ds, p.name); col >= 0) {
                p.column = ds.ColumnName(col);
                p.read = ds.ColumnValue(old, col);
                p.written = ds.ColumnValue(record, col);
                p.changed = !(p.read == p.written);
            }
        }
        e.params.push_back(std::move(p));
    }
    if (kind == TPostKind::pkUpdate && !IsBlankSQL(ds.RefreshSQL())) {
        e.refreshSql = ds.RefreshSQL();
        // Read again as the post read the row before writing it: the record
        // as read, under the master it was posted under.
        TFIBXSQLDA& refresh = ds.RefreshQuery().Params();
        for (int i = 0; i < refresh.Count(); ++i) {
            const TFIBXSQLVAR& v = refresh[i];
            if (v.IsMacro())
                continue;
            TPostedParam p;
            p.name = v.Name();
            if (HasPrefixMas(p.name)) {
                if (!MasterValue(ds, PrefixedFieldName(p.name), &p.value))
                    continue;
            } else if (const int col = ColumnOfParam(ds, p.name); col >= 0) {
                p.value = ds.ColumnValue(old, col);
            } else {
                continue;
            }
            e.refreshParams.push_back(std::move(p));
        }
    }
    entries_.push_back(std::move(e));
}

void TPostJournal::Executed(TFIBCustomDataSet& ds, const QString& sql) {
    TPostJournalEntry e;
    e.kind = TPostKind::pkStatement;
    e.dataSet = &ds;
    e.sql = SplitSQLLines(sql);
    entries_.push_back(std::move(e));
}

void TPostJournal::Remove(const std::vector<size_t>& positions) {
    for (auto it = positions.rbegin(); it != positions.rend(); ++it)
        if (*it < entries_.size())
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*it));
}

void TPostJournal::Reapply(const TPostJournalEntry& e) {
    TFIBCustomDataSet& ds = *e.dataSet;
    std::unique_ptr<TFIBQuery> spare;
    switch (e.kind) {
    case TPostKind::pkStatement:
        ds.Close();
        ds.SetSelectSQL(e.sql);
        ds.Open();
        ds.Close();
        return;
    case TPostKind::pkInsert:
    case TPostKind::pkDelete: {
        // A delete that finds the row already gone has done what it asked.
        TFIBQuery& q = StatementFor(
            e.kind == TPostKind::pkInsert ? ds.InsertQuery() : ds.DeleteQuery(), e.sql, spare);
        TCursorGuard guard(q);
        Send(q, e.params);
        return;
    }
    case TPostKind::pkUpdate: {
        const std::vector<TPostedParam> values =
            e.refreshSql.isEmpty() ? e.params : OverCommittedRow(e);
        TFIBQuery& q = StatementFor(ds.UpdateQuery(), e.sql, spare);
        TCursorGuard guard(q);
        Send(q, values);
        if (q.SQLType() == SQLUpdate && q.RowsAffected() == 0)
            throw EFIBRecordChangedError(&ds, false);
        return;
    }
    }
}
