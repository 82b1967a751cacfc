// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/StatusItem.h"

// A status item that appears nowhere: for the snapshot export and the headless demo,
// where there is no panel to sit in.
class DetachedStatusItem final : public StatusItem
{
    Q_OBJECT
public:
    using StatusItem::StatusItem;

    void setTitle(const QString &title) override { m_title = title; }
    QString title() const override { return m_title; }
    void setIcon(const QIcon &) override {}
    void setMenu(QMenu *) override {}
    void show() override {}
    void hide() override {}
    QRect geometry() const override { return {}; }
    QString kind() const override { return QStringLiteral("detached"); }
    // Drawn as the panel user sees it: the hints name the panel icon.
    bool isInPanel() const override { return true; }

private:
    QString m_title;
};
