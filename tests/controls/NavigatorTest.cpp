// The record navigator: layout, hints, glyphs, enable states, actions,
// auto-repeat and keys, on the faculty view.

#include "tests/controls/ControlsFixture.h"
#include "tests/support/Soon.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTest>

using namespace veltor::test;

namespace {

constexpr TNavigateBtn kAll[] = {
    TNavigateBtn::nbFirst,  TNavigateBtn::nbPrior,  TNavigateBtn::nbNext, TNavigateBtn::nbLast,
    TNavigateBtn::nbInsert, TNavigateBtn::nbDelete, TNavigateBtn::nbEdit, TNavigateBtn::nbPost,
    TNavigateBtn::nbCancel, TNavigateBtn::nbRefresh};

const TNavButtonSet kResultButtons{TNavigateBtn::nbFirst, TNavigateBtn::nbPrior,
                                   TNavigateBtn::nbNext, TNavigateBtn::nbLast,
                                   TNavigateBtn::nbRefresh};

// One character per button in button order: 1 enabled, 0 disabled.
std::string Enabled(const TsDBNavigator& n) {
    std::string s;
    for (TNavigateBtn b : kAll)
        s += n.Button(b)->isEnabled() ? '1' : '0';
    return s;
}

QImage Glyph(TNavigateBtn button, int dpr) {
    QImage image(24 * dpr, 24 * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintNavigatorGlyph(p, button, QRect(6, 6, 12, 12), Qt::black);
    return image;
}

} // namespace

// --- layout -------------------------------------------------------------------

struct LayoutCase {
    int width;
    TNavButtonSet visible;
    int buttonWidth;
    int barWidth;
};

TEST(NavigatorLayout, EqualIntegerWidthsAndTheBarTrimmedToThem) {
    const LayoutCase cases[] = {
        {599, kResultButtons, 119, 597},         // (599 - 2) / 5 = 119, 5 x 119 + 2
        {599, TNavButtonSet::All(), 59, 592},    // (599 - 2) / 10 = 59
        {240, TNavButtonSet::All(), 23, 232},    // the default size
        {20, TNavButtonSet::All(), 6, 62},       // never narrower than 6 per button
        {599, {TNavigateBtn::nbPost}, 597, 599}, // one button takes it all
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.width);
        TsDBNavigator n;
        n.SetVisibleButtons(c.visible);
        n.show();
        n.resize(c.width, 25);
        EXPECT_EQ(n.width(), c.barWidth);
        int x = n.BorderWidth();
        for (TNavigateBtn b : kAll) {
            const QRect g = n.Button(b)->geometry();
            if (c.visible.Contains(b)) {
                EXPECT_EQ(g, QRect(x, 1, c.buttonWidth, 23));
                x += c.buttonWidth;
            } else {
                EXPECT_FALSE(n.rect().intersects(g)) << "hidden button inside the bar";
            }
        }
        EXPECT_EQ(x + n.BorderWidth(), c.barWidth);
    }
}

TEST(NavigatorLayout, PanelNeverLowerOrNarrowerThanSixPixelButtons) {
    TsDBNavigator n;
    n.SetVisibleButtons(kResultButtons);
    EXPECT_EQ(n.minimumSize(), QSize(5 * 6 + 2, 6 + 2));
    const TNavigatorLayout l = NavigatorLayout(599, 2, 1, 5);
    EXPECT_EQ(l.buttonHeight, 6);
}

TEST(NavigatorLayout, AlignedToItsParentKeepsItsWidth) {
    TsDBNavigator n;
    n.SetAlignedToParent(true);
    n.show();
    n.resize(599, 25);
    EXPECT_EQ(n.width(), 599);
    EXPECT_EQ(n.Button(TNavigateBtn::nbFirst)->width(), 59);
}

// --- hints --------------------------------------------------------------------

TEST(NavigatorHints, CustomLinesReplaceDefaultsAndDefaultListsAreNotKept) {
    TsDBNavigator n;
    EXPECT_EQ(n.ButtonHint(TNavigateBtn::nbRefresh), "Refresh data");

    n.SetHints({"_FIRST_RECORD_", "", "_NEXT_RECORD_"});
    EXPECT_EQ(n.ButtonHint(TNavigateBtn::nbFirst), "_FIRST_RECORD_");
    EXPECT_EQ(n.ButtonHint(TNavigateBtn::nbPrior), "Prior record"); // empty line keeps it
    EXPECT_EQ(n.ButtonHint(TNavigateBtn::nbNext), "_NEXT_RECORD_");
    EXPECT_EQ(n.ButtonHint(TNavigateBtn::nbLast), "Last record"); // beyond the list
    EXPECT_EQ(n.Button(TNavigateBtn::nbFirst)->toolTip(), "_FIRST_RECORD_");

    QStringList eleven = DefaultNavigatorHints();
    eleven[9] = "Оновити";
    eleven << "an eleventh line is not a button's";
    n.SetHints(eleven);
    EXPECT_EQ(n.ButtonHint(TNavigateBtn::nbRefresh), "Оновити");
    EXPECT_EQ(n.ButtonHint(TNavigateBtn::nbFirst), "First record"); // a new list starts afresh

    n.SetHints(DefaultNavigatorHints());
    EXPECT_TRUE(n.Hints().isEmpty());
    EXPECT_EQ(n.ButtonHint(TNavigateBtn::nbRefresh), "Refresh data");
}

// --- glyphs -------------------------------------------------------------------

struct EdgeCase {
    TNavigateBtn button;
    // A straight edge of the glyph on the 12 x 12 grid: the grid point of the
    // first pixel inside it and the step that leads outside.
    double gx, gy;
    int dx, dy;
};

TEST(NavigatorGlyphs, StraightEdgesFallOnWholePixelsAt1xAnd2x) {
    const EdgeCase cases[] = {
        {TNavigateBtn::nbFirst, 2, 6, -1, 0},  // the bar's left edge
        {TNavigateBtn::nbFirst, 3.9, 6, 1, 0}, // and its right edge
        {TNavigateBtn::nbLast, 8, 6, -1, 0},
        {TNavigateBtn::nbLast, 9.9, 6, 1, 0},
        {TNavigateBtn::nbPrior, 7.9, 6, 1, 0}, // the triangle's upright side
        {TNavigateBtn::nbNext, 4, 6, -1, 0},
        {TNavigateBtn::nbInsert, 5, 3, -1, 0}, // the plus sign's upright
        {TNavigateBtn::nbInsert, 3, 5, 0, -1}, // and its cross bar
        {TNavigateBtn::nbDelete, 6, 5, 0, -1},
        {TNavigateBtn::nbDelete, 6, 6.9, 0, 1},
        {TNavigateBtn::nbEdit, 6, 7.9, 0, 1}, // the triangle's base
    };
    for (int dpr : {1, 2}) {
        for (const EdgeCase& c : cases) {
            SCOPED_TRACE(testing::Message() << "button " << int(c.button) << " at " << dpr << "x, "
                                            << c.gx << "," << c.gy);
            const QImage image = Glyph(c.button, dpr);
            const int x = int((6 + c.gx) * dpr);
            const int y = int((6 + c.gy) * dpr);
            EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0)) << "inside not fully covered";
            EXPECT_EQ(image.pixel(x + c.dx, y + c.dy), qRgb(255, 255, 255))
                << "outside touched: a blurred edge";
        }
    }
}

TEST(NavigatorGlyphs, TenDistinctGlyphsAtBothRatios) {
    for (int dpr : {1, 2}) {
        std::vector<QImage> images;
        for (TNavigateBtn b : kAll) {
            images.push_back(Glyph(b, dpr));
            int ink = 0;
            for (int y = 0; y < images.back().height(); ++y)
                for (int x = 0; x < images.back().width(); ++x)
                    ink += images.back().pixel(x, y) != qRgb(255, 255, 255);
            EXPECT_GT(ink, 6 * dpr * dpr) << "button " << int(b) << " draws nothing";
        }
        for (size_t i = 0; i < images.size(); ++i)
            for (size_t j = i + 1; j < images.size(); ++j)
                EXPECT_NE(images[i], images[j]) << i << " and " << j << " look the same";
    }
}

// --- enable states ------------------------------------------------------------

struct EnableCase {
    const char* name;
    std::function<void(FacultyView&)> setUp;
    std::string expected; // First Prior Next Last Insert Delete Edit Post Cancel Refresh
};

TEST_F(FacultyViewTest, NavigatorEnableStatesFollowTheDataset) {
    const EnableCase cases[] = {
        {"closed", [](FacultyView&) {}, "0000000000"},
        {"empty",
         [](FacultyView& v) {
             v.ds->SetSelectSQLText("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET WHERE F_ID < 0");
             v.Open();
         },
         "0000101001"},
        {"browse at the first record", [](FacultyView& v) { v.Open(); }, "0011111001"},
        {"browse at the last record",
         [](FacultyView& v) {
             v.Open();
             v.ds->Last();
         },
         "1100111001"},
        {"edit",
         [](FacultyView& v) {
             v.Open();
             v.ds->Edit();
         },
         "0011110111"},
        {"after post",
         [](FacultyView& v) {
             v.Open();
             v.ds->Edit();
             v.ds->Post();
         },
         // The rebuilt window clears the dataset's begin and end marks.
         "1111111001"},
        {"insert",
         [](FacultyView& v) {
             v.Open();
             v.ds->Insert();
         },
         "1111110111"},
        {"disabled navigator",
         [](FacultyView& v) {
             v.Open();
             v.navigator->setEnabled(false);
         },
         "0000000000"},
        {"data source removed",
         [](FacultyView& v) {
             v.Open();
             v.navigator->SetDataSource(nullptr);
         },
         "0000000000"},
    };
    for (const EnableCase& c : cases) {
        SCOPED_TRACE(c.name);
        v.reset();
        v = std::make_unique<FacultyView>();
        try {
            c.setUp(*v);
        } catch (const Exception& e) {
            ADD_FAILURE() << e.Message().toStdString();
        }
        EXPECT_EQ(Enabled(*v->navigator), c.expected);
    }
}

TEST_F(FacultyViewTest, NavigatorOnADatasetThatCannotBeModifiedOffersOnlyMoving) {
    auto results = ReadOnlyFaculties(*v);
    TDataSource source;
    source.SetDataSet(results.get());
    v->navigator->SetVisibleButtons(kResultButtons);
    v->navigator->SetDataSource(&source);
    v->tr->StartTransaction();
    results->Open();
    EXPECT_EQ(Enabled(*v->navigator), "0011000000");
    results->Last();
    EXPECT_EQ(Enabled(*v->navigator), "1100000000");
    v->navigator->SetDataSource(nullptr);
}

// --- actions ------------------------------------------------------------------

TEST_F(FacultyViewTest, DeleteAsksFirstAndOnClickRunsWhateverTheAnswer) {
    v->Open();
    v->ds->Last(); // faculty 3 has no students
    std::vector<TNavigateBtn> clicks;
    v->navigator->OnClick = [&](TsDBNavigator*, TNavigateBtn b) { clicks.push_back(b); };

    dialogs->answers = {TMsgResult::Cancel};
    QTest::mouseClick(v->navigator->Button(TNavigateBtn::nbDelete), Qt::LeftButton);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].caption, "Confirm");
    EXPECT_EQ(dialogs->messages[0].text, "Delete record?");
    EXPECT_EQ(dialogs->messages[0].buttons, TMsgButtons::OkCancel);
    EXPECT_EQ(dialogs->messages[0].icon, TMsgIcon::Question);
    EXPECT_EQ(v->ds->RecordCount(), 3);
    EXPECT_EQ(v->CurrentId(), 3);
    EXPECT_EQ(clicks, std::vector<TNavigateBtn>{TNavigateBtn::nbDelete});

    dialogs->answers = {TMsgResult::Ok};
    QTest::mouseClick(v->navigator->Button(TNavigateBtn::nbDelete), Qt::LeftButton);
    EXPECT_EQ(v->ds->RecordCount(), 2);
    EXPECT_EQ(v->CurrentId(), 2);
    EXPECT_EQ(clicks.size(), 2u);

    // Unasked; the server refuses (faculty 2 has students): the error is
    // shown, the record stays and OnClick does not run.
    v->navigator->SetConfirmDelete(false);
    QTest::mouseClick(v->navigator->Button(TNavigateBtn::nbDelete), Qt::LeftButton);
    ASSERT_EQ(dialogs->messages.size(), 3u);
    EXPECT_EQ(dialogs->messages[2].icon, TMsgIcon::Error);
    EXPECT_TRUE(dialogs->messages[2].text.contains("FK_STUDENT_FAKULTET"))
        << dialogs->messages[2].text.toStdString();
    EXPECT_EQ(v->ds->RecordCount(), 2);
    EXPECT_EQ(v->CurrentId(), 2);
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(FacultyViewTest, OnClickRunsWithoutADataSourceButNotAfterAFailedAction) {
    int clicks = 0;
    v->navigator->OnClick = [&](TsDBNavigator*, TNavigateBtn) { ++clicks; };
    v->navigator->ButtonAction(TNavigateBtn::nbNext); // closed: nothing to do, still OnClick
    EXPECT_EQ(clicks, 1);

    v->Open();
    v->ds->Insert();
    v->fId->SetAsInteger(1); // the key of an existing faculty: the server refuses it
    QTest::mouseClick(v->navigator->Button(TNavigateBtn::nbPost), Qt::LeftButton);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].icon, TMsgIcon::Error);
    EXPECT_TRUE(dialogs->messages[0].text.contains("PRIMARY") ||
                dialogs->messages[0].text.contains("unique"))
        << dialogs->messages[0].text.toStdString();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(v->ds->State(), stInsert);
}

TEST_F(FacultyViewTest, NavigatorButtonsRunTheirDatasetOperations) {
    v->Open();
    auto click = [&](TNavigateBtn b) {
        QTest::mouseClick(v->navigator->Button(b), Qt::LeftButton);
    };
    click(TNavigateBtn::nbLast);
    EXPECT_EQ(v->CurrentId(), 3);
    click(TNavigateBtn::nbPrior);
    EXPECT_EQ(v->CurrentId(), 2);
    click(TNavigateBtn::nbFirst);
    EXPECT_EQ(v->CurrentId(), 1);
    click(TNavigateBtn::nbNext);
    EXPECT_EQ(v->CurrentId(), 2);
    click(TNavigateBtn::nbEdit);
    EXPECT_EQ(v->ds->State(), stEdit);
    v->fShort->SetAsString("ФФ*");
    click(TNavigateBtn::nbCancel);
    EXPECT_EQ(v->ds->State(), stBrowse);
    EXPECT_EQ(v->fShort->AsString(), "ФФ");
    click(TNavigateBtn::nbEdit);
    v->fShort->SetAsString("ФФ*");
    click(TNavigateBtn::nbPost);
    EXPECT_EQ(v->ds->State(), stBrowse);
    click(TNavigateBtn::nbRefresh);
    EXPECT_EQ(v->fShort->AsString(), "ФФ*"); // read back from the server
    click(TNavigateBtn::nbInsert);
    EXPECT_EQ(v->ds->State(), stInsert);
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join("\n").toStdString();
}

// --- auto-repeat --------------------------------------------------------------

TEST_F(FacultyViewTest, NextRepeatsAfter400MsThenEvery100MsWhileHeld) {
    v->Open();
    int clicks = 0;
    v->navigator->OnClick = [&](TsDBNavigator*, TNavigateBtn) { ++clicks; };
    TNavButton* next = v->navigator->Button(TNavigateBtn::nbNext);

    QElapsedTimer held;
    held.start();
    QTest::mousePress(next, Qt::LeftButton);
    EXPECT_TRUE(next->RepeatTimer().isActive());
    EXPECT_EQ(next->RepeatTimer().interval(), 400);
    EXPECT_EQ(clicks, 0); // pressing alone does not click
    ASSERT_SOON(clicks >= 1);
    EXPECT_GE(held.elapsed(), 390);
    EXPECT_EQ(v->CurrentId(), 2);
    EXPECT_EQ(next->RepeatTimer().interval(), 100);
    ASSERT_SOON(clicks >= 2);
    EXPECT_EQ(v->CurrentId(), 3);
    // At the end the button is disabled and the repeat ends with it.
    ASSERT_SOON(!next->isEnabled());
    ASSERT_SOON(!next->RepeatTimer().isActive());
    QTest::mouseRelease(next, Qt::LeftButton);
    EXPECT_FALSE(next->RepeatTimer().isActive());
    EXPECT_EQ(v->CurrentId(), 3);

    // First does not repeat.
    TNavButton* first = v->navigator->Button(TNavigateBtn::nbFirst);
    QTest::mousePress(first, Qt::LeftButton);
    EXPECT_FALSE(first->RepeatTimer().isActive());
    QTest::mouseRelease(first, Qt::LeftButton);
    EXPECT_EQ(v->CurrentId(), 1);
}

TEST_F(FacultyViewTest, AnErrorDuringRepeatStopsIt) {
    v->Open();
    int calls = 0;
    v->navigator->BeforeAction = [&](TsDBNavigator*, TNavigateBtn) {
        if (++calls == 2)
            throw Exception("Stopped by BeforeAction");
    };
    TNavButton* next = v->navigator->Button(TNavigateBtn::nbNext);
    QTest::mousePress(next, Qt::LeftButton);
    ASSERT_SOON(calls >= 2);
    EXPECT_FALSE(next->RepeatTimer().isActive());
    EXPECT_EQ(dialogs->Texts(), QStringList{"Stopped by BeforeAction."});
    QTest::qWait(250);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(v->CurrentId(), 2);
    next->setDown(false);
}

// --- keys ---------------------------------------------------------------------

TEST_F(FacultyViewTest, SpaceClicksTheFocusedButtonAndArrowsMoveAlongVisibleOnes) {
    v->Open();
    TsDBNavigator& n = *v->navigator;
    n.setFocusPolicy(Qt::StrongFocus);
    n.setFocus();
    ASSERT_TRUE(n.hasFocus());
    EXPECT_EQ(n.FocusedButton(), TNavigateBtn::nbFirst);
    QTest::keyClick(&n, Qt::Key_Left); // nothing before the first
    EXPECT_EQ(n.FocusedButton(), TNavigateBtn::nbFirst);
    QTest::keyClick(&n, Qt::Key_Right);
    QTest::keyClick(&n, Qt::Key_Right);
    EXPECT_EQ(n.FocusedButton(), TNavigateBtn::nbNext);
    QTest::keyClick(&n, Qt::Key_Space);
    EXPECT_EQ(v->CurrentId(), 2);

    // A disabled button does not click.
    QTest::keyClick(&n, Qt::Key_Left);
    QTest::keyClick(&n, Qt::Key_Left);
    v->ds->First();
    ASSERT_FALSE(n.Button(TNavigateBtn::nbFirst)->isEnabled());
    int clicks = 0;
    n.OnClick = [&](TsDBNavigator*, TNavigateBtn) { ++clicks; };
    QTest::keyClick(&n, Qt::Key_Space);
    EXPECT_EQ(clicks, 0);

    n.SetVisibleButtons(kResultButtons);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&n, Qt::Key_Right);
    EXPECT_EQ(n.FocusedButton(), TNavigateBtn::nbLast);
    QTest::keyClick(&n, Qt::Key_Right); // over the hidden editing buttons
    EXPECT_EQ(n.FocusedButton(), TNavigateBtn::nbRefresh);
}
