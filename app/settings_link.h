#pragma once
// The settings routines of the shell: they carry options.ini's contents to
// and from the options dialog (options_frm), the main window
// (main_window_target) and its connection, and the current language to the
// windows that show captions.

#include "base/Listeners.h"

#include <QString>
#include <vector>

class TMainWindowTarget;
class Toptions_frm;

// Called once at start, before the language is applied: the dialog shows the
// settings, the connection takes them, the main window its saved position
// when the file says so.
void load_settings();
// Applies the system's language and puts the default settings into the
// options dialog; changes neither the connection nor the main window.
void set_default_settings();
// Writes the dialog's settings, the current language and the main window's
// position; raises EIniFileException when the file cannot be written.
void save_settings();
// Makes name (or its fallback) the current language, shows it in the dialog
// and translates the captions of the registered windows. With no language
// file at all it only shows the missing-language warning.
void apply_language(const QString& name);

// Registers main and then options as the windows whose captions are
// translated, points the dialog's OK and language menu at the routines above
// and centres it over main. Destroying the result takes the windows off the
// list again.
[[nodiscard]] std::vector<TListenerRegistration> wire_settings(TMainWindowTarget& main,
                                                               Toptions_frm& options);
