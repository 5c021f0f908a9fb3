#pragma once
// A temporary program folder with an empty language folder, as the settings
// routines find it at start, and scripted answers to message boxes.

#include "settings/Language.h"
#include "settings/ProgramState.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempProgramFolder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace veltor::test {

class ProgramFolderFixture : public testing::Test {
protected:
    ProgramFolderFixture() {
        program_folder = folder.Path();
        current_language.clear();
        QDir().mkdir(language_folder());
    }
    ~ProgramFolderFixture() override {
        program_folder.clear();
        current_language.clear();
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
};

} // namespace veltor::test
