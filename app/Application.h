#pragma once
// The application object. No exception may unwind through Qt's event
// delivery: one that escapes an event handler ends here and is shown with the
// standard error box, and the program carries on. Failures caught by the
// database layer's idle timers are shown the same way.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;
};
