// The program across a slow network: the real main window (offscreen) talks
// to the server through a delaying TCP forwarder, and each user action is
// measured in turns (request/response round trips), wall time and bytes each
// way, at 0, 10 and 25 ms each way.
//
// The floor of an action is the same statements sent by bare client-library
// calls the best way the library allows: the program's client calls are
// recorded (client_trace.h) and replayed on a connection of the floor's own,
// through a forwarder of its own with the same delay, where
//   - each distinct text is prepared once per connection, its columns
//     described by the prepare, and never dropped;
//   - an execute and its first fetch travel as the library sends them
//     (together, for a select), the fetches as many as the program's;
//   - what the prepare answered is not asked again; the rows a statement
//     changed are asked where the program asks them (its check that an
//     update or delete found its row);
//   - the items the program asks of the database within one action are
//     asked in one request, and an item once per connection;
//   - transactions start and end where the program's do, but one in which
//     nothing ran is not started at all.
//
//   latency_bench [host:database] [--runs N] [--delays 0,10,25] [--calls]
//
// The default database is the local veltor-bench-100k.fdb (db/make-demo,
// 100,000 results). --calls prints, for every action, the program's client
// calls with the turns each took. Output: figures.h.

#include "answerer.h"
#include "app/main_unit.h"
#include "app/startup.h"
#include "bare_fetch.h"
#include "client_trace.h"
#include "controls/DBGridActions.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"
#include "dataset/FIBDataSet.h"
#include "dataset/FIBTableDescriptions.h"
#include "dataset/pFIBDataSet.h"
#include "delay_proxy.h"
#include "fib/pFIBDatabase.h"
#include "figures.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const QString& message) {
    std::fprintf(stderr, "latency_bench: %s\n", qPrintable(message));
    std::exit(1);
}

// --- the recording library ----------------------------------------------------

TTakeClientTrace takeTrace = nullptr;
TObserveClientCalls observeCalls = nullptr;

void LoadTraceLibrary() {
    void* module = dlopen(VELTOR_CLIENT_TRACE_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!module)
        Fail(QStringLiteral("cannot load %1").arg(QLatin1String(VELTOR_CLIENT_TRACE_LIBRARY)));
    takeTrace = reinterpret_cast<TTakeClientTrace>(dlsym(module, "veltor_take_client_trace"));
    observeCalls =
        reinterpret_cast<TObserveClientCalls>(dlsym(module, "veltor_observe_client_calls"));
    if (!takeTrace || !observeCalls)
        Fail(QStringLiteral("the recording library lacks its own entry points"));
}

std::vector<TClientCall> TakeTrace() {
    std::vector<TClientCall> calls;
    takeTrace(&calls);
    return calls;
}

const char* CallName(TClientCallKind kind) {
    static const char* const names[] = {"attach",
                                        "detach",
                                        "database_info",
                                        "start",
                                        "commit",
                                        "commit_retaining",
                                        "rollback",
                                        "rollback_retaining",
                                        "transaction_info",
                                        "allocate",
                                        "prepare",
                                        "sql_info",
                                        "describe",
                                        "describe_bind",
                                        "set_cursor_name",
                                        "execute",
                                        "execute2",
                                        "fetch",
                                        "free",
                                        "execute_immediate",
                                        "open_blob",
                                        "create_blob"};
    return names[static_cast<int>(kind)];
}

// For --calls: the turns the forwarder counted after each call.
TDelayProxy* watchedProxy = nullptr;
std::vector<std::pair<TClientCall, std::int64_t>> callTurns;
std::int64_t lastTurns = 0;

void CountCallTurns(const TClientCall& call) {
    if (!watchedProxy)
        return;
    const std::int64_t now = watchedProxy->Read().Turns;
    callTurns.emplace_back(call, now - lastTurns);
    lastTurns = now;
}

// --- the user ------------------------------------------------------------------

// Notices the first paint of a widget.
class TPaintWatch : public QObject {
public:
    explicit TPaintWatch(QWidget* widget) : widget_(widget) { widget->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && event->type() == QEvent::Paint)
            painted = true;
        return false;
    }

private:
    QWidget* widget_;
};

// What one action cost.
struct TCost {
    double Turns = 0;
    double Ms = 0;
    double BytesToServer = 0;
    double BytesToClient = 0;
};

TCost Difference(const TDelayProxy::Counts& counts, double ms) {
    return {static_cast<double>(counts.Turns), ms, static_cast<double>(counts.BytesToServer),
            static_cast<double>(counts.BytesToClient)};
}

// An action of the user, as the main window gets it: the wall time runs
// until the events it caused (paints among them) are handled; the turns
// include anything the window still sent a little later.
TCost Measure(TDelayProxy& proxy, const std::function<void()>& action,
              const std::function<bool()>& done = {}) {
    proxy.Reset();
    callTurns.clear();
    lastTurns = 0;
    QElapsedTimer timer;
    timer.start();
    action();
    QCoreApplication::processEvents();
    while (done && !done()) {
        if (timer.elapsed() > 600000)
            Fail(QStringLiteral("an action did not end"));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 30)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return Difference(proxy.Read(), ms);
}

QString DatabasePath(const QString& database) {
    const int colon = database.indexOf(QLatin1Char(':'), 2);
    return colon < 0 ? database : database.mid(colon + 1);
}

QString ThroughProxy(const QString& database, int port) {
    return QStringLiteral("127.0.0.1/%1:%2").arg(port).arg(DatabasePath(database));
}

void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
    QTest::keyClick(target, key, mods);
}

QWidget* Target(TDBGrid* grid) {
    QWidget* editor = grid->InplaceEditor();
    return editor && editor->isVisible() ? editor : grid;
}

void Type(TDBGrid* grid, const QString& text) {
    for (const QChar ch : text)
        QTest::keyClick(Target(grid), ch.toLatin1());
}

int ColumnOf(TDBGrid* grid, const QString& field) {
    for (int i = 0; i < static_cast<int>(grid->Columns().size()); ++i)
        if (grid->Columns()[i].Field->FieldName() == field)
            return i;
    Fail(QStringLiteral("no column %1").arg(field));
}

void Press(TsDBNavigator* navigator, TNavigateBtn button) {
    QTest::mouseClick(navigator->Button(button), Qt::LeftButton);
}

// The actions, in the order the program is driven through them.
struct TAction {
    const char* Name;
    const char* Title;
};
const TAction kActions[] = {
    {"start", "start-up to the students view"},
    {"to_disciplines", "switch to the disciplines view"},
    {"discipline_down", "one discipline down (arrow key)"},
    {"to_students", "switch to the students view"},
    {"faculty_down", "one faculty down (students reopen)"},
    {"post_faculty", "post an edited faculty name"},
    {"insert_student", "insert and post a student"},
    {"delete_student", "delete the student"},
    {"to_results", "switch to the results view"},
    {"results_last", "results: Last over 100,000 rows (Ctrl+End)"},
    {"results_to_students", "switch from the results to the students"},
    {"to_results_again", "switch to the results view again"},
    {"export_csv", "results: CSV export of every row, on the view opened afresh"},
};

// How soon a long read stops once the user asks, measured from the asking
// to the read's return; only where the read was still going when asked.
struct TStop {
    const char* Name;
    const char* Title;
};
const TStop kStops[] = {
    {"stop_results_last", "results: Esc 300 ms into Last (Ctrl+End), on a view opened afresh"},
    {"stop_export_csv", "results: Cancel 300 ms into the CSV export, on a view opened afresh"},
};
std::map<std::string, std::vector<double>> stopMs;

constexpr int kAskToStopAfterMs = 300;

// Starts a read, asks to stop it after a while, and returns how long the
// read took to end from the asking; nothing when it ended before.
std::optional<double> StopLatency(const std::function<void()>& read,
                                  const std::function<void()>& askToStop) {
    QElapsedTimer asked;
    QTimer::singleShot(kAskToStopAfterMs, [&] {
        asked.start();
        askToStop();
    });
    read();
    if (!asked.isValid()) {
        // Ended before it could be stopped: the timer must not fire later.
        QElapsedTimer wait;
        wait.start();
        while (!asked.isValid() && wait.elapsed() < kAskToStopAfterMs + 100)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return std::nullopt;
    }
    return asked.nsecsElapsed() / 1e6;
}

// One action's measure and the client calls it made.
struct TActionRun {
    std::string Name;
    TCost Ours;
    std::vector<TClientCall> Calls;
    std::vector<std::pair<TClientCall, std::int64_t>> CallTurns;
};

// The program from start to the last action, once, through proxy.
std::vector<TActionRun> RunProgram(TDelayProxy& proxy, const QString& database, bool calls) {
    QTemporaryDir folder;
    if (!folder.isValid())
        Fail(QStringLiteral("no temporary folder"));
    if (!PrepareProgramFolder(folder.path(), ThroughProxy(database, proxy.Port())))
        Fail(QStringLiteral("cannot write the program folder %1").arg(folder.path()));
    set_program_file(folder.path() + QStringLiteral("/veltor-admin"));
    set_splash_wait(0);
    // Every run is a program started afresh: nothing it read in an earlier
    // run is known to it.
    TFIBTableDescriptions::Instance().Clear();
    TAnswerer answers;
    SetDialogResponder(&answers);
    create_windows();
    main_frm->DataBase->SetLibraryName(QStringLiteral(VELTOR_CLIENT_TRACE_LIBRARY));
    TakeTrace();

    std::vector<TActionRun> runs;
    watchedProxy = calls ? &proxy : nullptr;
    auto record = [&](const char* name, const TCost& cost) {
        if (!answers.errors.isEmpty())
            Fail(QStringLiteral("%1: %2").arg(QLatin1String(name), answers.errors.join(u'\n')));
        runs.push_back({name, cost, TakeTrace(), callTurns});
    };

    {
        TPaintWatch painted(main_frm->student_db->viewport());
        const TCost cost = Measure(
            proxy,
            [&answers] {
                run_startup();
                if (program_end_requested()) {
                    try {
                        main_frm->ConnectDatabase();
                    } catch (const std::exception& e) {
                        answers.errors << QString::fromLocal8Bit(e.what());
                    }
                    Fail(QStringLiteral("the program did not start: ") +
                         answers.errors.join(u'\n'));
                }
                main_frm->show();
                QApplication::setActiveWindow(main_frm);
            },
            [&] { return painted.painted; });
        record("start", cost);
    }
    record("to_disciplines", Measure(proxy, [] { main_frm->disciplines_mnu->trigger(); }));
    main_frm->discipline_grid->setFocus();
    record("discipline_down", Measure(proxy, [] { Key(main_frm->discipline_grid, Qt::Key_Down); }));
    record("to_students", Measure(proxy, [] { main_frm->students_mnu->trigger(); }));
    main_frm->faculty_db->setFocus();
    record("faculty_down", Measure(proxy, [] { Key(main_frm->faculty_db, Qt::Key_Down); }));

    // The faculty's name gains or loses a final "*", so that every run
    // leaves it as it found it after two runs, and no name is repeated.
    TDBGrid* faculties = main_frm->faculty_db;
    faculties->SetSelectedIndex(ColumnOf(faculties, QStringLiteral("NAZVA")));
    const QString name = faculties->SelectedField()->AsString();
    const QString renamed = name.endsWith(u'*') ? name.chopped(1) : name + u'*';
    Key(faculties, Qt::Key_F2);
    Key(Target(faculties), Qt::Key_End);
    if (renamed.size() < name.size())
        Key(Target(faculties), Qt::Key_Backspace);
    else
        Type(faculties, QStringLiteral("*"));
    record("post_faculty",
           Measure(proxy, [] { Press(main_frm->faculty_navigator, TNavigateBtn::nbPost); }));

    TDBGrid* students = main_frm->student_db;
    students->setFocus();
    record("insert_student", Measure(proxy, [students] {
               Press(main_frm->student_navigator, TNavigateBtn::nbInsert);
               students->SetSelectedIndex(ColumnOf(students, QStringLiteral("FAMILIYA")));
               Type(students, QStringLiteral("Latency"));
               students->SetSelectedIndex(ColumnOf(students, QStringLiteral("KURS")));
               Type(students, QStringLiteral("1"));
               Press(main_frm->student_navigator, TNavigateBtn::nbPost);
           }));
    if (main_frm->student_dataset->FieldByName(QStringLiteral("FAMILIYA"))->AsString() !=
        QStringLiteral("Latency"))
        Fail(QStringLiteral("the inserted student is not the current row"));
    record("delete_student",
           Measure(proxy, [] { Press(main_frm->student_navigator, TNavigateBtn::nbDelete); }));

    record("to_results", Measure(proxy, [] { main_frm->results_mnu->trigger(); }));
    main_frm->resultat_grid->setFocus();
    record("results_last",
           Measure(proxy, [] { Key(main_frm->resultat_grid, Qt::Key_End, Qt::ControlModifier); }));
    record("results_to_students", Measure(proxy, [] { main_frm->students_mnu->trigger(); }));
    // The export reads every row itself: it is measured on a view opened
    // afresh, not on one whose rows Last has already fetched.
    record("to_results_again", Measure(proxy, [] { main_frm->results_mnu->trigger(); }));
    const QString csv = folder.path() + QStringLiteral("/results.csv");
    record("export_csv", Measure(proxy, [&csv] {
               if (!main_frm->resultat_grid->Actions().ExportToCsvFile(csv))
                   Fail(QStringLiteral("the export was cancelled"));
           }));

    // The stops, each on the results view opened afresh.
    const auto reopenResults = [] {
        main_frm->students_mnu->trigger();
        main_frm->results_mnu->trigger();
        QCoreApplication::processEvents();
        main_frm->resultat_grid->setFocus();
    };
    const auto recordStop = [](const char* name, std::optional<double> ms) {
        if (ms)
            stopMs[name].push_back(*ms);
    };
    reopenResults();
    recordStop("stop_results_last",
               StopLatency([] { Key(main_frm->resultat_grid, Qt::Key_End, Qt::ControlModifier); },
                           [] {
                               QWidget* focus = QApplication::focusWidget();
                               QTest::keyClick(focus ? focus : main_frm, Qt::Key_Escape);
                           }));
    reopenResults();
    recordStop("stop_export_csv",
               StopLatency(
                   [&csv] {
                       if (main_frm->resultat_grid->Actions().ExportToCsvFile(csv))
                           std::fprintf(stderr, "the export ended before it was stopped\n");
                   },
                   [] {
                       if (auto* box = main_frm->resultat_grid->findChild<QProgressDialog*>(
                               QStringLiteral("export_progress_dlg")))
                           box->cancel();
                   }));

    watchedProxy = nullptr;
    destroy_windows();
    SetDialogResponder(nullptr);
    TakeTrace();
    return runs;
}

// --- the floor -----------------------------------------------------------------

// The program's calls replayed with bare client-library calls the best way
// the library allows, on a connection of the floor's own.
class TFloor {
public:
    TFloor(const QString& database, int port)
        : lib_(LoadClientLibrary(QStringLiteral("fbclient.dll"))),
          name_(ThroughProxy(database, port).toLocal8Bit()) {}
    ~TFloor() {
        if (db_) {
            for (auto& [tr, floor] : transactions_)
                if (floor)
                    lib_->isc_rollback_transaction(sv_, &floor);
            lib_->isc_detach_database(sv_, &db_);
        }
    }

    void Replay(const std::vector<TClientCall>& calls) {
        items_.clear();
        for (const TClientCall& c : calls)
            if (c.Kind == TClientCallKind::DatabaseInfo)
                for (char item : c.Text)
                    if (item != isc_info_end && askedDatabase_.insert(item).second)
                        items_ += item;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const TClientCall& c = calls[i];
            if (c.Result != 0 && c.Kind != TClientCallKind::Fetch)
                continue;
            if (c.Kind == TClientCallKind::Start && Empty(calls, i)) {
                skipped_.insert(c.Tr);
                continue;
            }
            if (IsEnd(c.Kind) && skipped_.erase(c.Tr))
                continue;
            Play(c);
            if (watchedProxy) {
                const std::int64_t now = watchedProxy->Read().Turns;
                played.emplace_back(c, now - lastTurns);
                lastTurns = now;
            }
        }
    }
    // For --calls: the calls replayed with the turns each took.
    std::vector<std::pair<TClientCall, std::int64_t>> played;
    int Failures() const { return failures_; }

private:
    struct TStatement {
        isc_stmt_handle Handle = 0;
        std::vector<char> Out;
        std::vector<std::vector<char>> Buffers;
        std::vector<ISC_SHORT> Indicators;
        bool Open = false;
        std::uintptr_t OpenIn = 0; // the program's transaction the cursor runs in
        XSQLDA* Da() { return Out.empty() ? nullptr : reinterpret_cast<XSQLDA*>(Out.data()); }
    };

    static bool IsEnd(TClientCallKind kind) {
        return kind == TClientCallKind::Commit || kind == TClientCallKind::Rollback;
    }
    // Whether the transaction started at calls[start] ends before any
    // statement ran in it.
    static bool Empty(const std::vector<TClientCall>& calls, std::size_t start) {
        const std::uintptr_t tr = calls[start].Tr;
        for (std::size_t i = start + 1; i < calls.size(); ++i) {
            const TClientCall& c = calls[i];
            if (c.Tr != tr)
                continue;
            if (IsEnd(c.Kind))
                return true;
            if (c.Kind == TClientCallKind::Prepare || c.Kind == TClientCallKind::Execute ||
                c.Kind == TClientCallKind::Execute2 ||
                c.Kind == TClientCallKind::ExecuteImmediate ||
                c.Kind == TClientCallKind::CommitRetaining ||
                c.Kind == TClientCallKind::RollbackRetaining)
                return false;
        }
        return false;
    }

    void Check(ISC_STATUS status, const char* what) {
        if (status == 0)
            return;
        ++failures_;
        char text[512] = {};
        const ISC_STATUS* p = sv_;
        lib_->isc_interprete(text, const_cast<ISC_STATUS**>(&p));
        std::fprintf(stderr, "latency_bench: floor %s: %s\n", what, text);
    }

    isc_tr_handle& Tr(std::uintptr_t ours) { return transactions_[ours]; }

    TStatement* Prepared(const std::string& text) {
        auto it = statements_.find(text);
        if (it != statements_.end())
            return &it->second;
        TStatement& s = statements_[text];
        Check(lib_->isc_dsql_alloc_statement2(sv_, &db_, &s.Handle), "allocate");
        const int room = 64;
        s.Out.assign(XSQLDA_LENGTH(room), 0);
        XSQLDA* da = s.Da();
        da->version = SQLDA_VERSION1;
        da->sqln = room;
        isc_tr_handle& tr = lastTr_;
        Check(lib_->isc_dsql_prepare(sv_, &tr, &s.Handle, 0, text.c_str(), 3, da), "prepare");
        const int n = std::min<int>(da->sqld, room);
        da->sqld = static_cast<ISC_SHORT>(n);
        s.Buffers.resize(n);
        s.Indicators.resize(n);
        for (int i = 0; i < n; ++i) {
            XSQLVAR& v = da->sqlvar[i];
            s.Buffers[i].resize(std::max<int>(v.sqllen + 2, 8));
            v.sqldata = s.Buffers[i].data();
            v.sqlind = &s.Indicators[i];
        }
        if (n == 0)
            s.Out.clear();
        return &s;
    }

    TStatement* Of(std::uintptr_t ours) {
        auto it = texts_.find(ours);
        return it == texts_.end() ? nullptr : Prepared(it->second);
    }

    // The recorded parameter values as a descriptor.
    struct TInput {
        std::vector<char> Memory;
        std::vector<std::string> Data;
        std::vector<ISC_SHORT> Indicators;
        XSQLDA* Da() { return Memory.empty() ? nullptr : reinterpret_cast<XSQLDA*>(Memory.data()); }
    };
    static void Fill(TInput& in, const std::vector<TTracedValue>& values) {
        if (values.empty())
            return;
        const int n = static_cast<int>(values.size());
        in.Memory.assign(XSQLDA_LENGTH(n), 0);
        in.Data.resize(n);
        in.Indicators.resize(n);
        XSQLDA* da = in.Da();
        da->version = SQLDA_VERSION1;
        da->sqln = da->sqld = static_cast<ISC_SHORT>(n);
        for (int i = 0; i < n; ++i) {
            const TTracedValue& t = values[i];
            XSQLVAR& v = da->sqlvar[i];
            v.sqltype = t.Type;
            v.sqlscale = t.Scale;
            v.sqlsubtype = t.SubType;
            v.sqllen = t.Length;
            in.Data[i] = t.Data;
            in.Data[i].resize(std::max<std::size_t>(in.Data[i].size(), 8));
            v.sqldata = in.Data[i].data();
            in.Indicators[i] = t.Null ? -1 : 0;
            v.sqlind = &in.Indicators[i];
        }
    }

    void Play(const TClientCall& c) {
        switch (c.Kind) {
        case TClientCallKind::Attach:
            Check(lib_->isc_attach_database(sv_, 0, name_.constData(), &db_,
                                            static_cast<short>(c.Block.size()), c.Block.data()),
                  "attach");
            break;
        case TClientCallKind::DatabaseInfo:
            if (!items_.empty()) {
                const std::string items = items_ + char(isc_info_end);
                items_.clear();
                char answer[4096];
                Check(lib_->isc_database_info(sv_, &db_, static_cast<short>(items.size()),
                                              items.data(), sizeof answer, answer),
                      "database_info");
            }
            break;
        case TClientCallKind::SqlInfo:
            // The statement's type and description came with the prepare;
            // the rows an execute changed did not.
            if (c.Text.find(char(isc_info_sql_records)) != std::string::npos)
                if (TStatement* s = Of(c.Stmt)) {
                    char answer[256];
                    Check(lib_->isc_dsql_sql_info(sv_, &s->Handle,
                                                  static_cast<short>(c.Text.size()), c.Text.data(),
                                                  sizeof answer, answer),
                          "sql_info");
                }
            break;
        case TClientCallKind::Start: {
            isc_tr_handle& tr = Tr(c.Tr);
            tr = 0;
            TTransactionBlock teb{&db_, static_cast<int>(c.Text.size()), c.Text.data()};
            Check(lib_->isc_start_multiple(sv_, &tr, 1, &teb), "start");
            lastTr_ = tr;
            break;
        }
        case TClientCallKind::Commit:
            CloseAll(c.Tr);
            Check(lib_->isc_commit_transaction(sv_, &Tr(c.Tr)), "commit");
            break;
        case TClientCallKind::CommitRetaining:
            Check(lib_->isc_commit_retaining(sv_, &Tr(c.Tr)), "commit_retaining");
            break;
        case TClientCallKind::Rollback:
            CloseAll(c.Tr);
            Check(lib_->isc_rollback_transaction(sv_, &Tr(c.Tr)), "rollback");
            break;
        case TClientCallKind::RollbackRetaining:
            Check(lib_->isc_rollback_retaining(sv_, &Tr(c.Tr)), "rollback_retaining");
            break;
        case TClientCallKind::Prepare:
            texts_[c.Stmt] = c.Text;
            lastTr_ = Tr(c.Tr);
            Prepared(c.Text);
            break;
        case TClientCallKind::Execute:
        case TClientCallKind::Execute2:
            if (TStatement* s = Of(c.Stmt)) {
                if (s->Open) {
                    Check(lib_->isc_dsql_free_statement(sv_, &s->Handle, DSQL_close), "close");
                    s->Open = false;
                }
                TInput in;
                Fill(in, c.Input);
                if (c.Kind == TClientCallKind::Execute2) {
                    Check(lib_->isc_dsql_execute2(sv_, &Tr(c.Tr), &s->Handle, 3, in.Da(), s->Da()),
                          "execute2");
                } else {
                    Check(lib_->isc_dsql_execute(sv_, &Tr(c.Tr), &s->Handle, 3, in.Da()),
                          "execute");
                    s->Open = s->Da() != nullptr;
                    s->OpenIn = c.Tr;
                }
            }
            break;
        case TClientCallKind::Fetch:
            if (TStatement* s = Of(c.Stmt); s && s->Open) {
                const ISC_STATUS status = lib_->isc_dsql_fetch(sv_, &s->Handle, 3, s->Da());
                if (status != 100)
                    Check(status, "fetch");
            }
            break;
        case TClientCallKind::Free:
            // Closed where the program closed; never dropped.
            if (TStatement* s = Of(c.Stmt); s && s->Open) {
                Check(lib_->isc_dsql_free_statement(sv_, &s->Handle, DSQL_close), "close");
                s->Open = false;
            }
            break;
        case TClientCallKind::ExecuteImmediate: {
            TInput in;
            Fill(in, c.Input);
            Check(lib_->isc_dsql_execute_immediate(sv_, &db_, &Tr(c.Tr), 0, c.Text.c_str(), 3,
                                                   in.Da()),
                  "execute_immediate");
            break;
        }
        case TClientCallKind::Detach:
        case TClientCallKind::TransactionInfo:
        case TClientCallKind::Allocate:
        case TClientCallKind::Describe:
        case TClientCallKind::DescribeBind:
        case TClientCallKind::SetCursorName:
        case TClientCallKind::OpenBlob:
        case TClientCallKind::CreateBlob:
            // Known from the prepare, allocated with it, or nothing the
            // floor needs: the program's own bookkeeping.
            break;
        }
    }

    // A transaction's end closes its cursors on the server; the library is
    // told so that their handles can run again.
    void CloseAll(std::uintptr_t tr) {
        for (auto& [text, s] : statements_)
            if (s.Open && s.OpenIn == tr) {
                lib_->isc_dsql_free_statement(sv_, &s.Handle, DSQL_close);
                s.Open = false;
            }
    }

    IIBClientLibraryPtr lib_;
    QByteArray name_;
    ISC_STATUS_ARRAY sv_{};
    isc_db_handle db_ = 0;
    isc_tr_handle lastTr_ = 0;
    std::map<std::uintptr_t, isc_tr_handle> transactions_;
    std::map<std::uintptr_t, std::string> texts_;
    std::map<std::string, TStatement> statements_;
    std::set<char> askedDatabase_;
    std::string items_;                // this action's database items not asked yet
    std::set<std::uintptr_t> skipped_; // transactions not started
    int failures_ = 0;
};

void PrintCalls(int delay, const TActionRun& run) {
    std::printf("# --- %s at %d ms: %.0f turns, %.0f ms\n", run.Name.c_str(), delay, run.Ours.Turns,
                run.Ours.Ms);
    for (const auto& [c, turns] : run.CallTurns) {
        std::string text = c.Text;
        for (char& ch : text)
            if (ch == '\r' || ch == '\n')
                ch = ' ';
        if (c.Kind == TClientCallKind::Start || c.Kind == TClientCallKind::SqlInfo ||
            c.Kind == TClientCallKind::DatabaseInfo || c.Kind == TClientCallKind::Attach ||
            c.Kind == TClientCallKind::TransactionInfo)
            text.clear();
        if (text.size() > 90)
            text.replace(90, std::string::npos, "...");
        std::printf("#   %lld %-18s stmt %-4lu opt %u %s%s\n", static_cast<long long>(turns),
                    CallName(c.Kind), static_cast<unsigned long>(c.Stmt), c.Option, text.c_str(),
                    c.Result && c.Kind != TClientCallKind::Fetch ? " FAILED" : "");
    }
}

std::vector<int> TakeDelaysOption(int& argc, char** argv) {
    std::vector<int> delays{0, 10, 25};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--delays") != 0)
            continue;
        delays.clear();
        for (const QString& d : QString::fromLatin1(argv[i + 1]).split(u','))
            delays.push_back(d.toInt());
        for (int j = i; j + 2 <= argc; ++j)
            argv[j] = argv[j + 2];
        argc -= 2;
        break;
    }
    return delays;
}

bool TakeFlag(int& argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0) {
            for (int j = i; j + 1 <= argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            return true;
        }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = TakeRunsOption(argc, argv, 3);
    const std::vector<int> delays = TakeDelaysOption(argc, argv);
    const bool calls = TakeFlag(argc, argv, "--calls");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString database =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QStringLiteral("127.0.0.1:/var/lib/firebird/3.0/data/veltor-bench-100k.fdb");
    LoadTraceLibrary();
    observeCalls(&CountCallTurns);

    TFigures figures;
    int floorFailures = 0;
    for (const int delay : delays) {
        TDelayProxy ours("127.0.0.1", 3050, delay);
        TDelayProxy bare("127.0.0.1", 3050, delay);
        for (int run = 0; run < runs; ++run) {
            const std::vector<TActionRun> measured = RunProgram(ours, database, calls);
            TFloor floor(database, bare.Port());
            for (const TActionRun& action : measured) {
                floor.played.clear();
                watchedProxy = calls ? &bare : nullptr;
                const TCost f = Measure(bare, [&] { floor.Replay(action.Calls); });
                watchedProxy = nullptr;
                const std::string at = action.Name + "_d" + std::to_string(delay);
                figures.Add(at + "_turns", "turns", action.Ours.Turns);
                figures.Add(at + "_floor_turns", "turns", f.Turns);
                figures.Add(at + "_ms", "ms", action.Ours.Ms);
                figures.Add(at + "_floor_ms", "ms", f.Ms);
                figures.Add(at + "_to_server", "bytes", action.Ours.BytesToServer);
                figures.Add(at + "_to_client", "bytes", action.Ours.BytesToClient);
                figures.Add(at + "_floor_to_client", "bytes", f.BytesToClient);
                figures.Add(at + "_turns_vs_floor", "ratio",
                            f.Turns > 0 ? action.Ours.Turns / f.Turns : 0);
                figures.Add(at + "_ms_vs_floor", "ratio", f.Ms > 0 ? action.Ours.Ms / f.Ms : 0);
                figures.Add(at + "_to_client_vs_floor", "ratio",
                            f.BytesToClient > 0 ? action.Ours.BytesToClient / f.BytesToClient : 0);
                if (calls && run == 0) {
                    PrintCalls(delay, action);
                    TActionRun replayed{action.Name + " (floor)", f, {}, floor.played};
                    PrintCalls(delay, replayed);
                }
            }
            floorFailures += floor.Failures();
        }
        for (const TStop& stop : kStops) {
            for (const double ms : stopMs[stop.Name])
                figures.Add(std::string(stop.Name) + "_d" + std::to_string(delay) + "_ms", "ms",
                            ms);
            stopMs[stop.Name].clear();
        }
    }
    std::printf("# latency_bench: the main window through a forwarder delaying each direction, "
                "against the floor (the same statements by bare client-library calls)\n");
    std::printf("# database %s; %d runs; delays each way:", qPrintable(database), runs);
    for (const int delay : delays)
        std::printf(" %d", delay);
    std::printf(" ms\n");
    for (const TAction& a : kActions)
        std::printf("# %s: %s\n", a.Name, a.Title);
    for (const TStop& stop : kStops)
        std::printf("# %s: %s (ms from the asking to the read's end)\n", stop.Name, stop.Title);
    if (floorFailures)
        std::printf("# the floor's replay had %d failed calls (see standard error)\n",
                    floorFailures);
    figures.Print();
    return 0;
}
