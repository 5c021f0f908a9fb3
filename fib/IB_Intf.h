#pragma once
// The binding to the Firebird client library. The library is never linked:
// each connection loads it by file name and resolves its entry points by name.
// The rest of the system calls the library only through IIBClientLibrary.

#include "base/Exception.h"

#include <ibase.h>

#include <QString>
#include <cstdint>
#include <memory>
#include <utility>

class TComponent;

// InterBase-only batch calls: no Firebird header declares them.
using isc_dsql_batch_execute_immed_t = ISC_STATUS (*)(ISC_STATUS*, isc_db_handle*, isc_tr_handle*,
                                                      unsigned short, unsigned long, char**,
                                                      unsigned long*);
using isc_dsql_batch_execute_t = ISC_STATUS (*)(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*,
                                                unsigned short, XSQLDA*, unsigned short, XSQLVAR**,
                                                unsigned long*);

// Every entry point, in the order it is resolved. R: required group (a missing
// one fails loading); O6: isc_rollback_retaining; G6: required once O6 is
// found; V: isc_get_client_version; VR: required once V is found; VO: optional
// once V is found; N: never resolved. FIB_ENTRY(kind, name) takes its type
// from the declaration in ibase.h; FIB_ENTRY_T(kind, name, type) names it.
#define FIB_CLIENT_ENTRY_POINTS(FIB_ENTRY, FIB_ENTRY_T)                                            \
    FIB_ENTRY(R, BLOB_get)                                                                         \
    FIB_ENTRY(R, BLOB_put)                                                                         \
    FIB_ENTRY(R, isc_sqlcode)                                                                      \
    FIB_ENTRY(R, isc_sql_interprete)                                                               \
    FIB_ENTRY(R, isc_interprete)                                                                   \
    FIB_ENTRY(R, isc_vax_integer)                                                                  \
    FIB_ENTRY(R, isc_blob_info)                                                                    \
    FIB_ENTRY(R, isc_open_blob2)                                                                   \
    FIB_ENTRY(R, isc_close_blob)                                                                   \
    FIB_ENTRY(R, isc_get_segment)                                                                  \
    FIB_ENTRY(R, isc_put_segment)                                                                  \
    FIB_ENTRY(R, isc_create_blob2)                                                                 \
    FIB_ENTRY(R, isc_decode_date)                                                                  \
    FIB_ENTRY(R, isc_encode_date)                                                                  \
    FIB_ENTRY(R, isc_dsql_free_statement)                                                          \
    FIB_ENTRY(R, isc_dsql_execute2)                                                                \
    FIB_ENTRY(R, isc_dsql_execute)                                                                 \
    FIB_ENTRY(R, isc_dsql_set_cursor_name)                                                         \
    FIB_ENTRY(R, isc_dsql_fetch)                                                                   \
    FIB_ENTRY(R, isc_dsql_sql_info)                                                                \
    FIB_ENTRY(R, isc_dsql_alloc_statement2)                                                        \
    FIB_ENTRY(R, isc_dsql_prepare)                                                                 \
    FIB_ENTRY(R, isc_dsql_describe_bind)                                                           \
    FIB_ENTRY(R, isc_dsql_describe)                                                                \
    FIB_ENTRY(R, isc_dsql_execute_immediate)                                                       \
    FIB_ENTRY(R, isc_dsql_exec_immed2)                                                             \
    FIB_ENTRY(R, isc_drop_database)                                                                \
    FIB_ENTRY(R, isc_detach_database)                                                              \
    FIB_ENTRY(R, isc_attach_database)                                                              \
    FIB_ENTRY(R, isc_database_info)                                                                \
    FIB_ENTRY(R, isc_start_multiple)                                                               \
    FIB_ENTRY(R, isc_commit_transaction)                                                           \
    FIB_ENTRY(R, isc_commit_retaining)                                                             \
    FIB_ENTRY(R, isc_rollback_transaction)                                                         \
    FIB_ENTRY(R, isc_cancel_events)                                                                \
    FIB_ENTRY(R, isc_que_events)                                                                   \
    FIB_ENTRY(R, isc_event_counts)                                                                 \
    FIB_ENTRY(R, isc_event_block)                                                                  \
    FIB_ENTRY(R, isc_free)                                                                         \
    FIB_ENTRY(R, isc_array_lookup_bounds)                                                          \
    FIB_ENTRY(R, isc_array_get_slice)                                                              \
    FIB_ENTRY(R, isc_array_put_slice)                                                              \
    FIB_ENTRY(R, isc_wait_for_event)                                                               \
    FIB_ENTRY(R, isc_transaction_info)                                                             \
    FIB_ENTRY(R, isc_prepare_transaction)                                                          \
    FIB_ENTRY(R, isc_prepare_transaction2)                                                         \
    FIB_ENTRY(O6, isc_rollback_retaining)                                                          \
    FIB_ENTRY(G6, isc_service_attach)                                                              \
    FIB_ENTRY(G6, isc_service_detach)                                                              \
    FIB_ENTRY(G6, isc_service_query)                                                               \
    FIB_ENTRY(G6, isc_service_start)                                                               \
    FIB_ENTRY(G6, isc_decode_sql_date)                                                             \
    FIB_ENTRY(G6, isc_decode_sql_time)                                                             \
    FIB_ENTRY(G6, isc_decode_timestamp)                                                            \
    FIB_ENTRY(G6, isc_encode_sql_date)                                                             \
    FIB_ENTRY(G6, isc_encode_sql_time)                                                             \
    FIB_ENTRY(G6, isc_encode_timestamp)                                                            \
    FIB_ENTRY(G6, isc_portable_integer)                                                            \
    FIB_ENTRY(V, isc_get_client_version)                                                           \
    FIB_ENTRY(VR, isc_get_client_major_version)                                                    \
    FIB_ENTRY(VR, isc_get_client_minor_version)                                                    \
    FIB_ENTRY_T(VO, isc_dsql_batch_execute_immed, isc_dsql_batch_execute_immed_t)                  \
    FIB_ENTRY_T(VO, isc_dsql_batch_execute, isc_dsql_batch_execute_t)                              \
    FIB_ENTRY(VO, fb_cancel_operation)                                                             \
    FIB_ENTRY(N, isc_array_lookup_desc)                                                            \
    FIB_ENTRY(N, isc_array_set_desc)

// Pointer types of the entry points, named <entry>_t. isc_interprete is
// deprecated upstream but is the call whose line-by-line output we need.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define FIB_DECLTYPE_ENTRY(kind, name) using name##_t = decltype(&::name);
#define FIB_NO_ENTRY_T(kind, name, type)
FIB_CLIENT_ENTRY_POINTS(FIB_DECLTYPE_ENTRY, FIB_NO_ENTRY_T)
#undef FIB_DECLTYPE_ENTRY
#undef FIB_NO_ENTRY_T
#pragma GCC diagnostic pop

enum class TClientEntry : int {
#define FIB_ENUM_ENTRY(kind, name) name,
#define FIB_ENUM_ENTRY_T(kind, name, type) name,
    FIB_CLIENT_ENTRY_POINTS(FIB_ENUM_ENTRY, FIB_ENUM_ENTRY_T)
#undef FIB_ENUM_ENTRY
#undef FIB_ENUM_ENTRY_T
        Count
};

// What the connection, transaction and statement layers see of a loaded
// client library. Every operation forwards to the entry point of the same
// name; an unresolved one raises "Can't find procedure %s in %s".
class IIBClientLibrary {
public:
    virtual ~IIBClientLibrary() = default;

    virtual QString LibraryName() const = 0;
    virtual int32_t ClientMajorVersion() const = 0;
    virtual int32_t ClientMinorVersion() const = 0;
    // The resolved address, or nullptr when the library has not got it.
    virtual void* EntryPoint(TClientEntry entry) const = 0;
    bool HasEntryPoint(TClientEntry entry) const { return EntryPoint(entry) != nullptr; }

#define FIB_FORWARD(name, type)                                                                    \
    template <typename... Args>                                                                    \
    auto name(Args&&... args) const->decltype(std::declval<type>()(std::forward<Args>(args)...)) { \
        return reinterpret_cast<type>(Require(TClientEntry::name, #name))(                         \
            std::forward<Args>(args)...);                                                          \
    }
#define FIB_FORWARD_ENTRY(kind, name) FIB_FORWARD(name, name##_t)
#define FIB_FORWARD_ENTRY_T(kind, name, type) FIB_FORWARD(name, type)
    FIB_CLIENT_ENTRY_POINTS(FIB_FORWARD_ENTRY, FIB_FORWARD_ENTRY_T)
#undef FIB_FORWARD_ENTRY
#undef FIB_FORWARD_ENTRY_T
#undef FIB_FORWARD

private:
    void* Require(TClientEntry entry, const char* name) const;
};

using IIBClientLibraryPtr = std::shared_ptr<IIBClientLibrary>;

// A loaded client library. Creation yields a complete binding or raises:
// Exception "Can't load library %s " when the loader refuses the file,
// EOSError when a required entry point is missing.
class TIBClientLibrary final : public IIBClientLibrary {
public:
    explicit TIBClientLibrary(const QString& libraryName);
    ~TIBClientLibrary() override;
    TIBClientLibrary(const TIBClientLibrary&) = delete;
    TIBClientLibrary& operator=(const TIBClientLibrary&) = delete;

    QString LibraryName() const override { return libraryName_; }
    int32_t ClientMajorVersion() const override { return major_; }
    int32_t ClientMinorVersion() const override { return minor_; }
    void* EntryPoint(TClientEntry entry) const override {
        return entries_[static_cast<int>(entry)];
    }

    // The file the loader is given for a configured library name:
    // "fbclient.dll" and "gds32.dll" become this platform's client names.
    static QString PlatformFileName(const QString& libraryName);

private:
    void* Resolve(const char* name) const;
    void* ResolveRequired(const char* name) const;
    void Unload() noexcept;

    QString libraryName_;
    void* module_ = nullptr;
    int32_t major_ = 0;
    int32_t minor_ = 0;
    void* entries_[static_cast<int>(TClientEntry::Count)] = {};
};

IIBClientLibraryPtr LoadClientLibrary(const QString& libraryName);

// The client library may change the floating-point control state. These keep
// the program's own state: SaveFloatingPointControl records it once (before
// the first library is loaded), RestoreFloatingPointControl puts it back after
// a client call if it was changed.
void SaveFloatingPointControl();
void RestoreFloatingPointControl();

// Builds an EFIBInterBaseError from the calling thread's status vector,
// with sender as its source, and raises it.
[[noreturn]] void IBError(const IIBClientLibrary& library, const TComponent* sender);

// The library of an operation that cannot run without one (the BLOB
// operations): raises "Can't perform operation %s. Unknown client library"
// when there is none.
IIBClientLibrary& RequireClientLibrary(const IIBClientLibraryPtr& library,
                                       const QString& operation);

// A BLOB opened or created through the client library. The destructor closes
// one that is still open, with a status vector of its own, so that closing on
// an error path neither raises nor overwrites the failure being reported.
class TBlobHandle {
public:
    explicit TBlobHandle(const IIBClientLibrary& library) : library_(library) {}
    ~TBlobHandle();
    TBlobHandle(const TBlobHandle&) = delete;
    TBlobHandle& operator=(const TBlobHandle&) = delete;

    isc_blob_handle* Handle() { return &handle_; }
    // Closes the BLOB and answers the status of the close.
    ISC_STATUS Close(ISC_STATUS* status);

private:
    const IIBClientLibrary& library_;
    isc_blob_handle handle_ = 0;
};
