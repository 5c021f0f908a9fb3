// Record editing through SQL: the capability gates, the old values, posting
// with the insert or update statement, deleting, refreshing a record, and
// the parameter fill they share.

#include "dataset/FIBDataSetEdit.h"

#include "dataset/FIBDataSet.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "fib/SqlTxtRtns.h"

#include <cstring>

// ---------------------------------------------------------------------------
// Shared rules.

EFIBRecordChangedError::EFIBRecordChangedError(const TComponent* dataSet, bool deleting)
    : EFIBClientError(-1, nullptr) {
    SetBaseText(FormatText(
        deleting ? QStringLiteral("Can't delete: the record was changed or deleted by another "
                                  "user. (%s)")
                 : QStringLiteral("Can't update: the record was changed or deleted by another "
                                  "user. (%s)"),
        {FullComponentName(dataSet)}));
}

bool IsBlankSQL(const QStringList& sql) {
    for (const QString& line : sql)
        if (!line.trimmed().isEmpty())
            return false;
    return true;
}

bool IsNoActionSQL(const QStringList& sql) {
    return !sql.isEmpty() && sql.front() == QStringLiteral("No Action");
}

// ---------------------------------------------------------------------------
// TFIBCustomDataSet: editing.

TFIBEditState& TFIBCustomDataSet::EditState() {
    if (!edit_)
        edit_ = std::make_shared<TFIBEditState>();
    return *edit_;
}

const char* TFIBCustomDataSet::OldBuffer() const {
    return edit_ && edit_->hasOld ? edit_->oldBuffer.data() : nullptr;
}

bool TFIBCustomDataSet::CanEdit() const {
    return !IsBlankSQL(UpdateSQL()) && (AllowedUpdateKinds & ukModify);
}

bool TFIBCustomDataSet::CanInsert() const {
    return !IsBlankSQL(InsertSQL()) && (AllowedUpdateKinds & ukInsert);
}

bool TFIBCustomDataSet::CanDelete() const {
    return !IsBlankSQL(DeleteSQL()) && (AllowedUpdateKinds & ukDelete);
}

namespace {

// The select column a name reads: a data field's column, else an output
// column of that name; -1 for neither.
int ColumnOfName(const TFIBCustomDataSet& ds, const QString& name) {
    if (TField* f = ds.FindField(name))
        if (f->FieldKind() == fkData && f->FieldNo() > 0)
            return f->FieldNo() - 1;
    return ds.ColumnIndex(name);
}

TParamSource ResolveParam(const TFIBCustomDataSet& ds, const QString& name) {
    TParamSource s;
    if (HasPrefixOld(name)) {
        s.kind = TParamSource::psOld;
        s.column = ColumnOfName(ds, PrefixedFieldName(name));
    } else if (HasPrefixNew(name)) {
        s.kind = TParamSource::psRecord;
        s.column = ColumnOfName(ds, PrefixedFieldName(name));
    } else if (HasPrefixMas(name)) {
        s.kind = TParamSource::psMaster;
        s.fieldName = PrefixedFieldName(name);
        return s;
    } else {
        s.kind = TParamSource::psRecord;
        s.column = ColumnOfName(ds, name);
    }
    if (s.column < 0)
        s.kind = TParamSource::psNone;
    return s;
}

} // namespace

void TFIBCustomDataSet::FillParams(TFIBQuery& query, const char* buffer) {
    const char* old = State() == stInsert || !OldBuffer() ? buffer : OldBuffer();
    TFIBXSQLDA& params = query.Params();
    TFIBEditState::Resolved& r = EditState().params[&query];
    bool valid = static_cast<int>(r.names.size()) == params.Count();
    for (int i = 0; valid && i < params.Count(); ++i)
        valid = r.names[i] == params[i].Name();
    if (!valid) {
        r.names.clear();
        r.sources.clear();
        for (int i = 0; i < params.Count(); ++i) {
            r.names.push_back(params[i].Name());
            r.sources.push_back(params[i].IsMacro() ? TParamSource{}
                                                    : ResolveParam(*this, params[i].Name()));
        }
    }
    TDataSource* master = DataSource();
    TDataSet* masterSet = master ? master->DataSet() : nullptr;
    for (int i = 0; i < params.Count(); ++i) {
        const TParamSource& s = r.sources[i];
        switch (s.kind) {
        case TParamSource::psNone:
            break;
        case TParamSource::psOld:
            ColumnToParam(old, s.column, params[i]);
            break;
        case TParamSource::psRecord:
            ColumnToParam(buffer, s.column, params[i]);
            break;
        case TParamSource::psMaster:
            if (!masterSet)
                break;
            if (TField* f = masterSet->FindField(s.fieldName))
                MasterFieldToParam(*f,
                                   !masterSet->Active() ||
                                       (masterSet->IsEmpty() && masterSet->State() != stInsert),
                                   params[i]);
            break;
        }
    }
}

namespace {

// Copies a statement's result row into a record buffer, column by name.
void RowToBuffer(TFIBCustomDataSet& ds, TFIBXSQLDA& row, char* buffer) {
    for (int i = 0; i < row.Count(); ++i) {
        const int column = ds.ColumnIndex(row[i].Name());
        if (column >= 0)
            ds.ParamToColumn(row[i], buffer, column);
    }
}

// The first row of an executed select or procedure, or nullptr.
TFIBXSQLDA* FirstRow(TFIBQuery& q) {
    if (q.SQLType() == SQLExecProcedure)
        return &q.Current();
    if (q.GoToFirstRecordOnExecute())
        return q.RecordCount() > 0 ? &q.Current() : nullptr;
    return q.Next();
}

bool ReturnsRow(const TFIBQuery& q) {
    return q.SQLType() == SQLSelect || q.SQLType() == SQLSelectForUpdate ||
           q.SQLType() == SQLExecProcedure;
}

} // namespace

namespace {

// Runs an insert, update or delete statement for a record; a select or a
// procedure's returned row is copied into the record. An update or delete
// that touches no row is reported.
void ExecuteForRecord(TFIBCustomDataSet& ds, TFIBQuery& q, char* buffer, bool checkRows,
                      bool deleting) {
    ds.FillParams(q, buffer);
    if (q.Open())
        q.Close();
    q.ExecQuery();
    if (ReturnsRow(q)) {
        TFIBXSQLDA* row = FirstRow(q);
        if (row && !deleting)
            RowToBuffer(ds, *row, buffer);
        q.Close();
    }
    if (checkRows && (q.SQLType() == SQLUpdate || q.SQLType() == SQLDelete) &&
        q.RowsAffected() == 0)
        throw EFIBRecordChangedError(&ds, deleting);
}

} // namespace

void TFIBCustomDataSet::DoBeforeEdit() {
    if (!CanEdit())
        throw EAbort();
    TFIBEditState& e = EditState();
    e.oldBuffer.assign(static_cast<size_t>(GetRecordSize()), 0);
    ReadRecordFromCache(GetBookmarkData(ActiveBuffer()), e.oldBuffer.data());
    e.hasOld = true;
    TDataSet::DoBeforeEdit();
}

void TFIBCustomDataSet::DoBeforeInsert() {
    if (!CanInsert())
        throw EAbort();
    TDataSet::DoBeforeInsert();
}

void TFIBCustomDataSet::DoBeforeDelete() {
    if (!CanDelete())
        throw EAbort();
    TFIBEditState& e = EditState();
    e.oldBuffer.assign(static_cast<size_t>(GetRecordSize()), 0);
    ReadRecordFromCache(GetBookmarkData(ActiveBuffer()), e.oldBuffer.data());
    e.hasOld = true;
    TDataSet::DoBeforeDelete();
}

void TFIBCustomDataSet::DoAfterClose() {
    if (edit_) {
        edit_->params.clear();
        edit_->hasOld = false;
    }
    TDataSet::DoAfterClose();
}

void TFIBCustomDataSet::InternalPost() {
    CheckActive();
    const bool inserting = State() == stInsert;
    if (State() == stEdit) {
        if (!CanEdit())
            FIBError(fibeCannotUpdate, {FullComponentName(this)});
    } else if (inserting) {
        if (!CanInsert())
            FIBError(fibeCannotInsert, {FullComponentName(this)});
    } else {
        FIBError(fibeNotEditing, {FullComponentName(this)});
    }
    for (TField* f : FieldList())
        if (f->FieldKind() == fkData && f->Required() && !f->ReadOnly() && f->IsNull()) {
            DataEvent(dnFocusControl, FieldInfo(f));
            DatabaseError(
                FormatText(QStringLiteral("Field '%s' must have a value"), {f->DisplayName()}),
                Name());
        }

    TRecordBuffer buffer = ActiveBuffer();
    TFIBQuery& q = inserting ? InsertQuery() : UpdateQuery();
    if (!IsBlankSQL(q.SQL()) && !IsNoActionSQL(q.SQL())) {
        StartTransactionIfNeeded();
        // Nothing reaches the cache before the statement succeeded: a failed
        // post leaves the record, the state and the typed values as they were.
        ExecuteForRecord(*this, q, buffer, !inserting, false);
    }

    int index = 0;
    if (inserting) {
        index = GetBookmarkFlag(buffer) == bfInserted ? GetBookmarkData(buffer) : FetchedCount();
        InsertCacheRecord(index, buffer);
    } else {
        index = GetBookmarkData(buffer);
        WriteRecordToCache(index, buffer);
    }
    SetRecordStatus(index, cusUnmodified);
    SetCachePos(index);
    SetModified(false);

    if ((Options() & poRefreshAfterPost) && !IsBlankSQL(RefreshSQL())) {
        try {
            DoBeforeRefresh();
            RefreshRecord(index);
            DoAfterRefresh();
        } catch (...) {
            // The row is on the server and in the cache: the insert is done.
            if (inserting)
                SetState(stBrowse);
            throw;
        }
    }
    if (inserting)
        SetState(stBrowse);
}

void TFIBCustomDataSet::InternalDelete() {
    if (!CanDelete())
        FIBError(fibeCannotDelete, {FullComponentName(this)});
    TRecordBuffer buffer = ActiveBuffer();
    const int index = GetBookmarkData(buffer);
    if (!IsNoActionSQL(DeleteSQL())) {
        StartTransactionIfNeeded();
        ExecuteForRecord(*this, DeleteQuery(), buffer, true, true);
    }
    SetRecordStatus(index, cusDeletedApplied);
    SetDeletedCount(DeletedCount() + 1);
}

void TFIBCustomDataSet::InternalCancel() {
    if (State() != stInsert || WindowCount() == 0)
        return;
    const TBookmarkFlag flag = GetBookmarkFlag(ActiveBuffer());
    if ((flag == bfBOF || flag == bfEOF) && CachePos() > -1)
        SetCachePos(CachePos() - 1);
}

void TFIBCustomDataSet::InternalRefresh() {
    if (IsBlankSQL(RefreshSQL()) && !IsEmpty())
        FIBError(fibeCannotRefresh, {FullComponentName(this)});
    if (IsEmpty())
        return;
    RefreshRecord(GetBookmarkData(ActiveBuffer()));
}

void TFIBCustomDataSet::RefreshRecord(int cacheIndex) {
    if (IsBlankSQL(RefreshSQL()) || !Active()) {
        if (RecordCount() > 0)
            FIBError(fibeCannotRefresh, {FullComponentName(this)});
        return;
    }
    if (cacheIndex < 0 || cacheIndex >= FetchedCount())
        return;
    TFIBEditState& e = EditState();
    e.oldBuffer.assign(static_cast<size_t>(GetRecordSize()), 0);
    ReadRecordFromCache(cacheIndex, e.oldBuffer.data());
    e.hasOld = true;
    std::vector<char> record = e.oldBuffer;

    TFIBQuery& q = RefreshQuery();
    if (!q.Transaction())
        FIBError(fibeTransactionNotAssigned, {FullComponentName(&q)});
    StartTransactionIfNeeded();
    FillParams(q, record.data());
    try {
        if (q.Open())
            q.Close();
        q.ExecQuery();
        TFIBXSQLDA* row = FirstRow(q);
        if (row) {
            RowToBuffer(*this, *row, record.data());
            WriteRecordToCache(cacheIndex, record.data());
        }
    } catch (...) {
        try {
            q.Close();
        } catch (...) {
        }
        throw;
    }
    q.Close();
}
