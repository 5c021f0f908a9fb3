// Every caption the user reads shows whole in each bundled language: labels,
// tick boxes and buttons of the windows, menus, navigator hints and message
// boxes. A translation longer than its key was cut at the designed size
// ("Запам'ятовувати розт" in the options dialog's tick box).

#include "tests/app/ShellFixture.h"
#include "tests/support/CaptionSpace.h"
#include "tests/support/TestDatabase.h"

#include "controls/DBGridActions.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QToolTip>

using namespace veltor::test;

namespace {

QString Plain(QString caption) {
    // A menu caption's "&&" shows as one "&".
    return caption.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

class CaptionFit : public ShellFixture, public testing::WithParamInterface<const char*> {
protected:
    // The program started in a bundled language, as its user runs it.
    void StartIn(const QString& language) {
        QFile bundled(SourceDir() + "/settings/languages/" + language + ".olg");
        ASSERT_TRUE(bundled.open(QIODevice::ReadOnly)) << bundled.fileName().toStdString();
        folder.WriteFile("Languages/" + language + ".olg", bundled.readAll());
        folder.WriteFile("options.ini", "[General]\nLanguage=" + language.toUtf8() + "\n");
        StartAndShow();
        ASSERT_EQ(current_language, language);
    }

    static void ExpectWhole(QMenu* menu) {
        const QFontMetrics fm(menu->font());
        for (QAction* item : menu->actions()) {
            if (!item->isSeparator()) {
                EXPECT_GE(menu->actionGeometry(item).width(),
                          fm.horizontalAdvance(Plain(item->text())))
                    << menu->objectName().toStdString() << " " << item->text().toStdString();
            }
        }
    }

    // The box shown with the text; a plain-text box wraps its lines, each
    // of which must fit its label.
    static void ExpectWhole(const TMessage& message) {
        std::unique_ptr<QMessageBox> box = MakeMessageBox(message);
        box->show();
        QCoreApplication::processEvents();
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        const QFontMetrics fm(label->font());
        const std::string name = message.text.toStdString();
        EXPECT_EQ(label->text(), message.text);
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << name;
        for (const QString& word : message.text.split(QRegularExpression(QStringLiteral("\\s+"))))
            EXPECT_GE(label->contentsRect().width(), fm.horizontalAdvance(word)) << name;
        EXPECT_GE(box->width(), QFontMetrics(box->font()).horizontalAdvance(message.caption))
            << name;
        box->hide();
    }
};

TEST_P(CaptionFit, EveryCaptionShowsWhole) {
    const QString language = QString::fromUtf8(GetParam());
    StartIn(language);
    if (HasFatalFailure())
        return;
    EXPECT_NE(options_frm->save_forms_position->text(), "_SAVE_FORMS_POSITION_")
        << "the language was not applied";

    // The main window in each of its views.
    ExpectCaptionsWhole(main_frm, "students view");
    main_frm->disciplines_mnu->trigger();
    ExpectCaptionsWhole(main_frm, "disciplines view");
    main_frm->results_mnu->trigger();
    ExpectCaptionsWhole(main_frm, "results view");

    // The options dialog as it opens, and the about window.
    options_frm->show();
    ExpectCaptionsWhole(options_frm, "options");
    options_frm->hide();
    about_frm->show();
    ExpectCaptionsWhole(about_frm, "about");
    about_frm->hide();

    // The menus: the bar's titles and every item.
    QMenuBar* bar = main_frm->menuBar();
    const QFontMetrics barFont(bar->font());
    for (QMenu* menu : {main_frm->show_mnu, main_frm->program_mnu}) {
        EXPECT_GE(bar->actionGeometry(menu->menuAction()).width(),
                  barFont.horizontalAdvance(Plain(menu->title())))
            << menu->title().toStdString();
        ExpectWhole(menu);
    }
    ExpectWhole(options_frm->languages_pmnu);
    for (const TDBGrid* grid :
         {main_frm->faculty_db, main_frm->student_db, main_frm->discipline_grid,
          main_frm->d_test_grid, main_frm->resultat_grid})
        ExpectWhole(grid->Actions().ContextMenu());

    // The navigators' hints, as the tip shows them.
    for (const QString& name : navigator_names()) {
        auto* navigator = main_frm->findChild<TsDBNavigator*>(name);
        ASSERT_NE(navigator, nullptr) << name.toStdString();
        for (TNavButton* button : navigator->findChildren<TNavButton*>()) {
            const QString hint = button->toolTip();
            if (hint.isEmpty())
                continue;
            EXPECT_FALSE(hint.startsWith('_')) << "untranslated hint " << hint.toStdString();
            QToolTip::showText(button->mapToGlobal(button->rect().center()), hint, button);
            QCoreApplication::processEvents();
            QLabel* tip = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == "qtooltip_label" && w->isVisible())
                    tip = qobject_cast<QLabel*>(w);
            ASSERT_NE(tip, nullptr) << hint.toStdString();
            EXPECT_EQ(tip->text(), hint);
            EXPECT_GE(tip->contentsRect().width(),
                      QFontMetrics(tip->font()).horizontalAdvance(hint))
                << name.toStdString() << " " << hint.toStdString();
            QToolTip::hideText();
        }
    }

    // The message boxes: the exit confirmation as the window asks it, and
    // the other boxes with the texts of this language.
    dialogs.answers = {TMsgResult::No};
    main_frm->close();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    ExpectWhole(dialogs.messages[0]);
    ExpectWhole(TMessage{ApplicationTitle(), translate("_DB_CONNECTION_ERROR_")});
    ExpectWhole(TMessage{ApplicationTitle(), translate("_EXIT_WITHOUT_SAVING_"), TMsgIcon::Warning,
                         TMsgButtons::YesNo, main_frm});
    ExpectWhole(TMessage{QStringLiteral("veltor"), missing_language_warning(), TMsgIcon::Warning});
}

INSTANTIATE_TEST_SUITE_P(BundledLanguages, CaptionFit,
                         testing::Values("English", "Українська", "Русский"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::to_string(info.index);
                         });

} // namespace
