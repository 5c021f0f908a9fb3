// Starting and ending server transactions, their notifications and phases.

#include "tests/fib-conn/ConnTestSupport.h"

#include <gtest/gtest.h>

using namespace conn_test;

namespace {

class Transaction : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_THROW(p.database->Connect()); }
    ProgramComponents p{ProgramDatabase().ConnectionString()};
};

} // namespace

TEST_F(Transaction, CommitTwiceRaisesTransactionNotActive) {
    p.transaction->SetActive(true);
    ASSERT_TRUE(p.transaction->Active());
    EXPECT_EQ(Bytes(p.transaction->TPB()), Bytes({3, 9, 7, 15, 17}));
    p.database->CommitDefaultTransaction();
    EXPECT_FALSE(p.transaction->Active());
    const EFIBClientError e =
        Raised<EFIBClientError>([&] { p.database->CommitDefaultTransaction(); });
    EXPECT_EQ(e.SQLErrorCode(), 15);
    EXPECT_EQ(e.Message(), "main_frm.Transaction :Transaction is not active.");
}

TEST_F(Transaction, RetainingEndsKeepTheHandleAndHardEndsClearIt) {
    p.transaction->StartTransaction();
    const isc_tr_handle handle = p.transaction->HandleValue();
    p.transaction->CommitRetaining();
    EXPECT_TRUE(p.transaction->Active());
    EXPECT_EQ(p.transaction->HandleValue(), handle);
    EXPECT_EQ(p.transaction->Phase(), trActive);
    p.transaction->RollbackRetaining();
    EXPECT_EQ(p.transaction->HandleValue(), handle);
    p.transaction->Rollback();
    EXPECT_FALSE(p.transaction->Active());
    EXPECT_EQ(p.transaction->Phase(), trInactive);
}

TEST_F(Transaction, ActivatingAnActiveTransactionDoesNothing) {
    int starts = 0;
    p.transaction->BeforeStart = [&](TFIBTransaction*) { ++starts; };
    p.transaction->SetActive(true);
    const isc_tr_handle handle = p.transaction->HandleValue();
    EXPECT_NO_THROW(p.transaction->SetActive(true));
    EXPECT_NO_THROW(p.transaction->StartTransaction());
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(p.transaction->HandleValue(), handle);
    // Only a plain transaction objects to a second start.
    TFIBTransaction* internal = p.database->InternalTransaction();
    internal->StartTransaction();
    EXPECT_EQ(Raised<EFIBClientError>([&] { internal->StartTransaction(); }).Message(),
              "DataBase_InternalTransaction :Transaction is active.");
    p.transaction->SetActive(false);
    EXPECT_FALSE(p.transaction->Active());
}

TEST_F(Transaction, HooksRunLastRegisteredFirstThenListenersAndSeeThePhase) {
    std::vector<std::string> log;
    TFIBBase first(nullptr), second(nullptr);
    for (auto [link, tag] : {std::pair{&first, "1"}, std::pair{&second, "2"}}) {
        const std::string t = tag;
        link->OnBeforeTransactionStart = [&log, t] { log.push_back("beforeStart" + t); };
        link->OnAfterTransactionStart = [&log, t] { log.push_back("afterStart" + t); };
        link->OnTransactionEnding = [&log, t, this] {
            log.push_back("ending" + t + ":" + std::to_string(p.transaction->Phase()));
        };
        link->OnTransactionEnded = [&log, t] { log.push_back("ended" + t); };
        link->SetTransaction(p.transaction);
    }
    // A link set to a transaction takes its default database.
    EXPECT_EQ(first.Database(), p.database);
    const TListenerRegistration listeners[] = {
        p.transaction->BeforeStartListeners().Add([&](TFIBTransaction*) { log.push_back("L-bs"); }),
        p.transaction->AfterStartListeners().Add([&](TFIBTransaction*) { log.push_back("L-as"); }),
        p.transaction->BeforeEndListeners().Add(
            [&](TFIBTransaction*, TTransactionAction, bool) { log.push_back("L-be"); }),
        p.transaction->AfterEndListeners().Add(
            [&](TFIBTransaction*, TTransactionAction, bool) { log.push_back("L-ae"); })};
    p.transaction->StartTransaction();
    p.transaction->CommitRetaining();
    p.transaction->Commit();
    EXPECT_EQ(log, std::vector<std::string>({
                       "beforeStart1", "beforeStart2", "L-bs", "L-as", "afterStart1",
                       "afterStart2",                                                // start
                       "ending2:5", "ending1:5", "L-be", "ended2", "ended1", "L-ae", // retaining
                       "ending2:4", "ending1:4", "L-be", "ended2", "ended1", "L-ae", // commit
                   }));
}

TEST_F(Transaction, StartNeedsConnectedDatabasesAndKnownParameters) {
    TFIBTransaction lonely;
    lonely.SetName("Lonely");
    EXPECT_EQ(Raised<EFIBClientError>([&] { lonely.StartTransaction(); }).Message(),
              "Lonely :No databases are listed in transaction component.");

    TFIBTransaction plain;
    plain.SetDefaultDatabase(p.database);
    plain.SetTRParams({"write", "isc_tpb_commit_time"});
    EXPECT_EQ(Raised<EFIBClientError>([&] { plain.StartTransaction(); }).SQLErrorCode(), 10);
    EXPECT_FALSE(plain.Active());

    p.database->Disconnect();
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.transaction->StartTransaction(); }).Message(),
              "main_frm.DataBase: Cannot perform operation -- DB is not open.");
}

TEST_F(Transaction, ParametersAndDatabaseAreFixedWhileActive) {
    p.transaction->StartTransaction();
    EXPECT_EQ(Raised<EFIBClientError>([&] { p.transaction->SetTRParams({"read"}); }).Message(),
              "main_frm.Transaction :Transaction is active.");
    EXPECT_EQ(
        Raised<EFIBClientError>([&] { p.transaction->SetDefaultDatabase(nullptr); }).SQLErrorCode(),
        16);
    p.transaction->Commit();
}

TEST_F(Transaction, ConnectionsWithDifferentClientLibrariesCannotShareOne) {
    TFIBDatabase other;
    other.SetLibraryName("gds32.dll");
    try {
        p.transaction->AddDatabase(&other);
        FAIL() << "added";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  "main_frm.Transaction.\r\nTransaction can't work with different client library.");
    }
    EXPECT_EQ(p.transaction->DatabaseCount(), 1);
}

TEST_F(Transaction, DestroyingAnActiveTransactionEndsItAndReleasesReferences) {
    TFIBBase link(nullptr);
    bool told = false;
    link.OnTransactionFree = [&] { told = true; };
    link.SetTransaction(p.transaction);
    std::vector<TTransactionAction> ended;
    const TListenerRegistration listener = p.transaction->AfterEndListeners().Add(
        [&](TFIBTransaction*, TTransactionAction a, bool) { ended.push_back(a); });
    std::vector<std::string> events;
    p.transaction->BeforeEnd = [&](TFIBTransaction*, TTransactionAction, bool force) {
        events.push_back(force ? "BeforeEnd forced" : "BeforeEnd");
    };
    p.transaction->AfterEnd = [&](TFIBTransaction*, TTransactionAction, bool) {
        events.push_back("AfterEnd");
    };
    p.database->AfterEndTransaction = [&](TFIBTransaction*, TTransactionAction a, bool) {
        events.push_back(a == TARollback ? "AfterEndTransaction rollback" : "AfterEndTransaction");
    };
    p.transaction->SetTimeoutAction(TARollbackRetaining);
    p.transaction->StartTransaction();
    delete p.transaction;
    EXPECT_EQ(ended, std::vector<TTransactionAction>({TARollback}));
    EXPECT_EQ(events, std::vector<std::string>(
                          {"BeforeEnd forced", "AfterEnd", "AfterEndTransaction rollback"}));
    EXPECT_TRUE(told);
    EXPECT_EQ(link.Transaction(), nullptr);
    EXPECT_EQ(link.Database(), p.database);
    EXPECT_EQ(p.database->DefaultTransaction(), nullptr);
    EXPECT_EQ(p.database->IndexOfTransaction(p.transaction), -1);
}

TEST_F(Transaction, TPBModeReplacesTheParameterLinesAtEveryStart) {
    struct Case {
        TTPBMode mode;
        QStringList lines;
        std::vector<int> tpb;
    };
    const Case cases[] = {
        {tpbDefault, {"read", "wait", "concurrency"}, {3, 8, 6, 2}},
        {tpbReadCommitted,
         {"write", "isc_tpb_nowait", "read_committed", "rec_version"},
         {3, 9, 7, 15, 17}},
        {tpbRepeatableRead, {"write", "isc_tpb_nowait", "concurrency"}, {3, 9, 7, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        p.transaction->SetTPBMode(c.mode);
        p.transaction->SetTRParams({"read", "wait", "concurrency"});
        p.transaction->StartTransaction();
        EXPECT_EQ(p.transaction->TRParams(), c.lines);
        EXPECT_EQ(Bytes(p.transaction->TPB()), c.tpb);
        p.transaction->Commit();
    }
}
