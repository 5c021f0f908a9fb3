// Editing and master-detail speed against bare client-library loops in the
// same process:
//  1. the student detail reopening as the faculty master moves to another
//     faculty, against re-executing the prepared detail select with the new
//     key and fetching the same rows;
//  2. inserts through Insert / field writes / Post (with the generator value
//     on new record and the refresh after post), against a loop of the same
//     generator select, INSERT and refresh select on prepared statements.
// Where Qt's Firebird driver is installed, the peer does the same with
// prepared QSqlQuery objects. Every insert is rolled back.
//
//   edit_bench [host:database] [inserts] [--runs N]
//   (default: the local veltor-edit-bench.fdb; create it with
//    db/make-demo 127.0.0.1:/var/lib/firebird/3.0/data/veltor-edit-bench.fdb)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).
// Output: figures.h.

#include "base/TextCodec.h"
#include "dataset/DB.h"
#include "dataset/pFIBDataSet.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "figures.h"
#include "model/TestingSql.h"
#ifdef VELTOR_QT_PEER
#include "qt_database.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#endif

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The student dataset's select with its master parameter positional, as the
// bare loop and the peer bind it.
const QByteArray& StudentSelectPositional() {
    static const QByteArray text = [] {
        QString t;
        for (const QString& line : StudentStatements().SelectSQL)
            t += line + QStringLiteral("\r\n");
        return t.replace(QStringLiteral(":MAS_F_ID"), QStringLiteral("?")).toLatin1();
    }();
    return text;
}

// Indexes 1, 2, ... to the last key, back to 0, and so on: a master walked
// back and forth over its records.
class TBackAndForth {
public:
    explicit TBackAndForth(size_t count) : count_(count) {}
    size_t Next() {
        if ((forward_ > 0 && k_ + 1 >= count_) || (forward_ < 0 && k_ == 0))
            forward_ = -forward_;
        k_ += forward_;
        return k_;
    }

private:
    size_t count_;
    size_t k_ = 0;
    int forward_ = 1;
};

const char* const kGenerator = "select gen_id(GEN_FAKULTET_ID, 1) from RDB$DATABASE";
const char* const kInsert = "INSERT INTO FAKULTET(F_ID, NAZVA, KNAZVA) VALUES(?, ?, ?)";
const char* const kRefresh = "SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET WHERE FAKULTET.F_ID = ?";
constexpr int kGridRows = 20; // rows a student grid shows

QString Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return QString::fromLocal8Bit(v && *v ? v : fallback);
}

[[noreturn]] void Fail(const char* what, const ISC_STATUS* sv) {
    std::fprintf(stderr, "%s failed (%ld)\n", what, static_cast<long>(sv[1]));
    std::exit(2);
}

// An XSQLDA with its buffers, laid out as the server describes it.
struct BareDA {
    std::vector<char> memory;
    std::vector<std::vector<char>> buffers;
    std::vector<ISC_SHORT> indicators;
    XSQLDA* da = nullptr;

    void Resize(int n) {
        memory.assign(XSQLDA_LENGTH(std::max(n, 1)), 0);
        da = reinterpret_cast<XSQLDA*>(memory.data());
        da->version = SQLDA_VERSION1;
        da->sqln = static_cast<ISC_SHORT>(std::max(n, 1));
    }
    void Allocate() {
        const int n = da->sqld;
        buffers.assign(n, {});
        indicators.assign(n, 0);
        for (int i = 0; i < n; ++i) {
            XSQLVAR& v = da->sqlvar[i];
            const int type = v.sqltype & ~1;
            buffers[i].resize(type == SQL_VARYING ? v.sqllen + 2 : std::max<int>(v.sqllen, 8));
            v.sqldata = buffers[i].data();
            v.sqlind = &indicators[i];
        }
    }
};

// A prepared statement of the bare loops, with described input and output.
struct BareStatement {
    IIBClientLibrary& lib;
    TFIBDatabase& db;
    TFIBTransaction& tr;
    isc_stmt_handle stmt = 0;
    BareDA in;
    BareDA out;
    ISC_STATUS_ARRAY sv{};

    BareStatement(TFIBDatabase& d, TFIBTransaction& t, const char* sql)
        : lib(d.ClientLibrary()), db(d), tr(t) {
        if (lib.isc_dsql_alloc_statement2(sv, db.Handle(), &stmt))
            Fail("isc_dsql_alloc_statement2", sv);
        out.Resize(1);
        if (lib.isc_dsql_prepare(sv, tr.Handle(), &stmt, 0, sql, 3, out.da))
            Fail("isc_dsql_prepare", sv);
        if (out.da->sqld > out.da->sqln) {
            out.Resize(out.da->sqld);
            if (lib.isc_dsql_describe(sv, &stmt, 3, out.da))
                Fail("isc_dsql_describe", sv);
        }
        out.Allocate();
        in.Resize(8);
        if (lib.isc_dsql_describe_bind(sv, &stmt, 3, in.da))
            Fail("isc_dsql_describe_bind", sv);
        in.Allocate();
    }
    ~BareStatement() { lib.isc_dsql_free_statement(sv, &stmt, DSQL_drop); }

    void SetInt(int index, int32_t value) {
        XSQLVAR& v = in.da->sqlvar[index];
        v.sqltype = SQL_LONG | 1;
        v.sqllen = 4;
        std::memcpy(v.sqldata, &value, 4);
        *v.sqlind = 0;
    }
    void SetText(int index, const QByteArray& text) {
        XSQLVAR& v = in.da->sqlvar[index];
        in.buffers[index].resize(text.size() + 2);
        v.sqldata = in.buffers[index].data();
        v.sqltype = SQL_TEXT | 1;
        v.sqllen = static_cast<ISC_SHORT>(text.size());
        std::memcpy(v.sqldata, text.constData(), text.size());
        *v.sqlind = 0;
    }
    int32_t IntColumn(int index) const {
        int64_t v = 0;
        std::memcpy(&v, out.da->sqlvar[index].sqldata,
                    (out.da->sqlvar[index].sqltype & ~1) == SQL_INT64 ? 8 : 4);
        return static_cast<int32_t>(v);
    }
    // Executes; for a select, fetches up to rows rows and closes the cursor.
    int Run(int rows) {
        XSQLDA* inDa = in.da->sqld ? in.da : nullptr;
        if (rows == 0) {
            if (lib.isc_dsql_execute(sv, tr.Handle(), &stmt, 3, inDa))
                Fail("isc_dsql_execute", sv);
            return 0;
        }
        if (lib.isc_dsql_execute(sv, tr.Handle(), &stmt, 3, inDa))
            Fail("isc_dsql_execute", sv);
        int n = 0;
        while (n < rows && lib.isc_dsql_fetch(sv, &stmt, 3, out.da) == 0)
            ++n;
        if (lib.isc_dsql_free_statement(sv, &stmt, DSQL_close))
            Fail("isc_dsql_free_statement", sv);
        return n;
    }
};

// A grid's worth of rows: the link that makes the detail fetch them.
class GridLink : public TDataLink {
public:
    explicit GridLink(TDataSource* source) {
        SetBufferRows(kGridRows);
        SetDataSource(source);
    }
};

struct Program {
    TComponent form;
    TFIBDatabase* db;
    TFIBTransaction* tr;
    TpFIBDataSet* faculty;
    TDataSource* facultySource;
    TpFIBDataSet* student;
    TDataSource* studentSource;

    explicit Program(const QString& database) {
        form.SetName(QStringLiteral("main_frm"));
        db = new TFIBDatabase(&form);
        tr = new TFIBTransaction(&form);
        db->SetDBName(database);
        db->SetDBParams({QStringLiteral("lc_ctype=WIN1251"),
                         QStringLiteral("user_name=") + Env("ISC_USER", "SYSDBA"),
                         QStringLiteral("password=") + Env("ISC_PASSWORD", "tarnwheel")});
        db->SetSQLDialect(3);
        db->SetLibraryName(QStringLiteral("fbclient.dll"));
        db->SetDefaultTransaction(tr);
        tr->SetDefaultDatabase(db);
        tr->SetTRParams({QStringLiteral("write"), QStringLiteral("isc_tpb_nowait"),
                         QStringLiteral("read_committed"), QStringLiteral("rec_version")});

        faculty = new TpFIBDataSet(&form);
        faculty->SetName(QStringLiteral("faculty_dataset"));
        faculty->SetDatabase(db);
        faculty->SetTransaction(tr);
        faculty->SetSelectSQLText(QStringLiteral("SELECT\n    F_ID,\n    NAZVA,\n    KNAZVA\n"
                                                 "FROM\n    FAKULTET "));
        faculty->SetInsertSQL({QStringLiteral("INSERT INTO FAKULTET(F_ID, NAZVA, KNAZVA)"),
                               QStringLiteral("VALUES(:F_ID, :NAZVA, :KNAZVA)")});
        faculty->SetUpdateSQL({QStringLiteral("UPDATE FAKULTET SET NAZVA = :NAZVA, KNAZVA = "
                                              ":KNAZVA WHERE F_ID = :OLD_F_ID")});
        faculty->SetRefreshSQL({QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET"),
                                QStringLiteral("WHERE FAKULTET.F_ID = :OLD_F_ID")});
        faculty->AutoUpdateOptions.SetUpdateTableName(QStringLiteral("FAKULTET"));
        faculty->AutoUpdateOptions.KeyFields = QStringLiteral("F_ID");
        faculty->AutoUpdateOptions.GeneratorName = QStringLiteral("GEN_FAKULTET_ID");
        faculty->AutoUpdateOptions.WhenGetGenID = wgOnNewRecord;
        facultySource = new TDataSource(&form);
        facultySource->SetDataSet(faculty);

        student = new TpFIBDataSet(&form);
        student->SetName(QStringLiteral("student_dataset"));
        student->SetDatabase(db);
        student->SetTransaction(tr);
        student->SetSelectSQL(StudentStatements().SelectSQL);
        student->SetDataSource(facultySource);
        studentSource = new TDataSource(&form);
        studentSource->SetDataSet(student);
        db->SetConnected(true);
    }
};

// Per master move: the wall time, and the processor time this process spent
// (the rest is the server's work and the wait for it).
struct TMoveCost {
    double Seconds = 0;
    double CpuMs = 0;
};

// Moves the master over its records back and forth.
TMoveCost DetailMoves(Program& p, int moves) {
    GridLink grid(p.studentSource);
    p.faculty->Open();
    p.student->Open();
    p.faculty->First();
    const double cpu = ProcessCpuMs();
    QElapsedTimer timer;
    timer.start();
    int forward = 1;
    for (int i = 0; i < moves; ++i) {
        if (p.faculty->MoveBy(forward) == 0) {
            forward = -forward;
            p.faculty->MoveBy(forward);
        }
    }
    const TMoveCost cost{timer.nsecsElapsed() / 1e9 / moves, (ProcessCpuMs() - cpu) / moves};
    p.student->Close();
    p.faculty->Close();
    return cost;
}

#ifdef VELTOR_QT_PEER
[[noreturn]] void QtFail(const QSqlQuery& q) {
    std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
    std::exit(2);
}
#endif

TMoveCost BareDetailMoves(Program& p, int moves, const std::vector<int32_t>& keys) {
    BareStatement q(*p.db, *p.tr, StudentSelectPositional().constData());
    const double cpu = ProcessCpuMs();
    QElapsedTimer timer;
    timer.start();
    TBackAndForth walk(keys.size());
    for (int i = 0; i < moves; ++i) {
        const size_t k = walk.Next();
        q.SetInt(0, keys[k]);
        q.Run(kGridRows);
    }
    return {timer.nsecsElapsed() / 1e9 / moves, (ProcessCpuMs() - cpu) / moves};
}

double DataSetInserts(Program& p, int count) {
    p.faculty->Open();
    QElapsedTimer timer;
    timer.start();
    TField* name = p.faculty->FieldByName(QStringLiteral("NAZVA"));
    TField* shortName = p.faculty->FieldByName(QStringLiteral("KNAZVA"));
    for (int i = 0; i < count; ++i) {
        p.faculty->Insert();
        name->SetAsString(QStringLiteral("Факультет %1").arg(i));
        shortName->SetAsString(QStringLiteral("Ф%1").arg(i));
        p.faculty->Post();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    p.tr->Rollback();
    return seconds;
}

double BareInserts(Program& p, int count) {
    if (!p.tr->Active())
        p.tr->StartTransaction();
    const double seconds = [&] {
        BareStatement gen(*p.db, *p.tr, kGenerator);
        BareStatement insert(*p.db, *p.tr, kInsert);
        BareStatement refresh(*p.db, *p.tr, kRefresh);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i) {
            gen.Run(1);
            const int32_t key = gen.IntColumn(0);
            insert.SetInt(0, key);
            insert.SetText(1, EncodeText(QStringLiteral("Факультет %1").arg(i)));
            insert.SetText(2, EncodeText(QStringLiteral("Ф%1").arg(i)));
            insert.Run(0);
            refresh.SetInt(0, key);
            if (refresh.Run(1) != 1)
                Fail("refresh select", refresh.sv);
        }
        return timer.nsecsElapsed() / 1e9;
    }();
    p.tr->Rollback();
    return seconds;
}

#ifdef VELTOR_QT_PEER
// The peer: a prepared QSqlQuery of Qt's own driver re-executed with each
// new key, fetching the same rows, inside one transaction as the program's.
TMoveCost QtDetailMoves(QSqlDatabase& db, int moves, const std::vector<int32_t>& keys) {
    db.transaction();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QString::fromLatin1(StudentSelectPositional())))
        QtFail(q);
    const double cpu = ProcessCpuMs();
    QElapsedTimer timer;
    timer.start();
    TBackAndForth walk(keys.size());
    for (int i = 0; i < moves; ++i) {
        const size_t k = walk.Next();
        q.bindValue(0, keys[k]);
        if (!q.exec())
            QtFail(q);
        for (int n = 0; n < kGridRows && q.next(); ++n) {
        }
        q.finish();
    }
    const TMoveCost cost{timer.nsecsElapsed() / 1e9 / moves, (ProcessCpuMs() - cpu) / moves};
    db.commit();
    return cost;
}

// The peer's inserts: the same generator select, INSERT and refresh select
// as prepared QSqlQuery objects, rolled back.
double QtInserts(QSqlDatabase& db, int count) {
    db.transaction();
    QSqlQuery gen(db);
    QSqlQuery insert(db);
    QSqlQuery refresh(db);
    for (QSqlQuery* q : {&gen, &insert, &refresh})
        q->setForwardOnly(true);
    if (!gen.prepare(QString::fromLatin1(kGenerator)))
        QtFail(gen);
    if (!insert.prepare(QString::fromLatin1(kInsert)))
        QtFail(insert);
    if (!refresh.prepare(QString::fromLatin1(kRefresh)))
        QtFail(refresh);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        if (!gen.exec() || !gen.next())
            QtFail(gen);
        const int key = gen.value(0).toInt();
        gen.finish();
        insert.bindValue(0, key);
        insert.bindValue(1, QStringLiteral("Факультет %1").arg(i));
        insert.bindValue(2, QStringLiteral("Ф%1").arg(i));
        if (!insert.exec())
            QtFail(insert);
        refresh.bindValue(0, key);
        if (!refresh.exec() || !refresh.next())
            QtFail(refresh);
        refresh.finish();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    db.rollback();
    return seconds;
}
#endif

} // namespace

int main(int argc, char** argv) {
    const int runs = TakeRunsOption(argc, argv, 3);
    const QString database = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                      : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/"
                                                       "veltor-edit-bench.fdb");
    const int inserts = argc > 2 ? std::atoi(argv[2]) : 10000;
#ifdef VELTOR_QT_PEER
    QCoreApplication app(argc, argv);
    QSqlDatabase qt = OpenQtDatabase(database);
#endif
    try {
        Program p(database);
        std::vector<int32_t> keys;
        p.faculty->Open();
        while (!p.faculty->AtEnd()) {
            keys.push_back(p.faculty->FieldByName(QStringLiteral("F_ID"))->AsInteger());
            p.faculty->Next();
        }
        p.faculty->Close();
        if (!p.tr->Active())
            p.tr->StartTransaction();

        const int moves = 2000;
        p.student->Prepare();
        const int preparesBefore = p.student->SelectQuery().PrepareCount();
        TFigures figures;
        // In every run each loop is set against the bare loop measured just
        // before it, so that both see the same state of the machine.
        for (int run = 0; run < runs; ++run) {
            if (!p.tr->Active())
                p.tr->StartTransaction();
            const TMoveCost bare = BareDetailMoves(p, moves, keys);
            const TMoveCost detail = DetailMoves(p, moves);
            figures.Add("bare_detail_reexecute", "ms", bare.Seconds * 1000);
            figures.Add("detail_reopen", "ms", detail.Seconds * 1000);
            figures.Add("detail_reopen_vs_bare", "ratio", detail.Seconds / bare.Seconds);
            figures.Add("bare_detail_reexecute_cpu", "ms", bare.CpuMs);
            figures.Add("detail_reopen_cpu", "ms", detail.CpuMs);
#ifdef VELTOR_QT_PEER
            const TMoveCost qtDetail = QtDetailMoves(qt, moves, keys);
            figures.Add("qt_detail_reexecute", "ms", qtDetail.Seconds * 1000);
            figures.Add("qt_detail_reexecute_vs_bare", "ratio", qtDetail.Seconds / bare.Seconds);
            figures.Add("qt_detail_reexecute_cpu", "ms", qtDetail.CpuMs);
#endif
        }
        const int prepares = p.student->SelectQuery().PrepareCount() - preparesBefore;
        if (p.tr->Active())
            p.tr->Commit();

        for (int run = 0; run < runs; ++run) {
            const double bare = BareInserts(p, inserts);
            const double ours = DataSetInserts(p, inserts);
            figures.Add("bare_inserts", "s", bare);
            figures.Add("dataset_inserts", "s", ours);
            figures.Add("dataset_inserts_vs_bare", "ratio", ours / bare);
#ifdef VELTOR_QT_PEER
            const double qtInserts = QtInserts(qt, inserts);
            figures.Add("qt_inserts", "s", qtInserts);
            figures.Add("qt_inserts_vs_bare", "ratio", qtInserts / bare);
#endif
        }
        figures.Add("detail_prepares_during_moves", "count", prepares);

        std::printf("# edit_bench: detail reopen and inserts through the dataset against bare "
                    "client-library loops%s\n",
#ifdef VELTOR_QT_PEER
                    " and Qt's QIBASE driver (prepared QSqlQuery)"
#else
                    ""
#endif
        );
        std::printf("# %zu faculties, %d master moves of %d rows; %d inserts with generator and "
                    "refresh; %d runs\n",
                    keys.size(), moves, kGridRows, inserts, runs);
        figures.Print();
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
}
