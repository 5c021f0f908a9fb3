#pragma once
// TFIBQuery: one SQL statement on the server. Text in, prepared once,
// executed with parameter values, and for a select read row by row through a
// server cursor. The result row's buffers are allocated at preparation and
// reused for every row, so fetching allocates nothing.

#include "base/Component.h"
#include "fib/FIBBase.h"
#include "fib/FIBXSQLDA.h"
#include "fib/IB_Intf.h"
#include "fib/SqlTxtRtns.h"

#include <QStringList>
#include <ibase.h>

#include <cstdint>
#include <functional>

class TFIBDatabase;
class TFIBTransaction;

// Statement types as the server reports them (isc_info_sql_stmt_type).
enum TFIBSQLTypes : int {
    SQLUnknown = 0,
    SQLSelect = 1,
    SQLInsert = 2,
    SQLUpdate = 3,
    SQLDelete = 4,
    SQLDDL = 5,
    SQLGetSegment = 6,
    SQLPutSegment = 7,
    SQLExecProcedure = 8,
    SQLStartTransaction = 9,
    SQLCommit = 10,
    SQLRollback = 11,
    SQLSelectForUpdate = 12,
    SQLSetGenerator = 13,
    SQLSavePointOperation = 14,
};

enum TpFIBQueryOption : uint8_t {
    qoStartTransaction = 1 << 0,
    qoAutoCommit = 1 << 1,
    qoTrimCharFields = 1 << 2,
    qoNoForceIsNull = 1 << 3,
    qoFreeHandleAfterExecute = 1 << 4,
};
using TpFIBQueryOptions = uint8_t;

class TFIBQuery : public TComponent, private IFIBXSQLOwner {
public:
    explicit TFIBQuery(TComponent* owner = nullptr);
    ~TFIBQuery() override;

    // Published properties.
    TFIBDatabase* Database() const;
    void SetDatabase(TFIBDatabase* database);
    TFIBTransaction* Transaction() const;
    void SetTransaction(TFIBTransaction* transaction);
    const QStringList& SQL() const { return sql_; }
    void SetSQL(const QStringList& lines);
    // The text as the string list gives it: every line followed by CR LF.
    QString SQLText() const;
    void SetSQLText(const QString& text);
    // Bulk edits of SQL: the change handling runs once, at the last end.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool on);
    bool GoToFirstRecordOnExecute() const { return goToFirst_; }
    void SetGoToFirstRecordOnExecute(bool on) { goToFirst_ = on; }
    TpFIBQueryOptions Options() const { return options_; }
    void SetOptions(TpFIBQueryOptions options) { options_ = options; }
    std::function<void(TFIBQuery&)> OnSQLChanging;

    void Prepare();
    virtual void ExecQuery();
    // The result row, or nullptr at the end.
    TFIBXSQLDA* Next();
    void Close();
    void FreeHandle();

    bool Prepared() const { return prepared_; }
    bool Open() const { return open_; }
    bool Eof() const { return eof_ || !open_; }
    bool Bof() const { return bof_; }
    int RecordCount() const { return recordCount_; }
    int RowsAffected();
    TFIBSQLTypes SQLType() const { return sqlType_; }
    const QString& ProcessedText() const { return processedText_; }
    int ExecuteTimeMs() const { return executeMs_; }
    // How many times the text was prepared on the server.
    int PrepareCount() const { return prepareCount_; }
    isc_stmt_handle Handle() const { return handle_; }

    TFIBXSQLDA& Params();
    TFIBXSQLVAR& ParamByName(const QString& name);
    TFIBXSQLVAR* FindParam(const QString& name);
    TFIBXSQLDA& Current() { return row_; }
    TFIBXSQLVAR& Fields(int index);
    TFIBXSQLVAR& FieldByName(const QString& name);
    TFIBXSQLVAR* FindField(const QString& name);
    int FieldCount() const { return row_.Count(); }

private:
    // IFIBXSQLOwner
    const TComponent* XSQLComponent() const override { return this; }
    int XSQLDialect() const override;
    bool XSQLTrimCharFields() const override { return options_ & qoTrimCharFields; }
    bool XSQLRowAvailable() const override { return rowAvailable_; }
    TTextCodec XSQLCodec(int charsetId) const override;
    bool XSQLCharsetIsUnicode(int charsetId) const override;
    int XSQLBytesPerChar(int charsetId) const override;
    QByteArray XSQLReadBlob(const ISC_QUAD& id) override;
    void XSQLMacroChanged() override { macroChanged_ = true; }

    void SQLChanging();
    void SQLChanged();
    void CollectScan();
    void BuildParamList(TFIBXSQLDA& list, const QList<TSQLParamRef>& refs);
    bool NeedsRePrepare() const;
    void BuildServerParams(bool forExecute);
    void RefreshEncodedSQL();
    void InternalPrepare();
    void DescribeParams();
    void DescribeRow();
    void ExecuteImmediate();
    void FinishExecution();
    void WriteBlobParams(TFIBXSQLDA& list);
    // After a fetch: the floating-point state and the transaction's check,
    // without allocating.
    void FetchStatusCheck(ISC_STATUS status);
    void CheckDatabase();
    void CheckTransaction();
    // The connection broke: the handle is freed on a private status vector
    // (the outcome does not matter) and the statement must be prepared again.
    void DropLostHandle() noexcept;
    // FreeHandle's work on the current handle alone.
    void ReleaseHandle();
    // At a change of text: the prepared handle is kept under the text it was
    // prepared with instead of being dropped, so that setting that text
    // again takes it back instead of preparing anew (each prepare is a round
    // trip to the server; a dataset that runs a few texts in turn, as the
    // assignment editor's does, would prepare each of them every time).
    void KeepHandle();
    // The kept handle for encodedSQL_, made current; false when none.
    bool TakeKeptHandle();
    void DropKeptHandles();
    // The status check after a client call; raises unless tolerated.
    void Check(ISC_STATUS status, std::initializer_list<ISC_STATUS> tolerated = {});
    TTextCodec ConnectionCodec() const;

    TFIBBase base_;
    IIBClientLibraryPtr lib_; // the binding the handle was made with
    QStringList sql_;
    TSQLParser parser_;
    bool paramCheck_ = true;
    bool goToFirst_ = true;
    TpFIBQueryOptions options_ = 0;
    int updateCount_ = 0;

    isc_stmt_handle handle_ = 0;
    bool prepared_ = false;
    bool open_ = false;
    bool bof_ = false;
    bool eof_ = false;
    bool rowAvailable_ = false;
    bool preparing_ = false;
    bool executing_ = false;
    int recordCount_ = 0;
    TFIBSQLTypes sqlType_ = SQLUnknown;
    QString processedText_;
    QByteArray encodedSQL_;
    bool encodedStale_ = true;
    QList<TSQLParamRef> refs_; // the collect scan's references
    TFIBXSQLDA userParams_;
    TFIBXSQLDA serverParams_;
    TFIBXSQLDA row_;
    bool rewritten_ = false;
    bool macroChanged_ = false;
    bool scanned_ = false;
    int changeCount_ = 0;
    QString cursorName_;
    int executeMs_ = 0;
    int prepareCount_ = 0;
    QByteArray preparedSQL_; // the text handle_ was prepared with
    struct TKeptHandle {
        QByteArray text;
        isc_stmt_handle handle;
    };
    std::vector<TKeptHandle> kept_; // the least recently left first
};

// TFIBQuery with a description and execution events (not used by the
// program's own configuration).
class TpFIBQuery : public TFIBQuery {
public:
    using TFIBQuery::TFIBQuery;
    QString Description;
    std::function<void(TpFIBQuery&)> BeforeExecute;
    std::function<void(TpFIBQuery&)> AfterExecute;
    // Told about a failed execution before the exception travels on.
    std::function<void(TpFIBQuery&, const std::exception&)> OnExecuteError;

    void ExecQuery() override;
};
