// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>

// The popover: a frameless dark window placed at the tray icon (or at the click point),
// kept on screen. It closes when the user turns to anything else, except while it is
// pinned (the AI settings page is open and must not vanish under the user's typing).
class PopoverWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PopoverWindow(QWidget *parent = nullptr);

    // Replaces the content with a freshly built page; the window takes its size.
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

    void openAt(const QRect &anchor, const QPoint &clickPoint);
    void closePopover();
    bool isOpen() const { return isVisible(); }

    void setPinned(bool pinned) { m_pinned = pinned; }
    bool isPinned() const { return m_pinned; }

    // True for a short moment after the popover closed because the user clicked elsewhere:
    // the click on the tray icon that caused it must not open it again.
    bool justDismissed() const;

    // Where a popover of this size goes for an anchor on a screen's available area.
    static QPoint placement(const QSize &size, const QRect &anchor, const QPoint &clickPoint,
                            const QRect &available);

    // An outside click (another application took the focus).
    void handleOutsideClick();

Q_SIGNALS:
    void opened();
    void closed();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Re-places an open popover whose page changed size, so a taller page does not run off
    // the screen or over the panel.
    void placeOnScreen();

    QPointer<QWidget> m_content;
    QRect m_anchor;
    QPoint m_clickPoint;
    bool m_pinned = false;
    QElapsedTimer m_dismissedAt;
};
