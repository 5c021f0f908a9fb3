// The about window: a borderless picture on top that a click closes.

#include "tests/app/ShellFixture.h"

#include <QTest>

using namespace veltor::test;

namespace {

class AboutWindow : public ShellFixture {};

TEST_F(AboutWindow, ShowsTheDecodedPictureBorderlessAndOnTop) {
    const QImage picture = about_picture();
    ASSERT_FALSE(picture.isNull()) << "the JPEG could not be decoded";
    EXPECT_EQ(picture.size(), QSize(387, 364));
    EXPECT_EQ(about_frm->size(), QSize(387, 364));
    EXPECT_EQ(about_frm->tolvar_img->geometry(), QRect(0, 0, 387, 364));
    EXPECT_TRUE(about_frm->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(about_frm->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(AboutWindow, ClickOnThePictureClosesTheWindow) {
    bool openBeforeClick = false;
    dialogs.onModal = [&](QDialog& d) {
        openBeforeClick = d.isVisible();
        QTest::mouseClick(about_frm->tolvar_img, Qt::LeftButton, {}, QPoint(100, 100));
        EXPECT_FALSE(d.isVisible());
    };
    main_frm->About_act->trigger();
    EXPECT_TRUE(openBeforeClick);
    EXPECT_FALSE(about_frm->isVisible());
}

} // namespace
