// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

class QDBusArgument;
class QIcon;

// One icon image as the StatusNotifierItem protocol carries it, `(iiay)`: ARGB32 pixels,
// each in network byte order (A, R, G, B), rows top to bottom.
struct SniPixmap
{
    int width = 0;
    int height = 0;
    QByteArray bytes;

    friend bool operator==(const SniPixmap &, const SniPixmap &) = default;
};
using SniPixmapList = QList<SniPixmap>;

// The item's tooltip, `(sa(iiay)ss)`: icon name, icon images, title, description.
struct SniToolTip
{
    QString iconName;
    SniPixmapList iconPixmaps;
    QString title;
    QString description;
};

Q_DECLARE_METATYPE(SniPixmap)
Q_DECLARE_METATYPE(SniToolTip)

QDBusArgument &operator<<(QDBusArgument &argument, const SniPixmap &pixmap);
const QDBusArgument &operator>>(const QDBusArgument &argument, SniPixmap &pixmap);
QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &toolTip);
const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &toolTip);

// Registers the types above with QtDBus; safe to call more than once.
void registerStatusNotifierTypes();

// The icon rendered at the sizes panels ask for (16 to 64 pixels), one image per distinct
// size, smallest first. An empty icon gives an empty list.
SniPixmapList sniPixmapsForIcon(const QIcon &icon);
