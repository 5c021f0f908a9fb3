// The main of GUI test programs: the widgets need an application object
// (QT_QPA_PLATFORM=offscreen is set by CTest).

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
