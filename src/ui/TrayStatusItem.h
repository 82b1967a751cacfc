// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/StatusItem.h"

#include <QPointer>
#include <QSystemTrayIcon>

// The status item as a classic tray icon (XEmbed panels): the title is only the tooltip.
// The menu is popped up here on a secondary click rather than handed to
// QSystemTrayIcon::setContextMenu, so every click goes through contextMenuRequested
// first and the popover can be closed before the menu opens.
class TrayStatusItem final : public StatusItem
{
    Q_OBJECT
public:
    explicit TrayStatusItem(QObject *parent = nullptr);
    ~TrayStatusItem() override;

    void setTitle(const QString &title) override;
    QString title() const override { return m_title; }
    void setIcon(const QIcon &icon) override;
    void setMenu(QMenu *menu) override;
    void show() override;
    void hide() override;
    QRect geometry() const override;
    QString kind() const override;
    bool isInPanel() const override;

    // What the icon's click means; exposed so the routing can be tested without a tray.
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

private:
    QPoint anchor() const;
    void openMenu(const QPoint &at);

    QSystemTrayIcon *m_tray;
    QPointer<QMenu> m_menu;
    QString m_title;
};
