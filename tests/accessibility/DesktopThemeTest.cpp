// The program under a desktop's own dark theme (GTK's Adwaita, dark, handed
// to Qt by its GTK platform theme on a real X server): nothing in the program
// sets a palette, and the grid's cells, titles and indicator, the navigator's
// glyphs, the labels and the check lists take the desktop's colours and keep
// their contrast, measured from the pixels: text at least 4.5:1, glyphs at
// least 3:1. The pictures are kept as artefacts.

#include "tests/accessibility/AccessibilityFixture.h"
#include "tests/accessibility/PixelContrast.h"

#include "app/CheckListBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QPalette>
#include <functional>

using namespace veltor::test;

namespace {

class DesktopTheme : public AccessibilityFixture {
protected:
    static QRect InWindow(const QWidget* w, const QRect& box) {
        return QRect(w->mapTo(main_frm, box.topLeft()), box.size());
    }
    static QImage Picture(const char* name) {
        QCoreApplication::processEvents();
        const QImage picture = main_frm->grab().toImage();
        picture.save(ArtefactDir() + "/desktop_dark_" + name + ".png");
        return picture;
    }
};

TEST_F(DesktopTheme, TheWindowsTakeADarkDesktopThemeAndKeepTheirContrast) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "no X server here to take a desktop theme from";
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           QStringLiteral("/platformthemes/libqgtk3.so")))
        GTEST_SKIP() << "Qt's GTK platform theme is not installed";
    const QPalette& pal = QApplication::palette();
    // The colours are the desktop's: dark, and set by no one here.
    ASSERT_LT(pal.color(QPalette::Window).lightness(), 96)
        << pal.color(QPalette::Window).name().toStdString();
    ASSERT_LT(pal.color(QPalette::Base).lightness(), 96)
        << pal.color(QPalette::Base).name().toStdString();

    StartInEnglish();
    TDBGrid* grid = main_frm->student_db;
    const int lastName = ColumnOf(grid, "FAMILIYA");
    ASSERT_GE(lastName, 0);
    grid->setFocus();
    grid->SetSelectedIndex(lastName);
    ASSERT_GE(grid->DataLink().RecordCount(), 2);
    const QImage students = Picture("students");

    const struct {
        const char* what;
        std::function<QRect()> box;
        double least;
        QPalette::ColorRole background; // NoRole: the style's own (focus, highlight)
    } cases[] = {
        {"a data cell", [&] { return InWindow(grid->viewport(), grid->CellRect(lastName, 1)); },
         4.5, QPalette::Base},
        {"the current cell",
         [&] { return InWindow(grid->viewport(), grid->CellRect(lastName, 0)); }, 4.5,
         QPalette::NoRole},
        {"a column title", [&] { return InWindow(grid->viewport(), grid->TitleRect(lastName)); },
         4.5, QPalette::Button},
        {"the indicator of the current row",
         [&] {
             const QRect cell = grid->CellRect(lastName, 0);
             return InWindow(grid->viewport(),
                             QRect(0, cell.top(), TDBGrid::kIndicatorWidth, cell.height()));
         },
         3.0, QPalette::Button},
        {"the navigator's Next glyph",
         [&] {
             QWidget* next = main_frm->student_navigator->Button(TNavigateBtn::nbNext);
             return InWindow(next, next->rect());
         },
         3.0, QPalette::NoRole},
        {"the faculty label",
         [&] { return InWindow(main_frm->faculty_lbl, main_frm->faculty_lbl->rect()); }, 4.5,
         QPalette::Window},
    };
    for (const auto& c : cases) {
        const Measured m = Measure(students, c.box());
        EXPECT_GE(m.ratio, c.least) << c.what << ": ink " << QColor(m.ink).name().toStdString()
                                    << " on " << QColor(m.background).name().toStdString();
        if (c.background != QPalette::NoRole) {
            EXPECT_EQ(QColor(m.background).name(), pal.color(c.background).name())
                << c.what << " does not follow the desktop's colours";
        }
    }

    ShowDisciplines();
    TCheckListBox* list = main_frm->d_faculty_lb;
    ASSERT_GE(list->Count(), 2);
    const QImage disciplines = Picture("disciplines");
    const Measured m =
        Measure(disciplines, InWindow(list->viewport(), list->visualItemRect(list->item(1))));
    EXPECT_GE(m.ratio, 4.5) << "a faculty in its list";
    EXPECT_EQ(QColor(m.background).name(), pal.color(QPalette::Base).name());
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

} // namespace
