#include "app/Application.h"
#include "app/startup.h"

int main(int argc, char* argv[]) {
    TApplication app(argc, argv);
    return run_program();
}
