#pragma once
// A stand-in main window for the settings routines' tests, with the program
// folder and the options dialog the routines work on, wired as the shell
// wires its own windows.

#include "app/MainWindowTarget.h"
#include "app/settings_link.h"
#include "fib/pFIBDatabase.h"
#include "settings/Language.h"
#include "settings/ProgramState.h"
#include "settings/options_unit.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempProgramFolder.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace veltor::test {

class FakeMainWindow : public QWidget, public TMainWindowTarget {
public:
    FakeMainWindow() {
        database.SetName("DataBase");
        main_window_target = this;
    }
    ~FakeMainWindow() override { main_window_target = nullptr; }

    QWidget& Window() override { return *this; }
    void UseDesignedPosition() override { centred = false; }
    TFIBDatabase& Connection() override { return database; }
    void TranslateCaptions() override {
        setWindowTitle(translate("_MAIN_FORM_") + main_caption_suffix());
    }

    bool centred = true;
    TpFIBDatabase database;
};

class SettingsFixture : public testing::Test {
protected:
    SettingsFixture() {
        program_folder = folder.Path();
        current_language.clear();
        QDir().mkdir(language_folder());
        options_frm = options.get();
    }
    ~SettingsFixture() override {
        wiring.clear();
        options.reset();
        program_folder.clear();
        current_language.clear();
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    FakeMainWindow main;
    std::unique_ptr<Toptions_frm> options = std::make_unique<Toptions_frm>();
    std::vector<TListenerRegistration> wiring = wire_settings(main, *options);
};

} // namespace veltor::test
