// The recording client library (client_trace.h). It is linked against
// libfbclient, so that every entry point it does not record is found there
// by the program's own lookup; the ones it records are passed on through
// the real library's handle.

#include "client_trace.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::mutex traceLock;
// The library calls some of its own entry points (isc_dsql_execute calls
// isc_dsql_execute2) through this library: only the program's own call is
// recorded.
thread_local int depth = 0;
struct TDepth {
    const bool outermost;
    TDepth() : outermost(depth++ == 0) {}
    ~TDepth() { --depth; }
};
std::vector<TClientCall> trace;
TClientCallObserver observer = nullptr;

void* RealLibrary() {
    static void* const module = [] {
        void* m = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!m) {
            std::fprintf(stderr, "client_trace: cannot load libfbclient.so.2\n");
            std::abort();
        }
        return m;
    }();
    return module;
}

template <typename F> F Real(const char* name) {
    void* address = dlsym(RealLibrary(), name);
    if (!address) {
        std::fprintf(stderr, "client_trace: libfbclient has no %s\n", name);
        std::abort();
    }
    return reinterpret_cast<F>(address);
}

#define REAL(name)                                                                                 \
    static const auto real = Real<decltype(&::name)>(#name);                                       \
    const TDepth nesting;

std::uintptr_t H(const void* handle) {
    return handle ? static_cast<std::uintptr_t>(*static_cast<const unsigned*>(handle)) : 0;
}

std::vector<TTracedValue> Values(const XSQLDA* da) {
    std::vector<TTracedValue> values;
    if (!da)
        return values;
    for (int i = 0; i < da->sqld && i < da->sqln; ++i) {
        const XSQLVAR& v = da->sqlvar[i];
        TTracedValue t;
        t.Type = v.sqltype;
        t.Scale = v.sqlscale;
        t.SubType = v.sqlsubtype;
        t.Length = v.sqllen;
        t.Null = (v.sqltype & 1) && v.sqlind && *v.sqlind == -1;
        if (!t.Null && v.sqldata) {
            std::size_t n = static_cast<std::size_t>(v.sqllen);
            if ((v.sqltype & ~1) == SQL_VARYING)
                n = 2 +
                    static_cast<std::size_t>(*reinterpret_cast<const unsigned short*>(v.sqldata));
            t.Data.assign(v.sqldata, n);
        }
        values.push_back(std::move(t));
    }
    return values;
}

ISC_STATUS Record(const TDepth& nesting, TClientCall call, ISC_STATUS result) {
    if (!nesting.outermost)
        return result;
    call.Result = result;
    TClientCallObserver notify;
    {
        std::lock_guard<std::mutex> hold(traceLock);
        trace.push_back(call);
        notify = observer;
    }
    if (notify)
        notify(call);
    return result;
}

TClientCall Call(TClientCallKind kind) {
    TClientCall c{};
    c.Kind = kind;
    return c;
}

} // namespace

extern "C" {

void veltor_take_client_trace(std::vector<TClientCall>* calls) {
    std::lock_guard<std::mutex> hold(traceLock);
    *calls = std::move(trace);
    trace.clear();
}

void veltor_observe_client_calls(TClientCallObserver notify) {
    std::lock_guard<std::mutex> hold(traceLock);
    observer = notify;
}

ISC_STATUS ISC_EXPORT isc_attach_database(ISC_STATUS* sv, short nameLength, const ISC_SCHAR* name,
                                          isc_db_handle* db, short dpbLength,
                                          const ISC_SCHAR* dpb) {
    REAL(isc_attach_database);
    const ISC_STATUS r = real(sv, nameLength, name, db, dpbLength, dpb);
    TClientCall c = Call(TClientCallKind::Attach);
    c.Db = H(db);
    c.Text =
        nameLength ? std::string(name, static_cast<std::size_t>(nameLength)) : std::string(name);
    c.Block.assign(dpb ? dpb : "", dpb ? static_cast<std::size_t>(dpbLength) : 0);
    return Record(nesting, c, r);
}

ISC_STATUS ISC_EXPORT isc_detach_database(ISC_STATUS* sv, isc_db_handle* db) {
    REAL(isc_detach_database);
    TClientCall c = Call(TClientCallKind::Detach);
    c.Db = H(db);
    return Record(nesting, c, real(sv, db));
}

ISC_STATUS ISC_EXPORT isc_database_info(ISC_STATUS* sv, isc_db_handle* db, short itemLength,
                                        const ISC_SCHAR* items, short bufferLength,
                                        ISC_SCHAR* buffer) {
    REAL(isc_database_info);
    TClientCall c = Call(TClientCallKind::DatabaseInfo);
    c.Db = H(db);
    c.Text.assign(items, static_cast<std::size_t>(itemLength));
    return Record(nesting, c, real(sv, db, itemLength, items, bufferLength, buffer));
}

ISC_STATUS ISC_EXPORT isc_start_multiple(ISC_STATUS* sv, isc_tr_handle* tr, short count,
                                         void* vector) {
    REAL(isc_start_multiple);
    const ISC_STATUS r = real(sv, tr, count, vector);
    TClientCall c = Call(TClientCallKind::Start);
    c.Tr = H(tr);
    if (count > 0) {
        const auto* teb = static_cast<const TTransactionBlock*>(vector);
        c.Db = H(teb[0].Database);
        c.Text.assign(teb[0].Tpb, static_cast<std::size_t>(teb[0].TpbLength));
    }
    return Record(nesting, c, r);
}

#define TRANSACTION_END(name, kind)                                                                \
    ISC_STATUS ISC_EXPORT name(ISC_STATUS* sv, isc_tr_handle* tr) {                                \
        REAL(name);                                                                                \
        TClientCall c = Call(TClientCallKind::kind);                                               \
        c.Tr = H(tr);                                                                              \
        return Record(nesting, c, real(sv, tr));                                                   \
    }
TRANSACTION_END(isc_commit_transaction, Commit)
TRANSACTION_END(isc_commit_retaining, CommitRetaining)
TRANSACTION_END(isc_rollback_transaction, Rollback)
TRANSACTION_END(isc_rollback_retaining, RollbackRetaining)
#undef TRANSACTION_END

ISC_STATUS ISC_EXPORT isc_transaction_info(ISC_STATUS* sv, isc_tr_handle* tr, short itemLength,
                                           const ISC_SCHAR* items, short bufferLength,
                                           ISC_SCHAR* buffer) {
    REAL(isc_transaction_info);
    TClientCall c = Call(TClientCallKind::TransactionInfo);
    c.Tr = H(tr);
    c.Text.assign(items, static_cast<std::size_t>(itemLength));
    return Record(nesting, c, real(sv, tr, itemLength, items, bufferLength, buffer));
}

ISC_STATUS ISC_EXPORT isc_dsql_alloc_statement2(ISC_STATUS* sv, isc_db_handle* db,
                                                isc_stmt_handle* stmt) {
    REAL(isc_dsql_alloc_statement2);
    const ISC_STATUS r = real(sv, db, stmt);
    TClientCall c = Call(TClientCallKind::Allocate);
    c.Db = H(db);
    c.Stmt = H(stmt);
    return Record(nesting, c, r);
}

ISC_STATUS ISC_EXPORT isc_dsql_prepare(ISC_STATUS* sv, isc_tr_handle* tr, isc_stmt_handle* stmt,
                                       unsigned short length, const ISC_SCHAR* text,
                                       unsigned short dialect, XSQLDA* da) {
    REAL(isc_dsql_prepare);
    TClientCall c = Call(TClientCallKind::Prepare);
    c.Tr = H(tr);
    c.Stmt = H(stmt);
    c.Text = length ? std::string(text, length) : std::string(text);
    c.Option = dialect;
    return Record(nesting, c, real(sv, tr, stmt, length, text, dialect, da));
}

ISC_STATUS ISC_EXPORT isc_dsql_sql_info(ISC_STATUS* sv, isc_stmt_handle* stmt, short itemLength,
                                        const ISC_SCHAR* items, short bufferLength,
                                        ISC_SCHAR* buffer) {
    REAL(isc_dsql_sql_info);
    TClientCall c = Call(TClientCallKind::SqlInfo);
    c.Stmt = H(stmt);
    c.Text.assign(items, static_cast<std::size_t>(itemLength));
    return Record(nesting, c, real(sv, stmt, itemLength, items, bufferLength, buffer));
}

ISC_STATUS ISC_EXPORT isc_dsql_describe(ISC_STATUS* sv, isc_stmt_handle* stmt,
                                        unsigned short dialect, XSQLDA* da) {
    REAL(isc_dsql_describe);
    TClientCall c = Call(TClientCallKind::Describe);
    c.Stmt = H(stmt);
    return Record(nesting, c, real(sv, stmt, dialect, da));
}

ISC_STATUS ISC_EXPORT isc_dsql_describe_bind(ISC_STATUS* sv, isc_stmt_handle* stmt,
                                             unsigned short dialect, XSQLDA* da) {
    REAL(isc_dsql_describe_bind);
    TClientCall c = Call(TClientCallKind::DescribeBind);
    c.Stmt = H(stmt);
    return Record(nesting, c, real(sv, stmt, dialect, da));
}

ISC_STATUS ISC_EXPORT isc_dsql_set_cursor_name(ISC_STATUS* sv, isc_stmt_handle* stmt,
                                               const ISC_SCHAR* name, unsigned short type) {
    REAL(isc_dsql_set_cursor_name);
    TClientCall c = Call(TClientCallKind::SetCursorName);
    c.Stmt = H(stmt);
    c.Text = name;
    return Record(nesting, c, real(sv, stmt, name, type));
}

ISC_STATUS ISC_EXPORT isc_dsql_execute(ISC_STATUS* sv, isc_tr_handle* tr, isc_stmt_handle* stmt,
                                       unsigned short dialect, const XSQLDA* in) {
    REAL(isc_dsql_execute);
    TClientCall c = Call(TClientCallKind::Execute);
    c.Tr = H(tr);
    c.Stmt = H(stmt);
    c.Option = dialect;
    c.Input = Values(in);
    return Record(nesting, c, real(sv, tr, stmt, dialect, in));
}

ISC_STATUS ISC_EXPORT isc_dsql_execute2(ISC_STATUS* sv, isc_tr_handle* tr, isc_stmt_handle* stmt,
                                        unsigned short dialect, const XSQLDA* in,
                                        const XSQLDA* out) {
    REAL(isc_dsql_execute2);
    TClientCall c = Call(TClientCallKind::Execute2);
    c.Tr = H(tr);
    c.Stmt = H(stmt);
    c.Option = dialect;
    c.Input = Values(in);
    return Record(nesting, c, real(sv, tr, stmt, dialect, in, out));
}

ISC_STATUS ISC_EXPORT isc_dsql_fetch(ISC_STATUS* sv, isc_stmt_handle* stmt, unsigned short dialect,
                                     const XSQLDA* da) {
    REAL(isc_dsql_fetch);
    TClientCall c = Call(TClientCallKind::Fetch);
    c.Stmt = H(stmt);
    c.Option = dialect;
    return Record(nesting, c, real(sv, stmt, dialect, da));
}

ISC_STATUS ISC_EXPORT isc_dsql_free_statement(ISC_STATUS* sv, isc_stmt_handle* stmt,
                                              unsigned short option) {
    REAL(isc_dsql_free_statement);
    TClientCall c = Call(TClientCallKind::Free);
    c.Stmt = H(stmt);
    c.Option = option;
    return Record(nesting, c, real(sv, stmt, option));
}

ISC_STATUS ISC_EXPORT isc_dsql_execute_immediate(ISC_STATUS* sv, isc_db_handle* db,
                                                 isc_tr_handle* tr, unsigned short length,
                                                 const ISC_SCHAR* text, unsigned short dialect,
                                                 const XSQLDA* in) {
    REAL(isc_dsql_execute_immediate);
    TClientCall c = Call(TClientCallKind::ExecuteImmediate);
    c.Db = H(db);
    c.Tr = H(tr);
    c.Text = length ? std::string(text, length) : std::string(text);
    c.Option = dialect;
    c.Input = Values(in);
    return Record(nesting, c, real(sv, db, tr, length, text, dialect, in));
}

ISC_STATUS ISC_EXPORT isc_open_blob2(ISC_STATUS* sv, isc_db_handle* db, isc_tr_handle* tr,
                                     isc_blob_handle* blob, ISC_QUAD* id, ISC_USHORT length,
                                     const ISC_UCHAR* bpb) {
    REAL(isc_open_blob2);
    TClientCall c = Call(TClientCallKind::OpenBlob);
    c.Db = H(db);
    c.Tr = H(tr);
    return Record(nesting, c, real(sv, db, tr, blob, id, length, bpb));
}

ISC_STATUS ISC_EXPORT isc_create_blob2(ISC_STATUS* sv, isc_db_handle* db, isc_tr_handle* tr,
                                       isc_blob_handle* blob, ISC_QUAD* id, short length,
                                       const ISC_SCHAR* bpb) {
    REAL(isc_create_blob2);
    TClientCall c = Call(TClientCallKind::CreateBlob);
    c.Db = H(db);
    c.Tr = H(tr);
    return Record(nesting, c, real(sv, db, tr, blob, id, length, bpb));
}

} // extern "C"
