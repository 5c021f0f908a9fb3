// The real program told to stop by a signal (logout, shutdown, kill, Ctrl+C),
// for Signals in reliability_test, which starts it as a child:
//
//   signals_child FOLDER SCENARIO TAG
//
// FOLDER holds options.ini naming the database (and the language file). The
// program starts as its entry does. Once the main window shows, the user adds
// a faculty "Faculty TAG" and posts it, then types a student "Student TAG" of
// that faculty and leaves the row unposted. SCENARIO then leaves the window
// as it is ("typed"), opens the options dialog ("options") or chooses Exit,
// which asks for confirmation ("exit"). Waiting in that state, the child
// prints "ready" on its standard output, and the test sends the signal.
// Anything that goes wrong before is one line "failed <what>".

#include "tests/app/UserActions.h"
#include "tests/support/GridProbe.h"

#include "app/Application.h"
#include "app/ExitSignals.h"
#include "app/startup.h"
#include "dataset/pFIBDataSet.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace veltor::test;

namespace {

void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Runs check every 20 ms from the event loop until it holds, then then_do once.
void When(std::function<bool()> check, std::function<void()> then_do) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, check, then_do] {
        if (!check())
            return;
        timer->stop();
        timer->deleteLater();
        then_do();
    });
    timer->start();
}

bool TypeRows(const QString& tag) {
    // A new faculty, posted.
    Press(main_frm->faculty_navigator, TNavigateBtn::nbInsert);
    main_frm->faculty_db->setFocus();
    main_frm->faculty_db->SetSelectedIndex(ColumnOf(main_frm->faculty_db, "NAZVA"));
    Type(main_frm->faculty_db, QStringLiteral("Faculty ") + tag);
    Press(main_frm->faculty_navigator, TNavigateBtn::nbPost);
    if (main_frm->faculty_dataset->State() != stBrowse) {
        Say(QStringLiteral("failed the faculty was not posted"));
        return false;
    }
    // Its first student, typed and not posted: Down in the empty grid
    // appends a row.
    main_frm->student_db->setFocus();
    Keys(main_frm->student_db, Qt::Key_Down);
    if (main_frm->student_dataset->State() != stInsert) {
        Say(QStringLiteral("failed no student row to type in"));
        return false;
    }
    main_frm->student_db->SetSelectedIndex(ColumnOf(main_frm->student_db, "FAMILIYA"));
    Type(main_frm->student_db, QStringLiteral("Student ") + tag);
    return true;
}

void Act(const QString& scenario, const QString& tag) {
    QApplication::setActiveWindow(main_frm);
    if (!TypeRows(tag))
        return;
    if (scenario == QLatin1String("typed")) {
        Say(QStringLiteral("ready"));
        return;
    }
    // The dialog is modal: "ready" comes from its own event loop.
    When([] { return QApplication::activeModalWidget() != nullptr; },
         [] { Say(QStringLiteral("ready")); });
    if (scenario == QLatin1String("options"))
        Choose(main_frm->program_mnu, main_frm->options_mnu);
    else
        Choose(main_frm->program_mnu, main_frm->exit_mnu);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: signals_child FOLDER typed|options|exit TAG\n");
        return 64;
    }
    // As the program's entry does.
    BlockExitSignals();
    TApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString scenario = QString::fromLocal8Bit(argv[2]);
    const QString tag = QString::fromLocal8Bit(argv[3]);
    set_program_file(folder + QStringLiteral("/veltor-admin"));
    set_splash_wait(0);
    When([] { return main_frm && main_frm->isVisible(); }, [scenario, tag] { Act(scenario, tag); });
    return run_program();
}
