#pragma once
// A client library that records every call that can reach the server: the
// program under measurement is given this library's file in place of the
// Firebird client, and each call is written down (with its statement text,
// its parameter values and its handles) before it is passed on to the real
// libfbclient. latency_bench replays what it recorded, action by action, as
// the floor: the same statements sent the best way the library allows.

#include <ibase.h>

#include <cstdint>
#include <string>
#include <vector>

enum class TClientCallKind {
    Attach,
    Detach,
    DatabaseInfo,
    Start,
    Commit,
    CommitRetaining,
    Rollback,
    RollbackRetaining,
    TransactionInfo,
    Allocate,
    Prepare,
    SqlInfo,
    Describe,
    DescribeBind,
    SetCursorName,
    Execute,
    Execute2,
    Fetch,
    Free,
    ExecuteImmediate,
    OpenBlob,
    CreateBlob,
};

// A parameter value as it was sent: the variable's description and its
// bytes (for VARCHAR the length word and the text).
struct TTracedValue {
    short Type = 0;
    short Scale = 0;
    short SubType = 0;
    short Length = 0;
    bool Null = false;
    std::string Data;
};

struct TClientCall {
    TClientCallKind Kind;
    // Handle values after the call (the new one for Attach, Start, Allocate).
    std::uintptr_t Db = 0;
    std::uintptr_t Tr = 0;
    std::uintptr_t Stmt = 0;
    // Prepare and ExecuteImmediate: the statement text; Attach: the database
    // name; Start: the transaction parameter block; the info calls: the items.
    std::string Text;
    // Attach: the database parameter block.
    std::string Block;
    unsigned short Option = 0; // Free: DSQL_close or DSQL_drop; the dialect elsewhere
    std::vector<TTracedValue> Input;
    ISC_STATUS Result = 0;
};

// One entry of isc_start_multiple's vector, as the library reads it.
struct TTransactionBlock {
    isc_db_handle* Database;
    int TpbLength;
    const char* Tpb;
};

extern "C" {
// The calls recorded since the last take, moved into *calls and forgotten.
using TTakeClientTrace = void (*)(std::vector<TClientCall>* calls);
void veltor_take_client_trace(std::vector<TClientCall>* calls);
// Called after every recorded call, with the call (for counting the turns
// each one took).
using TClientCallObserver = void (*)(const TClientCall&);
using TObserveClientCalls = void (*)(TClientCallObserver observer);
void veltor_observe_client_calls(TClientCallObserver observer);
}
