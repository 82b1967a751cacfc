// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/StatusItem.h"

#include <QMenu>
#include <QPointer>

// A status item that only remembers what it was told, for tests of the shell.
class FakeStatusItem : public StatusItem
{
    Q_OBJECT
public:
    using StatusItem::StatusItem;

    void setTitle(const QString &title) override { m_title = title; }
    QString title() const override { return m_title; }
    void setIcon(const QIcon &) override {}
    void setMenu(QMenu *menu) override { this->menu = menu; }
    void show() override { shown = true; }
    void hide() override { shown = false; }
    QRect geometry() const override { return itemGeometry; }
    QString kind() const override { return QStringLiteral("fake"); }
    bool isInPanel() const override { return inPanel; }
    void setInPanel(bool in)
    {
        inPanel = in;
        Q_EMIT panelPresenceChanged(in);
    }

    void click(const QPoint &at = QPoint(600, 10)) { Q_EMIT activated(at); }
    void rightClick(const QPoint &at = QPoint(600, 10)) { Q_EMIT contextMenuRequested(at); }

    QString m_title;
    QPointer<QMenu> menu;
    bool shown = false;
    QRect itemGeometry;
    bool inPanel = true;
};
