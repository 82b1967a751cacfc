// SPDX-License-Identifier: GPL-3.0-or-later
#include "GoldenImage.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace GoldenImage {

QImage diff(const QImage &expected, const QImage &actual, int channel, qsizetype *differing)
{
    *differing = 0;
    if (expected.size() != actual.size())
        return {};
    const QImage a = expected.convertToFormat(QImage::Format_ARGB32);
    const QImage b = actual.convertToFormat(QImage::Format_ARGB32);
    QImage out(a.size(), QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y) {
        const auto *ra = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        auto *ro = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = ra[x], q = rb[x];
            const int worst =
                std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            const int grey = qGray(p) / 4;
            ro[x] = worst > channel ? qRgb(255, 0, 0) : qRgb(grey, grey, grey);
            *differing += worst > channel;
        }
    }
    return out;
}

QString compare(const QImage &actual, const QString &reference, const QString &failures,
                Tolerance tolerance)
{
    const QImage expected(reference);
    const QString name = QFileInfo(reference).completeBaseName();
    QString problem;
    qsizetype differing = 0;
    QImage marked;
    if (expected.isNull()) {
        problem = u"no reference image at %1"_s.arg(reference);
    } else if (expected.size() != actual.size()) {
        problem = u"size %1x%2, the reference is %3x%4"_s.arg(actual.width())
                      .arg(actual.height())
                      .arg(expected.width())
                      .arg(expected.height());
    } else {
        marked = diff(expected, actual, tolerance.channel, &differing);
        if (differing <= tolerance.pixels)
            return {};
        problem = u"%1 pixels differ by more than %2 on a channel (%3 allowed)"_s.arg(differing)
                      .arg(tolerance.channel)
                      .arg(tolerance.pixels);
    }
    QDir().mkpath(failures);
    const QDir out(failures);
    writeReference(actual, out.filePath(name + u".actual.png"_s));
    if (!marked.isNull())
        writeReference(marked, out.filePath(name + u".diff.png"_s));
    return u"%1: %2; see %3 (.actual.png, .diff.png)"_s.arg(name, problem, failures);
}

bool writeReference(const QImage &image, const QString &path)
{
    // Three channels where the image is opaque: a quarter smaller, the same pixels.
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    bool opaque = true;
    for (int y = 0; opaque && y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; opaque && x < argb.width(); ++x)
            opaque = qAlpha(line[x]) == 255;
    }
    if (opaque)
        argb = argb.convertToFormat(QImage::Format_RGB888);
    QSaveFile file(path);
    // Quality 0 is PNG's strongest compression; the pixels are the same at every level.
    return file.open(QIODevice::WriteOnly) && argb.save(&file, "PNG", 0) && file.commit();
}

} // namespace GoldenImage
