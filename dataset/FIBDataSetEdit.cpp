// Record editing through SQL: the capability gates, the old values, posting
// with the insert or update statement, deleting, refreshing a record, and
// the parameter fill they share.

#include "dataset/FIBDataSetEdit.h"

#include "dataset/FIBDataSet.h"
#include "dataset/PostJournal.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "fib/SqlTxtRtns.h"

#include <algorithm>
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
// Cache slots

void TFIBCustomDataSet::WriteRecordToCache(int cacheIndex, const char* buffer) {
    const int oldSize = layout_.RecordSize(cache_.Record(cacheIndex));
    const int newSize = layout_.PackedSize(buffer);
    layout_.Pack(buffer, cache_.Resize(cacheIndex, oldSize, newSize));
}

void TFIBCustomDataSet::InsertCacheRecord(int cacheIndex, const char* buffer) {
    layout_.Pack(buffer, cache_.InsertAt(cacheIndex, layout_.PackedSize(buffer)));
}

void TFIBCustomDataSet::RemoveCacheRecord(int cacheIndex) {
    cache_.RemoveAt(cacheIndex);
}

void TFIBCustomDataSet::SetRecordStatus(int cacheIndex, TCachedUpdateStatus status) {
    TRecordLayout::SetStatus(cache_.Record(cacheIndex), status);
}

TFIBEditState& TFIBCustomDataSet::EditState() {
    if (!edit_)
        edit_ = std::make_shared<TFIBEditState>();
    return *edit_;
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

// ---------------------------------------------------------------------------
// Statements

int ColumnOfName(const TFIBCustomDataSet& ds, const QString& name) {
    if (TField* f = ds.FindField(name))
        if (f->FieldKind() == fkData && f->FieldNo() > 0)
            return f->FieldNo() - 1;
    return ds.ColumnIndex(name);
}

TFIBXSQLDA* FirstRow(TFIBQuery& q) {
    if (q.SQLType() == SQLExecProcedure)
        return &q.Current();
    if (q.GoToFirstRecordOnExecute())
        return q.RecordCount() > 0 ? &q.Current() : nullptr;
    return q.Next();
}

namespace {

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

bool Executes(const TFIBQuery& q) {
    return !IsBlankSQL(q.SQL()) && !IsNoActionSQL(q.SQL());
}

// An update that touched no row lost its record to another user.
void CheckRowTouched(TFIBCustomDataSet& ds, TFIBQuery& q) {
    if (Executes(q) && q.SQLType() == SQLUpdate && q.RowsAffected() == 0)
        throw EFIBRecordChangedError(&ds, false);
}

} // namespace

void TFIBCustomDataSet::FillParams(TFIBQuery& query, const char* buffer, const char* oldBuffer) {
    const char* old = oldBuffer ? oldBuffer : buffer;
    TFIBXSQLDA& params = query.Params();
    // Where each name reads is looked up once per statement text and
    // remembered until the dataset closes.
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
    TDataSource* source = DataSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
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
            if (!master)
                break;
            if (TField* f = master->FindField(s.fieldName))
                MasterFieldToParam(*f, MasterEmpty(*master), params[i]);
            break;
        }
    }
}

bool TFIBCustomDataSet::ExecuteForRecord(TFIBQuery& query, char* buffer, const char* oldBuffer) {
    if (!Executes(query))
        return true;
    StartTransactionIfNeeded();
    FillParams(query, buffer, oldBuffer);
    if (query.Open())
        query.Close();
    query.ExecQuery();
    const TFIBSQLTypes type = query.SQLType();
    bool found = true;
    if (type == SQLSelect || type == SQLSelectForUpdate || type == SQLExecProcedure) {
        TFIBXSQLDA* row = FirstRow(query);
        found = row != nullptr;
        if (row)
            for (int i = 0; i < row->Count(); ++i)
                if (const int col = ColumnIndex((*row)[i].Name()); col >= 0)
                    ParamToColumn((*row)[i], buffer, col);
        if (query.Open())
            query.Close();
    }
    return found;
}

// ---------------------------------------------------------------------------
// The editing primitives

void TFIBCustomDataSet::DoBeforeEdit() {
    if (!CanEdit())
        throw EAbort();
    TWideDataSet::DoBeforeEdit();
}

void TFIBCustomDataSet::InternalEdit() {
    const char* b = ActiveBuffer();
    oldValues_.assign(b, b + layout_.BufferSize());
}

void TFIBCustomDataSet::DoBeforeInsert() {
    if (!CanInsert())
        throw EAbort();
    TWideDataSet::DoBeforeInsert();
}

void TFIBCustomDataSet::DoBeforeDelete() {
    if (!CanDelete())
        throw EAbort();
    oldValues_.assign(static_cast<size_t>(layout_.BufferSize()), 0);
    ReadRecordFromCache(GetBookmarkData(ActiveBuffer()), oldValues_.data());
    TWideDataSet::DoBeforeDelete();
}

void TFIBCustomDataSet::DoAfterClose() {
    if (edit_)
        edit_->params.clear();
    oldValues_.clear();
    TWideDataSet::DoAfterClose();
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
                FormatText(QStringLiteral("Field '%s' must have a value"), {f->DisplayName()}));
        }

    // Nothing reaches the cache before the statement succeeded: a failed
    // post leaves the record, the state and the typed values as they were.
    char* buffer = ActiveBuffer();
    TFIBQuery& q = inserting ? *insertQuery_ : *updateQuery_;
    const char* old = inserting || oldValues_.empty() ? buffer : oldValues_.data();
    ExecuteForRecord(q, buffer, old);
    if (!inserting)
        CheckRowTouched(*this, q);
    if (postJournal_)
        postJournal_->Posted(*this, inserting ? TPostKind::pkInsert : TPostKind::pkUpdate, q,
                             buffer, old);

    TRecordLayout::SetStatus(TRecordLayout::Fixed(buffer), cusUnmodified);
    TRecordLayout::Header& h = TRecordLayout::HeaderOf(buffer);
    if (inserting) {
        const int index = h.Flag == bfInserted && h.CacheIndex >= 0 ? h.CacheIndex : FetchedCount();
        InsertCacheRecord(index, buffer);
        h.CacheIndex = index;
        h.Flag = bfCurrent;
        cachePos_ = index;
    } else {
        WriteRecordToCache(h.CacheIndex, buffer);
        cachePos_ = h.CacheIndex;
    }
    SetModified(false);
    if ((options_ & poRefreshAfterPost) && !IsBlankSQL(RefreshSQL())) {
        try {
            DoBeforeRefresh();
            RefreshRecord(buffer);
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
    char* buffer = ActiveBuffer();
    const int index = TRecordLayout::HeaderOf(buffer).CacheIndex;
    if (oldValues_.size() != static_cast<size_t>(layout_.BufferSize()))
        oldValues_.assign(buffer, buffer + layout_.BufferSize());
    std::vector<char> record = oldValues_;
    // A delete that touched no row found the row already gone (another user
    // deleted it or changed its key): what the user asked for holds, so the
    // row leaves the dataset as if this delete had removed it.
    ExecuteForRecord(*deleteQuery_, record.data(), oldValues_.data());
    if (postJournal_)
        postJournal_->Posted(*this, TPostKind::pkDelete, *deleteQuery_, record.data(),
                             oldValues_.data());
    SetRecordStatus(index, cusDeletedApplied);
    ++deletedCount_;
    cachePos_ = index;
}

void TFIBCustomDataSet::InternalCancel() {
    if (State() != stInsert || WindowCount() == 0)
        return;
    const TBookmarkFlag flag = GetBookmarkFlag(ActiveBuffer());
    if ((flag == bfBOF || flag == bfEOF) && cachePos_ > -1)
        --cachePos_;
}

void TFIBCustomDataSet::InternalRefresh() {
    if (IsEmpty())
        return;
    if (IsBlankSQL(RefreshSQL()))
        FIBError(fibeCannotRefresh, {FullComponentName(this)});
    char* buffer = ActiveBuffer();
    if (RefreshRecord(buffer))
        return;
    // The row is no longer there (or no longer under this dataset's master):
    // showing it would offer a record that cannot be edited or deleted.
    const int index = TRecordLayout::HeaderOf(buffer).CacheIndex;
    if (index < 0 || index >= FetchedCount())
        return;
    SetRecordStatus(index, cusDeletedApplied);
    ++deletedCount_;
    cachePos_ = index;
}

bool TFIBCustomDataSet::RefreshRecord(char* buffer) {
    if (!refreshQuery_->Transaction())
        FIBError(fibeTransactionNotAssigned, {FullComponentName(refreshQuery_)});
    // The old values are now the record as it stands (after a post: the
    // values just posted).
    oldValues_.assign(buffer, buffer + layout_.BufferSize());
    bool found = false;
    try {
        found = ExecuteForRecord(*refreshQuery_, buffer, oldValues_.data());
    } catch (...) {
        if (refreshQuery_->Open())
            IgnoreFailure("the refresh's own error is the one to report",
                          [this] { refreshQuery_->Close(); });
        throw;
    }
    const int index = TRecordLayout::HeaderOf(buffer).CacheIndex;
    if (found && index >= 0 && index < FetchedCount())
        WriteRecordToCache(index, buffer);
    return found;
}

void TFIBCustomDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
    const int index = append ? FetchedCount() : std::max(cachePos_, 0);
    InsertCacheRecord(index, buffer);
    cachePos_ = index;
}
