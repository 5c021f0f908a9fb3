// The main of the application layer's tests: the program's own application
// object, so that its event delivery is what the tests exercise.

#include "app/Application.h"

#include <gmock/gmock.h>

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
