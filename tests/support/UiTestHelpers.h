// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Frames.h"
#include "ui/Label.h"

#include <QColor>
#include <QWidget>

namespace TestSupport {

// "RRGGBB" of a colour, the way the palette is written.
inline QString hexOf(const QColor &color)
{
    return color.name(QColor::HexRgb).mid(1).toUpper();
}

// The label called `name` below `root`, or null.
inline Label *labelNamed(const QWidget *root, const QString &name)
{
    return root ? root->findChild<Label *>(name) : nullptr;
}

inline QString textOf(const QWidget *root, const QString &name)
{
    const Label *label = labelNamed(root, name);
    return label ? label->text() : QString();
}

} // namespace TestSupport
