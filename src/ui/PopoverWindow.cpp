// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PopoverWindow.h"

#include "presentation/Palette.h"
#include "ui/GridBackgroundView.h"
#include "ui/Toolkit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

#ifdef KESTRUM_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace {
constexpr int kDismissGraceMs = 400;
constexpr int kMargin = 6;
bool s_placedByDesktop = false;
} // namespace

void PopoverWindow::setPlacedByDesktop(bool placed)
{
    s_placedByDesktop = placed;
}

PopoverWindow::PopoverWindow(QWidget *parent, Chrome chrome)
    : QWidget(parent, s_placedByDesktop
                          ? Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          : Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_rounded(!s_placedByDesktop &&
                (chrome == Chrome::Rounded ||
                 (chrome == Chrome::Automatic && windowSystemSupportsTranslucency())))
{
    if (s_placedByDesktop)
        setWindowTitle(QStringLiteral("澄川"));
    // Chosen once: the native window is made with or without an alpha channel.
    setAttribute(Qt::WA_TranslucentBackground, m_rounded);
    setObjectName(QStringLiteral("KestrumPopover"));
    auto *layout = new QVBoxLayout(this);
    const int margin = shadowMargin();
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(0);
}

bool PopoverWindow::windowSystemSupportsTranslucency()
{
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(u"wayland"))
        return true;
#ifdef KESTRUM_HAVE_XCB
    if (platform == u"xcb") {
        const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
        if (!connection)
            return false;
        // A compositing manager owns the selection _NET_WM_CM_S<screen>.
        int screen = 0;
        const QByteArray display = qgetenv("DISPLAY");
        const qsizetype dot = display.lastIndexOf('.');
        if (dot > display.lastIndexOf(':'))
            screen = display.mid(dot + 1).toInt();
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.constData()),
            nullptr);
        if (!atom)
            return false;
        const xcb_atom_t selection = atom->atom;
        std::free(atom);
        if (selection == XCB_ATOM_NONE)
            return false;
        xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool composited = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
        return composited;
    }
#endif
    return false;
}

QRect PopoverWindow::panelRect() const
{
    const int margin = shadowMargin();
    return rect().adjusted(margin, margin, -margin, -margin);
}

void PopoverWindow::setContent(QWidget *content)
{
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    if (content) {
        if (m_rounded) {
            // The window paints the rounded surface; the page only adds what lies on it.
            content->setAutoFillBackground(false);
            for (auto *grid :
                 content->findChildren<GridBackgroundView *>(Qt::FindDirectChildrenOnly))
                grid->setClipRadius(kCornerRadius);
        }
        layout()->addWidget(content);
        fitContent();
    }
}

void PopoverWindow::fitContent()
{
    if (!m_content)
        return;
    const QSize previous = size();
    const int margin = shadowMargin();
    setFixedSize(m_content->sizeHint().expandedTo(m_content->minimumSize()) +
                 QSize(2 * margin, 2 * margin));
    if (isVisible() && size() != previous)
        placeOnScreen();
}

QPoint PopoverWindow::placement(const QSize &size, const QRect &anchor, const QPoint &clickPoint,
                                const QRect &available)
{
    QPoint topLeft;
    if (anchor.isValid() && !anchor.isEmpty()) {
        // Below a panel at the top of the screen, above one at the bottom.
        const bool panelAtBottom = anchor.center().y() > available.center().y();
        topLeft.setX(anchor.center().x() - size.width() / 2);
        topLeft.setY(panelAtBottom ? anchor.top() - size.height() - kMargin
                                   : anchor.bottom() + 1 + kMargin);
    } else {
        const bool lowerHalf = clickPoint.y() > available.center().y();
        topLeft.setX(clickPoint.x() - size.width() / 2);
        topLeft.setY(lowerHalf ? clickPoint.y() - size.height() - kMargin
                               : clickPoint.y() + kMargin);
    }
    const int maxX = available.right() - size.width() - kMargin + 1;
    const int maxY = available.bottom() - size.height() - kMargin + 1;
    topLeft.setX(std::max(available.left() + kMargin, std::min(topLeft.x(), maxX)));
    topLeft.setY(std::max(available.top() + kMargin, std::min(topLeft.y(), maxY)));
    return topLeft;
}

void PopoverWindow::placeOnScreen()
{
    QScreen *screen =
        QGuiApplication::screenAt(m_anchor.isValid() ? m_anchor.center() : m_clickPoint);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    // The panel is placed; its shadow may reach past the screen's edge.
    const int margin = shadowMargin();
    move(placement(panelRect().size(), m_anchor, m_clickPoint, available) - QPoint(margin, margin));
}

void PopoverWindow::openAt(const QRect &anchor, const QPoint &clickPoint)
{
    m_anchor = anchor;
    m_clickPoint = clickPoint.isNull() ? QCursor::pos() : clickPoint;
    placeOnScreen();
    show();
    raise();
    activateWindow();
    Q_EMIT opened();
}

void PopoverWindow::closePopover()
{
    if (isVisible())
        hide();
    Q_EMIT closed();
}

bool PopoverWindow::justDismissed() const
{
    return m_dismissedAt.isValid() && m_dismissedAt.elapsed() < kDismissGraceMs;
}

void PopoverWindow::handleOutsideClick()
{
    if (!isVisible() || m_pinned)
        return;
    m_dismissedAt.start();
    closePopover();
}

bool PopoverWindow::event(QEvent *event)
{
    // A hint bubble or the quick-actions menu opened from the popover takes the focus for
    // a moment; that is not the user turning away.
    if (event->type() == QEvent::WindowDeactivate && !QApplication::activePopupWidget())
        handleOutsideClick();
    return QWidget::event(event);
}

void PopoverWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor surface(0x09, 0x0A, 0x0F);
    if (!m_rounded) {
        p.fillRect(rect(), surface);
        p.setPen(Palette::rowBorder);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // A soft shadow: rings of faint black, each a little wider, a little lower.
    const QRectF panel = QRectF(panelRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    for (int i = kShadowMargin; i >= 1; --i) {
        const qreal spread = i;
        const qreal fade = 1.0 - spread / (kShadowMargin + 1);
        p.setBrush(Toolkit::withAlpha(Palette::shadow,
                                      static_cast<int>(std::lround(34 * fade * fade)) / 255.0));
        p.drawRoundedRect(panel.adjusted(-spread, -spread + 3, spread, spread + 3),
                          kCornerRadius + spread, kCornerRadius + spread);
    }
    p.setBrush(surface);
    p.setPen(QPen(Palette::buttonBorder, 1));
    p.drawRoundedRect(panel, kCornerRadius, kCornerRadius);
}

void PopoverWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    closePopover();
}
