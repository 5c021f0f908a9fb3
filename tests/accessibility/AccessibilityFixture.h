#pragma once
// The program in English on the small known data set, as a screen reader's
// user starts it: the real main window and the real connection.

#include "tests/app/ShellFixture.h"
#include "tests/app/UserActions.h"
#include "tests/support/TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QRect>

#include <optional>
#include <string_view>
#include <vector>

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

    // A widget's box in the main window's picture.
    static QRect InWindow(const QWidget* w, const QRect& box) {
        return QRect(w->mapTo(main_frm, box.topLeft()), box.size());
    }

    // A place of the window whose contrast is measured, the least it must
    // reach (text 4.5:1, glyphs and indicators 3:1) and, where it must be
    // exactly so, the palette's colour behind it.
    struct ContrastBox {
        const char* what;
        QRect box;
        double least;
        std::optional<QPalette::ColorRole> background;
    };
    // The students view's: a cell, the current cell, a title, the current
    // row's indicator, the navigator's Next glyph and the faculty label, the
    // backgrounds as a palette set by the program gives them.
    static std::vector<ContrastBox> StudentsViewBoxes(TDBGrid* grid, int column) {
        const QRect current = grid->CellRect(column, 0);
        QWidget* next = main_frm->student_navigator->Button(TNavigateBtn::nbNext);
        return {
            {"a data cell", InWindow(grid->viewport(), grid->CellRect(column, 1)), 4.5,
             QPalette::Base},
            // The style lays its focus frame over the highlight.
            {"the current cell", InWindow(grid->viewport(), current), 4.5, std::nullopt},
            {"a column title", InWindow(grid->viewport(), grid->TitleRect(column)), 4.5,
             QPalette::Button},
            {"the indicator of the current row",
             InWindow(grid->viewport(),
                      QRect(0, current.top(), grid->IndicatorWidth(), current.height())),
             3.0, QPalette::Button},
            {"the navigator's Next glyph", InWindow(next, next->rect()), 3.0, QPalette::Button},
            {"the faculty label", InWindow(main_frm->faculty_lbl, main_frm->faculty_lbl->rect()),
             4.5, std::nullopt},
        };
    }
    static ContrastBox& Box(std::vector<ContrastBox>& boxes, const char* what) {
        for (ContrastBox& b : boxes)
            if (std::string_view(b.what) == what)
                return b;
        ADD_FAILURE() << "no box " << what;
        return boxes.front();
    }

    TestDatabase& db;
};

} // namespace veltor::test
