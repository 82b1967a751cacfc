// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the application icon's SVG into the PNG sizes the icon theme wants.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        QTextStream(stderr) << "usage: render_icons SVG OUTDIR\n";
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid())
        return 1;
    const QString out = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        if (!image.save(out + QStringLiteral("/com.orvell.kestrum-%1.png").arg(size)))
            return 1;
    }
    return 0;
}
