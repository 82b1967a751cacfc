// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

class QObject;
class QString;

// What assistive technology reads from the widgets Kestrum paints itself: a Label is static
// text (name and text = its whole text, not the cut one on screen), a card panel given an
// accessible name is a group. Buttons need nothing here: Qt reads their accessible name.
class PaintedAccessible : public QAccessibleWidget
{
public:
    PaintedAccessible(QWidget *widget, QAccessible::Role role);

    QString text(QAccessible::Text t) const override;

    // The factory for QAccessible::installFactory; nullptr for widgets it does not describe.
    static QAccessibleInterface *create(const QString &className, QObject *object);
    // Installs the factory once per process; safe to call again.
    static void install();
};
