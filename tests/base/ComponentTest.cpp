// Ownership, names and the loading mark of the component model, and the
// composition of client-error messages.

#include "base/Component.h"
#include "fib/fib.h"

#include <gtest/gtest.h>

namespace {

class Probe : public TComponent {
public:
    using TComponent::TComponent;
    ~Probe() override {
        if (log)
            *log += QStringLiteral("~") + Name();
    }
    void Loaded() override {
        if (log)
            *log += QStringLiteral("L") + Name();
    }
    QString* log = nullptr;
};

} // namespace

TEST(Component, FullComponentNameSkipsOwnersWithoutName) {
    TComponent root;
    root.SetName("main_frm");
    TComponent middle(&root); // unnamed
    auto* ds = new TComponent(&middle);
    ds->SetName("faculty_dataset");
    auto* q = new TComponent(ds);
    q->SetName("SelectQuery");
    EXPECT_EQ(FullComponentName(q), "main_frm.faculty_dataset.SelectQuery");
    EXPECT_EQ(FullComponentName(&root), "main_frm");
    EXPECT_EQ(FullComponentName(nullptr), "");
    middle.RemoveComponent(ds);
    EXPECT_EQ(FullComponentName(q), "faculty_dataset.SelectQuery");
    delete ds;
}

TEST(Component, OwnerDestroysLastCreatedFirstAndLoadedRunsAfterChildren) {
    QString log;
    {
        Probe owner;
        owner.SetName("o");
        owner.log = &log;
        for (const char* n : {"a", "b"}) {
            auto* c = new Probe(&owner);
            c->SetName(n);
            c->log = &log;
        }
        owner.BeginLoading();
        EXPECT_TRUE(owner.Components(1)->IsLoading());
        auto* late = new Probe(&owner);
        late->SetName("c");
        late->log = &log;
        EXPECT_TRUE(late->IsLoading()) << "created while its owner loads";
        owner.EndLoading();
        EXPECT_FALSE(owner.Components(0)->IsLoading());
        EXPECT_EQ(owner.FindComponent("B"), owner.Components(1));
    }
    EXPECT_EQ(log, "LaLbLcLo~o~c~b~a");
}

TEST(ClientError, MessageIsFormattedFromTheTable) {
    struct Case {
        int number;
        std::initializer_list<FormatArg> args;
        const char* message;
    };
    const Case cases[] = {
        {15, {"main_frm.Transaction"}, "main_frm.Transaction :Transaction is not active."},
        {8, {"page_size"}, "DPB Constant (isc_dpb_page_size) is unsupported."},
        {30, {12345}, "Unknown SQL Data type (12345)."},
        {51, {"x", "y"}, "SQL Parse Error in :x \r\n\r\ny"},
        {55, {5, 255}, "Windows API error. (Windows error 5 [$000000FF])"},
        {38, {}, "Can't \"open\" a non-select statement. Use ExecQuery."},
    };
    for (const Case& c : cases) {
        try {
            FIBError(c.number, c.args);
            ADD_FAILURE() << "no exception for " << c.number;
        } catch (const EFIBClientError& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.message)) << c.number;
            EXPECT_EQ(e.SQLErrorCode(), c.number);
            EXPECT_TRUE(e.SourcePath().isEmpty());
        }
    }
}

TEST(ClientError, SourcePathOfTwoOrMoreCharactersLeadsTheMessage) {
    TComponent owner;
    owner.SetName("main_frm");
    TComponent db(&owner);
    db.SetName("DataBase");
    TComponent x;
    x.SetName("X");
    EFIBInterBaseError named(-902, &db);
    named.SetSQLText("Unsuccessful execution.\r\n");
    named.SetBaseText("");
    EXPECT_EQ(named.Message(), "main_frm.DataBase:\r\nUnsuccessful execution.\r\n");
    EFIBInterBaseError single(-902, &x);
    single.SetBaseText("boom");
    EXPECT_EQ(single.Message(), "boom");
}
