#include "settings/ProgramState.h"

QString program_folder;
QString current_language;
