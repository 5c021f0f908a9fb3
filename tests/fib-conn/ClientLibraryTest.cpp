// Loading the client library: file names, entry-point groups, versions and
// the failures of a library that cannot serve.

#include "fib/IB_Intf.h"
#include "tests/fib-conn/ConnTestSupport.h"

#include <gtest/gtest.h>

using namespace conn_test;

TEST(ClientLibrary, ConfiguredNamesMapToThisPlatformsClients) {
    EXPECT_EQ(TIBClientLibrary::PlatformFileName("fbclient.dll"), "libfbclient.so.2");
    EXPECT_EQ(TIBClientLibrary::PlatformFileName("gds32.dll"), "libgds.so.0");
    EXPECT_EQ(TIBClientLibrary::PlatformFileName("/opt/x/libmine.so"), "/opt/x/libmine.so");
}

TEST(ClientLibrary, UnloadableNameRaisesCantLoadLibraryWithTrailingBlank) {
    try {
        LoadClientLibrary("no_such_client.so");
        FAIL() << "loaded";
    } catch (const EOSError& e) {
        FAIL() << e.what();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can't load library no_such_client.so ");
    }
}

TEST(ClientLibrary, ConnectionWithUnloadableLibraryStaysWithoutBindingAndRetriesLater) {
    TFIBDatabase db;
    db.SetDBName("127.0.0.1:/nowhere.fdb");
    db.SetLibraryName("no_such_client.so");
    EXPECT_THROW(db.Connect(), Exception);
    EXPECT_FALSE(db.ClientLoaded());
    db.SetLibraryName(STUB_V6);
    EXPECT_EQ(db.Client()->ClientMajorVersion(), 6);
    EXPECT_TRUE(db.ClientLoaded());
}

TEST(ClientLibrary, VersionFollowsTheEntryPointsTheLibraryHas) {
    struct Case {
        const char* path;
        int major, minor;
        bool hasService, hasCancel;
    };
    for (const Case& c : {Case{STUB_V5, 5, 0, false, false}, Case{STUB_V6, 6, 0, true, false},
                          Case{STUB_FULL, 7, 3, true, true}}) {
        SCOPED_TRACE(c.path);
        IIBClientLibraryPtr lib = LoadClientLibrary(c.path);
        EXPECT_EQ(lib->ClientMajorVersion(), c.major);
        EXPECT_EQ(lib->ClientMinorVersion(), c.minor);
        EXPECT_EQ(lib->HasEntryPoint(TClientEntry::isc_service_attach), c.hasService);
        EXPECT_EQ(lib->HasEntryPoint(TClientEntry::fb_cancel_operation), c.hasCancel);
        EXPECT_TRUE(lib->HasEntryPoint(TClientEntry::isc_dsql_fetch));
    }
}

TEST(ClientLibrary, FirebirdClientReportsItsOwnVersion) {
    IIBClientLibraryPtr lib = LoadClientLibrary("fbclient.dll");
    EXPECT_EQ(lib->LibraryName(), "fbclient.dll");
    // Firebird 3 answers with its InterBase-compatible numbers (6.3).
    EXPECT_EQ(lib->ClientMajorVersion(), lib->isc_get_client_major_version());
    EXPECT_EQ(lib->ClientMinorVersion(), lib->isc_get_client_minor_version());
    EXPECT_EQ(lib->ClientMajorVersion(), 6);
    EXPECT_EQ(lib->ClientMinorVersion(), 3);
    char text[256] = {};
    lib->isc_get_client_version(text);
    EXPECT_TRUE(QString::fromLatin1(text).contains("Firebird 3.0")) << text;
}

TEST(ClientLibrary, UnresolvedOptionalEntryPointRaisesCantFindProcedure) {
    IIBClientLibraryPtr lib = LoadClientLibrary(STUB_V5);
    isc_tr_handle tr = 0;
    try {
        lib->isc_rollback_retaining(StatusVector(), &tr);
        FAIL() << "called";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Can't find procedure isc_rollback_retaining in %1").arg(STUB_V5));
    }
    // Never resolved, even in the real client.
    IIBClientLibraryPtr fb = LoadClientLibrary("fbclient.dll");
    EXPECT_FALSE(fb->HasEntryPoint(TClientEntry::isc_array_lookup_desc));
    EXPECT_THROW(
        fb->isc_array_set_desc(StatusVector(), "T", "C", nullptr, nullptr, nullptr, nullptr),
        Exception);
}

// The loader reports a missing symbol without an error number but with a
// text naming the symbol; that text is the message's text part.
TEST(ClientLibrary, MissingRequiredEntryPointRaisesOperatingSystemErrorNamingIt) {
    const struct {
        const char* path;
        const char* symbol;
    } cases[] = {{STUB_NO_FETCH, "isc_dsql_fetch"},
                 {STUB_NO_MAJOR, "isc_get_client_major_version"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            LoadClientLibrary(c.path);
            FAIL() << "loaded";
        } catch (const EOSError& e) {
            EXPECT_EQ(e.ErrorCode(), 0);
            EXPECT_TRUE(e.Message().startsWith("System Error.  Code: 0.\r\n"))
                << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(c.symbol)) << e.Message().toStdString();
        }
    }
}

TEST(ClientLibrary, OperationWithoutALibraryNamesItself) {
    try {
        RequireClientLibrary(nullptr, "BLOB read");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can't perform operation BLOB read. Unknown client library");
    }
}
