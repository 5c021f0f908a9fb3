// The database and transaction parameter blocks built from parameter lines,
// and the ConnectParams views on the connection's lines.

#include "tests/fib-conn/ConnTestSupport.h"

#include <gtest/gtest.h>

using namespace conn_test;

namespace {

std::vector<int> WithText(std::vector<int> head, const char* text) {
    for (const char* p = text; *p; ++p)
        head.push_back(static_cast<uint8_t>(*p));
    return head;
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(DatabaseParameterBlock, ProgramSettingsGiveCharsetUserAndPassword) {
    TpFIBDatabase db;
    db.SetDBParams({"lc_ctype=WIN1251"});
    db.ConnectParams().SetUserName("SYSDBA");
    db.ConnectParams().SetPassword("tarnwheel");
    EXPECT_EQ(db.DBParams(),
              QStringList({"lc_ctype=WIN1251", "user_name=SYSDBA", "password=tarnwheel"}));
    const std::vector<int> expected =
        Concat(Concat(WithText({1, 48, 7}, "WIN1251"), WithText({28, 6}, "SYSDBA")),
               WithText({29, 9}, "tarnwheel"));
    EXPECT_EQ(Bytes(db.DPB()), expected);
}

TEST(DatabaseParameterBlock, LinesAreTrimmedPrefixesDroppedAndItemsEncodedByKind) {
    struct Case {
        QString line;
        std::vector<int> item;
    };
    const Case cases[] = {
        {"  ISC_DPB_LC_CTYPE=WIN1251 \t", WithText({48, 7}, "WIN1251")},
        {"isc_dpb_lc_ctype=WIN1251", WithText({48, 7}, "WIN1251")},
        {"sql_dialect=3", {63, 1, 3}},
        {"num_buffers=300", {5, 1, 300 & 0xFF}},
        {"sweep", {10, 1, 2}},
        {"sweep_interval=20000", {22, 4, 0x20, 0x4E, 0, 0}},
        {"no_garbage_collect", {16, 1, 0}},
        {"sql_role_name=", {60, 0}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        QStringList lines{c.line};
        EXPECT_EQ(Bytes(BuildDPB(lines)), Concat({1}, c.item));
        EXPECT_EQ(lines.first(), c.line.trimmed());
    }
}

TEST(DatabaseParameterBlock, UnsupportedAndUnknownNamesAreClientErrors) {
    struct Case {
        QString line;
        int number;
        QString message;
    };
    const Case cases[] = {
        {"page_size=8192", 8, "DPB Constant (isc_dpb_page_size) is unsupported."},
        {"isc_dpb_Page_Size=8192", 8, "DPB Constant (isc_dpb_page_size) is unsupported."},
        {"ISC_DPB_colour=blue", 9, "DPB Constant (colour) is unknown."},
        {"user name=x", 9, "DPB Constant (user name) is unknown."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        QStringList lines{"lc_ctype=WIN1251", c.line};
        const EFIBClientError e = Raised<EFIBClientError>([&] { BuildDPB(lines); });
        EXPECT_EQ(e.SQLErrorCode(), c.number);
        EXPECT_EQ(e.Message(), c.message);
    }
}

TEST(DatabaseParameterBlock, TextLongerThanItsLengthByteIsRefused) {
    QStringList lines{"password=" + QString(256, 'x')};
    EXPECT_THROW(BuildDPB(lines), EFIBClientError);
    lines = QStringList{"password=" + QString(255, 'x')};
    EXPECT_EQ(BuildDPB(lines).size(), 1 + 2 + 255);
}

TEST(ConnectParams, ViewsReadWriteAndRemoveTheirLines) {
    TpFIBDatabase db;
    db.SetDBParams({"isc_dpb_user_name=alice", "lc_ctype=WIN1251"});
    EXPECT_EQ(db.ConnectParams().UserName(), "alice");
    EXPECT_EQ(db.ConnectParams().CharSet(), "WIN1251");
    db.ConnectParams().SetUserName("bob");
    EXPECT_EQ(db.DBParams(), QStringList({"user_name=bob", "lc_ctype=WIN1251"}));
    db.ConnectParams().SetCharSet("utf8");
    EXPECT_EQ(db.DBParams().at(1), "lc_ctype=UTF8");
    db.ConnectParams().SetUserName("");
    EXPECT_EQ(db.DBParams(), QStringList({"lc_ctype=UTF8"}));
    EXPECT_EQ(db.ConnectParams().RoleName(), "");
    db.ConnectParams().SetRoleName("ADMIN");
    EXPECT_EQ(db.DBParams(), QStringList({"lc_ctype=UTF8", "sql_role_name=ADMIN"}));
}

TEST(TransactionParameterBlock, ProgramTransactionSendsWriteNowaitReadCommittedRecVersion) {
    TpFIBTransaction tr;
    TFIBDatabase db;
    // The internal transaction's fixed lines and the program's read-committed
    // mode give the same bytes.
    EXPECT_EQ(Bytes(db.InternalTransaction()->TPB()), Bytes({3, 9, 7, 15, 17}));
    tr.SetTRParams({"write", "isc_tpb_nowait", "read_committed", "rec_version"});
    EXPECT_EQ(Bytes(tr.TPB()), Bytes({3, 9, 7, 15, 17}));
}

TEST(TransactionParameterBlock, LinesBlanksTablesAndErrors) {
    struct Case {
        QStringList lines;
        std::vector<int> bytes; // empty with number set: an error
        int number;
        QString message;
    };
    const Case cases[] = {
        {{}, {}, -1, ""},
        {{" concurrency ", "", "\tISC_TPB_WAIT"}, {3, 2, 6}, -1, ""},
        {{"read", "lock_read=STUDENT"}, WithText({3, 8, 10, 7}, "STUDENT"), -1, ""},
        {{"write", "commit_time"}, {}, 10, "TPB Constant (isc_tpb_commit_time) is unsupported."},
        {{"isc_tpb_commit_time"}, {}, 10, "TPB Constant (isc_tpb_commit_time) is unsupported."},
        {{"isc_tpb_autocommit"}, {}, 10, "TPB Constant (isc_tpb_autocommit) is unsupported."},
        {{"write", "isc_tpb_fast"}, {}, 11, "TPB Constant (fast) is unknown."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.join('|').toStdString());
        QStringList lines = c.lines;
        if (c.number < 0) {
            EXPECT_EQ(Bytes(BuildTPB(lines)), c.bytes);
            for (const QString& l : lines)
                EXPECT_EQ(l, l.trimmed());
        } else {
            const EFIBClientError e = Raised<EFIBClientError>([&] { BuildTPB(lines); });
            EXPECT_EQ(e.SQLErrorCode(), c.number);
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}
