#pragma once
// The program in English on the small known data set, as a screen reader's
// user starts it: the real main window and the real connection.

#include "tests/app/ShellFixture.h"
#include "tests/app/UserActions.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace veltor::test {

class AccessibilityFixture : public ShellFixture {
protected:
    AccessibilityFixture() : db(ProgramDatabase(TestData::Fixture)) {
        main_frm->SetDatabaseLinkSteps(nullptr);
    }
    ~AccessibilityFixture() override {
        if (main_frm && main_frm->isVisible()) {
            dialogs.answers = {TMsgResult::No};
            main_frm->hide();
        }
    }

    void StartInEnglish() {
        folder.WriteFile("Languages/English.olg", EnglishFile());
        folder.WriteFile("options.ini", ProgramOptions(db.ConnectionString(), TestUser(),
                                                       TestPassword(), "English"));
        StartAndShow();
    }

    static QByteArray EnglishFile() {
        QFile f(SourceDir() + "/settings/languages/English.olg");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // What the bundled English file says for key.
    static QString English(const QString& key) {
        const QString text =
            TIniFile(SourceDir() + "/settings/languages/English.olg").ReadString("WORDS", key, {});
        EXPECT_FALSE(text.isEmpty()) << key.toStdString();
        return text;
    }

    QStringList Errors() const { return dialogs.ErrorTexts(); }

    // Where pictures of the windows are kept for people to look at, beside
    // the test programs in the build tree.
    static QString ArtefactDir() {
        const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artefacts");
        QDir().mkpath(dir);
        return dir;
    }

    TestDatabase& db;
};

} // namespace veltor::test
