#pragma once
// options.ini: reading it into the main window's connection settings and the
// options dialog, presetting the dialog with the defaults, and writing it back
// from the dialog, the current language and the main window's position. Each
// routine opens the file, does its work and releases it before it returns.

#include <QString>

// program_folder + "options.ini".
QString options_file_name();

// Called once at start, before the language is applied.
void load_settings();
// Applies the system's language and puts the default settings into the
// options dialog; changes neither the connection nor the main window.
void set_default_settings();
// Writes the seven keys; raises EIniFileException when the file cannot be
// written (the keys written before stay written).
void save_settings();

// The defaults of the DataBase section.
QString default_database_path();
QString default_user_name();
QString default_password();
