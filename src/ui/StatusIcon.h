// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>

// The tray icon, drawn at run time: a rounded tile with an arrow in the colour of the
// quote the title shows (rise red, fall green, neutral grey), so a panel that shows only
// icons still tells which way the market moves.
namespace StatusIcon {

QImage image(int direction, int size);
QIcon icon(int direction);

} // namespace StatusIcon
