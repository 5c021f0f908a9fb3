#pragma once

#include <QMainWindow>

// The main window: its three views arrive with the application shell.
class Tmain_frm : public QMainWindow {
    Q_OBJECT
public:
    explicit Tmain_frm(QWidget* parent = nullptr);
};
