// The options dialog: OK saves and closes, Defaults and Cancel do nothing,
// the close button saves nothing, the language menu applies at once, and
// every opening starts at OK.

#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "tests/app/FakeMainWindow.h"
#include "tests/app/ShellFixture.h"
#include "tests/app/UserActions.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <functional>

using namespace veltor::test;

namespace {

class OptionsDialog : public SettingsFixture {};

TEST_F(OptionsDialog, OkSavesAndClosesTheDialog) {
    bool openAfterOk = true;
    dialogs.onModal = [&](QDialog& d) {
        options->db_dbname_e->setText("srv:/typed.fdb");
        options->ok_btn->click();
        openAfterOk = d.isVisible();
    };
    ShowModal(*options);
    EXPECT_FALSE(openAfterOk);
    EXPECT_EQ(TIniFile(options_file_name()).ReadString("DataBase", "DBName", ""), "srv:/typed.fdb");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(OptionsDialog, DefaultsCancelAndTheCloseButtonSaveNothing) {
    bool openAfterButtons = false;
    dialogs.onModal = [&](QDialog& d) {
        options->db_dbname_e->setText("srv:/typed.fdb");
        options->defaults_btn->click();
        options->cancel_btn->click();
        openAfterButtons = d.isVisible();
        d.close();
    };
    ShowModal(*options);
    EXPECT_TRUE(openAfterButtons);
    EXPECT_FALSE(folder.Exists("options.ini"));
    EXPECT_EQ(options->db_dbname_e->text(), "srv:/typed.fdb") << "the dialog keeps what was typed";
}

TEST_F(OptionsDialog, EscapeKeyLeavesTheDialogOpen) {
    bool openAfterEscape = false;
    dialogs.onModal = [&](QDialog& d) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(options->db_dbname_e, &escape);
        openAfterEscape = d.isVisible();
    };
    ShowModal(*options);
    EXPECT_TRUE(openAfterEscape);
}

TEST_F(OptionsDialog, UnwritableOptionsFileIsReportedAndTheDialogStaysOpen) {
    // A directory where options.ini belongs cannot be replaced, even by root.
    QDir().mkdir(options_file_name());
    bool openAfterOk = false;
    dialogs.onModal = [&](QDialog& d) {
        options->ok_btn->click();
        openAfterOk = d.isVisible();
    };
    ShowModal(*options);
    EXPECT_TRUE(openAfterOk);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const TMessage& m = dialogs.messages[0];
    EXPECT_EQ(m.text, "Unable to write to " + folder.Path() + "options.ini.");
    EXPECT_EQ(m.caption, "Kestrin Veltor");
    EXPECT_EQ(m.icon, TMsgIcon::Error);
    EXPECT_EQ(m.buttons, TMsgButtons::Ok);
}

TEST_F(OptionsDialog, ChosenLanguageAppliesAtOnceButIsSavedOnlyLater) {
    folder.WriteFile("Languages/English.olg", "[WORDS]\n_OK_=OK\n");
    folder.WriteFile("Languages/Українська.olg", "[WORDS]\n_OK_=Гаразд\n_MAIN_FORM_=Адмін\n");
    current_language = "English";
    save_settings();
    const QByteArray saved = folder.ReadFile("options.ini");
    QAction* english = options->AddLanguageItem("English", 0);
    QAction* ukrainian = options->AddLanguageItem("Українська", 1);
    EXPECT_EQ(english->objectName(), "Language_pmnu_item0");
    EXPECT_EQ(ukrainian->objectName(), "Language_pmnu_item1");

    ukrainian->trigger();
    EXPECT_EQ(current_language, "Українська");
    EXPECT_EQ(options->language_e->text(), "Українська");
    EXPECT_EQ(options->ok_btn->text(), "Гаразд");
    EXPECT_EQ(main.windowTitle(), "Адмін Kestrin VELTOR. Dalmik");
    EXPECT_EQ(folder.ReadFile("options.ini"), saved);

    save_settings();
    EXPECT_EQ(TIniFile(options_file_name()).ReadString("General", "Language", ""), "Українська");
}

TEST_F(OptionsDialog, LanguageItemShowsANameWithAmpersandExactly) {
    folder.WriteFile("Languages/R&D.olg", "");
    QAction* item = options->AddLanguageItem("R&D", 0);
    EXPECT_EQ(item->text(), "R&&D");
    item->trigger();
    EXPECT_EQ(current_language, "R&D");
}

TEST_F(OptionsDialog, LayoutAndFocusOrderAreAsDesigned) {
    EXPECT_EQ(options->size(), QSize(496, 179));
    EXPECT_EQ(options->language_e->geometry(), QRect(235, 8, 253, 21));
    EXPECT_TRUE(options->language_e->isReadOnly());
    EXPECT_EQ(options->db_password_e->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(options->save_forms_position->geometry(), QRect(8, 113, 161, 19));
    EXPECT_EQ(options->bottom_buttons_panel->geometry(), QRect(0, 138, 496, 41));
    EXPECT_EQ(options->ok_btn->geometry(), QRect(8, 9, 75, 25));
    EXPECT_EQ(options->cancel_btn->geometry(), QRect(170, 8, 75, 25));
    EXPECT_TRUE(options->save_forms_position->isChecked()) << "designed ticked";

    const QList<QWidget*> expected = {options->ok_btn,        options->defaults_btn,
                                      options->cancel_btn,    options->save_forms_position,
                                      options->db_dbname_e,   options->db_username_e,
                                      options->db_password_e, options->language_e};
    QWidget* w = expected.first();
    for (int i = 1; i < expected.size(); ++i) {
        do
            w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus);
        EXPECT_EQ(w, expected[i]) << "focus step " << i;
    }
}

// Every opening through the main window's menu puts the focus on OK, which
// leads the focus order: Enter or Space there saves and closes. The focus
// used to stay on the language field, or wherever the user had left it.
class OptionsFromTheMenu : public ShellFixture {
protected:
    // Opens the dialog with Program -> Options and acts on it while it is open.
    void Open(const std::function<void(QDialog&)>& act) {
        dialogs.onModal = [&](QDialog& d) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
            focused = QApplication::focusWidget();
            act(d);
        };
        focused = nullptr;
        Choose(main_frm->program_mnu, main_frm->options_mnu);
        EXPECT_FALSE(options_frm->isVisible()) << "the dialog was left open";
    }
    QString SavedDatabase() const {
        return TIniFile(options_file_name()).ReadString("DataBase", "DBName", "?");
    }
    QWidget* focused = nullptr;
};

TEST_F(OptionsFromTheMenu, EveryOpeningFocusesOkWhichEnterAndSpacePress) {
    StartAndShow();
    const QByteArray before = folder.ReadFile("options.ini");
    // The user tabs to the path, types, presses Enter there (which presses
    // no button) and leaves with the close button.
    bool openAfterEnterInField = false;
    Open([&](QDialog& d) {
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), options_frm->db_dbname_e);
        options_frm->db_dbname_e->selectAll();
        QTest::keyClicks(options_frm->db_dbname_e, "srv:/typed.fdb");
        QTest::keyClick(options_frm->db_dbname_e, Qt::Key_Return);
        openAfterEnterInField = d.isVisible();
        d.close();
    });
    EXPECT_TRUE(openAfterEnterInField);
    EXPECT_EQ(focused, options_frm->ok_btn)
        << (focused ? focused->objectName().toStdString() : "none");
    EXPECT_EQ(folder.ReadFile("options.ini"), before) << "the close button saves nothing";

    const struct {
        Qt::Key key;
        const char* typed;
    } presses[] = {{Qt::Key_Return, "srv:/by-enter.fdb"},
                   {Qt::Key_Enter, "srv:/by-keypad-enter.fdb"},
                   {Qt::Key_Space, "srv:/by-space.fdb"}};
    for (const auto& press : presses) {
        SCOPED_TRACE(press.typed);
        bool openAfterKey = true;
        Open([&](QDialog& d) {
            options_frm->db_dbname_e->setText(press.typed);
            QTest::keyClick(QApplication::focusWidget(), press.key);
            openAfterKey = d.isVisible();
        });
        EXPECT_EQ(focused, options_frm->ok_btn)
            << (focused ? focused->objectName().toStdString() : "none");
        EXPECT_FALSE(openAfterKey);
        EXPECT_EQ(SavedDatabase().toStdString(), press.typed) << "closed as OK closes it";
    }
    EXPECT_TRUE(dialogs.ErrorTexts().isEmpty()) << dialogs.ErrorTexts().join('\n').toStdString();
}

// A path copied from a terminal ends in a line break: the text after it was
// written as a line of its own, and the path read back cut.
struct PastedValue {
    const char* what;
    QLineEdit* Toptions_frm::*field;
    bool dropped; // dragged in instead of pasted from the clipboard
    QString pasted;
    const char* key;
    QString stored;
};
void PrintTo(const PastedValue& v, std::ostream* os) {
    *os << v.what;
}

class OptionsDialogPaste : public OptionsDialog, public testing::WithParamInterface<PastedValue> {};

TEST_P(OptionsDialogPaste, StoresOneLineAndNoOtherKey) {
    const PastedValue& v = GetParam();
    dialogs.onModal = [&](QDialog&) {
        options->db_dbname_e->setText("srv:/old.fdb");
        options->db_username_e->setText("SYSDBA");
        options->db_password_e->setText("tarnwheel");
        QLineEdit* field = (*options).*v.field;
        field->setFocus();
        field->selectAll();
        if (v.dropped) {
            field->clear(); // a drop goes in at the caret, beside the selection
            QMimeData data;
            data.setText(v.pasted);
            const QPointF at = field->rect().center();
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(field, &enter);
            QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(field, &drop);
        } else {
            QGuiApplication::clipboard()->setText(v.pasted);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        }
        QTest::mouseClick(options->ok_btn, Qt::LeftButton);
    };
    ShowModal(*options);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.Texts().join('\n').toStdString();

    const TIniFile ini(options_file_name());
    EXPECT_EQ(ini.ReadString("DataBase", v.key, "missing"), v.stored);
    EXPECT_EQ(ini.ReadSection("General"), (QStringList{"Language", "Save_Forms_Position"}));
    EXPECT_EQ(ini.ReadSection("Main_Form"), (QStringList{"X", "Y"}));
    EXPECT_EQ(ini.ReadSection("DataBase"), (QStringList{"DBName", "UserName", "UserPass"}));
    const QList<QByteArray> lines = folder.ReadFile("options.ini").split('\n');
    EXPECT_EQ(lines.size(), 11) << "ten lines, each ended:\n"
                                << folder.ReadFile("options.ini").toStdString();
    EXPECT_EQ(((*options).*v.field)->text(), v.stored) << "the field shows what is stored";
}

INSTANTIATE_TEST_SUITE_P(
    Values, OptionsDialogPaste,
    testing::Values(PastedValue{"path ending in LF", &Toptions_frm::db_dbname_e, false,
                                "host:/path/db.fdb\n", "DBName", "host:/path/db.fdb"},
                    PastedValue{"path ending in CR LF", &Toptions_frm::db_dbname_e, false,
                                "host:/path/db.fdb\r\n", "DBName", "host:/path/db.fdb"},
                    PastedValue{"path dropped with a line break", &Toptions_frm::db_dbname_e, true,
                                "host:/path/db.fdb\n", "DBName", "host:/path/db.fdb"},
                    PastedValue{"a key after the break", &Toptions_frm::db_username_e, false,
                                "SYSDBA\nUserPass=intruder", "UserName",
                                "SYSDBA UserPass=intruder"},
                    PastedValue{"tabs, CR and control characters", &Toptions_frm::db_password_e,
                                false, QString("\tpass\r\x01word") + QChar(0x2028) + "\x1b",
                                "UserPass", "pass word"}));

TEST_F(OptionsDialog, WithoutLanguageFilesTheMenuIsEmptyAndTheFieldStaysEmpty) {
    EXPECT_TRUE(options->languages_pmnu->actions().isEmpty());
    apply_language("English");
    EXPECT_EQ(options->language_e->text(), "");
}

} // namespace
