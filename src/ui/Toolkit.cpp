// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Toolkit.h"

#include "intraday/TradingClock.h"
#include "model/Quote.h"
#include "presentation/HexColor.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/GridBackgroundView.h"
#include "ui/Label.h"
#include "ui/LinearGridView.h"
#include "ui/Panel.h"
#include "ui/ShapeLayer.h"
#include "ui/TextView.h"

#include <QGraphicsOpacityEffect>
#include <QLineEdit>
#include <QMenu>
#include <QPainterPath>
#include <QPauseAnimation>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QVariant>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// `color` with its alpha scaled by `factor`.
QColor fadedBy(QColor color, qreal factor)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * factor));
    return color;
}

QEasingCurve bezier(qreal x1, qreal y1, qreal x2, qreal y2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(x1, y1), QPointF(x2, y2), QPointF(1, 1));
    return curve;
}

int milliseconds(qreal seconds)
{
    return std::max(0, static_cast<int>(std::lround(seconds * 1000)));
}

// Runs `property` of `target` from `from` to `to` after `delay`, holding `from` until then,
// under `key`: a running animation with the same key on the same target is replaced.
QAbstractAnimation *runKeyed(QObject *target, QObject *owner, const QByteArray &property,
                             qreal from, qreal to, qreal duration, qreal delay,
                             const QEasingCurve &curve, const QString &key)
{
    for (QAbstractAnimation *old :
         owner->findChildren<QAbstractAnimation *>(key, Qt::FindDirectChildrenOnly)) {
        old->stop();
        old->deleteLater();
        old->setObjectName(QString());
    }
    target->setProperty(property.constData(), from);
    auto *animation = new QPropertyAnimation(target, property);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setDuration(milliseconds(duration));
    animation->setEasingCurve(curve);
    QAbstractAnimation *run = animation;
    if (delay > 0) {
        auto *group = new QSequentialAnimationGroup;
        group->addPause(milliseconds(delay));
        group->addAnimation(animation);
        run = group;
    }
    run->setParent(owner);
    run->setObjectName(key);
    run->start(QAbstractAnimation::DeleteWhenStopped);
    return run;
}

FlatButton *makeButton(QWidget *parent, const QString &title, const QRectF &frame, qreal size,
                       FontWeight weight, const QColor &background, const QColor &border)
{
    auto *button = new FlatButton(parent);
    Frames::place(button, frame);
    button->setText(title);
    button->setFont(Typography::systemFont(size, weight));
    button->setTitleColor(Palette::controlText);
    button->setBackgroundColor(background);
    button->setBorderColor(border);
    button->setBorderWidth(1);
    button->setCornerRadius(7);
    button->show();
    return button;
}

} // namespace

QColor Toolkit::hex(const QString &digits)
{
    return HexColor::color(digits);
}

QColor Toolkit::withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

QString Toolkit::accentHexForChangePercent(double changePercent)
{
    return HexColor::accentForChangePercent(changePercent);
}

Label *Toolkit::label(QWidget *parent, const QRectF &frame, const QString &text, qreal size,
                      FontWeight weight, const QColor &color, Qt::Alignment alignment)
{
    auto *item = new Label(parent);
    Frames::place(item, frame);
    item->setText(text);
    item->setFont(Typography::systemFont(size, weight));
    item->setColor(color);
    item->setAlignment(alignment);
    item->show();
    return item;
}

Label *Toolkit::label(QWidget *parent, const QRectF &frame, const QString &text, qreal size,
                      FontWeight weight, const QString &colorHex, Qt::Alignment alignment)
{
    return label(parent, frame, text, size, weight, hex(colorHex), alignment);
}

TextView *Toolkit::textViewWithFrame(QWidget *parent, const QRectF &frame, const QString &text,
                                     qreal size, const QColor &color)
{
    auto *view = new TextView(parent);
    Frames::place(view, frame);
    view->setText(text);
    view->setFont(Typography::systemFont(size));
    view->setColor(color);
    view->setLineSpacing(4);
    view->setParagraphSpacing(5);
    view->show();
    return view;
}

QLineEdit *Toolkit::fieldInWell(QWidget *parent, const QRectF &well, const QRectF &input)
{
    panelWithFrame(parent, well, Palette::inputWell, Palette::cardBorder, 8);
    auto *field = new QLineEdit(parent);
    Frames::place(field, input);
    field->setFrame(false);
    field->setFont(Typography::systemFont(13, FontWeight::Regular));
    field->show();
    return field;
}

bool Toolkit::isRaisedPanel(qreal height, qreal radius)
{
    return height >= 28 && radius >= 7;
}

Panel *Toolkit::panelWithFrame(QWidget *parent, const QRectF &frame, const QColor &color,
                               const QColor &border, qreal radius)
{
    auto *panel = new Panel(parent);
    stylePanel(panel, frame, color, border, radius);
    return panel;
}

void Toolkit::stylePanel(Panel *panel, const QRectF &frame, const QColor &color,
                         const QColor &border, qreal radius)
{
    Frames::place(panel, frame);
    panel->setCornerRadius(radius);
    panel->setBorderWidth(1);
    if (isRaisedPanel(frame.height(), radius)) {
        panel->setBackgroundColor(fadedBy(color, 0.94));
        panel->setBorderColor(fadedBy(border, 0.78));
        panel->setShadow(Palette::shadow, 0.04, 8, QPointF(0, 3));
    } else {
        panel->setBackgroundColor(color);
        panel->setBorderColor(border);
    }
    panel->show();
}

QWidget *Toolkit::keepOrReplace(QWidget *parent, const QString &name, const QRectF &frame,
                                const QStringList &key, const std::function<QWidget *()> &build)
{
    QWidget *old = parent->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    const QRect geometry = Frames::geometry(parent, frame);
    if (old && old->property("shows").toStringList() == key && old->size() == geometry.size()) {
        old->setGeometry(geometry);
        return old;
    }
    if (old) {
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    QWidget *made = build();
    made->setObjectName(name);
    made->setProperty("shows", key);
    return made;
}

LinearGridView *Toolkit::linearGridViewWithFrame(QWidget *parent, const QRectF &frame)
{
    auto *grid = new LinearGridView(parent);
    Frames::place(grid, frame);
    grid->show();
    return grid;
}

GridBackgroundView *Toolkit::addPageBackground(QWidget *page)
{
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, Palette::pageBackground);
    page->setPalette(palette);
    return addSubtleGridBackgroundToView(page);
}

GridBackgroundView *Toolkit::addSubtleGridBackgroundToView(QWidget *target)
{
    if (!target)
        return nullptr;
    auto *grid = new GridBackgroundView(target);
    grid->setGeometry(target->rect());
    grid->lower();
    grid->show();
    return grid;
}

FlatButton *Toolkit::footerButton(QWidget *parent, const QString &title, const QRectF &frame)
{
    return makeButton(parent, title, frame, 13, FontWeight::Medium, Palette::buttonFace,
                      Palette::buttonBorder);
}

FlatButton *Toolkit::textButton(QWidget *parent, const QString &title, const QRectF &frame)
{
    return makeButton(parent, title, frame, 12, FontWeight::Medium, Palette::quietCard,
                      Palette::quietButtonBorder);
}

FlatButton *Toolkit::iconButton(QWidget *parent, const QString &title, const QRectF &frame)
{
    return makeButton(parent, title, frame, 18, FontWeight::Semibold, Palette::buttonFace,
                      Palette::buttonBorder);
}

void Toolkit::addContextAction(QWidget *target, const QString &title,
                               const std::function<void()> &action)
{
    target->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(target, &QWidget::customContextMenuRequested, target,
                     [target, title, action](const QPoint &at) {
                         // The target's child: it cannot outlive what the action reads.
                         auto *menu = new QMenu(target);
                         menu->setObjectName(u"contextMenu"_s);
                         menu->setAttribute(Qt::WA_DeleteOnClose);
                         menu->addAction(title, menu, action);
                         menu->popup(target->mapToGlobal(at));
                     });
}

FlatButton *Toolkit::moreButtonWithFrame(QWidget *parent, const QRectF &frame)
{
    FlatButton *button = iconButton(parent, QString(), frame);
    button->setCornerRadius(6);
    const qreal w = button->width();
    const qreal h = button->height();
    QPainterPath dots;
    for (int i = 0; i < 3; ++i) {
        const QRectF dot(std::floor((w - 14.6) / 2) + 6 * i, std::floor((h - 2.6) / 2), 2.6, 2.6);
        dots.addRoundedRect(Frames::flip(dot, h), 1.3, 1.3);
    }
    auto *layer = new ShapeLayer(button);
    layer->setObjectName(u"moreDots"_s);
    layer->setGeometry(button->rect());
    layer->setPath(dots);
    layer->setFillBrush(Palette::moreDots);
    layer->show();
    return button;
}

void Toolkit::addTimeAxisLabels(QWidget *card, const QString &symbol, qreal width, qreal y,
                                qreal startX, qreal endInset)
{
    const QColor color = Palette::disabledText;
    label(card, QRectF(startX, y, 48, 15), u"09:30"_s, 10, FontWeight::Medium, color)
        ->setObjectName(u"axisStart"_s);
    label(card, QRectF((width - 82) / 2, y, 82, 15), TradingClock::midLabel(symbol), 10,
          FontWeight::Medium, color, Qt::AlignHCenter)
        ->setObjectName(u"axisMid"_s);
    label(card, QRectF(width - endInset - 48, y, 48, 15), TradingClock::endLabel(symbol), 10,
          FontWeight::Medium, color, Qt::AlignRight)
        ->setObjectName(u"axisEnd"_s);
}

ShapeLayer *Toolkit::addPriceFlashIfNeededForQuote(const Quote &quote,
                                                   const QHash<QString, int> &priceFlashDirections,
                                                   QWidget *view, const QRectF &frame)
{
    const auto it = priceFlashDirections.constFind(quote.symbol);
    if (it == priceFlashDirections.cend() || !view)
        return nullptr;
    const QColor stroke = it.value() >= 0 ? Palette::riseLight : Palette::fallLight;
    // A view updated in place keeps its layer and runs the fade again: making the layer and
    // its glow is most of what a row's update would cost.
    auto *layer = view->findChild<ShapeLayer *>(u"priceFlash"_s, Qt::FindDirectChildrenOnly);
    if (!layer) {
        layer = new ShapeLayer(view);
        layer->setObjectName(u"priceFlash"_s);
        layer->setLineWidth(1.2);
        layer->setOpacity(0);
        layer->show();
    }
    if (layer->strokeColor() != stroke) {
        layer->setStrokeColor(stroke);
        layer->setGlow(stroke, 0.28, 8);
    }
    Frames::place(layer, frame);
    const qreal radius = std::max<qreal>(view->property("cornerRadius").toReal() - 1, 0);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(layer->rect()).adjusted(1, 1, -1, -1), radius, radius);
    layer->setPath(outline);
    layer->raise();
    runKeyed(layer, layer, "opacity", 0.55, 0, 0.78, 0, easeOutCurve(), u"priceGlow"_s);
    return layer;
}

QAbstractAnimation *Toolkit::animateStrokeLayer(ShapeLayer *layer, qreal duration, qreal delay)
{
    if (!layer)
        return nullptr;
    return runKeyed(layer, layer, "strokeEnd", 0, 1, duration, delay, chartDrawCurve(),
                    u"chartStrokeDraw"_s);
}

QAbstractAnimation *Toolkit::animateLayerOpacity(ShapeLayer *layer, qreal from, qreal to,
                                                 qreal duration, qreal delay)
{
    if (!layer)
        return nullptr;
    return runKeyed(layer, layer, "opacity", from, to, duration, delay, easeOutCurve(),
                    u"chartOpacityFade"_s);
}

QAbstractAnimation *Toolkit::animateViewOpacity(QWidget *view, qreal from, qreal to, qreal duration,
                                                qreal delay)
{
    if (!view)
        return nullptr;
    const QString key = u"viewOpacityFade"_s;
    if (view->metaObject()->indexOfProperty("opacity") >= 0)
        return runKeyed(view, view, "opacity", from, to, duration, delay, easeOutCurve(), key);

    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(view->graphicsEffect());
    if (!effect && view->graphicsEffect())
        return nullptr; // the element's own effect (a shadow) wins over the fade
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    QAbstractAnimation *run =
        runKeyed(effect, view, "opacity", from, to, duration, delay, easeOutCurve(), key);
    if (to >= 1) {
        // Fully shown again: drop the effect so the view paints directly.
        QObject::connect(
            run, &QAbstractAnimation::finished, view,
            [view, effect] {
                if (view->graphicsEffect() == effect)
                    view->setGraphicsEffect(nullptr);
            },
            Qt::QueuedConnection);
    }
    return run;
}

QEasingCurve Toolkit::easeOutCurve()
{
    return bezier(0, 0, 0.58, 1);
}

QEasingCurve Toolkit::easeInEaseOutCurve()
{
    return bezier(0.42, 0, 0.58, 1);
}

QEasingCurve Toolkit::chartDrawCurve()
{
    return bezier(0.22, 0.61, 0.36, 1.0);
}
