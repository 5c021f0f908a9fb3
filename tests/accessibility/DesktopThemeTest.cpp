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

    // The desktop's theme paints the navigator's buttons and the labels in
    // colours of its own choosing; the label stands on the window's.
    std::vector<ContrastBox> boxes = StudentsViewBoxes(grid, lastName);
    Box(boxes, "the navigator's Next glyph").background = std::nullopt;
    Box(boxes, "the faculty label").background = QPalette::Window;
    for (const ContrastBox& c : boxes) {
        const Measured m = Measure(students, c.box);
        EXPECT_GE(m.ratio, c.least) << c.what << ": ink " << QColor(m.ink).name().toStdString()
                                    << " on " << QColor(m.background).name().toStdString();
        if (c.background) {
            EXPECT_EQ(QColor(m.background).name(), pal.color(*c.background).name())
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
