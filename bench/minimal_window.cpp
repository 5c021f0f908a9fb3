// The floor for start-up: a minimal Qt program that shows one empty window
// of the main window's size. Prints the monotonic clock, in nanoseconds, at
// the moment its first paint is done; startup_bench runs it.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

long long MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

class TPaintedWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        if (done_)
            return;
        done_ = true;
        // Once this paint has reached the screen.
        QTimer::singleShot(0, [] {
            std::printf("%lld\n", MonotonicNs());
            std::fflush(stdout);
            std::_Exit(0);
        });
    }

private:
    bool done_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TPaintedWindow window;
    window.resize(615, 511);
    window.show();
    return QApplication::exec();
}
