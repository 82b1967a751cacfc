// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PopoverWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int kDismissGraceMs = 400;
constexpr int kMargin = 6;
} // namespace

PopoverWindow::PopoverWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_TranslucentBackground, false);
    setObjectName(QStringLiteral("KestrumPopover"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void PopoverWindow::setContent(QWidget *content)
{
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    if (content) {
        layout()->addWidget(content);
        const QSize previous = size();
        setFixedSize(content->sizeHint().expandedTo(content->minimumSize()));
        if (isVisible() && size() != previous)
            placeOnScreen();
    }
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
    move(placement(size(), m_anchor, m_clickPoint, available));
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
    p.fillRect(rect(), QColor(0x09, 0x0A, 0x0F));
    p.setPen(QColor(0x20, 0x24, 0x31));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PopoverWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    closePopover();
}
