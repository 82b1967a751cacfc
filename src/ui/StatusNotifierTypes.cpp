// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusNotifierTypes.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QIcon>
#include <QImage>
#include <QtEndian>

QDBusArgument &operator<<(QDBusArgument &argument, const SniPixmap &pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniPixmap &pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.iconPixmaps << toolTip.title << toolTip.description;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.iconPixmaps >> toolTip.title >> toolTip.description;
    argument.endStructure();
    return argument;
}

void registerStatusNotifierTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmapList>();
        qDBusRegisterMetaType<SniToolTip>();
        // Adaptor properties name the list typedef; QtDBus looks types up by that name.
        qRegisterMetaType<SniPixmapList>("SniPixmapList");
        return true;
    }();
    Q_UNUSED(registered);
}

SniPixmapList sniPixmapsForIcon(const QIcon &icon)
{
    SniPixmapList pixmaps;
    if (icon.isNull())
        return pixmaps;
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        // At a device pixel ratio of 1: the panel scales for its own screen.
        QImage image = icon.pixmap(QSize(side, side), 1.0).toImage();
        if (image.isNull())
            continue;
        image = image.convertToFormat(QImage::Format_ARGB32);
        const bool seen = std::any_of(pixmaps.cbegin(), pixmaps.cend(), [&](const SniPixmap &p) {
            return p.width == image.width() && p.height == image.height();
        });
        if (seen)
            continue;
        SniPixmap pixmap{image.width(), image.height(), {}};
        pixmap.bytes.resize(qsizetype(image.width()) * image.height() * 4);
        auto *out = reinterpret_cast<uchar *>(pixmap.bytes.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto *row = reinterpret_cast<const quint32 *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x, out += 4)
                qToBigEndian<quint32>(row[x], out);
        }
        pixmaps.append(pixmap);
    }
    return pixmaps;
}
