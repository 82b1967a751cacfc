// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PaintedAccessible.h"

#include "ui/Label.h"
#include "ui/Panel.h"

using namespace Qt::StringLiterals;

PaintedAccessible::PaintedAccessible(QWidget *widget, QAccessible::Role role)
    : QAccessibleWidget(widget, role)
{}

QString PaintedAccessible::text(QAccessible::Text t) const
{
    const auto *label = qobject_cast<const Label *>(widget());
    if (label && (t == QAccessible::Name || t == QAccessible::Value) &&
        label->accessibleName().isEmpty())
        return label->text();
    return QAccessibleWidget::text(t);
}

QAccessibleInterface *PaintedAccessible::create(const QString &className, QObject *object)
{
    // Asked once per class of the object's ancestry; answer at the painted class itself.
    if (className == "Label"_L1) {
        if (auto *label = qobject_cast<Label *>(object))
            return new PaintedAccessible(label, QAccessible::StaticText);
    }
    // Most panels are decoration (badges, tracks, boxes); only a named one is a card.
    if (className == "Panel"_L1) {
        auto *panel = qobject_cast<Panel *>(object);
        if (panel && !panel->accessibleName().isEmpty())
            return new PaintedAccessible(panel, QAccessible::Grouping);
    }
    return nullptr;
}

void PaintedAccessible::install()
{
    // Qt keeps each factory once, so a second call adds nothing.
    QAccessible::installFactory(&PaintedAccessible::create);
}
