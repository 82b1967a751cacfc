// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/Palette.h"
#include "ui/Frames.h"
#include "ui/Label.h"
#include "ui/Panel.h"

#include <QColor>
#include <QWidget>

#include <cmath>
#include <memory>

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

inline bool near(double a, double b, double tolerance = 1e-9)
{
    return std::abs(a - b) <= tolerance;
}

// A borderless page-coloured surface of a fixed size, the way every page starts.
inline std::unique_ptr<Panel> makeSurface(int width = 380, int height = 240)
{
    auto surface = std::make_unique<Panel>();
    surface->resize(width, height);
    surface->setBackgroundColor(Palette::pageBackground);
    surface->setBorderWidth(0);
    return surface;
}

} // namespace TestSupport
