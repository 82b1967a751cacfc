// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

// A rendered image against its committed reference PNG.
namespace GoldenImage {

// How far a pixel may stray on any channel (0-255) before it counts as different, and how
// many different pixels an image may have and still match.
struct Tolerance
{
    int channel = 0;
    int pixels = 0;
};

// The pixels of `actual` that differ from `expected` beyond `channel`, in red over a dimmed
// copy of `expected`; `differing` counts them. Null when the sizes differ.
QImage diff(const QImage &expected, const QImage &actual, int channel, qsizetype *differing);

// Empty when `actual` matches the PNG at `reference`; else what differs, after writing
// `<name>.actual.png` and `<name>.diff.png` (name: the reference's base name) into
// `failures`, which the message names.
QString compare(const QImage &actual, const QString &reference, const QString &failures,
                Tolerance tolerance);

// Writes `image` as a compact PNG (opaque images without an alpha channel), atomically.
bool writeReference(const QImage &image, const QString &path);

} // namespace GoldenImage
