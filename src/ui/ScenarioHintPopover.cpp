// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ScenarioHintPopover.h"

#include "presentation/Palette.h"
#include "ui/HintIconButton.h"
#include "ui/Panel.h"
#include "ui/TextView.h"
#include "ui/Toolkit.h"
#include "ui/Typography.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr int kGap = 4;
constexpr int kMargin = 6;
} // namespace

ScenarioHintPopover::ScenarioHintPopover(QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
{
    setObjectName(u"scenarioHintPopover"_s);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(static_cast<int>(kWidth), 42);
}

QFont ScenarioHintPopover::hintFont()
{
    return Typography::systemFont(11, FontWeight::Regular);
}

int ScenarioHintPopover::heightForText(const QString &text)
{
    const QSizeF size = TextView::layoutSize(text, hintFont(), kTextWidth, kLineSpacing);
    return static_cast<int>(std::ceil(std::max<qreal>(size.height() + 20, 42)));
}

QPoint ScenarioHintPopover::placement(const QSize &size, const QRect &anchor,
                                      const QRect &available)
{
    int x = anchor.center().x() - size.width() / 2;
    int y = anchor.bottom() + 1 + kGap;
    if (y + size.height() > available.bottom() + 1 - kMargin)
        y = anchor.top() - kGap - size.height();
    x = std::clamp(
        x, available.left() + kMargin,
        std::max(available.left() + kMargin, available.right() + 1 - kMargin - size.width()));
    y = std::max(y, available.top() + kMargin);
    return {x, y};
}

void ScenarioHintPopover::showForButton(HintIconButton *button)
{
    if (!button || button->hintText().isEmpty())
        return;
    m_anchor = button;
    const QRect anchor(button->mapToGlobal(QPoint(0, 0)), button->size());
    showText(button->hintText(), anchor);
}

void ScenarioHintPopover::showText(const QString &text, const QRect &anchorGlobal)
{
    if (text.isEmpty())
        return;
    closeHint();
    m_text = text;
    setFixedSize(static_cast<int>(kWidth), heightForText(text));
    QScreen *screen = QGuiApplication::screenAt(anchorGlobal.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    move(placement(size(), anchorGlobal, available));
    show();
    raise();
}

void ScenarioHintPopover::closeHint()
{
    if (isVisible())
        hide();
}

void ScenarioHintPopover::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor background = Palette::tooltipBackground;
    background.setAlphaF(0.98f);
    Panel::paintBox(painter, rect(), background, Palette::hintBorder, 1, 8);
    const QSizeF textSize = TextView::layoutSize(m_text, hintFont(), kTextWidth, kLineSpacing);
    // Centred vertically, as the y-up frame (12, floor((h - text) / 2)) places it.
    const qreal top = height() - std::floor((height() - textSize.height()) / 2) - textSize.height();
    TextView::paintText(painter, QRectF(12, top, kTextWidth, textSize.height() + 2), m_text,
                        hintFont(), Palette::tooltipText, kLineSpacing);
}
