// Draws the about window's picture: draw-about-picture OUTPUT.jpg
// (run once by hand; the result is kept beside this file).

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QImage image(387, 364, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 364);
    sky.setColorAt(0, QColor(24, 38, 72));
    sky.setColorAt(0.6, QColor(46, 84, 128));
    sky.setColorAt(1, QColor(214, 170, 98));
    p.fillRect(image.rect(), sky);

    // A low sun behind layered hills.
    QRadialGradient sun(QPointF(270, 230), 90);
    sun.setColorAt(0, QColor(255, 236, 170));
    sun.setColorAt(1, QColor(255, 236, 170, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(270, 230), 90, 90);

    const QColor hills[] = {QColor(58, 74, 96), QColor(40, 54, 74), QColor(26, 36, 52)};
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath path(QPointF(0, 364));
        for (int x = 0; x <= 387; x += 3) {
            const double y = 250 + layer * 30 +
                             22 * std::sin(x / (38.0 + layer * 11) + layer * 1.7) +
                             9 * std::sin(x / 13.0 + layer);
            path.lineTo(x, y);
        }
        path.lineTo(387, 364);
        path.closeSubpath();
        p.setBrush(hills[layer]);
        p.drawPath(path);
    }

    // An answer sheet of a test: five questions, four boxes each, one marked.
    const QRectF sheet(36, 104, 112, 128);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(sheet, 6, 6);
    const int marked[] = {2, 0, 3, 1, 2};
    for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 4; ++col) {
            const QRectF box(sheet.left() + 16 + col * 22, sheet.top() + 14 + row * 22, 12, 12);
            p.setBrush(col == marked[row] ? QBrush(QColor(255, 226, 150)) : Qt::NoBrush);
            p.drawRect(box);
        }
    }

    QFont title(QStringLiteral("DejaVu Serif"), 30, QFont::Bold);
    p.setFont(title);
    p.setPen(QColor(250, 244, 228));
    p.drawText(QRectF(0, 30, 387, 50), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Kestrin Veltor"));
    QFont sub(QStringLiteral("DejaVu Sans"), 11);
    p.setFont(sub);
    p.setPen(QColor(226, 232, 240));
    p.drawText(QRectF(0, 318, 387, 30), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Veltor testing database administration"));
    p.end();
    return image.save(QString::fromLocal8Bit(argv[1]), "JPEG", 88) ? 0 : 1;
}
