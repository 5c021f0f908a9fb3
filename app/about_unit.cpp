#include "app/about_unit.h"

#include "ui/UserDialogs.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QScreen>

Tabout_frm* about_frm = nullptr;

namespace {
constexpr QSize kPictureSize(387, 364);
}

QImage about_picture() {
    QImageReader reader(QStringLiteral(":/about/tolvar.jpg"), "jpeg");
    return reader.read();
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

Tabout_frm::Tabout_frm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("about_frm"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(kPictureSize);

    tolvar_img = new TImage(this);
    tolvar_img->setObjectName(QStringLiteral("tolvar_img"));
    tolvar_img->setGeometry(QRect(QPoint(0, 0), kPictureSize));
    tolvar_img->setPixmap(QPixmap::fromImage(about_picture()));
    connect(tolvar_img, &TImage::clicked, this,
            [this] { HandleEvent([this] { tolvar_imgClick(); }); });
}

Tabout_frm::~Tabout_frm() {
    if (about_frm == this)
        about_frm = nullptr;
}

void Tabout_frm::showEvent(QShowEvent* event) {
    if (screen())
        move(screen()->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
