// Composition of server errors from the status vector, with a stand-in
// library whose message calls return chosen lines.

#include "fib/IB_Intf.h"
#include "tests/fib-conn/ConnTestSupport.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace conn_test;

namespace {

using SetMessages = void (*)(int, const char*, const char* const*, int);

class ServerError : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = LoadClientLibrary(STUB_FULL);
        // The same module again: its setter chooses what the library says.
        module_ = dlopen(STUB_FULL, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(module_, nullptr);
        set_ = reinterpret_cast<SetMessages>(dlsym(module_, "stub_set_messages"));
        ASSERT_NE(set_, nullptr);
        StatusVector()[0] = isc_arg_gds;
        StatusVector()[1] = 335544472;
        StatusVector()[2] = isc_arg_end;
    }
    void TearDown() override {
        set_(-999, "", nullptr, 0);
        dlclose(module_);
        StatusVector()[1] = 0;
    }

    EFIBInterBaseError Raise(const TComponent* sender) {
        return Raised<EFIBInterBaseError>([&] { IBError(*library_, sender); });
    }

    IIBClientLibraryPtr library_;
    void* module_ = nullptr;
    SetMessages set_ = nullptr;
};

} // namespace

TEST_F(ServerError, MessageIsSourceLineSqlTextAndOneLinePerServerMessage) {
    TComponent form;
    form.SetName("main_frm");
    TComponent* database = new TComponent(&form);
    database->SetName("DataBase");
    const char* lines[] = {"your user name and password are not defined", "",
                           "ask your administrator."};
    set_(-902, "unsuccessful\\n execution caused by a system error", lines, 3);

    const EFIBInterBaseError e = Raise(database);
    EXPECT_EQ(e.SQLErrorCode(), -902);
    EXPECT_EQ(e.GDSCode(), 335544472);
    EXPECT_EQ(e.Sender(), database);
    EXPECT_EQ(e.SourcePath(), "main_frm.DataBase");
    EXPECT_EQ(e.SQLText(), "Unsuccessful execution caused by a system error.\r\n");
    EXPECT_EQ(e.ServerText(), "Your user name and password are not defined.\r\n"
                              "Ask your administrator.\r\n");
    EXPECT_EQ(e.Message(), "main_frm.DataBase:\r\n"
                           "Unsuccessful execution caused by a system error.\r\n"
                           "Your user name and password are not defined.\r\n"
                           "Ask your administrator.\r\n");
}

TEST_F(ServerError, SqlTextEndingInFullStopRunsStraightIntoTheServerLines) {
    const char* lines[] = {"Dynamic SQL Error"};
    set_(-104, "Invalid token.", lines, 1);
    const EFIBInterBaseError e = Raise(nullptr);
    EXPECT_EQ(e.Message(), "Invalid token.Dynamic SQL Error.\r\n");
    EXPECT_TRUE(e.SourcePath().isEmpty());
}

TEST_F(ServerError, EmptyTextsAddNothingAndShortSourcePathIsLeftOut) {
    TComponent one;
    one.SetName("Q");
    const char* lines[] = {"", "1 line only"};
    set_(0, "", lines, 2);
    const EFIBInterBaseError e = Raise(&one);
    EXPECT_EQ(e.SourcePath(), "Q");
    EXPECT_EQ(e.SQLText(), "");
    EXPECT_EQ(e.Message(), "1 line only.\r\n");
}

TEST(ClientError, CarriesTheGdsCodeOfTheThreadsLastServerCall) {
    StatusVector()[1] = 335544344;
    const EFIBClientError e =
        Raised<EFIBClientError>([] { FIBError(fibeNotInTransaction, {"main_frm.Transaction"}); });
    EXPECT_EQ(e.GDSCode(), 335544344);
    EXPECT_EQ(e.SQLErrorCode(), 15);
    EXPECT_EQ(e.Message(), "main_frm.Transaction :Transaction is not active.");
    StatusVector()[1] = 0;
}
