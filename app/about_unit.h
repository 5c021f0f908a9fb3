#pragma once
// The about window: a borderless picture above the other windows, centred on
// the screen. It is the splash at start and the About dialog later; a click
// on the picture closes it.

#include <QDialog>
#include <QLabel>

// A picture that reports clicks.
class TImage : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class Tabout_frm : public QDialog {
    Q_OBJECT
public:
    explicit Tabout_frm(QWidget* parent = nullptr);
    ~Tabout_frm() override;

    TImage* tolvar_img;

    void tolvar_imgClick() { close(); }

protected:
    void showEvent(QShowEvent* event) override;
};

// The one about window, created last at start; nullptr before.
extern Tabout_frm* about_frm;

// The picture of the about window, decoded from the embedded JPEG.
QImage about_picture();
