// The program under a memory limit, for ResourceLimits in reliability_test.
// It runs as a child of that test because a sanitized program cannot start
// under an address-space limit at all: scripts/test builds this one without
// sanitizers.
//
//   memory_limit_child CONNECTION USER PASSWORD
//
// It starts the real main window on the database, shows the results, prints
// "ready" and waits for a line on its input; meanwhile the test lowers its
// address-space limit (prlimit --pid, soft limit only). Then the user asks for
// the last result with the navigator. The real error box is read and closed
// as the user would. The limit is then lifted back to the hard one and the
// last result asked for again, to prove that the rows held are whole and that
// the fetch goes on from where it stopped. Every finding is one line on the
// standard output:
//
//   opened <surname of the current row when the results were shown>
//   error <text of an error box>        (one line per box shown)
//   held <rows cached after the failure>
//   first <surname of the current row after First, in the grid>
//   count <rows after the second Last>
//   marks <sum of the marks, in hundredths, over every cached row>

#include "tests/app/UserActions.h"
#include "tests/support/GridProbe.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempProgramFolder.h"

#include "app/Application.h"
#include "app/startup.h"
#include "dataset/pFIBDataSet.h"
#include "ui/UserDialogs.h"

#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>
#include <sys/resource.h>

using namespace veltor::test;

namespace {

void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Reads and closes every message box that comes up, as its reader would.
class BoxReader : public QObject {
public:
    BoxReader() {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Say(QStringLiteral("error ") + box->text());
                box->accept();
            }
        });
        timer_.start();
    }

private:
    QTimer timer_;
};

void LiftSoftLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_AS, &limit);
}

int Run(const QString& connection, const QString& user, const QString& password) {
    TempProgramFolder folder;
    folder.WriteFile(QStringLiteral("options.ini"), ProgramOptions(connection, user, password));
    set_program_file(folder.Path() + QStringLiteral("veltor-admin"));
    set_splash_wait(0);
    create_windows();
    {
        // Start-up's warnings about the missing language files.
        ScriptedDialogs startup;
        run_startup();
        if (program_end_requested()) {
            Say(QStringLiteral("start failed: ") + startup.Texts().join(u'|'));
            return 2;
        }
        main_frm->show();
        QApplication::setActiveWindow(main_frm);
        ShowResults();
    }
    TDBGrid* grid = main_frm->resultat_grid;
    TpFIBDataSet* results = main_frm->resultat_dataset;
    Say(QStringLiteral("opened ") + Current(grid, QStringLiteral("FAMILIYA")));
    Say(QStringLiteral("ready"));
    std::string go;
    std::getline(std::cin, go);

    {
        BoxReader reader;
        Press(main_frm->resultat_navigator, TNavigateBtn::nbLast);
        Say(QStringLiteral("held %1").arg(results->FetchedCount()));
        Press(main_frm->resultat_navigator, TNavigateBtn::nbFirst);
        Say(QStringLiteral("first ") + Current(grid, QStringLiteral("FAMILIYA")));

        LiftSoftLimit();
        Press(main_frm->resultat_navigator, TNavigateBtn::nbLast);
        Say(QStringLiteral("count %1").arg(results->RecordCount()));
    }
    long long marks = 0;
    results->DisableControls();
    for (results->First(); !results->AtEnd(); results->Next())
        marks += qRound64(results->FieldByName(QStringLiteral("OCINKA"))->AsFloat() * 100);
    results->EnableControls();
    Say(QStringLiteral("marks %1").arg(marks));

    main_frm->hide();
    destroy_windows();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: memory_limit_child CONNECTION USER PASSWORD\n");
        return 2;
    }
    try {
        return Run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                   QString::fromLocal8Bit(argv[3]));
    } catch (...) {
        Say(QStringLiteral("failed ") + ErrorBoxText(std::current_exception()));
        return 3;
    }
}
