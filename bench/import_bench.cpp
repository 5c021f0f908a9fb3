// Bringing 30,000 students in from CSV, against a bare loop of the same rows:
//  1. the whole import (the file read, the faculties and students read for
//     the check, every row checked, the good rows written with the grid's
//     insert statement) against a bare prepared INSERT of the same rows'
//     values, already in the connection's character set, keys drawn in one
//     generator call as the import draws them;
//  2. the import dialog's preview of the file: read, checked and shown;
//  3. the peak resident memory the import adds.
// Every insert is rolled back.
//
//   import_bench [host:database] [rows] [--runs N]
//   (default: the local veltor-edit-bench.fdb; create it with
//    db/make-demo 127.0.0.1:/var/lib/firebird/3.0/data/veltor-edit-bench.fdb)
// User and password come from ISC_USER / ISC_PASSWORD (SYSDBA / tarnwheel).
// Output: figures.h.

#include "app/ImportStudents.h"
#include "bare_fetch.h"
#include "base/TextCodec.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "figures.h"
#include "model/StudentImport.h"
#include "settings/Language.h"
#include "settings/ProgramState.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const QString& what) {
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(2);
}

[[noreturn]] void Fail(const char* what, const ISC_STATUS* sv) {
    Fail(QStringLiteral("%1 failed (%2)").arg(QLatin1String(what)).arg(sv[1]));
}

long long StatusBytes(const char* key) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(key) + ':';
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atoll(line.c_str() + prefix.size()) * 1024;
    return 0;
}

void ResetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// The client library alone: INSERT prepared once, its parameters described
// by the server and filled in place.
class BareInsert {
public:
    BareInsert(TFIBDatabase& db, TFIBTransaction& tr) : lib_(db.ClientLibrary()), tr_(tr) {
        static const char sql[] = "INSERT INTO STUDENT(S_ID, FAMILIYA, IMYA, OTCHESTVO, F_ID, "
                                  "KURS, GRUPA) VALUES(?, ?, ?, ?, ?, ?, ?)";
        if (lib_.isc_dsql_alloc_statement2(sv_, db.Handle(), &stmt_))
            Fail("isc_dsql_alloc_statement2", sv_);
        if (lib_.isc_dsql_prepare(sv_, tr_.Handle(), &stmt_, 0, sql, 3, nullptr))
            Fail("isc_dsql_prepare", sv_);
        memory_.assign(XSQLDA_LENGTH(7), 0);
        da_ = reinterpret_cast<XSQLDA*>(memory_.data());
        da_->version = SQLDA_VERSION1;
        da_->sqln = 7;
        if (lib_.isc_dsql_describe_bind(sv_, &stmt_, 3, da_))
            Fail("isc_dsql_describe_bind", sv_);
        for (int i = 0; i < 7; ++i) {
            buffers_[i].resize(64);
            da_->sqlvar[i].sqldata = buffers_[i].data();
            da_->sqlvar[i].sqlind = &nulls_[i];
        }
    }
    ~BareInsert() { lib_.isc_dsql_free_statement(sv_, &stmt_, DSQL_drop); }

    void Int(int i, int32_t value) {
        XSQLVAR& v = da_->sqlvar[i];
        v.sqltype = SQL_LONG | 1;
        v.sqllen = 4;
        std::memcpy(v.sqldata, &value, 4);
        nulls_[i] = 0;
    }
    void Text(int i, const QByteArray& text) {
        XSQLVAR& v = da_->sqlvar[i];
        v.sqltype = SQL_TEXT | 1;
        v.sqllen = static_cast<ISC_SHORT>(text.size());
        std::memcpy(v.sqldata, text.constData(), text.size());
        nulls_[i] = text.isEmpty() ? -1 : 0;
    }
    void Execute() {
        if (lib_.isc_dsql_execute(sv_, tr_.Handle(), &stmt_, 3, da_))
            Fail("isc_dsql_execute", sv_);
    }

private:
    IIBClientLibrary& lib_;
    TFIBTransaction& tr_;
    isc_stmt_handle stmt_ = 0;
    ISC_STATUS_ARRAY sv_{};
    std::vector<char> memory_;
    XSQLDA* da_ = nullptr;
    std::vector<char> buffers_[7];
    ISC_SHORT nulls_[7] = {};
};

struct BareRow {
    QByteArray last, first, patronymic, group;
    int32_t faculty;
    int32_t course;
};

// A registrar's file: every faculty by name in turn, six years, groups.
QByteArray MakeFile(const std::vector<TImportFaculty>& faculties, int rows) {
    QByteArray out("\xEF\xBB\xBF"
                   "Прізвище;Ім’я;По батькові;Курс;Група;Факультет\r\n");
    for (int i = 0; i < rows; ++i) {
        const TImportFaculty& f = faculties[i % faculties.size()];
        const QString line = QStringLiteral("Імпортенко%1;Олена;Петрівна;%2;ГР-%3;%4\r\n")
                                 .arg(i)
                                 .arg(1 + i % 6)
                                 .arg(i % 40)
                                 .arg(f.name);
        out += line.toUtf8();
    }
    return out;
}

double ImportOnce(TFIBDatabase& db, TFIBTransaction& tr, const QString& path, int expected) {
    if (!tr.Active())
        tr.StartTransaction();
    QElapsedTimer timer;
    timer.start();
    const TCsvTable table = ReadCsvFile(path);
    const TImportReference reference = TImportReference::Load(db, tr);
    const std::vector<TImportRow> rows =
        CheckImportRows(table, GuessImportColumns(table.records.first()), reference, std::nullopt);
    const std::optional<int> written = WriteImportRows(db, tr, rows);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!written || *written != expected)
        Fail(QStringLiteral("the import wrote %1 of %2 rows")
                 .arg(written.value_or(-1))
                 .arg(expected));
    tr.Rollback();
    return seconds;
}

double BareOnce(TFIBDatabase& db, TFIBTransaction& tr, const std::vector<BareRow>& rows) {
    tr.StartTransaction();
    QElapsedTimer timer;
    timer.start();
    {
        const int64_t last = db.GeneratorValue(QStringLiteral("GEN_STUDENT_ID"),
                                               static_cast<int64_t>(rows.size()), &tr);
        int32_t key = static_cast<int32_t>(last - static_cast<int64_t>(rows.size()) + 1);
        BareInsert insert(db, tr);
        for (const BareRow& r : rows) {
            insert.Int(0, key++);
            insert.Text(1, r.last);
            insert.Text(2, r.first);
            insert.Text(3, r.patronymic);
            insert.Int(4, r.faculty);
            insert.Int(5, r.course);
            insert.Text(6, r.group);
            insert.Execute();
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    tr.Rollback();
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = TakeRunsOption(argc, argv, 3);
    QApplication app(argc, argv);
    const QString database =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/veltor-edit-bench.fdb");
    const int count = argc > 2 ? std::atoi(argv[2]) : 30000;

    // A program folder for the dialog's captions and remembered mapping.
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("Languages"));
    const QDir languages(QStringLiteral(VELTOR_LANGUAGES_DIR));
    for (const QString& name : languages.entryList({QStringLiteral("*.olg")}, QDir::Files))
        QFile::copy(languages.filePath(name), folder.filePath(QStringLiteral("Languages/") + name));
    program_folder = folder.path() + u'/';
    if (!use_language(QStringLiteral("English")))
        Fail(QStringLiteral("no language file in %1").arg(program_folder));

    TBenchConnection c(database);
    c.db->SetConnected(true);
    c.tr->StartTransaction();
    std::vector<TImportFaculty> faculties;
    {
        TFIBQuery q;
        q.SetDatabase(c.db);
        q.SetTransaction(c.tr);
        q.SetSQLText(QStringLiteral("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET"));
        for (q.ExecQuery(); !q.Eof(); q.Next())
            faculties.push_back(
                {q.Fields(0).AsInteger(), q.Fields(1).AsWideString(), q.Fields(2).AsWideString()});
    }
    c.tr->Commit();
    if (faculties.empty())
        Fail(QStringLiteral("the database has no faculty"));
    const QString path = folder.filePath(QStringLiteral("students.csv"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(MakeFile(faculties, count)) < 0)
            Fail(QStringLiteral("cannot write %1").arg(path));
    }
    std::vector<BareRow> bare;
    for (int i = 0; i < count; ++i)
        bare.push_back({EncodeText(QStringLiteral("Імпортенко%1").arg(i)),
                        EncodeText(QStringLiteral("Олена")), EncodeText(QStringLiteral("Петрівна")),
                        EncodeText(QStringLiteral("ГР-%1").arg(i % 40)),
                        faculties[i % faculties.size()].id, 1 + i % 6});

    TFigures figures;
    // Memory first, while the process has not yet held the rows.
    {
        const long long before = StatusBytes("VmRSS");
        ResetPeakResident();
        ImportOnce(*c.db, *c.tr, path, count);
        figures.Add("import_peak_rss_increase", "MB",
                    static_cast<double>(StatusBytes("VmHWM") - before) / (1024.0 * 1024.0));
    }
    for (int run = 0; run < runs; ++run) {
        // Each against the bare loop measured moments apart.
        const double bareCpu = ProcessCpuMs();
        const double bareSeconds = BareOnce(*c.db, *c.tr, bare);
        const double oursCpu = ProcessCpuMs();
        const double ours = ImportOnce(*c.db, *c.tr, path, count);
        const double endCpu = ProcessCpuMs();
        figures.Add("bare_inserts", "s", bareSeconds);
        figures.Add("import_check_and_write", "s", ours);
        figures.Add("import_vs_bare", "ratio", ours / bareSeconds);
        // What the client process spends; the rest is the server's work.
        figures.Add("bare_inserts_cpu", "ms", oursCpu - bareCpu);
        figures.Add("import_cpu", "ms", endCpu - oursCpu);

        QElapsedTimer timer;
        timer.start();
        {
            TImportStudentsDialog dialog(nullptr, *c.db, *c.tr, std::nullopt);
            dialog.show();
            if (!dialog.OpenFile(path))
                Fail(QStringLiteral("the dialog refused %1").arg(path));
            dialog.Preview()->viewport()->repaint();
            QCoreApplication::processEvents();
            figures.Add("import_preview", "ms", timer.nsecsElapsed() / 1e6);
            if (dialog.Preview()->model()->rowCount() != count)
                Fail(QStringLiteral("the preview shows %1 rows")
                         .arg(dialog.Preview()->model()->rowCount()));
        }
        if (c.tr->Active())
            c.tr->Rollback();
    }
    std::printf("# import_bench: %d students from CSV checked and written, against a bare "
                "prepared INSERT of the same rows\n",
                count);
    figures.Print();
    return 0;
}
