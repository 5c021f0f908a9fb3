#include "app/startup.h"

#include "app/ExitSignals.h"
#include "app/about_unit.h"
#include "app/main_unit.h"
#include "app/settings_link.h"
#include "settings/Language.h"
#include "settings/ProgramFolder.h"
#include "settings/ProgramState.h"
#include "settings/Settings.h"
#include "settings/options_unit.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QWidget>

namespace {

QString program_file_override;
int splash_wait_ms = 2000;
bool end_requested = false;
std::vector<TListenerRegistration> settings_wiring;
// How long a leave on a signal may wait for the database.
constexpr int kGiveUpAfterMs = 10000;

QString program_file() {
    return program_file_override.isEmpty() ? QCoreApplication::applicationFilePath()
                                           : program_file_override;
}

void build_language_menu() {
    const QStringList names = list_languages();
    for (int i = 0; i < names.size(); ++i)
        options_frm->AddLanguageItem(names[i], i);
}

// A failed connection: the user may correct the settings, which take effect
// at the next start.
void connection_failed() {
    end_requested = true;
    ShowMessageBox({ApplicationTitle(), translate(QStringLiteral("_DB_CONNECTION_ERROR_")),
                    TMsgIcon::None, TMsgButtons::Ok, nullptr});
    ShowModal(*options_frm);
}

// Told to stop from outside: nobody is there to answer a dialog, so every one
// waiting is closed as if cancelled (an export in progress stops too), and
// every event loop ends. The saving happens once they have all returned, with
// no handler half-way through its work underneath.
void stop_requested() {
    for (int i = 0; i < 64; ++i) {
        QPointer<QWidget> waiting = QApplication::activePopupWidget();
        if (!waiting)
            waiting = QApplication::activeModalWidget();
        if (!waiting)
            break;
        waiting->close();
        // A box that takes no answer but its buttons.
        if (waiting && waiting->isVisible())
            waiting->hide();
    }
    QCoreApplication::exit(0);
}

int leave_without_asking() {
    // Nothing may wait for an answer now: a box is told on standard error.
    struct Unattended : TDialogResponder {
        TMsgResult Answer(const TMessage& message) override {
            SayOnStandardError(message.text);
            return message.buttons == TMsgButtons::Ok         ? TMsgResult::Ok
                   : message.buttons == TMsgButtons::OkCancel ? TMsgResult::Cancel
                                                              : TMsgResult::No;
        }
        void Modal(QDialog&) override {}
    } unattended;
    SetDialogResponder(&unattended);
    const bool saved = main_frm->LeaveWithoutAsking(SayOnStandardError);
    SetDialogResponder(nullptr);
    return saved ? 0 : kExitNotSaved;
}

} // namespace

void set_program_file(const QString& path) {
    program_file_override = path;
}
void set_splash_wait(int milliseconds) {
    splash_wait_ms = milliseconds;
}
bool program_end_requested() {
    return end_requested;
}

void create_windows(const TDatabaseLinkSteps* steps) {
    main_frm = new Tmain_frm;
    main_frm->SetDatabaseLinkSteps(steps);
    options_frm = new Toptions_frm;
    about_frm = new Tabout_frm;
    settings_wiring = wire_settings(*main_frm, *options_frm);
}

void destroy_windows() {
    settings_wiring.clear();
    delete about_frm;
    delete options_frm;
    delete main_frm;
}

void run_startup() {
    end_requested = false;
    program_folder = resolve_program_folder(QFileInfo(program_file()).absolutePath());
    QDir().mkdir(language_folder());
    build_language_menu();

    // A settings or language file that cannot be written is reported and
    // start-up goes on: the program still works with the settings it holds.
    if (!QFileInfo::exists(options_file_name()))
        HandleEvent([] {
            set_default_settings();
            save_settings();
        });
    load_settings();
    HandleEvent([] { apply_language(current_language); });

    try {
        main_frm->ConnectDatabase();
    } catch (...) {
        // The user sees only the translated connection message.
        HandleEvent(connection_failed);
    }
}

int run_program(const TDatabaseLinkSteps* steps) {
    // The application's own name, not a display name: window systems append
    // a display name to every window caption (" — Kestrin Veltor"), and the
    // captions are exactly what the language files and the suffix make them.
    QApplication::setApplicationName(ApplicationTitle());
    bool stopping = false;
    TExitSignals exit_signals(
        [&stopping](int) {
            stopping = true;
            stop_requested();
        },
        kGiveUpAfterMs);
    create_windows(steps);
    about_frm->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    run_startup();
    QThread::msleep(static_cast<unsigned long>(splash_wait_ms));
    about_frm->hide();

    int code = 0;
    if (!end_requested) {
        // A signal during start-up: the main window is not shown at all.
        if (!stopping) {
            main_frm->show();
            code = QApplication::exec();
        }
        if (stopping)
            code = leave_without_asking();
    }
    destroy_windows();
    return code;
}
