// The SQL-backed dataset: statements, open and close, the record layout, and
// the read-record primitive over the record cache.

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

TFIBQuery* MakeQuery(TFIBCustomDataSet* owner, const char* name) {
    auto* q = new TFIBQuery(owner);
    q->SetName(QString::fromLatin1(name));
    return q;
}

// Type classes that a declared field and its column must share.
int TypeClass(TFieldType t) {
    switch (t) {
    case ftString:
        return 1;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint:
    case ftBoolean:
        return 2;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return 3;
    case ftDate:
        return 4;
    case ftTime:
        return 5;
    case ftDateTime:
        return 6;
    case ftBlob:
    case ftMemo:
        return 7;
    default:
        return 8;
    }
}

} // namespace

TFIBCustomDataSet::TFIBCustomDataSet(TComponent* owner)
    : TWideDataSet(owner), base_(this), selectQuery_(MakeQuery(this, "SelectQuery")),
      insertQuery_(MakeQuery(this, "InsertQuery")), updateQuery_(MakeQuery(this, "UpdateQuery")),
      deleteQuery_(MakeQuery(this, "DeleteQuery")), refreshQuery_(MakeQuery(this, "RefreshQuery")),
      countQuery_(new TFIBQuery(this)), masterLink_(std::make_unique<TFIBDataLink>(this)) {
    selectQuery_->SetGoToFirstRecordOnExecute(false);
    countQuery_->SetGoToFirstRecordOnExecute(false);
    base_.OnTransactionEnding = [this] { TransactionEnding(); };
    base_.OnDatabaseDisconnecting = [this] { Close(); };
    base_.OnDatabaseFree = [this] { Close(); };
    base_.OnTransactionFree = [this] { Close(); };
}

TFIBCustomDataSet::~TFIBCustomDataSet() {
    MarkDestroying();
    IgnoreFailure("destruction goes on", [this] { Close(); });
    // Closing freed the window's buffers through this class's primitive,
    // which the generic destructor could no longer reach.
    masterLink_.reset();
}

void TFIBCustomDataSet::TransactionEnding() {
    TFIBTransaction* tr = Transaction();
    if (!tr)
        return;
    const TTransactionPhase phase = tr->Phase();
    if (phase == trCommitting || phase == trRollbacking)
        Close();
}

void TFIBCustomDataSet::SetDatabase(TFIBDatabase* database) {
    if (database == Database())
        return;
    CheckInactive();
    base_.SetDatabase(database);
    for (TFIBQuery* q :
         {selectQuery_, insertQuery_, updateQuery_, deleteQuery_, refreshQuery_, countQuery_})
        q->SetDatabase(database);
    prepared_ = false;
}

void TFIBCustomDataSet::SetTransaction(TFIBTransaction* transaction) {
    if (transaction == Transaction())
        return;
    CheckInactive();
    const bool followed = updateTransaction_ == nullptr || updateTransaction_ == Transaction();
    base_.SetTransaction(transaction);
    selectQuery_->SetTransaction(transaction);
    countQuery_->SetTransaction(transaction);
    if (followed) {
        updateTransaction_ = nullptr;
        for (TFIBQuery* q : {insertQuery_, updateQuery_, deleteQuery_, refreshQuery_})
            q->SetTransaction(transaction);
    }
    prepared_ = false;
}

TFIBTransaction* TFIBCustomDataSet::UpdateTransaction() const {
    return updateTransaction_ ? updateTransaction_ : Transaction();
}

void TFIBCustomDataSet::SetUpdateTransaction(TFIBTransaction* transaction) {
    updateTransaction_ = transaction == Transaction() ? nullptr : transaction;
    for (TFIBQuery* q : {insertQuery_, updateQuery_, deleteQuery_})
        q->SetTransaction(UpdateTransaction());
}

void TFIBCustomDataSet::SetSelectSQL(const QStringList& lines) {
    // The statement refuses while its cursor is open (client error 28).
    if (cursorOpen_ && !selectQuery_->Open())
        FIBError(fibeSQLOpen, {" change SelectSQL ", FullComponentName(this)});
    selectQuery_->SetSQL(lines);
    prepared_ = false;
    MutableFieldDefs().clear();
}

QStringList SplitSQLLines(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = t.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TFIBCustomDataSet::SetSelectSQLText(const QString& text) {
    SetSelectSQL(SplitSQLLines(text));
}

void TFIBCustomDataSet::SetOptions(TpFIBDsOptions options) {
    options_ = options;
    TpFIBQueryOptions q = selectQuery_->Options();
    q = (options & poTrimCharFields) ? (q | qoTrimCharFields) : (q & ~qoTrimCharFields);
    q = (options & poNoForceIsNull) ? (q | qoNoForceIsNull) : (q & ~qoNoForceIsNull);
    for (TFIBQuery* q2 :
         {selectQuery_, insertQuery_, updateQuery_, deleteQuery_, refreshQuery_, countQuery_})
        q2->SetOptions(static_cast<TpFIBQueryOptions>(q));
}

TDataSource* TFIBCustomDataSet::DataSource() const {
    return masterLink_ ? masterLink_->DataSource() : nullptr;
}

void TFIBCustomDataSet::SetDataSource(TDataSource* source) {
    if (source && source->IsLinkedTo(this))
        FIBError(fibeCircularReference, {FullComponentName(this)});
    masterLink_->SetDataSource(source);
}

TDataSet* TFIBDataLink::DetailDataSet() const {
    return detail_;
}

// ---------------------------------------------------------------------------
// Open and close

void TFIBCustomDataSet::StartTransactionIfNeeded() {
    if (!Database() && Transaction() && Transaction()->DefaultDatabase())
        SetDatabase(Transaction()->DefaultDatabase());
    if (!Transaction() && Database() && Database()->DefaultTransaction())
        SetTransaction(Database()->DefaultTransaction());
    if ((options_ & poStartTransaction) && Transaction() && !Transaction()->Active())
        Transaction()->StartTransaction();
}

void TFIBCustomDataSet::DoBeforeOpen() {
    StartTransactionIfNeeded();
    TDataSet::DoBeforeOpen();
}

void TFIBCustomDataSet::DoBeforeClose() {
    TDataSet::DoBeforeClose();
}

void TFIBCustomDataSet::Prepare() {
    StartTransactionIfNeeded();
    if (IsBlank(SelectSQL()))
        FIBError(fibeEmptyQuery, {QStringLiteral("Prepare ") + FullComponentName(this)});
    if (!selectQuery_->Prepared())
        selectQuery_->Prepare();
    InternalInitFieldDefs();
    BuildLayout();
    prepared_ = true;
}

void TFIBCustomDataSet::InternalOpen() {
    if (!prepared_ || !selectQuery_->Prepared())
        Prepare();
    if (DataSource() && DataSource()->DataSet())
        SetParamsFromMaster();
    const TFIBSQLTypes kind = selectQuery_->SQLType();
    if (kind == SQLSelect || kind == SQLSelectForUpdate) {
        CreateFields();
        BindFields(true);
        if (selectQuery_->Open())
            selectQuery_->Close();
        selectQuery_->ExecQuery();
        cursorOpen_ = selectQuery_->Open();
        allFetched_ = false;
        cache_.Reset(layout_.MaxRecordSize(), cacheModel_.EffectiveChunks());
        cachePos_ = -1;
        deletedCount_ = 0;
        if (prepareOptions_ & psGetOrderInfo)
            RecordOrderInfo();
    } else {
        selectQuery_->ExecQuery();
        cursorOpen_ = false;
        allFetched_ = true;
        cache_.Reset(layout_.MaxRecordSize(), cacheModel_.EffectiveChunks());
        cachePos_ = -1;
        deletedCount_ = 0;
    }
    internalOpen_ = true;
}

void TFIBCustomDataSet::InternalClose() {
    internalOpen_ = false;
    cursorOpen_ = false;
    allFetched_ = false;
    cachePos_ = -1;
    deletedCount_ = 0;
    cache_.Reset(0, cacheModel_.EffectiveChunks());
    if (selectQuery_->Open())
        selectQuery_->Close();
}

void TFIBCustomDataSet::RecordOrderInfo() {
    sortDescription_.clear();
    const QString text = selectQuery_->SQLText();
    const int at = text.lastIndexOf(QStringLiteral("ORDER BY"), -1, Qt::CaseInsensitive);
    if (at >= 0)
        sortDescription_ = text.mid(at + 8).simplified();
}

void TFIBCustomDataSet::SetParamsFromMaster() {
    TDataSet* master = DataSource()->DataSet();
    TFIBXSQLDA& params = selectQuery_->Params();
    for (int i = 0; i < params.Count(); ++i) {
        TFIBXSQLVAR& p = params[i];
        QString name = p.Name();
        if (name.size() >= 5 && name.startsWith(QStringLiteral("MAS_"), Qt::CaseInsensitive))
            name = name.mid(4);
        TField* f = master->FindField(name);
        if (!f)
            continue;
        const bool readable =
            master->Active() && (!master->IsEmpty() || master->State() == stInsert);
        if (!readable || f->IsNull())
            p.SetIsNull(true);
        else
            p.SetAsVariant(f->AsVariant());
    }
}

// ---------------------------------------------------------------------------
// Field definitions and the record layout

void TFIBCustomDataSet::InternalInitFieldDefs() {
    std::vector<TFieldDef>& defs = MutableFieldDefs();
    defs.clear();
    columnNames_.clear();
    columnBytesPerChar_.clear();
    TFIBXSQLDA& row = selectQuery_->Current();
    for (int i = 0; i < row.Count(); ++i) {
        const TFIBXSQLVAR& v = row[i];
        TFieldDef def;
        def.Name = v.Name();
        def.FieldNo = i + 1;
        def.Required = !v.IsNullable();
        int perChar = 1;
        if ((v.SQLType() == SQLText || v.SQLType() == SQLVarying) && Database())
            perChar = std::max(1, Database()->CharsetBytesPerChar(v.SQLSubtype() & 0xFF));
        const short scale = v.SQLScale();
        switch (v.SQLType()) {
        case SQLVarying:
        case SQLText:
            def.DataType = ftString;
            def.Size = v.SQLLen() / perChar;
            break;
        case SQLDouble:
        case SQLFloat:
        case SQLDFloat:
            def.DataType = ftFloat;
            break;
        case SQLLong:
            def.DataType = scale < 0 ? ftFloat : ftInteger;
            if (scale == 0)
                if (TField* f = FindField(def.Name); f && f->DataType() == ftBoolean)
                    def.DataType = ftBoolean;
            break;
        case SQLShort:
            if (scale < 0) {
                def.DataType = ftFloat;
            } else {
                TField* f = FindField(def.Name);
                def.DataType = f && f->DataType() == ftBoolean    ? ftBoolean
                               : f && f->DataType() != ftSmallint ? ftInteger
                                                                  : ftSmallint;
            }
            break;
        case SQLTimestamp:
            def.DataType = ftDateTime;
            break;
        case SQLBlob:
            def.DataType = v.SQLSubtype() == 1 ? ftMemo : ftBlob;
            def.Size = 8;
            break;
        case SQLArray:
            def.DataType = ftBytes;
            def.Size = 8;
            break;
        case SQLTime:
            def.DataType = ftTime;
            break;
        case SQLDate:
            def.DataType = ftDate;
            break;
        case SQLInt64:
            if (scale < -4) {
                def.DataType = ftFloat;
            } else {
                def.DataType = ftBCD;
                def.Size = -scale;
            }
            break;
        case SQLBoolean:
        case SQLBooleanOld:
            def.DataType = ftBoolean;
            break;
        default:
            def.DataType = ftUnknown;
            break;
        }
        defs.push_back(def);
        columnNames_.push_back(v.Name());
        columnBytesPerChar_.push_back(perChar);
    }
}

void TFIBCustomDataSet::BuildLayout() {
    layout_.Clear();
    TFIBXSQLDA& row = selectQuery_->Current();
    for (int i = 0; i < row.Count(); ++i) {
        const TFIBXSQLVAR& v = row[i];
        const int stored = v.StoredSize();
        const bool text = v.SQLType() == SQLText || v.SQLType() == SQLVarying;
        const bool longText = text && stored == 4 + v.SQLLen();
        layout_.AddColumn(v.SQLType(), v.SQLScale(), stored, longText, v.SQLLen());
    }
    layout_.Finish();
}

void TFIBCustomDataSet::BindFields(bool binding) {
    if (!binding) {
        TDataSet::BindFields(false);
        return;
    }
    for (TField* f : FieldList()) {
        if (f->FieldKind() != fkData)
            continue;
        const TFieldDef* def = nullptr;
        for (const TFieldDef& d : FieldDefs())
            if (d.Name.compare(f->FieldName(), Qt::CaseInsensitive) == 0) {
                def = &d;
                break;
            }
        if (!def)
            DatabaseError(FormatText(QStringLiteral("Field '%s' not found"), {f->DisplayName()}),
                          Name());
        if (TypeClass(def->DataType) != TypeClass(f->DataType()))
            DatabaseError(
                FormatText(
                    QStringLiteral("Type mismatch for field '%s', expecting: %s actual: %s"),
                    {f->DisplayName(), FieldTypeName(f->DataType()), FieldTypeName(def->DataType)}),
                Name());
        if (f->DataType() == ftString && f->Size() > def->Size && !f->ReadOnly())
            f->SetSize(def->Size);
        if (auto* s = dynamic_cast<TFIBStringField*>(f))
            s->TakeDataSetDefault(prepareOptions_ & psSetEmptyStrToNull);
        f->SetFieldNo(def->FieldNo);
    }
}

TField* TFIBCustomDataSet::CreateFieldFor(const TFieldDef& def) {
    switch (def.DataType) {
    case ftString:
        return new TFIBStringField(this);
    case ftSmallint:
        return new TFIBSmallIntField(this);
    case ftInteger:
    case ftWord:
        return new TFIBIntegerField(this);
    case ftLargeint:
        return new TFIBLargeIntField(this);
    case ftBoolean:
        return new TFIBBooleanField(this);
    case ftFloat:
    case ftCurrency:
        return new TFIBFloatField(this);
    case ftBCD:
        return new TFIBBCDField(this);
    case ftDate:
        return new TFIBDateField(this);
    case ftTime:
        return new TFIBTimeField(this);
    case ftDateTime:
        return new TFIBDateTimeField(this);
    case ftMemo:
        return new TFIBMemoField(this);
    default:
        return new TFIBBlobField(this);
    }
}

int TFIBCustomDataSet::ColumnIndex(const QString& name) const {
    QString key = name;
    if (key.size() >= 2 && key.startsWith(u'"') && key.endsWith(u'"'))
        key = key.mid(1, key.size() - 2);
    for (size_t i = 0; i < columnNames_.size(); ++i)
        if (columnNames_[i].compare(key, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------------------
// Buffers and the cursor

TRecordBuffer TFIBCustomDataSet::AllocRecordBuffer() {
    auto* b = new char[static_cast<size_t>(layout_.BufferSize())];
    std::memset(b, 0, static_cast<size_t>(layout_.BufferSize()));
    TRecordLayout::HeaderOf(b).CacheIndex = -1;
    return b;
}

void TFIBCustomDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    delete[] buffer;
    buffer = nullptr;
}

int TFIBCustomDataSet::GetBookmarkData(TRecordBuffer buffer) const {
    return TRecordLayout::HeaderOf(buffer).CacheIndex;
}

void TFIBCustomDataSet::SetBookmarkData(TRecordBuffer buffer, int bookmark) {
    TRecordLayout::HeaderOf(buffer).CacheIndex = bookmark;
}

TBookmarkFlag TFIBCustomDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
    return static_cast<TBookmarkFlag>(TRecordLayout::HeaderOf(buffer).Flag);
}

void TFIBCustomDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    TRecordLayout::HeaderOf(buffer).Flag = static_cast<uint8_t>(flag);
}

void TFIBCustomDataSet::InternalInitRecord(TRecordBuffer buffer) {
    std::memset(buffer, 0, static_cast<size_t>(layout_.BufferSize()));
    TRecordLayout::HeaderOf(buffer).CacheIndex = -1;
    char* fixed = TRecordLayout::Fixed(buffer);
    for (int c = 0; c < layout_.ColumnCount(); ++c)
        TRecordLayout::SetNull(fixed, c, true);
    TRecordLayout::SetStatus(fixed, cusInserted);
}

void TFIBCustomDataSet::InternalFirst() {
    cachePos_ = -1;
}

void TFIBCustomDataSet::InternalLast() {
    if (!AllFetched()) {
        fetchingAll_ = true;
        try {
            while (FetchNext()) {
            }
        } catch (...) {
            fetchingAll_ = false;
            cachePos_ = FetchedCount();
            throw;
        }
        fetchingAll_ = false;
    }
    cachePos_ = FetchedCount();
}

void TFIBCustomDataSet::FetchAll() {
    if (AllFetched())
        return;
    const int pos = cachePos_;
    while (FetchNext()) {
    }
    cachePos_ = pos;
}

void TFIBCustomDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    cachePos_ = TRecordLayout::HeaderOf(buffer).CacheIndex;
}

void TFIBCustomDataSet::InternalGotoBookmark(int bookmark) {
    cachePos_ = bookmark;
}

bool TFIBCustomDataSet::FetchNext() {
    if (!cursorOpen_ || allFetched_)
        return false;
    // A row taken from the server cannot be given back: the room for it is
    // found first, so that running out of memory stops the fetch between
    // rows and the next fetch goes on from the same place.
    cache_.ReserveNext(layout_.MaxRecordSize());
    TFIBXSQLDA* row = selectQuery_->Next();
    if (!row) {
        allFetched_ = true;
        return false;
    }
    // The record's size: the fixed part and the actual bytes of long texts.
    const int count = layout_.ColumnCount();
    int size = layout_.FixedSize();
    for (int c = 0; c < count; ++c) {
        const TColumnSlot& slot = layout_.Column(c);
        if (!slot.Long)
            continue;
        const XSQLVAR* x = (*row)[c].Data();
        if ((x->sqltype & 1) && x->sqlind && *x->sqlind == -1)
            continue;
        size +=
            slot.SQLType == SQLVarying ? *reinterpret_cast<const int16_t*>(x->sqldata) : x->sqllen;
    }
    char* rec = cache_.Append(size);
    std::memset(rec, 0, static_cast<size_t>(layout_.FixedSize()));
    char* tail = rec + layout_.FixedSize();
    for (int c = 0; c < count; ++c) {
        const TColumnSlot& slot = layout_.Column(c);
        const TFIBXSQLVAR& v = (*row)[c];
        const XSQLVAR* x = v.Data();
        const bool null = (x->sqltype & 1) && x->sqlind && *x->sqlind == -1;
        if (null) {
            TRecordLayout::SetNull(rec, c, true);
            continue;
        }
        if (!slot.Long) {
            v.WriteStored(rec + slot.Offset);
            continue;
        }
        const bool varying = slot.SQLType == SQLVarying;
        const int len = varying ? std::clamp<int>(*reinterpret_cast<const int16_t*>(x->sqldata), 0,
                                                  slot.Capacity)
                                : x->sqllen;
        std::memcpy(tail, varying ? x->sqldata + 2 : x->sqldata, static_cast<size_t>(len));
        TRecordLayout::SetLongLength(rec, slot, len);
        tail += len;
    }
    return true;
}

bool TFIBCustomDataSet::RecordVisible(int cacheIndex) const {
    const auto status =
        static_cast<TCachedUpdateStatus>(TRecordLayout::Status(cache_.Record(cacheIndex)));
    return status != cusDeletedApplied && (UpdateRecordTypes & StatusBit(status));
}

void TFIBCustomDataSet::ReadRecordFromCache(int cacheIndex, TRecordBuffer buffer) const {
    layout_.Unpack(cache_.Record(cacheIndex), buffer);
    TRecordLayout::Header& h = TRecordLayout::HeaderOf(buffer);
    h.CacheIndex = cacheIndex;
    h.Flag = bfCurrent;
}

TGetResult TFIBCustomDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
    for (;;) {
        const int fetched = FetchedCount();
        switch (mode) {
        case gmNext:
            if (cachePos_ >= fetched) {
                cachePos_ = fetched;
                SetBookmarkFlag(buffer, bfEOF);
                return grEOF;
            }
            if (cachePos_ == fetched - 1 && !FetchNext()) {
                cachePos_ = FetchedCount();
                SetBookmarkFlag(buffer, bfEOF);
                return grEOF;
            }
            ++cachePos_;
            break;
        case gmPrior:
            if (cachePos_ > fetched)
                cachePos_ = fetched;
            if (cachePos_ <= 0) {
                cachePos_ = -1;
                SetBookmarkFlag(buffer, bfBOF);
                return grBOF;
            }
            --cachePos_;
            break;
        case gmCurrent:
            if (cachePos_ < 0) {
                SetBookmarkFlag(buffer, bfBOF);
                return grBOF;
            }
            while (cachePos_ >= FetchedCount() && FetchNext()) {
            }
            if (cachePos_ >= FetchedCount()) {
                cachePos_ = FetchedCount() - 1;
                if (cachePos_ < 0)
                    return grBOF;
            }
            if (!RecordVisible(cachePos_))
                return grError;
            ReadRecordFromCache(cachePos_, buffer);
            GetCalcFields(buffer);
            return grOK;
        }
        if (RecordVisible(cachePos_)) {
            ReadRecordFromCache(cachePos_, buffer);
            GetCalcFields(buffer);
            return grOK;
        }
    }
}

int TFIBCustomDataSet::RecordCount() const {
    return FetchedCount() - deletedCount_;
}

int TFIBCustomDataSet::RecordNumber() const {
    const char* b = ActiveBuffer();
    if (!b || State() == stInsert)
        return 0;
    return TRecordLayout::HeaderOf(b).CacheIndex + 1;
}

TCachedUpdateStatus TFIBCustomDataSet::RecordStatus(int cacheIndex) const {
    if (cacheIndex < 0 || cacheIndex >= FetchedCount())
        return cusUnmodified;
    return static_cast<TCachedUpdateStatus>(TRecordLayout::Status(cache_.Record(cacheIndex)));
}

TCachedUpdateStatus TFIBCustomDataSet::UpdateStatus() const {
    const char* b = ActiveBuffer();
    if (!b)
        return cusUnmodified;
    return static_cast<TCachedUpdateStatus>(TRecordLayout::Status(TRecordLayout::Fixed(b)));
}

void TFIBCustomDataSet::DataEventStep(TDataEvent& event, TDataEventInfo& info) {
    if (event == dnFieldChange && OnFieldChange)
        if (TField* f = InfoField(info))
            OnFieldChange(*f);
    TDataSet::DataEventStep(event, info);
}

void TFIBCustomDataSet::DoControlsDisabledChange(bool disabled) {
    if (disabled && OnDisableControls)
        OnDisableControls(*this);
    if (!disabled && OnEnableControls)
        OnEnableControls(*this);
}

void TFIBCustomDataSet::DoAfterOpen() {
    // Each field's origin: its table and column.
    if (FieldOriginRule != forNoRule && ColumnCount() > 0) {
        TFIBXSQLDA& row = selectQuery_->Current();
        for (TField* f : FieldList()) {
            const int col = f->FieldNo() - 1;
            if (col < 0 || col >= row.Count())
                continue;
            const XSQLVAR* x = row[col].Data();
            const QString table = QString::fromLatin1(x->relname, x->relname_length);
            const QString column = QString::fromLatin1(x->sqlname, x->sqlname_length);
            if (FieldOriginRule == forClientFieldName)
                f->Origin = f->FieldName();
            else if (!table.isEmpty())
                f->Origin = table + u'.' + column;
        }
    }
    TDataSet::DoAfterOpen();
}
