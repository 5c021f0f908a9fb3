// A stand-in client library for the binding tests. Which entry points it
// exports is chosen at build time (see CMakeLists.txt), so that each variant
// lacks exactly what a test needs missing. The error-text calls return lines
// that the test sets through stub_set_messages.

#include <cstring>

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))
#define STUB_ENTRY(name)                                                                           \
    STUB_EXPORT int name() {                                                                       \
        return 0;                                                                                  \
    }

namespace {
const char* g_sqlText = "";
const char* const* g_lines = nullptr;
int g_lineCount = 0;
int g_sqlCode = -999;
int g_next = 0;
} // namespace

// The texts isc_sql_interprete and isc_interprete give back next.
STUB_EXPORT void stub_set_messages(int sqlCode, const char* sqlText, const char* const* lines,
                                   int count) {
    g_sqlCode = sqlCode;
    g_sqlText = sqlText;
    g_lines = lines;
    g_lineCount = count;
    g_next = 0;
}

STUB_EXPORT long isc_sqlcode(const long*) {
    return g_sqlCode;
}

STUB_EXPORT void isc_sql_interprete(short, char* buffer, short size) {
    std::strncpy(buffer, g_sqlText, static_cast<size_t>(size));
    buffer[size - 1] = '\0';
}

// Each call hands out the next line; after the last it reports the end and
// starts over for the next error.
STUB_EXPORT long isc_interprete(char* buffer, long**) {
    if (g_next >= g_lineCount) {
        buffer[0] = '\0';
        g_next = 0;
        return 0;
    }
    std::strcpy(buffer, g_lines[g_next++]);
    // An empty line is still a message: it reports a positive length.
    return buffer[0] ? static_cast<long>(std::strlen(buffer)) : 1;
}

STUB_ENTRY(BLOB_get)
STUB_ENTRY(BLOB_put)
STUB_ENTRY(isc_vax_integer)
STUB_ENTRY(isc_blob_info)
STUB_ENTRY(isc_open_blob2)
STUB_ENTRY(isc_close_blob)
STUB_ENTRY(isc_get_segment)
STUB_ENTRY(isc_put_segment)
STUB_ENTRY(isc_create_blob2)
STUB_ENTRY(isc_decode_date)
STUB_ENTRY(isc_encode_date)
STUB_ENTRY(isc_dsql_free_statement)
STUB_ENTRY(isc_dsql_execute2)
STUB_ENTRY(isc_dsql_execute)
STUB_ENTRY(isc_dsql_set_cursor_name)
#ifndef STUB_LACKS_DSQL_FETCH
STUB_ENTRY(isc_dsql_fetch)
#endif
STUB_ENTRY(isc_dsql_sql_info)
STUB_ENTRY(isc_dsql_alloc_statement2)
STUB_ENTRY(isc_dsql_prepare)
STUB_ENTRY(isc_dsql_describe_bind)
STUB_ENTRY(isc_dsql_describe)
STUB_ENTRY(isc_dsql_execute_immediate)
STUB_ENTRY(isc_dsql_exec_immed2)
STUB_ENTRY(isc_drop_database)
STUB_ENTRY(isc_detach_database)
STUB_ENTRY(isc_attach_database)
STUB_ENTRY(isc_database_info)
STUB_ENTRY(isc_start_multiple)
STUB_ENTRY(isc_commit_transaction)
STUB_ENTRY(isc_commit_retaining)
STUB_ENTRY(isc_rollback_transaction)
STUB_ENTRY(isc_cancel_events)
STUB_ENTRY(isc_que_events)
STUB_ENTRY(isc_event_counts)
STUB_ENTRY(isc_event_block)
STUB_ENTRY(isc_free)
STUB_ENTRY(isc_array_lookup_bounds)
STUB_ENTRY(isc_array_get_slice)
STUB_ENTRY(isc_array_put_slice)
STUB_ENTRY(isc_wait_for_event)
STUB_ENTRY(isc_transaction_info)
STUB_ENTRY(isc_prepare_transaction)
STUB_ENTRY(isc_prepare_transaction2)

#ifndef STUB_VERSION5
STUB_ENTRY(isc_rollback_retaining)
STUB_ENTRY(isc_service_attach)
STUB_ENTRY(isc_service_detach)
STUB_ENTRY(isc_service_query)
STUB_ENTRY(isc_service_start)
STUB_ENTRY(isc_decode_sql_date)
STUB_ENTRY(isc_decode_sql_time)
STUB_ENTRY(isc_decode_timestamp)
STUB_ENTRY(isc_encode_sql_date)
STUB_ENTRY(isc_encode_sql_time)
STUB_ENTRY(isc_encode_timestamp)
STUB_ENTRY(isc_portable_integer)
#endif

#ifdef STUB_CLIENT_VERSION
STUB_EXPORT void isc_get_client_version(char* buffer) {
    std::strcpy(buffer, "stub 7.3");
}
#ifndef STUB_LACKS_MAJOR_VERSION
STUB_EXPORT int isc_get_client_major_version() {
    return 7;
}
#endif
STUB_EXPORT int isc_get_client_minor_version() {
    return 3;
}
STUB_ENTRY(fb_cancel_operation)
#endif
