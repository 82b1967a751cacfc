// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindowFrame.h"

#include "ui/Frames.h"
#include "ui/MainWindowLayout.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

std::optional<QRectF> MainWindowFrame::fromString(const QString &text)
{
    static const QRegularExpression shape(
        uR"(^\s*\{\s*\{\s*([-+0-9.eE]+)\s*,\s*([-+0-9.eE]+)\s*\}\s*,\s*\{\s*([-+0-9.eE]+)\s*,\s*([-+0-9.eE]+)\s*\}\s*\}\s*$)"_s);
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = match.captured(i + 1).toDouble(&ok);
        if (!ok || !std::isfinite(values[i]))
            return std::nullopt;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return QRectF(values[0], values[1], values[2], values[3]);
}

QString MainWindowFrame::toString(const QRectF &frame)
{
    const auto number = [](qreal value) {
        return QString::number(value, 'g', 15);
    };
    return u"{{"_s + number(frame.x()) + u", "_s + number(frame.y()) + u"}, {"_s +
           number(frame.width()) + u", "_s + number(frame.height()) + u"}}"_s;
}

QRect MainWindowFrame::screenRect(const QRectF &stored, qreal primaryBottom)
{
    return Frames::flip(stored, primaryBottom).toAlignedRect();
}

QRectF MainWindowFrame::storedFrame(const QRect &rect, qreal primaryBottom)
{
    return Frames::flip(QRectF(rect), primaryBottom);
}

bool MainWindowFrame::isVisible(const QRectF &stored, const QList<QRect> &availableScreens,
                                qreal primaryBottom)
{
    if (stored.width() < MainWindowLayout::kMinimumWidth ||
        stored.height() < MainWindowLayout::kMinimumHeight)
        return false;
    const QRect onScreen = MainWindowFrame::screenRect(stored, primaryBottom);
    for (const QRect &screen : availableScreens) {
        if (screen.intersects(onScreen))
            return true;
    }
    return false;
}

QRect MainWindowFrame::clampedGeometry(const QRect &geometry, const QMargins &frameMargins,
                                       const QSize &minimum, const QList<QRect> &availableScreens)
{
    const QRect frame = geometry.marginsAdded(frameMargins);
    const QRect *screen = nullptr;
    qint64 best = -1;
    for (const QRect &candidate : availableScreens) {
        const QRect shared = candidate.intersected(frame);
        const qint64 area = shared.isEmpty() ? 0 : qint64(shared.width()) * shared.height();
        if (area > best) {
            best = area;
            screen = &candidate;
        }
    }
    if (!screen)
        return geometry;
    const QRect area = screen->marginsRemoved(frameMargins);
    const int width = std::max(std::min(geometry.width(), area.width()), minimum.width());
    const int height = std::max(std::min(geometry.height(), area.height()), minimum.height());
    // Inside the area; a window wider than it at least covers it, one taller shows its title.
    const int right = area.right() + 1 - width;
    const int x = width <= area.width() ? std::clamp(geometry.x(), area.left(), right)
                                        : std::clamp(geometry.x(), right, area.left());
    const int y = height <= area.height()
                      ? std::clamp(geometry.y(), area.top(), area.bottom() + 1 - height)
                      : area.top();
    return QRect(x, y, width, height);
}
