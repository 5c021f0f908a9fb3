#pragma once
// Where the program keeps options.ini and its Languages folder. A program
// laid out in a folder of its own that it may write (as the run command lays
// it out) keeps them beside the program file. An installed program, or one
// whose folder it may not write, keeps them in the user's configuration
// folder instead, which then plays the program folder's part in every rule of
// the settings and language files.

#include <QString>

// The folder for options.ini and Languages/, with a trailing separator, for
// the program file in executableFolder. When that is the user's folder, the
// folder is created (private to the user) and, on the first start, receives a
// copy of the bundled language files; at every start, each copy takes the
// bundled keys it lacks (those a newer program brought), and keeps its own
// values. A folder that cannot be created is still returned: the first write
// to it then reports the path it failed on.
QString resolve_program_folder(const QString& executableFolder);

// $XDG_CONFIG_HOME/veltor-admin/, or ~/.config/veltor-admin/ when that
// variable is unset, empty or not an absolute path.
QString user_program_folder();

// The language files shipped with the program file in executableFolder: those
// of an installed program in ../share/veltor-admin/Languages/ beside its
// folder, else the program folder's own Languages/. Empty when neither exists.
QString bundled_language_folder(const QString& executableFolder);

// Whether the program file in executableFolder is an installed one: its
// language files lie in ../share/veltor-admin/Languages/.
bool is_installed_program(const QString& executableFolder);
