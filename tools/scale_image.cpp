// SPDX-License-Identifier: GPL-3.0-or-later
// Scales an image by a factor with smooth filtering: `make screenshots` turns the snapshot
// export's 4x popover images into the README's 2x ones.
#include <QCoreApplication>
#include <QImage>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        QTextStream(stderr) << "usage: scale_image IN OUT FACTOR\n";
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    const double factor = QString::fromLocal8Bit(argv[3]).toDouble();
    if (image.isNull() || !(factor > 0 && factor <= 1))
        return 1;
    const QImage scaled =
        image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
