#pragma once
// Language files and translation. Captions are designed as keys ("_FACULTY_")
// and replaced at run time by their value in section WORDS of the current
// language file, Languages/<name>.olg in the program folder. A key that the
// file lacks is added with itself as value at its first lookup, so that a
// new, empty file fills with every key in use.

#include "base/Listeners.h"

#include <QString>
#include <QStringList>

// program_folder + "Languages/".
QString language_folder();
// The language file of a language name (any text, the empty one included):
// <name>.olg, or the listed file of that name whose extension differs in case.
QString language_file_name(const QString& name);

// The native name of the system's default language; empty when the platform
// gives none or one longer than 18 characters.
QString system_language_name();
// The length rule of system_language_name.
QString limit_language_name(const QString& nativeName);

// The names of the language files in the language folder, sorted;
// directories are skipped.
QStringList list_languages();

// The translation of key in the current language file; adds the key when
// missing (raises EIniFileException when the file cannot be written).
QString translate(const QString& key);

// Makes name (or, when it has no file, the system's language or else the
// first listed one) the current language and returns true. With no language
// file at all it only shows the missing-language warning and returns false.
bool use_language(const QString& name);

// The windows that show translated captions, each a callback that sets its
// captions with translate. The shell registers them in the order their keys
// are looked up.
TListenerList<>& caption_targets();
// Translates the captions of every registered window, in their order; stops
// at the first error.
void translate_captions();

// Appended to the translation of "_MAIN_FORM_"; never translated.
QString main_caption_suffix();
// The warning shown when the language folder holds no language file.
QString missing_language_warning();
