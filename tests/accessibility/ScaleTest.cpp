// The program at the screen's scale factor (QT_SCALE_FACTOR: CTest runs this
// program at 1, 1.5 and 2) and under a large desktop font: the windows are
// painted at the screen's resolution, the grid's rows and titles are as high
// as their fonts need in device pixels, and no caption is cut. Pictures of
// the views and the options dialog at each factor are kept as artefacts.

#include "tests/accessibility/AccessibilityFixture.h"
#include "tests/accessibility/PixelContrast.h"
#include "tests/support/CaptionSpace.h"

#include "app/AnchoredPanel.h"
#include "app/CheckListBox.h"
#include "settings/options_unit.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

using namespace veltor::test;

namespace {

// The grids' rows and titles hold their fonts' text.
void ExpectRowsHoldTheirText(const TDBGrid* grid, const std::string& where) {
    const QFontMetrics cells(grid->font());
    const QFontMetrics titles(grid->TitleFont());
    EXPECT_GE(grid->RowHeight(), cells.height())
        << where << " " << grid->objectName().toStdString();
    EXPECT_GE(grid->TitleHeight(), titles.height())
        << where << " " << grid->objectName().toStdString();
}

// Built again to run on a 2x screen of an X server of its own, where the
// scale comes from the desktop's font resolution, not from Qt's variable.
#ifndef VELTOR_ON_A_HIGH_DPI_SCREEN
#define VELTOR_ON_A_HIGH_DPI_SCREEN 0
#endif

// The scale the windows must be painted at: Qt's variable's, times the
// screen's own (which the X server's main says when it made one).
double ScaleFactor() {
    double scale = 1.0;
    for (const char* name : {"QT_SCALE_FACTOR", "VELTOR_SCREEN_SCALE"})
        if (const QByteArray factor = qgetenv(name); !factor.isEmpty())
            scale *= factor.toDouble();
    return scale;
}

QString PictureName(const QString& name) {
    return (VELTOR_ON_A_HIGH_DPI_SCREEN ? QStringLiteral("screen_") : QString()) + name;
}

class Scale : public AccessibilityFixture {
protected:
    void SetUp() override {
        if (VELTOR_ON_A_HIGH_DPI_SCREEN && qEnvironmentVariableIsEmpty("VELTOR_SCREEN_SCALE"))
            GTEST_SKIP() << "no 2x screen here (Xvfb and xprop are needed)";
    }
    // A picture of a window at the screen's resolution, kept.
    QImage Picture(QWidget* window, const QString& name) {
        QCoreApplication::processEvents();
        const QPixmap pixmap = window->grab();
        EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), ScaleFactor()) << name.toStdString();
        // Painted at the screen's resolution, not enlarged afterwards.
        EXPECT_EQ(pixmap.width(), qRound(window->width() * ScaleFactor())) << name.toStdString();
        const QString file =
            ArtefactDir() + QStringLiteral("/%1_%2x.png").arg(PictureName(name)).arg(ScaleFactor());
        EXPECT_TRUE(pixmap.save(file)) << file.toStdString();
        return pixmap.toImage();
    }
};

TEST_F(Scale, EveryViewAndTheOptionsDialogArePaintedAtTheScreensResolutionAndWhole) {
    StartInEnglish();
    EXPECT_DOUBLE_EQ(main_frm->devicePixelRatioF(), ScaleFactor());
    const std::string at = "at " + std::to_string(ScaleFactor()) + "x:";

    Picture(main_frm, "students");
    ExpectCaptionsWhole(main_frm, at + " students view");
    for (const TDBGrid* grid : {main_frm->faculty_db, main_frm->student_db})
        ExpectRowsHoldTheirText(grid, at);
    ShowDisciplines();
    Picture(main_frm, "disciplines");
    ExpectCaptionsWhole(main_frm, at + " disciplines view");
    for (const TDBGrid* grid : {main_frm->discipline_grid, main_frm->d_test_grid})
        ExpectRowsHoldTheirText(grid, at);
    ShowResults();
    Picture(main_frm, "results");
    ExpectCaptionsWhole(main_frm, at + " results view");
    ExpectRowsHoldTheirText(main_frm->resultat_grid, at);

    options_frm->show();
    Picture(options_frm, "options");
    ExpectCaptionsWhole(options_frm, at + " options");
    options_frm->hide();
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

// The desktop's font, set before the windows are made, as the desktop sets
// it before the program starts; the font of the tests before it comes back.
struct DesktopFont {
    explicit DesktopFont(qreal points) : saved(QApplication::font()) {
        QFont large = saved;
        large.setPointSizeF(points);
        QApplication::setFont(large);
    }
    ~DesktopFont() { QApplication::setFont(saved); }
    QFont saved;
};

class LargeFont : public DesktopFont, public Scale {
protected:
    LargeFont() : DesktopFont(16) {}
};

TEST_F(LargeFont, RowsTitlesAndCaptionsGrowWithA16PointFontAndNoneIsCut) {
    StartInEnglish();
    ASSERT_EQ(main_frm->font().pointSizeF(), 16);
    const QFontMetrics text(main_frm->font());
    Picture(main_frm, "large_font_students");
    ExpectCaptionsWhole(main_frm, "16 pt students view");
    for (const TDBGrid* grid : {main_frm->faculty_db, main_frm->student_db}) {
        ExpectRowsHoldTheirText(grid, "16 pt");
        // The titles are read as much as the cells.
        EXPECT_GE(QFontMetrics(grid->TitleFont()).height(), text.height())
            << grid->objectName().toStdString();
    }
    ShowDisciplines();
    Picture(main_frm, "large_font_disciplines");
    ExpectCaptionsWhole(main_frm, "16 pt disciplines view");
    for (TCheckListBox* list : {main_frm->d_faculty_lb, main_frm->d_course_lb})
        for (int i = 0; i < list->Count(); ++i)
            EXPECT_GE(list->visualItemRect(list->item(i)).height(), text.height())
                << list->objectName().toStdString() << " " << list->Item(i).toStdString();
    ShowResults();
    ExpectCaptionsWhole(main_frm, "16 pt results view");
    options_frm->show();
    Picture(options_frm, "large_font_options");
    ExpectCaptionsWhole(options_frm, "16 pt options");
    options_frm->hide();
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

// The design grows by as much as the text did, the windows' own sizes with
// it, so that the views keep their proportions and the grids their room.
TEST_F(LargeFont, TheDesignedLayoutGrowsByAsMuchAsTheText) {
    StartInEnglish();
    const double grown =
        double(QFontMetrics(main_frm->font()).height()) / QFontMetrics(saved).height();
    ASSERT_GT(grown, 1.5);
    const struct {
        const QWidget* widget;
        QRect designed;
    } cases[] = {
        {main_frm->student_pnl, {0, 0, 615, 511}},
        {main_frm->faculty_db, {8, 25, 599, 101}},
        {main_frm->student_db, {8, 163, 599, 310}},
        {options_frm, {0, 0, 496, 179}},
        {options_frm->language_e, {235, 8, 253, 21}},
        {options_frm->db_password_e, {235, 86, 253, 21}},
        {options_frm->bottom_buttons_panel, {0, 138, 496, 41}},
    };
    for (const auto& c : cases) {
        const QRect shown = c.widget->isWindow() ? c.widget->rect() : c.widget->geometry();
        const QRectF expected(c.designed.x() * grown, c.designed.y() * grown,
                              c.designed.width() * grown, c.designed.height() * grown);
        const std::string name = c.widget->objectName().toStdString();
        EXPECT_NEAR(shown.left(), expected.left(), 1) << name;
        EXPECT_NEAR(shown.top(), expected.top(), 1) << name;
        EXPECT_NEAR(shown.width(), expected.width(), 1) << name;
        EXPECT_NEAR(shown.height(), expected.height(), 1) << name;
    }

    // The images painted beside the text grow with it: the navigator's Next
    // triangle and the current row's arrow are each 8 by 4 pixels as
    // designed. The pictures are in device pixels, the design in logical
    // ones.
    QWidget* next = main_frm->faculty_navigator->Button(TNavigateBtn::nbNext);
    const QImage button = next->grab().toImage();
    const TDBGrid* grid = main_frm->faculty_db;
    const QImage rows = grid->viewport()->grab().toImage();
    const double ratio = rows.devicePixelRatio();
    const QRect indicator(0, grid->CellRect(0, 0).top(), grid->IndicatorWidth(), grid->RowHeight());
    // Inside the row's lines, which a fractional ratio spreads over two pixels.
    const QRect inner = indicator.adjusted(0, 2, -1, -2);
    const QRect indicatorPixels(QPoint(inner.topLeft() * ratio), inner.size() * ratio);
    const struct {
        const char* glyph;
        QRect ink;
    } glyphs[] = {
        {"the navigator's Next", InkBounds(button, button.rect())},
        {"the current row's indicator", InkBounds(rows, indicatorPixels)},
    };
    for (const auto& g : glyphs) {
        EXPECT_NEAR(g.ink.height() / ratio, 8 * grown, 2) << g.glyph;
        EXPECT_NEAR(g.ink.width() / ratio, 4 * grown, 2) << g.glyph;
    }
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
}

} // namespace
