// The storage side of editing: capabilities, the cache slots of posted,
// inserted and deleted records, and running the modifying statements with
// parameters taken from the record.

#include "dataset/FIBDataSet.h"

#include "fib/FIBDatabase.h"
#include "fib/fib.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsBlank(const QStringList& lines) {
    return std::all_of(lines.begin(), lines.end(),
                       [](const QString& l) { return l.trimmed().isEmpty(); });
}

// Present but never executed.
bool IsNoAction(const QStringList& lines) {
    return !lines.isEmpty() && lines.first() == QStringLiteral("No Action");
}

bool HasPrefix(const QString& name, const char* prefix) {
    return name.size() >= 5 && name.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

} // namespace

bool TFIBCustomDataSet::CanEdit() const {
    return !IsBlank(UpdateSQL()) && (AllowedUpdateKinds & ukModify);
}

bool TFIBCustomDataSet::CanInsert() const {
    return !IsBlank(InsertSQL()) && (AllowedUpdateKinds & ukInsert);
}

bool TFIBCustomDataSet::CanDelete() const {
    return !IsBlank(DeleteSQL()) && (AllowedUpdateKinds & ukDelete);
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

// ---------------------------------------------------------------------------
// Statements

void TFIBCustomDataSet::FillParams(TFIBQuery& query, const char* buffer, const char* oldBuffer) {
    TFIBXSQLDA& params = query.Params();
    for (int i = 0; i < params.Count(); ++i) {
        TFIBXSQLVAR& p = params[i];
        QString name = p.Name();
        const char* source = buffer;
        if (HasPrefix(name, "OLD_")) {
            name = name.mid(4);
            source = oldBuffer ? oldBuffer : buffer;
        } else if (HasPrefix(name, "NEW_")) {
            name = name.mid(4);
        } else if (HasPrefix(name, "MAS_")) {
            TDataSet* master = DataSource() ? DataSource()->DataSet() : nullptr;
            if (!master)
                continue;
            TField* f = master->FindField(name.mid(4));
            if (!f)
                continue;
            if (!master->Active() || (master->IsEmpty() && master->State() != stInsert) ||
                f->IsNull())
                p.SetIsNull(true);
            else
                p.SetAsVariant(f->AsVariant());
            continue;
        }
        int col = -1;
        if (TField* f = FindField(name); f && f->FieldKind() == fkData)
            col = f->FieldNo() - 1;
        if (col < 0)
            col = ColumnIndex(name);
        if (col >= 0 && col < layout_.ColumnCount())
            ColumnToParam(source, col, p);
    }
}

void TFIBCustomDataSet::ExecuteForRecord(TFIBQuery& query, char* buffer, const char* oldBuffer) {
    if (IsBlank(query.SQL()) || IsNoAction(query.SQL()))
        return;
    TFIBTransaction* tr = query.Transaction();
    if ((options_ & poStartTransaction) && tr && !tr->Active())
        tr->StartTransaction();
    FillParams(query, buffer, oldBuffer);
    if (query.Open())
        query.Close();
    query.ExecQuery();
    if (query.SQLType() == SQLSelect || query.SQLType() == SQLExecProcedure) {
        TFIBXSQLDA* row = query.SQLType() == SQLSelect ? query.Next() : &query.Current();
        if (row)
            for (int i = 0; i < row->Count(); ++i)
                if (const int col = ColumnIndex((*row)[i].Name()); col >= 0)
                    ParamToColumn((*row)[i], buffer, col);
        if (query.Open())
            query.Close();
    }
}

void TFIBCustomDataSet::InternalEdit() {
    const char* b = ActiveBuffer();
    oldValues_.assign(b, b + layout_.BufferSize());
}

void TFIBCustomDataSet::InternalPost() {
    CheckActive();
    TFIBQuery* query = nullptr;
    if (State() == stEdit) {
        if (!CanEdit())
            FIBError(fibeCannotUpdate, {FullComponentName(this)});
        query = updateQuery_;
    } else if (State() == stInsert) {
        if (!CanInsert())
            FIBError(fibeCannotInsert, {FullComponentName(this)});
        query = insertQuery_;
    } else {
        FIBError(fibeNotEditing, {FullComponentName(this)});
    }
    for (TField* f : FieldList())
        if (f->FieldKind() == fkData && f->Required() && !f->ReadOnly() && f->IsNull()) {
            DataEvent(dnFocusControl, FieldInfo(f));
            DatabaseError(
                FormatText(QStringLiteral("Field '%s' must have a value"), {f->DisplayName()}));
        }
    char* buffer = ActiveBuffer();
    char* fixed = TRecordLayout::Fixed(buffer);
    const bool inserting = State() == stInsert;
    ExecuteForRecord(*query, buffer, inserting ? buffer : oldValues_.data());
    TRecordLayout::SetStatus(fixed, cusUnmodified);
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
    if ((options_ & poRefreshAfterPost) && !IsBlank(RefreshSQL())) {
        DoBeforeRefresh();
        RefreshRecord(buffer);
        DoAfterRefresh();
    }
    if (inserting)
        SetState(stBrowse);
}

void TFIBCustomDataSet::InternalDelete() {
    if (!CanDelete())
        FIBError(fibeCannotDelete, {FullComponentName(this)});
    char* buffer = ActiveBuffer();
    const int index = TRecordLayout::HeaderOf(buffer).CacheIndex;
    std::vector<char> old(buffer, buffer + layout_.BufferSize());
    ExecuteForRecord(*deleteQuery_, old.data(), old.data());
    SetRecordStatus(index, cusDeletedApplied);
    ++deletedCount_;
    cachePos_ = index;
}

void TFIBCustomDataSet::InternalRefresh() {
    if (IsEmpty())
        return;
    if (IsBlank(RefreshSQL()))
        FIBError(fibeCannotRefresh, {FullComponentName(this)});
    RefreshRecord(ActiveBuffer());
}

void TFIBCustomDataSet::RefreshRecord(char* buffer) {
    if (!refreshQuery_->Transaction())
        FIBError(fibeTransactionNotAssigned, {FullComponentName(refreshQuery_)});
    std::vector<char> old(buffer, buffer + layout_.BufferSize());
    ExecuteForRecord(*refreshQuery_, buffer, old.data());
    const int index = TRecordLayout::HeaderOf(buffer).CacheIndex;
    if (index >= 0 && index < FetchedCount())
        WriteRecordToCache(index, buffer);
}

void TFIBCustomDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
    const int index = append ? FetchedCount() : std::max(cachePos_, 0);
    InsertCacheRecord(index, buffer);
    cachePos_ = index;
}
