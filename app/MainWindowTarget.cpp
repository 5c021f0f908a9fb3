#include "app/MainWindowTarget.h"

TMainWindowTarget* main_window_target = nullptr;
