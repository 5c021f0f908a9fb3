// Executing, fetching, closing and freeing a statement; its parameter and
// column access; blob values.

#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "fib/fib.h"

#include <QElapsedTimer>
#include <cstring>

namespace {

constexpr ISC_STATUS kCursorUnknown = isc_dsql_cursor_err;
constexpr ISC_STATUS kBadStatementHandle = isc_bad_stmt_handle;
constexpr ISC_STATUS kCursorCloseError = isc_dsql_cursor_close_err;
constexpr ISC_STATUS kSegmentStringEof = isc_segstr_eof;
constexpr ISC_STATUS kSegment = isc_segment; // a partial segment

bool HasCursor(TFIBSQLTypes type) {
    return type == SQLSelect || type == SQLSelectForUpdate;
}

XSQLDA* Descriptor(TFIBXSQLDA& list) {
    return list.Count() > 0 ? list.Data() : nullptr;
}

} // namespace

void TFIBQuery::ExecQuery() {
    struct Mark {
        bool& flag;
        explicit Mark(bool& f) : flag(f) { flag = true; }
        ~Mark() { flag = false; }
    } executing(executing_);
    if (parser_.Kind() == stkDDL) {
        ExecuteImmediate();
        return;
    }
    TFIBTransaction* tr = Transaction();
    if (!tr)
        FIBError(fibeTransactionNotAssigned, {FullComponentName(this)});
    row_.ResetValues();
    if ((options_ & qoStartTransaction) && !tr->Active())
        tr->StartTransaction();
    tr->SQLExecuteNotify(this, sqlType_, 0);
    if ((paramCheck_ && userParams_.Count() > 0) || !prepared_)
        Prepare();

    TFIBXSQLDA* input = &userParams_;
    if (rewritten_) {
        serverParams_.CopyValuesByName(userParams_);
        input = &serverParams_;
    } else {
        userParams_.ApplyDeferred();
    }
    WriteBlobParams(*input);
    QElapsedTimer timer;
    timer.start();

    IIBClientLibrary& lib = *lib_;
    ISC_STATUS* sv = StatusVector();
    const unsigned short dialect = static_cast<unsigned short>(XSQLDialect());
    switch (sqlType_) {
    case SQLSelect:
    case SQLSelectForUpdate:
        if (open_)
            Close();
        Check(lib.isc_dsql_execute(sv, tr->Handle(), &handle_, dialect, Descriptor(*input)));
        open_ = true;
        bof_ = true;
        eof_ = false;
        recordCount_ = 0;
        rowAvailable_ = false;
        if (goToFirst_)
            Next();
        break;
    case SQLExecProcedure:
        Check(lib.isc_dsql_execute2(sv, tr->Handle(), &handle_, dialect, Descriptor(*input),
                                    Descriptor(row_)));
        rowAvailable_ = true;
        break;
    case SQLCommit:
        tr->Commit();
        break;
    case SQLRollback:
        tr->Rollback();
        break;
    default:
        Check(lib.isc_dsql_execute(sv, tr->Handle(), &handle_, dialect, Descriptor(*input)));
        break;
    }
    executeMs_ = static_cast<int>(timer.elapsed());
    FinishExecution();
    if (!open_ && (options_ & qoFreeHandleAfterExecute))
        FreeHandle();
}

void TFIBQuery::ExecuteImmediate() {
    TFIBTransaction* tr = Transaction();
    if (!tr)
        FIBError(fibeTransactionNotAssigned, {FullComponentName(this)});
    CheckDatabase();
    row_.ResetValues();
    if ((options_ & qoStartTransaction) && !tr->Active())
        tr->StartTransaction();
    tr->SQLExecuteNotify(this, sqlType_, 0);
    BuildServerParams(true);
    FreeHandle();
    RefreshEncodedSQL();
    QElapsedTimer timer;
    timer.start();
    Check(lib_->isc_dsql_execute_immediate(
        StatusVector(), Database()->Handle(), tr->Handle(), 0, encodedSQL_.constData(),
        static_cast<unsigned short>(XSQLDialect()), Descriptor(serverParams_)));
    executeMs_ = static_cast<int>(timer.elapsed());
    FinishExecution();
}

void TFIBQuery::FinishExecution() {
    // Only the null state of a parameter's last value is consulted later
    // (and, for macros, the text the server text was built with).
    for (int i = 0; i < userParams_.Count(); ++i) {
        TFIBXSQLVAR& v = userParams_[i];
        if (!v.IsMacro())
            v.SetOldValue(v.IsNull() ? Variant::Null() : Variant(true));
    }
    if (TFIBTransaction* tr = Transaction())
        tr->SQLExecuteNotify(this, sqlType_, 1);
    userParams_.ClearModified();
    serverParams_.ClearModified();
    macroChanged_ = false;
    for (TFIBXSQLDA* list : {&userParams_, &serverParams_})
        for (int i = 0; i < list->Count(); ++i)
            (*list)[i].DropBlobContent();
    TFIBTransaction* tr = Transaction();
    if ((options_ & qoAutoCommit) && tr && tr->Active()) {
        if (tr->TimeoutAction() == TACommitRetaining)
            tr->CommitRetaining();
        else
            tr->Commit();
    }
}

void TFIBQuery::WriteBlobParams(TFIBXSQLDA& list) {
    for (int i = 0; i < list.Count(); ++i) {
        TFIBXSQLVAR& v = list[i];
        if (!v.HasBlobContent())
            continue;
        ISC_STATUS* sv = StatusVector();
        TBlobHandle blob(*lib_);
        ISC_QUAD id{};
        Check(lib_->isc_create_blob2(sv, Database()->Handle(), Transaction()->Handle(),
                                     blob.Handle(), &id, 0, nullptr));
        const QByteArray& content = v.BlobContent();
        for (qsizetype at = 0; at < content.size(); at += 32768) {
            const auto n =
                static_cast<unsigned short>(std::min<qsizetype>(32768, content.size() - at));
            Check(lib_->isc_put_segment(sv, blob.Handle(), n, content.constData() + at));
        }
        Check(blob.Close(sv));
        v.SetWrittenBlobId(id);
    }
}

QByteArray TFIBQuery::XSQLReadBlob(const ISC_QUAD& id) {
    TFIBDatabase* db = Database();
    TFIBTransaction* tr = Transaction();
    if (!db || !tr || !lib_)
        FIBError(fibeBlobCannotBeRead);
    ISC_STATUS* sv = StatusVector();
    TBlobHandle blob(*lib_);
    ISC_QUAD blobId = id;
    Check(lib_->isc_open_blob2(sv, db->Handle(), tr->Handle(), blob.Handle(), &blobId, 0, nullptr));
    QByteArray content;
    char segment[32768];
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS status =
            lib_->isc_get_segment(sv, blob.Handle(), &got, sizeof segment, segment);
        if (status == 0 || StatusContains({kSegment})) {
            content.append(segment, got);
            continue;
        }
        if (StatusContains({kSegmentStringEof}))
            break;
        Check(status);
    }
    Check(blob.Close(sv));
    return content;
}

TFIBXSQLDA* TFIBQuery::Next() {
    if (eof_)
        return nullptr;
    if (!open_) {
        if (TFIBDatabase* db = Database(); db && db->ConnectionLost())
            db->CheckConnected();
        FIBError(fibeSQLClosed, {"fetch next record", FullComponentName(this)});
    }
    // A stop asked for between two fetches: the server's cancel reaches only
    // a request it is running, and a long read spends its time here.
    if (TFIBDatabase* db = Database(); db && db->StopRequested())
        db->RaiseCancelled(this);
    const ISC_STATUS status = lib_->isc_dsql_fetch(
        StatusVector(), &handle_, static_cast<unsigned short>(XSQLDialect()), row_.Data());
    FetchStatusCheck(status);
    if (status == 0) {
        ++recordCount_;
        bof_ = false;
        rowAvailable_ = true;
        return &row_;
    }
    if (status == 100 || StatusContains({kCursorUnknown})) {
        // The end leaves the buffers alone: the last row fetched stays
        // readable, and a cursor that gave no row keeps its columns null.
        eof_ = true;
        return nullptr;
    }
    // Closing overwrites the status vector: keep the fetch's error.
    ISC_STATUS_ARRAY saved;
    std::memcpy(saved, StatusVector(), sizeof saved);
    IgnoreFailure("the fetch's error is the one to report", [this] { Close(); });
    std::memcpy(StatusVector(), saved, sizeof saved);
    IBError(*lib_, this);
}

void TFIBQuery::Close() {
    const bool wasOpen = open_;
    open_ = false;
    bof_ = false;
    eof_ = false;
    rowAvailable_ = false;
    if (wasOpen && HasCursor(sqlType_) && handle_) {
        const ISC_STATUS status =
            lib_->isc_dsql_free_statement(StatusVector(), &handle_, DSQL_close);
        Check(status, {kBadStatementHandle, kCursorCloseError});
    }
    if (options_ & qoFreeHandleAfterExecute)
        FreeHandle();
}

void TFIBQuery::DropLostHandle() noexcept {
    if (lib_) {
        ISC_STATUS_ARRAY own{};
        for (TKeptHandle& k : kept_)
            lib_->isc_dsql_free_statement(own, &k.handle, DSQL_drop);
        if (handle_)
            lib_->isc_dsql_free_statement(own, &handle_, DSQL_drop);
        RestoreFloatingPointControl();
    }
    kept_.clear();
    handle_ = 0;
    prepared_ = false;
    // An open cursor is not at its end: it was cut off. Fetching from it
    // reports the lost connection instead of a short result.
    eof_ = false;
    open_ = false;
    rowAvailable_ = false;
}

void TFIBQuery::FreeHandle() {
    DropKeptHandles();
    ReleaseHandle();
}

namespace {
// Enough for the texts one dataset runs in turn; the rest are dropped.
constexpr std::size_t kKeptHandles = 8;
} // namespace

void TFIBQuery::KeepHandle() {
    if (!handle_ || !prepared_ || open_ || preparedSQL_.isEmpty()) {
        ReleaseHandle();
        return;
    }
    kept_.push_back({preparedSQL_, handle_});
    handle_ = 0;
    ReleaseHandle();
    eof_ = true;
    if (kept_.size() > kKeptHandles) {
        isc_stmt_handle oldest = kept_.front().handle;
        kept_.erase(kept_.begin());
        Check(lib_->isc_dsql_free_statement(StatusVector(), &oldest, DSQL_drop),
              {kBadStatementHandle});
    }
}

bool TFIBQuery::TakeKeptHandle() {
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (it->text == encodedSQL_) {
            handle_ = it->handle;
            kept_.erase(it);
            return true;
        }
    return false;
}

void TFIBQuery::DropKeptHandles() {
    // Taken out first: a failure leaves none behind to be dropped twice.
    std::vector<TKeptHandle> kept;
    kept.swap(kept_);
    for (TKeptHandle& k : kept) {
        const ISC_STATUS status =
            lib_->isc_dsql_free_statement(StatusVector(), &k.handle, DSQL_drop);
        Check(status, {kBadStatementHandle});
    }
}

void TFIBQuery::ReleaseHandle() {
    row_.SetCount(0);
    const bool hadHandle = handle_ != 0;
    prepared_ = false;
    open_ = false;
    rowAvailable_ = false;
    if (hadHandle) {
        eof_ = true;
        const ISC_STATUS status =
            lib_->isc_dsql_free_statement(StatusVector(), &handle_, DSQL_drop);
        handle_ = 0;
        Check(status, {kBadStatementHandle});
    }
    handle_ = 0;
}

int TFIBQuery::RowsAffected() {
    if (!prepared_)
        Prepare();
    const char item = isc_info_sql_records;
    std::vector<char> answer(255);
    ISC_STATUS* sv = StatusVector();
    for (;;) {
        Check(lib_->isc_dsql_sql_info(sv, &handle_, 1, &item, static_cast<short>(answer.size()),
                                      answer.data()));
        if (answer[0] != isc_info_sql_records)
            FIBError(fibeUnknownError);
        const int length = lib_->isc_vax_integer(answer.data() + 1, 2);
        if (length + 3 <= static_cast<int>(answer.size()))
            break;
        answer.resize(length + 3);
    }
    int counts[4] = {}; // select, insert, update, delete
    const char* p = answer.data() + 3;
    const char* end = answer.data() + answer.size();
    while (p < end && *p != isc_info_end) {
        const int code = static_cast<unsigned char>(*p);
        const int length = lib_->isc_vax_integer(p + 1, 2);
        const int value = lib_->isc_vax_integer(p + 3, static_cast<short>(length));
        if (code < isc_info_req_select_count || code > isc_info_req_delete_count)
            FIBError(fibeUnknownError);
        counts[code - isc_info_req_select_count] = value;
        p += 3 + length;
    }
    switch (sqlType_) {
    case SQLSelect:
        return counts[0];
    case SQLInsert:
        return counts[1];
    case SQLUpdate:
        return counts[2];
    case SQLDelete:
        return counts[3];
    default:
        return counts[0] + counts[1] + counts[2] + counts[3];
    }
}

void TFIBQuery::FetchStatusCheck(ISC_STATUS status) {
    if (TFIBTransaction* tr = Transaction())
        tr->StatusCheck(status, false);
    else
        RestoreFloatingPointControl();
}

// ---------------------------------------------------------------------------
// Parameters and columns

TFIBXSQLDA& TFIBQuery::Params() {
    if (!scanned_)
        SQLChanged();
    return userParams_;
}

TFIBXSQLVAR* TFIBQuery::FindParam(const QString& name) {
    if (TFIBXSQLVAR* v = Params().ByName(name))
        return v;
    if (macroChanged_) {
        Close();
        FreeHandle();
        BuildServerParams(true);
    }
    if (TFIBXSQLVAR* v = serverParams_.ByName(name))
        return v;
    return nullptr;
}

TFIBXSQLVAR& TFIBQuery::ParamByName(const QString& name) {
    if (TFIBXSQLVAR* v = FindParam(name))
        return *v;
    const QString text = parser_.Text();
    const QString lead = text.trimmed();
    if (lead.startsWith(QStringLiteral("EXECUTE "), Qt::CaseInsensitive) ||
        lead.startsWith(QStringLiteral("EXECUTE\t"), Qt::CaseInsensitive) ||
        lead.startsWith(QStringLiteral("EXECUTE\r"), Qt::CaseInsensitive) ||
        lead.startsWith(QStringLiteral("EXECUTE\n"), Qt::CaseInsensitive))
        return FieldByName(name);
    throw Exception(FormatText(QStringLiteral("Parameter \"%s\" does not exist in %s"),
                               {name, FullComponentName(this)}));
}

TFIBXSQLVAR& TFIBQuery::Fields(int index) {
    if (index < 0 || index >= row_.Count())
        FIBError(fibeFieldNotFound, {QStringLiteral("Field No:") + QString::number(index)});
    return row_[index];
}

TFIBXSQLVAR* TFIBQuery::FindField(const QString& name) {
    return row_.ByName(name);
}

TFIBXSQLVAR& TFIBQuery::FieldByName(const QString& name) {
    if (TFIBXSQLVAR* v = FindField(name))
        return *v;
    FIBError(fibeFieldNotFound, {name});
}

// ---------------------------------------------------------------------------
// What the values ask of their statement

int TFIBQuery::XSQLDialect() const {
    TFIBDatabase* db = Database();
    return db ? db->SQLDialect() : 3;
}

TTextCodec TFIBQuery::XSQLCodec(int) const {
    return ConnectionCodec();
}

bool TFIBQuery::XSQLCharsetIsUnicode(int charsetId) const {
    TFIBDatabase* db = Database();
    return db && db->CharsetIsUnicode(charsetId);
}

int TFIBQuery::XSQLBytesPerChar(int charsetId) const {
    TFIBDatabase* db = Database();
    return db ? db->CharsetBytesPerChar(charsetId) : 1;
}

void TpFIBQuery::ExecQuery() {
    if (BeforeExecute)
        BeforeExecute(*this);
    try {
        TFIBQuery::ExecQuery();
    } catch (const std::exception& e) {
        if (OnExecuteError)
            OnExecuteError(*this, e);
        throw;
    }
    if (AfterExecute)
        AfterExecute(*this);
}
