#pragma once
// The two module-level texts that start-up, the settings and the translation
// share.

#include <QString>

// The folder of the program file, with a trailing separator. Every file of
// the program is this folder followed by a relative name.
extern QString program_folder;

// The name of the interface language in use; empty until the settings are
// loaded.
extern QString current_language;
