// The results view questioned on the large demo database: the real main
// window (offscreen) on the results view, each measure taken against a bare
// client-library loop running the same statement on a connection of its own,
// in the same run:
//   - each single filter of the bar: the grid reopened under it to its first
//     painted window, against bare prepare, execute and as many fetches as
//     the grid read; and the count under it, against the bare count(*);
//   - a click on each column's title: the sorted open to its first window,
//     against the bare loop running the same sorted statement to as many
//     rows, and against the bare loop that first closes the cursor of the
//     order before, as the click closes the grid's;
//   - the summary by faculty over every result, against the bare GROUP BY
//     and the bare histogram statement;
//   - the bytes the server sends for a whole summary, through a counting
//     forwarder: what shows that the window never fetches the results;
//   - Esc given while a Last, a count and a summary run: the time from the
//     key to the return of the call it stopped.
// Every bare statement is prepared inside its timing, as the view prepares
// its own, and runs before ours in every other run.
//
//   results_bench [host:database] [--runs N]
//   (default: the local veltor-bench.fdb, db/make-demo <database> --large)
// User and password come from ISC_USER / ISC_PASSWORD. Output: figures.h.

#include "answerer.h"
#include "app/CancellableCall.h"
#include "app/ResultsFilter.h"
#include "app/ResultsSummary.h"
#include "app/ResultsView.h"
#include "app/main_unit.h"
#include "app/startup.h"
#include "bare_fetch.h"
#include "base/TextCodec.h"
#include "controls/DBGrids.h"
#include "dataset/pFIBDataSet.h"
#include "delay_proxy.h"
#include "fib/FIBDatabase.h"
#include "figures.h"
#include "model/ResultsQuery.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

[[noreturn]] void Fail(const QString& message) {
    std::fprintf(stderr, "results_bench: %s\n", qPrintable(message));
    std::exit(1);
}

double Ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// --- the bare loop -------------------------------------------------------------

// What a bare run of a statement gave.
struct TBareRun {
    double Ms = 0; // prepare to the last fetch
    long Rows = 0;
    qint64 First = -1; // the first column of the first row, when a whole number
};

// The statement as the program's statements send it: named parameters
// become "?" in their order, every line followed by CR LF.
QByteArray BareText(const QStringList& lines) {
    static const QRegularExpression named(QStringLiteral(":[A-Z_][A-Z0-9_]*"));
    QByteArray text;
    for (QString line : lines)
        text += line.replace(named, QStringLiteral("?")).toLatin1() + "\r\n";
    return text;
}

// Days since 30 December 1899 as the server's timestamp.
ISC_TIMESTAMP ServerTimestamp(double days) {
    const double whole = std::floor(days);
    ISC_TIMESTAMP t{};
    t.timestamp_date = static_cast<ISC_DATE>(whole) + 15018; // from 17 November 1858
    t.timestamp_time = static_cast<ISC_TIME>(std::llround((days - whole) * 864000000.0));
    return t;
}

// The client library alone: prepare, the parameters as the server describes
// them, execute, and up to maxRows fetches (every row when negative). With
// open, the statement in *open (one left open by the run before) is freed
// first, inside the timing, and this run's statement is left open there in
// its place, as a grid leaves its cursor open until the next order.
TBareRun RunBare(TFIBDatabase& db, TFIBTransaction& tr, const TResultsStatement& statement,
                 long maxRows, isc_stmt_handle* open = nullptr) {
    IIBClientLibrary& lib = db.ClientLibrary();
    ISC_STATUS_ARRAY sv{};
    isc_stmt_handle stmt = 0;
    const auto check = [&](ISC_STATUS status, const char* what) {
        if (status)
            Fail(QStringLiteral("%1 failed (%2)").arg(QLatin1String(what)).arg(sv[1]));
    };
    const QByteArray text = BareText(statement.Lines);
    const auto n = static_cast<int>(statement.Params.size());

    QElapsedTimer timer;
    timer.start();
    if (open && *open)
        check(lib.isc_dsql_free_statement(sv, open, DSQL_drop), "isc_dsql_free_statement");
    check(lib.isc_dsql_alloc_statement2(sv, db.Handle(), &stmt), "isc_dsql_alloc_statement2");
    std::vector<char> outMemory(XSQLDA_LENGTH(1));
    auto* out = reinterpret_cast<XSQLDA*>(outMemory.data());
    out->version = SQLDA_VERSION1;
    out->sqln = 1;
    check(lib.isc_dsql_prepare(sv, tr.Handle(), &stmt, 0, text.constData(), 3, out),
          "isc_dsql_prepare");
    const int columns = out->sqld;
    outMemory.assign(XSQLDA_LENGTH(columns), 0);
    out = reinterpret_cast<XSQLDA*>(outMemory.data());
    out->version = SQLDA_VERSION1;
    out->sqln = static_cast<ISC_SHORT>(columns);
    check(lib.isc_dsql_describe(sv, &stmt, 3, out), "isc_dsql_describe");
    std::vector<std::vector<char>> outBuffers(columns);
    std::vector<ISC_SHORT> outNulls(columns);
    for (int i = 0; i < columns; ++i) {
        XSQLVAR& v = out->sqlvar[i];
        const int type = v.sqltype & ~1;
        outBuffers[i].resize(type == SQL_VARYING ? v.sqllen + 2 : std::max<int>(v.sqllen, 8));
        v.sqldata = outBuffers[i].data();
        v.sqlind = &outNulls[i];
    }

    std::vector<char> inMemory(XSQLDA_LENGTH(std::max(n, 1)), 0);
    auto* in = reinterpret_cast<XSQLDA*>(inMemory.data());
    in->version = SQLDA_VERSION1;
    in->sqln = static_cast<ISC_SHORT>(std::max(n, 1));
    std::vector<std::vector<char>> inBuffers(n);
    std::vector<ISC_SHORT> inNulls(n, 0);
    if (n > 0) {
        check(lib.isc_dsql_describe_bind(sv, &stmt, 1, in), "isc_dsql_describe_bind");
        if (in->sqld != n)
            Fail(QStringLiteral("the server counts %1 parameters, the statement %2")
                     .arg(in->sqld)
                     .arg(n));
        for (int i = 0; i < n; ++i) {
            XSQLVAR& v = in->sqlvar[i];
            const Variant& value = statement.Params[static_cast<std::size_t>(i)].second;
            std::vector<char>& b = inBuffers[i];
            const auto put = [&b](const auto& x) {
                b.resize(sizeof x);
                std::memcpy(b.data(), &x, sizeof x);
            };
            switch (v.sqltype & ~1) {
            case SQL_SHORT:
                put(static_cast<ISC_SHORT>(value.ToInt64()));
                break;
            case SQL_LONG:
                put(static_cast<ISC_LONG>(value.ToInt64()));
                break;
            case SQL_INT64:
                put(static_cast<ISC_INT64>(value.ToInt64()));
                break;
            case SQL_DOUBLE:
                put(value.ToDouble());
                break;
            case SQL_FLOAT:
                put(static_cast<float>(value.ToDouble()));
                break;
            case SQL_TIMESTAMP:
                put(ServerTimestamp(value.ToDateTime()));
                break;
            case SQL_VARYING: {
                const QByteArray s = EncodeText(value.ToString()).left(v.sqllen);
                b.resize(2 + static_cast<std::size_t>(s.size()));
                const auto length = static_cast<ISC_SHORT>(s.size());
                std::memcpy(b.data(), &length, 2);
                std::memcpy(b.data() + 2, s.constData(), static_cast<std::size_t>(s.size()));
                break;
            }
            case SQL_TEXT: {
                QByteArray s = EncodeText(value.ToString()).left(v.sqllen);
                s += QByteArray(v.sqllen - s.size(), ' ');
                b.assign(s.begin(), s.end());
                break;
            }
            default:
                Fail(QStringLiteral("parameter %1 of a type the bare loop does not set: %2")
                         .arg(i)
                         .arg(v.sqltype));
            }
            v.sqldata = b.data();
            v.sqlind = &inNulls[i];
        }
    }
    check(lib.isc_dsql_execute(sv, tr.Handle(), &stmt, 3, n > 0 ? in : nullptr),
          "isc_dsql_execute");
    TBareRun run;
    ISC_STATUS status = 0;
    while ((maxRows < 0 || run.Rows < maxRows) &&
           (status = lib.isc_dsql_fetch(sv, &stmt, 3, out)) == 0) {
        if (run.Rows++ == 0 && columns > 0 && outNulls[0] != -1) {
            const XSQLVAR& v = out->sqlvar[0];
            switch (v.sqltype & ~1) {
            case SQL_LONG:
                run.First = *reinterpret_cast<const ISC_LONG*>(v.sqldata);
                break;
            case SQL_INT64:
                run.First = *reinterpret_cast<const ISC_INT64*>(v.sqldata);
                break;
            default:
                break;
            }
        }
    }
    run.Ms = Ms(timer);
    if (status != 0 && status != 100)
        check(status, "isc_dsql_fetch");
    if (open)
        *open = stmt;
    else
        lib.isc_dsql_free_statement(sv, &stmt, DSQL_drop);
    return run;
}

// --- the window ----------------------------------------------------------------

// A single filter of the bar, typed or chosen as the user would leave it.
struct TFilterCase {
    const char* Name;
    const char* Title;
    std::function<void(TResultsFilterBar&)> Fill;
};

void ChooseAt(QComboBox* box, int index) {
    if (index <= 0 || index >= box->count())
        Fail(QStringLiteral("the list %1 has no entry %2").arg(box->objectName()).arg(index));
    box->setCurrentIndex(index);
}

int ColumnOf(TDBGrid* grid, const QString& field) {
    for (int i = 0; i < static_cast<int>(grid->Columns().size()); ++i)
        if (grid->Columns()[i].Field && grid->Columns()[i].Field->FieldName() == field)
            return i;
    Fail(QStringLiteral("no column %1").arg(field));
}

// A measure of the user's action: the call and the events it caused
// (the grid's paint among them).
double Timed(const std::function<void()>& action) {
    QElapsedTimer timer;
    timer.start();
    action();
    QCoreApplication::processEvents();
    return Ms(timer);
}

// Esc as the user gives it, delayMs after call begins: to the progress box
// when it shows, else to the widget with the focus. The milliseconds from
// the key to the return of call, or a negative number when call had ended
// before the key; *stopped: what the call answered.
double EscDuring(int delayMs, const std::function<bool()>& call, bool* stopped) {
    QElapsedTimer sinceEsc;
    QTimer esc;
    esc.setSingleShot(true);
    QObject::connect(&esc, &QTimer::timeout, [&sinceEsc] {
        auto* box = main_frm->findChild<QProgressDialog*>(kCancellableProgressName);
        QWidget* target = box && box->isVisible() ? box : QApplication::focusWidget();
        if (!target)
            target = main_frm->resultat_grid;
        sinceEsc.start();
        QTest::keyClick(target, Qt::Key_Escape);
    });
    esc.start(delayMs);
    *stopped = !call();
    esc.stop();
    return sinceEsc.isValid() ? Ms(sinceEsc) : -1;
}

// The bare GROUP BY the summary is measured against: count, average,
// lowest and highest mark per faculty, without the bins the window's own
// statement counts beside them.
TResultsStatement PlainGroupBy() {
    TResultsStatement s = ResultsSummary({}, TResultsGrouping::Faculty);
    s.Lines.erase(std::remove_if(s.Lines.begin(), s.Lines.end(),
                                 [](const QString& line) { return line.contains(" AS BIN"); }),
                  s.Lines.end());
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = TakeRunsOption(argc, argv, 3);
    const QString database = BenchDatabaseName(argc, argv);

    QTemporaryDir folder;
    if (!folder.isValid())
        Fail(QStringLiteral("no temporary folder"));
    if (!PrepareProgramFolder(folder.path(), database))
        Fail(QStringLiteral("cannot write the program folder %1").arg(folder.path()));
    set_program_file(folder.path() + QStringLiteral("/veltor-admin"));
    set_splash_wait(0);
    TAnswerer answers;
    SetDialogResponder(&answers);
    create_windows();
    run_startup();
    if (program_end_requested())
        Fail(QStringLiteral("the program did not start: ") + answers.errors.join(u'\n'));
    // Tall enough for the grid to show 30 rows, as the goals count them.
    main_frm->resize(615, 740);
    main_frm->show();
    QApplication::setActiveWindow(main_frm);
    main_frm->results_mnu->trigger();
    QCoreApplication::processEvents();
    const auto checkErrors = [&answers](const char* what) {
        if (!answers.errors.isEmpty())
            Fail(QStringLiteral("%1: %2").arg(QLatin1String(what), answers.errors.join(u'\n')));
    };
    checkErrors("the results view");

    TResultsView* view = main_frm->results_view;
    TDBGrid* grid = main_frm->resultat_grid;
    TpFIBDataSet& results = *main_frm->resultat_dataset;
    TResultsFilterBar& bar = *view->filter_bar;
    if (!results.Active())
        Fail(QStringLiteral("the results view did not open"));
    // The bar fills its lists when shown; the filters are then applied with
    // it hidden, so that the open is measured apart from the count.
    view->SetFilterBarShown(true);
    view->SetFilterBarShown(false);
    QCoreApplication::processEvents();
    const QString surname =
        results.FieldByName(QStringLiteral("FAMILIYA"))->AsString().trimmed().left(3);
    checkErrors("the filter bar");

    TBenchConnection bare(database);
    bare.db->SetConnected(true);
    bare.tr->StartTransaction();
    // After each measure: the view gave its dataset the statement its choice
    // builds, the one the bare loop ran.
    const auto viewStatement = [&] {
        TResultsStatement s = ResultsSelect(view->Filter(), view->Columns(), view->Sort());
        if (s.Lines != results.SelectSQL())
            Fail(QStringLiteral("the view's select is not the one rebuilt from its choice"));
        return s;
    };

    const TFilterCase filters[] = {
        {"faculty", "faculty", [](TResultsFilterBar& b) { ChooseAt(b.faculty_cb, 3); }},
        {"course", "year", [](TResultsFilterBar& b) { ChooseAt(b.course_cb, 2); }},
        {"group", "group",
         [](TResultsFilterBar& b) { ChooseAt(b.group_cb, b.group_cb->count() / 2); }},
        {"discipline", "discipline", [](TResultsFilterBar& b) { ChooseAt(b.discipline_cb, 5); }},
        {"test", "test", [](TResultsFilterBar& b) { ChooseAt(b.test_cb, 7); }},
        {"name", "start of a last name",
         [&surname](TResultsFilterBar& b) { b.name_e->setText(surname.toLower()); }},
        {"dates", "a month of dates",
         [](TResultsFilterBar& b) {
             b.from_e->setText(QStringLiteral("01.10.2024"));
             b.to_e->setText(QStringLiteral("31.10.2024"));
         }},
        {"marks", "marks 40 to 60.5",
         [](TResultsFilterBar& b) {
             b.mark_min_e->setText(QStringLiteral("40"));
             b.mark_max_e->setText(QStringLiteral("60.5"));
         }},
    };
    struct TSortCase {
        const char* Field;
        bool Descending;
    };
    const TSortCase sorts[] = {
        {"NAZVA", false}, {"KURS", false},      {"GRUPA", false},      {"FAMILIYA", false},
        {"IMYA", false},  {"OTCHESTVO", false}, {"OCINKA", false},     {"OCINKA", true},
        {"VREMA", false}, {"VREMA", true},      {"TEST_NAZVA", false}, {"DISC_NAZVA", false},
    };

    TFigures figures;
    std::vector<std::string> notes;
    const auto note = [&notes](const QString& text) {
        if (std::find(notes.begin(), notes.end(), text.toStdString()) == notes.end())
            notes.push_back(text.toStdString());
    };
    // ours against the bare loop: both figures and their ratio.
    const auto add = [&figures](const std::string& name, double ours, double floor) {
        figures.Add(name, "ms", ours);
        figures.Add(name + "_bare", "ms", floor);
        figures.Add(name + "_vs_bare", "ratio", floor > 0 ? ours / floor : 0);
    };

    // The summary through a forwarder that counts the bytes, on a
    // connection of its own: nothing but the summary passes there.
    TDelayProxy proxy("127.0.0.1", 3050, 0);
    const int colon = database.indexOf(u':', 2);
    TBenchConnection counted(QStringLiteral("127.0.0.1/%1:%2")
                                 .arg(proxy.Port())
                                 .arg(colon < 0 ? database : database.mid(colon + 1)));
    counted.db->SetConnected(true);
    counted.tr->StartTransaction();
    // A child of the window: gone before the window is.
    auto countedSummary = std::make_unique<TResultsSummary>(*main_frm, *counted.db, *counted.tr);

    qint64 all = 0;
    for (int run = 0; run < runs; ++run) {
        // Ours and its floor one after the other, the floor first in every
        // other run: neither profits throughout from the server's cache
        // warmed by the other.
        const auto both = [run](const std::function<double()>& ours,
                                const std::function<double()>& floor) {
            std::pair<double, double> t;
            if (run % 2) {
                t.second = floor();
                t.first = ours();
            } else {
                t.first = ours();
                t.second = floor();
            }
            return t;
        };
        // The grid's window: as many rows as it shows.
        const int window = grid->VisibleRowCount();

        // --- single filters: the open and the count ---------------------------
        for (const TFilterCase& f : filters) {
            bar.Clear();
            f.Fill(bar);
            const std::optional<TResultsFilter> typed = bar.Filter();
            if (!typed)
                Fail(QStringLiteral("the bar does not take the filter %1")
                         .arg(QLatin1String(f.Name)));
            const TResultsStatement select = ResultsSelect(*typed, view->Columns(), view->Sort());
            long bareRows = 0;
            const auto [ours, floor] = both(
                [&] {
                    return Timed([&] {
                        if (!view->ApplyFilter())
                            Fail(QStringLiteral("the bar did not take the filter %1")
                                     .arg(QLatin1String(f.Name)));
                    });
                },
                [&] {
                    const TBareRun r = RunBare(*bare.db, *bare.tr, select, window);
                    bareRows = r.Rows;
                    return r.Ms;
                });
            checkErrors(f.Name);
            viewStatement();
            if (results.FetchedCount() != bareRows)
                Fail(QStringLiteral("filter %1: the grid read %2 rows, the bare loop %3")
                         .arg(QLatin1String(f.Name))
                         .arg(results.FetchedCount())
                         .arg(bareRows));
            add(std::string("filter_open_") + f.Name, ours, floor);

            std::optional<qint64> count;
            qint64 bareCount = -1;
            const auto [oursCount, floorCount] =
                both([&] { return Timed([&] { count = view->Count(); }); },
                     [&] {
                         const TBareRun r = RunBare(*bare.db, *bare.tr, ResultsCount(*typed), -1);
                         bareCount = r.First;
                         return r.Ms;
                     });
            checkErrors(f.Name);
            if (!count || *count != bareCount)
                Fail(QStringLiteral("filter %1: the view counts %2, the bare count(*) %3")
                         .arg(QLatin1String(f.Name))
                         .arg(count ? QString::number(*count) : QStringLiteral("nothing"))
                         .arg(bareCount));
            add(std::string("filter_count_") + f.Name, oursCount, floorCount);
            note(QStringLiteral("filter %1 (%2): first window %3 rows, %4 results")
                     .arg(QLatin1String(f.Name), QLatin1String(f.Title))
                     .arg(bareRows)
                     .arg(*count));
        }
        bar.Clear();
        view->ApplyFilter();

        // Every result counted: the count with no filter.
        {
            std::optional<qint64> count;
            qint64 bareCount = -1;
            const auto [ours, floor] =
                both([&] { return Timed([&] { count = view->Count(); }); },
                     [&] {
                         const TBareRun r = RunBare(*bare.db, *bare.tr, ResultsCount({}), -1);
                         bareCount = r.First;
                         return r.Ms;
                     });
            if (!count || *count != bareCount)
                Fail(QStringLiteral("the count of every result differs from the bare one"));
            all = *count;
            add("count_all", ours, floor);
        }

        // --- title clicks ------------------------------------------------------
        // The second floor keeps its cursor open from one order to the next,
        // as the grid does, starting from the server's order the grid shows.
        isc_stmt_handle bareOpen = 0;
        RunBare(*bare.db, *bare.tr, ResultsSelect(view->Filter(), view->Columns(), {}), window,
                &bareOpen);
        for (const TSortCase& s : sorts) {
            const QString field = QString::fromLatin1(s.Field);
            const bool added = field == QLatin1String(kTestNameField) ||
                               field == QLatin1String(kDisciplineNameField);
            if (added && view->Columns().IsEmpty())
                view->SetColumns({true, true});
            // The first click on another column orders ascending, the next
            // one descending: the list gives each descending order right
            // after its ascending one.
            const TResultsStatement select =
                ResultsSelect(view->Filter(), view->Columns(), {field, s.Descending});
            long bareRows = 0;
            const auto [ours, floor] = both(
                [&] {
                    return Timed([&] {
                        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                                          grid->TitleRect(ColumnOf(grid, field)).center());
                    });
                },
                [&] {
                    const TBareRun r = RunBare(*bare.db, *bare.tr, select, window);
                    bareRows = r.Rows;
                    return r.Ms;
                });
            checkErrors(s.Field);
            if (view->Sort().Field != field || view->Sort().Descending != s.Descending)
                Fail(QStringLiteral("the click on %1 did not order by it").arg(field));
            viewStatement();
            if (results.FetchedCount() != bareRows)
                Fail(QStringLiteral("order %1: the grid read %2 rows, the bare loop %3")
                         .arg(field)
                         .arg(results.FetchedCount())
                         .arg(bareRows));
            const std::string name = std::string("sort_") + s.Field + (s.Descending ? "_desc" : "");
            add(name, ours, floor);
            const double floorAfter = RunBare(*bare.db, *bare.tr, select, window, &bareOpen).Ms;
            figures.Add(name + "_bare_after", "ms", floorAfter);
            figures.Add(name + "_vs_bare_after", "ratio", floorAfter > 0 ? ours / floorAfter : 0);
            note(QStringLiteral("order by %1%2: first window %3 rows")
                     .arg(field, s.Descending ? QStringLiteral(" descending") : QString())
                     .arg(bareRows));
        }
        {
            ISC_STATUS_ARRAY sv{};
            bare.db->ClientLibrary().isc_dsql_free_statement(sv, &bareOpen, DSQL_drop);
        }
        view->SetColumns({false, false});
        // Back to the server's own order.
        while (!view->Sort().IsEmpty())
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->TitleRect(ColumnOf(grid, view->Sort().Field)).center());

        // --- the summary by faculty over every result ---------------------------
        {
            if (!view->Summary())
                view->ShowSummary();
            TResultsSummary* summary = view->Summary();
            summary->by_cb->setCurrentIndex(0);
            bool done = false;
            TBareRun groups;
            TBareRun bins;
            const auto [ours, floor] =
                both([&] { return Timed([&] { done = summary->Compute(); }); },
                     [&] {
                         groups = RunBare(*bare.db, *bare.tr, PlainGroupBy(), -1);
                         bins = RunBare(*bare.db, *bare.tr, ResultsHistogram({}), -1);
                         return groups.Ms;
                     });
            (void)floor;
            checkErrors("the summary");
            if (!done || summary->Rows().empty())
                Fail(QStringLiteral("the summary did not finish"));
            if (groups.Rows != static_cast<long>(summary->Rows().size()))
                Fail(QStringLiteral("the summary shows %1 faculties, the bare GROUP BY %2")
                         .arg(summary->Rows().size())
                         .arg(groups.Rows));
            add("summary_faculty", ours, groups.Ms);
            figures.Add("summary_bare_histogram", "ms", bins.Ms);
            figures.Add("summary_bare_both", "ms", groups.Ms + bins.Ms);
            figures.Add("summary_faculty_vs_bare_both", "ratio", ours / (groups.Ms + bins.Ms));

            proxy.Reset();
            if (!countedSummary->Compute())
                Fail(QStringLiteral("the counted summary did not finish"));
            const TDelayProxy::Counts bytes = proxy.Read();
            figures.Add("summary_bytes_from_server", "bytes",
                        static_cast<double>(bytes.BytesToClient));
            figures.Add("summary_turns", "turns", static_cast<double>(bytes.Turns));
            qint64 histogramRows = 0;
            for (qint64 c : countedSummary->histogram->Counts())
                histogramRows += c;
            note(QStringLiteral("summary: %1 faculties, the histogram counts %2 marks")
                     .arg(countedSummary->Rows().size())
                     .arg(histogramRows));
        }

        // --- Esc during a Last, a count and a summary ----------------------------
        {
            // A view opened afresh, so that Last has every row to read.
            main_frm->results_mnu->trigger();
            QCoreApplication::processEvents();
            grid->setFocus();
            bool stopped = false;
            const double last = EscDuring(
                500,
                [&] {
                    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
                    return results.AllFetched();
                },
                &stopped);
            checkErrors("Esc during Last");
            if (last < 0 || !stopped)
                Fail(QStringLiteral("Last ended before Esc"));
            figures.Add("cancel_last", "ms", last);
            note(QStringLiteral("Esc during Last: %1 of %2 rows read when stopped")
                     .arg(results.FetchedCount())
                     .arg(all));

            const double count = EscDuring(
                150, [&] { return view->Count().has_value(); }, &stopped);
            checkErrors("Esc during the count");
            if (count < 0 || !stopped)
                Fail(QStringLiteral("the count ended before Esc"));
            figures.Add("cancel_count", "ms", count);

            TResultsSummary* summary = view->Summary();
            const double sum = EscDuring(
                150, [&] { return summary->Compute(); }, &stopped);
            checkErrors("Esc during the summary");
            if (sum < 0 || !stopped)
                Fail(QStringLiteral("the summary ended before Esc"));
            figures.Add("cancel_summary", "ms", sum);
        }
    }

    counted.tr->Commit();
    bare.tr->Commit();
    std::printf("# results_bench: the results view in the real main window against the bare "
                "client-library loop, %lld results, %d runs\n",
                static_cast<long long>(all), runs);
    for (const std::string& n : notes)
        std::printf("# %s\n", n.c_str());
    figures.Print();
    countedSummary.reset();
    destroy_windows();
    SetDialogResponder(nullptr);
    return 0;
}
