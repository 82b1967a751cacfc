// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// A plain container whose children are placed with y-down frames (origin at the top-left),
// the way a scroll document reads from its top.
class FlippedView : public QWidget
{
    Q_OBJECT
public:
    explicit FlippedView(QWidget *parent = nullptr)
        : QWidget(parent)
    {}
};
