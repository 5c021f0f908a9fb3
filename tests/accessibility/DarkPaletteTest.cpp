// The program under a dark desktop palette (Fusion with a dark QPalette): the
// grid's cells, titles and highlight, the indicator, the navigator's glyphs,
// the labels, the check lists and the find bar's message keep their contrast,
// measured from the pixels of a picture of the real window: text at least
// 4.5:1, glyphs at least 3:1. The pictures are kept as artefacts.

#include "tests/accessibility/AccessibilityFixture.h"
#include "tests/accessibility/PixelContrast.h"

#include "app/CheckListBox.h"
#include "app/ResultsFilter.h"
#include "app/ResultsView.h"
#include "controls/DBGridActions.h"
#include "controls/GridFindBar.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <cmath>
#include <functional>
#include <optional>

using namespace veltor::test;

namespace {

QPalette DarkPalette() {
    QPalette p;
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x23, 0x23, 0x23);
    const QColor text(0xee, 0xee, 0xee);
    const QColor grey(0x8a, 0x8a, 0x8a);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2c, 0x2c));
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, grey);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4a));
    p.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::Mid, QColor(0x28, 0x28, 0x28));
    p.setColor(QPalette::Dark, QColor(0x1c, 0x1c, 0x1c));
    p.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, QColor(0x00, 0x00, 0x00));
    p.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, grey);
    return p;
}

class DarkPalette : public AccessibilityFixture {
protected:
    DarkPalette()
        : savedPalette_(QApplication::palette()), savedStyle_(QApplication::style()->name()) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(::DarkPalette());
    }
    ~DarkPalette() override {
        QApplication::setPalette(savedPalette_);
        QApplication::setStyle(QStyleFactory::create(savedStyle_));
    }

    static QImage Picture(const char* name) {
        QCoreApplication::processEvents();
        const QImage picture = main_frm->grab().toImage();
        picture.save(ArtefactDir() + "/dark_" + name + ".png");
        return picture;
    }

private:
    QPalette savedPalette_;
    QString savedStyle_;
};

TEST_F(DarkPalette, EveryTextAndGlyphKeepsItsContrast) {
    StartInEnglish();
    TDBGrid* grid = main_frm->student_db;
    const int lastName = ColumnOf(grid, "FAMILIYA");
    ASSERT_GE(lastName, 0);
    grid->setFocus();
    grid->SetSelectedIndex(lastName);
    ASSERT_GE(grid->DataLink().RecordCount(), 2);
    // "No match" in the faculty grid's find bar.
    TDBGrid* faculties = main_frm->faculty_db;
    faculties->Actions().ShowFindBar();
    TGridFindBar* bar = faculties->Actions().FindBar();
    bar->TextEdit()->setText(QStringLiteral("no such faculty at all"));
    QTest::keyClick(bar->TextEdit(), Qt::Key_Return);
    ASSERT_FALSE(bar->Status().isEmpty());
    QLabel* status = bar->findChild<QLabel*>(QStringLiteral("find_status_lbl"));
    ASSERT_TRUE(status);
    grid->setFocus();

    const QImage students = Picture("students");
    const QPalette& pal = QApplication::palette();
    std::vector<ContrastBox> boxes = StudentsViewBoxes(grid, lastName);
    boxes.push_back({"the find bar's message", InWindow(status, status->rect()), 4.5, {}});
    for (const ContrastBox& c : boxes) {
        const Measured m = Measure(students, c.box);
        EXPECT_GE(m.ratio, c.least) << c.what << ": ink " << QColor(m.ink).name().toStdString()
                                    << " on " << QColor(m.background).name().toStdString();
        if (c.background) {
            EXPECT_EQ(QColor(m.background), pal.color(*c.background))
                << c.what << " does not follow the palette";
        }
    }

    // The check lists of the disciplines view.
    ShowDisciplines();
    TCheckListBox* list = main_frm->d_faculty_lb;
    ASSERT_GE(list->Count(), 2);
    const QImage disciplines = Picture("disciplines");
    const QRect item = list->visualItemRect(list->item(1));
    const Measured m = Measure(disciplines, InWindow(list->viewport(), item));
    EXPECT_GE(m.ratio, 4.5) << "a faculty in its list";
    EXPECT_EQ(QColor(m.background), pal.color(QPalette::Base));

    // The results filter bar's warning beside a wrong field.
    ShowResults();
    TResultsView* results = main_frm->results_view;
    results->SetFilterBarShown(true);
    TResultsFilterBar* filter = results->filter_bar;
    filter->mark_min_e->setText(QStringLiteral("5"));
    filter->mark_max_e->setText(QStringLiteral("1"));
    QTest::mouseClick(filter->apply_btn, Qt::LeftButton);
    QLabel* warning = filter->marks_err_lbl;
    ASSERT_TRUE(warning->isVisible());
    const QImage filtered = Picture("results_filter");
    const Measured w = Measure(filtered, InWindow(warning, warning->rect()));
    EXPECT_GE(w.ratio, 4.5) << "the filter bar's warning: ink "
                            << QColor(w.ink).name().toStdString() << " on "
                            << QColor(w.background).name().toStdString();
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

// A desktop's highlight and its text need not be a readable pair: Qt's GTK
// theme hands a dark Adwaita's light grey on a middle blue (3.2:1), and a
// pale highlight under white text is worse. The current cell is read all the
// same; a pair that reads already is kept as the palette has it.
TEST_F(DarkPalette, TheCurrentCellIsReadWhateverHighlightThePaletteBrings) {
    StartInEnglish();
    TDBGrid* grid = main_frm->student_db;
    const int lastName = ColumnOf(grid, "FAMILIYA");
    ASSERT_GE(lastName, 0);
    const struct {
        const char* what;
        QColor highlight;
        QColor text;
        bool kept; // the pair reads already: the cell shows the palette's text
    } pairs[] = {
        {"GTK's dark Adwaita", QColor(0x30, 0x8c, 0xc6), QColor(0xf0, 0xf0, 0xf0), false},
        {"a pale highlight", QColor(0xa0, 0xd0, 0xff), QColor(0xff, 0xff, 0xff), false},
        {"a dark highlight under black", QColor(0x20, 0x30, 0x60), QColor(0x00, 0x00, 0x00), false},
        {"a readable pair", QColor(0x1a, 0x4f, 0x8a), QColor(0xff, 0xff, 0xff), true},
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair.what);
        QPalette p = ::DarkPalette();
        p.setColor(QPalette::Highlight, pair.highlight);
        p.setColor(QPalette::HighlightedText, pair.text);
        QApplication::setPalette(p);
        grid->setFocus();
        grid->SetSelectedIndex(lastName);
        const QImage picture = Picture("highlight");
        // The cell inside the focus frame the style lays over it.
        const QRect cell = grid->CellRect(lastName, 0).adjusted(2, 2, -2, -2);
        const Measured m = Measure(picture, InWindow(grid->viewport(), cell));
        EXPECT_EQ(QColor(m.background).name(), pair.highlight.name());
        EXPECT_GE(m.ratio, 4.5) << "ink " << QColor(m.ink).name().toStdString();
        if (pair.kept) {
            EXPECT_EQ(QColor(m.ink).name(), pair.text.name());
        }
    }
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

} // namespace
