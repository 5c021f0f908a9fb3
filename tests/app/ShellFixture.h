#pragma once
// The three windows in a temporary program folder, with scripted answers to
// message boxes and replaceable database steps.

#include "app/about_unit.h"
#include "app/database_link.h"
#include "app/main_unit.h"
#include "app/startup.h"
#include "fib/pFIBDatabase.h"
#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/ProgramState.h"
#include "settings/Settings.h"
#include "settings/options_unit.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempProgramFolder.h"

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

namespace veltor::test {

class ShellFixture : public testing::Test {
protected:
    ShellFixture() {
        set_program_file(folder.Path() + "veltor-admin");
        set_splash_wait(0);
        current_language.clear();
        steps.connect = [this] { log << "connect"; };
        steps.commit = [this] { log << "commit"; };
        steps.view_switch = [this] { log << "view switch"; };
        create_windows(&steps);
    }
    ~ShellFixture() override {
        destroy_windows();
        set_program_file(QString());
        program_folder.clear();
        current_language.clear();
    }

    // Starts the program as its entry does, up to the event loop, and shows
    // the main window; the start's messages (the missing-language warnings)
    // are forgotten.
    void StartAndShow() {
        run_startup();
        ASSERT_FALSE(program_end_requested()) << dialogs.Texts().join('\n').toStdString();
        dialogs.messages.clear();
        main_frm->show();
        QApplication::setActiveWindow(main_frm);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main_frm));
        QCoreApplication::processEvents();
    }

    QStringList LanguageKeys(const QString& language) const {
        return TIniFile(folder.FilePath("Languages/" + language + ".olg")).ReadSection("WORDS");
    }
    QStringList OptionsLines() const {
        return QString::fromUtf8(folder.ReadFile("options.ini")).split('\n', Qt::SkipEmptyParts);
    }

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    TDatabaseLinkSteps steps;
    QStringList log;
};

} // namespace veltor::test
