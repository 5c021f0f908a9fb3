#pragma once
// The program's entry and start-up: the three windows, the splash, the
// language folder and menu, the first-run settings file, the settings, the
// language and the database connection.

#include <QString>

struct TDatabaseLinkSteps;

// Creates main_frm, options_frm and about_frm, in this order. Given steps,
// the main window takes them with its connection in place of its own.
void create_windows(const TDatabaseLinkSteps* steps = nullptr);
// Destroys them, last created first.
void destroy_windows();

// The start-up routine. After a failed connection it requests the end of the
// program (program_end_requested).
void run_startup();
bool program_end_requested();

// The program after the application object exists: windows, splash,
// start-up, the wait, the main window and the event loop. Told to stop by
// SIGTERM, SIGINT or SIGHUP (app/ExitSignals.h), it leaves as a confirmed
// exit does, without asking, and names on standard error what it could not
// save. Returns the exit code: 0, or kExitNotSaved after such a leave.
// Given steps, the main window takes them as create_windows says.
int run_program(const TDatabaseLinkSteps* steps = nullptr);

// The program file whose folder decides program_folder (that folder itself,
// or the user's folder for an installed program); empty: the running
// program's own file.
void set_program_file(const QString& path);
// How long the splash stays up before the main window is shown.
void set_splash_wait(int milliseconds);
