#pragma once
// The SQL-backed dataset: a select statement's rows, fetched on demand into a
// record cache, shown through the generic dataset's window. Its field classes
// are in FIBFields.h, included here for the dataset's users.

#include "base/TextCodec.h"
#include "dataset/DB.h"
#include "dataset/FIBCacheManage.h"
#include "dataset/FIBFields.h"
#include "dataset/pFIBProps.h"
#include "fib/FIBBase.h"
#include "fib/FIBQuery.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>

class TFIBDatabase;
class TFIBTransaction;
class TFIBDataLink;
class TPostJournal;
struct TFIBEditState;

// Statement text as lines, the way a statement's SQL list keeps it.
QStringList SplitSQLLines(const QString& text);

class TFIBCustomDataSet : public TWideDataSet {
public:
    explicit TFIBCustomDataSet(TComponent* owner = nullptr);
    ~TFIBCustomDataSet() override;

    TFIBDatabase* Database() const { return base_.Database(); }
    void SetDatabase(TFIBDatabase* database);
    TFIBTransaction* Transaction() const { return base_.Transaction(); }
    void SetTransaction(TFIBTransaction* transaction);
    // Follows Transaction while they are equal.
    TFIBTransaction* UpdateTransaction() const;
    void SetUpdateTransaction(TFIBTransaction* transaction);

    // Statement texts. SelectSQL cannot change while the cursor is open
    // (client error 28); the text then stays as it was.
    const QStringList& SelectSQL() const { return selectQuery_->SQL(); }
    void SetSelectSQL(const QStringList& lines);
    void SetSelectSQLText(const QString& text);
    const QStringList& InsertSQL() const { return insertQuery_->SQL(); }
    void SetInsertSQL(const QStringList& lines) { insertQuery_->SetSQL(lines); }
    const QStringList& UpdateSQL() const { return updateQuery_->SQL(); }
    void SetUpdateSQL(const QStringList& lines) { updateQuery_->SetSQL(lines); }
    const QStringList& DeleteSQL() const { return deleteQuery_->SQL(); }
    void SetDeleteSQL(const QStringList& lines) { deleteQuery_->SetSQL(lines); }
    const QStringList& RefreshSQL() const { return refreshQuery_->SQL(); }
    void SetRefreshSQL(const QStringList& lines) { refreshQuery_->SetSQL(lines); }

    // The owned statements ("SelectQuery", "InsertQuery", "UpdateQuery",
    // "DeleteQuery", "RefreshQuery").
    TFIBQuery& SelectQuery() const { return *selectQuery_; }
    TFIBQuery& InsertQuery() const { return *insertQuery_; }
    TFIBQuery& UpdateQuery() const { return *updateQuery_; }
    TFIBQuery& DeleteQuery() const { return *deleteQuery_; }
    TFIBQuery& RefreshQuery() const { return *refreshQuery_; }
    TFIBXSQLDA& Params() const { return selectQuery_->Params(); }
    TFIBXSQLVAR& ParamByName(const QString& name) const { return selectQuery_->ParamByName(name); }

    // Options in force (see pFIBProps.h for the values at construction).
    TpFIBDsOptions Options() const { return options_; }
    void SetOptions(TpFIBDsOptions options);
    TpPrepareOptions PrepareOptions() const { return prepareOptions_; }
    void SetPrepareOptions(TpPrepareOptions options) { prepareOptions_ = options; }
    TDetailConditions DetailConditions() const { return detailConditions_; }
    void SetDetailConditions(TDetailConditions conditions) { detailConditions_ = conditions; }
    TCacheModelOptions& CacheModelOptions() { return cacheModel_; }
    bool AutoCommit = false;
    bool CachedUpdates = false;
    bool UniDirectional = false;
    TCachedUpdateStatusSet UpdateRecordTypes = kDefaultUpdateRecordTypes;
    TUpdateKinds AllowedUpdateKinds = kAllUpdateKinds;
    TTransactionKind RefreshTransactionKind = tkReadTransaction;
    TFieldOriginRule FieldOriginRule = forTableAndFieldName;
    int SQLScreenCursor = 0;

    // Where each insert, update and delete the server took is reported, so
    // that it can be sent again if the server loses the transaction; none:
    // not kept. The journal must outlive the dataset's posting.
    TPostJournal* PostJournal() const { return postJournal_; }
    void SetPostJournal(TPostJournal* journal) { postJournal_ = journal; }

    // The master's data source (detail datasets).
    TDataSource* DataSource() const override;
    void SetDataSource(TDataSource* source);

    void Prepare();
    bool Prepared() const { return prepared_; }

    // The cache.
    int FetchedCount() const { return cache_.Count(); }
    int DeletedCount() const { return deletedCount_; }
    int CachePos() const { return cachePos_; }
    bool CursorOpen() const { return cursorOpen_; }
    // The cursor was read to its end.
    bool AllFetched() const { return !cursorOpen_ || allFetched_; }
    void FetchAll();
    const TRecordLayout& Layout() const { return layout_; }
    const TRecordsCache& Cache() const { return cache_; }
    // The ORDER BY list of the select (psGetOrderInfo).
    const QString& SortDescription() const { return sortDescription_; }

    // Fetched minus deleted.
    int RecordCount() const override;
    int RecordNumber() const override;
    bool IsSequenced() const override { return AllFetched(); }
    bool IsUniDirectional() const override { return UniDirectional; }
    bool Locate(const QString& keyFields, const Variant& keyValues,
                TLocateOptions options) override;
    // Rows the select would return, counted on the server (0 when the
    // transaction is not active).
    int CountRecordsOnServer();
    // Text of the count statement instead of the derived-table count.
    std::function<QString(TFIBCustomDataSet&)> OnAskRecordCount;
    std::function<void(TField&)> OnFieldChange;
    std::function<void(TFIBCustomDataSet&)> OnDisableControls;
    std::function<void(TFIBCustomDataSet&)> OnEnableControls;

    // The update status of the current record (cusUnmodified when none).
    TCachedUpdateStatus UpdateStatus() const;
    TCachedUpdateStatus RecordStatus(int cacheIndex) const;

    // Capabilities (statements present and kinds allowed).
    virtual bool CanEdit() const;
    virtual bool CanInsert() const;
    virtual bool CanDelete() const;
    bool CanModify() const override { return CanEdit() || CanInsert() || CanDelete(); }

    // Select output columns (0-based), whether or not a field exists.
    int ColumnCount() const { return layout_.ColumnCount(); }
    int ColumnIndex(const QString& name) const;
    const QString& ColumnName(int column) const { return columnNames_.at(column); }
    // A column of a record buffer as a value (null as Variant::Null()).
    Variant ColumnValue(const char* buffer, int column) const;
    // Copies a column of a record buffer into a statement parameter in the
    // column's own type.
    void ColumnToParam(const char* buffer, int column, TFIBXSQLVAR& param) const;
    // Copies a statement's result column into a buffer's column.
    void ParamToColumn(const TFIBXSQLVAR& value, char* buffer, int column) const;

    // --- The master link (FIBDetailLink.cpp) ---
    // Whether some select parameter differs from its master field.
    bool ParamsDifferFromMaster() const;
    // Closes and opens again with the master's current values, keeping the
    // fields; controls see one layout change and one scroll by 0.
    void Reopen();

    bool GetFieldData(const TField* field, void* buffer) const override;
    void SetFieldData(TField* field, const void* buffer) override;
    bool GetBlobData(const TField* field, QByteArray* data) const override;
    void CheckFieldText(const TField* field, const QString& text) const override;
    QString DecodeFieldText(const QByteArray& bytes) const override;
    QByteArray EncodeFieldText(const QString& text) const override;
    bool TrimCharFields() const override { return options_ & poTrimCharFields; }
    TTextCodec Codec() const;
    bool EmptyStringIsDefaultFor(const TField* field) const { return EmptyStringIsDefault(field); }

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    int GetBookmarkData(TRecordBuffer buffer) const override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
    int GetRecordSize() const override { return layout_.BufferSize(); }
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void InternalDelete() override;
    void InternalFirst() override;
    void InternalGotoBookmark(int bookmark) override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalLast() override;
    void InternalPost() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    void SetBookmarkData(TRecordBuffer buffer, int bookmark) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalClose() override;
    void InternalEdit() override;
    void InternalRefresh() override;
    void InternalInitFieldDefs() override;
    void InternalOpen() override;
    bool IsCursorOpen() const override { return internalOpen_; }

    void DoBeforeOpen() override;
    void DoBeforeClose() override;
    void DoAfterClose() override;
    void DoBeforeEdit() override;
    void DoBeforeInsert() override;
    void DoBeforeDelete() override;
    void InternalCancel() override;
    void DataEventStep(TDataEvent& event, TDataEventInfo& info) override;
    void DoControlsDisabledChange(bool disabled) override;
    void BindFields(bool binding) override;
    // Gives the select's parameters the master's current values.
    virtual void SetParamsFromMaster();
    // The column's default in the table description is the empty string and
    // the column is not nullable: an empty text is then stored, not null.
    virtual bool EmptyStringIsDefault(const TField*) const { return false; }
    TField* CreateFieldFor(const TFieldDef& def) override;

    // Connection defaulting and the transaction start (poStartTransaction).
    void StartTransactionIfNeeded();
    // Cache access for editing: read a cached record into a buffer, write a
    // buffer back (keeping its status), open or remove a slot.
    void ReadRecordFromCache(int cacheIndex, TRecordBuffer buffer) const;
    void WriteRecordToCache(int cacheIndex, const char* buffer);
    void InsertCacheRecord(int cacheIndex, const char* buffer);
    void RemoveCacheRecord(int cacheIndex);
    void SetRecordStatus(int cacheIndex, TCachedUpdateStatus status);
    void SetCachePos(int pos) { cachePos_ = pos; }
    void SetDeletedCount(int count) { deletedCount_ = count; }
    // Whether the visibility filter shows a cached record.
    bool RecordVisible(int cacheIndex) const;
    // Takes one row from the cursor into the cache; false at its end.
    bool FetchNext();
    TFIBDataLink& MasterLink() const { return *masterLink_; }
    // Parameters of a modifying or refresh statement from a record: OLD_
    // names from the old values, MAS_ names from the master, the others from
    // the record's fields or select columns.
    void FillParams(TFIBQuery& query, const char* buffer, const char* oldBuffer);
    // Runs the statement for a record; a row it returns is copied into the
    // record by column name. Blank and "No Action" statements do nothing.
    // False when a select or procedure returned no row.
    bool ExecuteForRecord(TFIBQuery& query, char* buffer, const char* oldBuffer);
    // Re-reads a record through RefreshSQL and writes it to the cache; false
    // (the record left as it was) when the statement found no row.
    bool RefreshRecord(char* buffer);
    // The record as it was when editing began.
    const std::vector<char>& OldValues() const { return oldValues_; }
    std::vector<char>& OldValues() { return oldValues_; }
    void DoAfterOpen() override;

private:
    void BuildLayout();
    void CloseSelect();
    int FieldColumn(const TField* field) const;
    void OnSelectSQLChanging();
    void TransactionEnding();
    bool MatchesKeys(int cacheIndex, const std::vector<int>& columns,
                     const std::vector<TField*>& fields, const std::vector<Variant>& keys,
                     TLocateOptions options) const;
    void RecordOrderInfo();
    QString CountText() const;

    TFIBBase base_;
    TFIBQuery* selectQuery_;
    TFIBQuery* insertQuery_;
    TFIBQuery* updateQuery_;
    TFIBQuery* deleteQuery_;
    TFIBQuery* refreshQuery_;
    TFIBQuery* countQuery_;
    TFIBTransaction* updateTransaction_ = nullptr;
    std::unique_ptr<TFIBDataLink> masterLink_;
    // Remembered parameter lookups (FIBDataSetEdit.cpp).
    std::shared_ptr<TFIBEditState> edit_;
    TFIBEditState& EditState();

    TpFIBDsOptions options_ = kDefaultDataSetOptions;
    TpPrepareOptions prepareOptions_ = kDefaultPrepareOptions;
    TDetailConditions detailConditions_ = 0;
    TCacheModelOptions cacheModel_;

    bool prepared_ = false;
    bool internalOpen_ = false;
    bool cursorOpen_ = false;
    bool allFetched_ = false;
    bool fetchingAll_ = false;
    TRecordLayout layout_;
    TRecordsCache cache_;
    std::vector<QString> columnNames_;
    std::vector<int> columnBytesPerChar_;
    int cachePos_ = -1;
    int deletedCount_ = 0;
    std::vector<char> oldValues_;
    QString sortDescription_;
    TPostJournal* postJournal_ = nullptr;
};

// The published form.
class TFIBDataSet : public TFIBCustomDataSet {
public:
    using TFIBCustomDataSet::TFIBCustomDataSet;
};

// The link a detail dataset keeps with its master's data source.
class TFIBDataLink : public TDetailDataLink {
public:
    explicit TFIBDataLink(TFIBCustomDataSet* detail) : detail_(detail) {}
    TDataSet* DetailDataSet() const override;
    // The master opened or closed; the master's record changed as a whole.
    void LinkActiveChange() override;
    void LinkRecordChange(TField* field) override;
    // The master is about to move, post or change state: a row being typed
    // in the detail is posted first, under the master record it belongs to,
    // so that the move does not reopen the detail over it. A refused post
    // stops the master's operation. While the master is a new row not yet
    // stored, the detail waits for the master's post (see LinkRecordChange).
    void LinkCheckBrowseMode() override;

protected:
    TFIBCustomDataSet* detail_;
};
