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
// Where the window system composites translucent windows it is a rounded panel with a soft
// shadow; elsewhere a plain rectangle with a 1-pt border.
class PopoverWindow : public QWidget
{
    Q_OBJECT
public:
    enum class Chrome
    {
        Automatic, // rounded where the window system supports translucency
        Rounded,
        Framed
    };
    explicit PopoverWindow(QWidget *parent = nullptr, Chrome chrome = Chrome::Automatic);

    // Wayland always; X11 while a compositing manager runs.
    static bool windowSystemSupportsTranslucency();
    static constexpr int kCornerRadius = 12;
    // Room around a rounded panel for its shadow (none around the framed one).
    int shadowMargin() const { return m_rounded ? kShadowMargin : 0; }
    // The panel inside the window, in window coordinates.
    QRect panelRect() const;

    // Where the desktop places windows itself (native Wayland), popovers made from now on
    // are ordinary framed windows that the compositor puts near the pointer.
    static void setPlacedByDesktop(bool placed);

    // Replaces the content with a freshly built page; the window takes its size.
    void setContent(QWidget *content);
    // Takes the content's size again after the page updated itself to another height.
    void fitContent();
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

    static constexpr int kShadowMargin = 14;
    bool m_rounded = false;
    QPointer<QWidget> m_content;
    QRect m_anchor;
    QPoint m_clickPoint;
    bool m_pinned = false;
    QElapsedTimer m_dismissedAt;
};
