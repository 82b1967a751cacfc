// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Typography.h"

#include <QColor>
#include <QEasingCurve>
#include <QHash>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>

class FlatButton;
class GridBackgroundView;
class Label;
class LinearGridView;
class Panel;
class QAbstractAnimation;
class QLineEdit;
class QWidget;
class ShapeLayer;
class TextView;
struct Quote;

// The kit every surface is assembled from. Each factory creates its element inside `parent`
// at `frame` (points, y up from the parent's bottom edge unless the parent is a FlippedView;
// see Frames.h), so the parent must already have its final size. Elements hold no
// application state: callers pass prepared values and set new ones on the same elements.
namespace Toolkit {

// "RRGGBB" scanned as a hexadecimal number (leading blanks and "0x" allowed, scanning stops
// at the first non-hex character); a string that does not scan gives opaque black.
QColor hex(const QString &value);
// `color` with its alpha set to `alpha` (0 to 1).
QColor withAlpha(QColor color, qreal alpha);
// Rise red, fall green as text: Palette::rise for a change percent >= 0, Palette::fall
// below, and Palette::flat when its absolute value is below 0.0001.
QString accentHexForChangePercent(double changePercent);

Label *label(QWidget *parent, const QRectF &frame, const QString &text, qreal size,
             FontWeight weight, const QColor &color, Qt::Alignment alignment = Qt::AlignLeft);
// The same with the colour as "RRGGBB" text, as data carries it.
Label *label(QWidget *parent, const QRectF &frame, const QString &text, qreal size,
             FontWeight weight, const QString &colorHex, Qt::Alignment alignment = Qt::AlignLeft);

// Regular weight, line spacing 4, paragraph spacing 5, word wrap, no inset.
TextView *textViewWithFrame(QWidget *parent, const QRectF &frame, const QString &text, qreal size,
                            const QColor &color);

// Background, 1-pt border, corner radius. A panel at least 28 pt high with a radius of at
// least 7 is raised: background at alpha 0.94, border at 0.78 and a faint shadow.
Panel *panelWithFrame(QWidget *parent, const QRectF &frame, const QColor &color,
                      const QColor &border, qreal radius);
// The same look given to a panel made elsewhere (a Panel subclass), placed at `frame`.
void stylePanel(Panel *panel, const QRectF &frame, const QColor &color, const QColor &border,
                qreal radius);
bool isRaisedPanel(qreal height, qreal radius);
// A text field in the forms' look: an input well (radius 8) at `well` with a frameless field
// in 13-pt type at `input` over it.
QLineEdit *fieldInWell(QWidget *parent, const QRectF &well, const QRectF &input);

LinearGridView *linearGridViewWithFrame(QWidget *parent, const QRectF &frame);
// The grid background filling `target`, following its size, below its other children.
GridBackgroundView *addSubtleGridBackgroundToView(QWidget *target);
// A page's surface: the page background colour with the subtle grid over it.
GridBackgroundView *addPageBackground(QWidget *page);

// Keeps `parent`'s child named `name` when it shows `key` at the size of `frame` (it moves to
// `frame`); otherwise `build()` makes a new one, which is given the name and the key. A
// replaced child goes later: a click on one of its buttons may be what asked for this.
QWidget *keepOrReplace(QWidget *parent, const QString &name, const QRectF &frame,
                       const QStringList &key, const std::function<QWidget *()> &build);

// Connect the returned buttons' clicked() to their action; `identifier` names the item.
FlatButton *footerButton(QWidget *parent, const QString &title, const QRectF &frame);
FlatButton *textButton(QWidget *parent, const QString &title, const QRectF &frame);
FlatButton *iconButton(QWidget *parent, const QString &title, const QRectF &frame);
// Three dots; connect it to the quick-actions menu.
FlatButton *moreButtonWithFrame(QWidget *parent, const QRectF &frame);

// Right click (or the menu key) on `target` opens a menu with the one item `title`, which
// runs `action`.
void addContextAction(QWidget *target, const QString &title, const std::function<void()> &action);

// The chart's time axis above a card's chart well: "09:30" at `startX`, the symbol's
// midday label centred in `width`, its closing label ending `endInset` from the right.
void addTimeAxisLabels(QWidget *card, const QString &symbol, qreal width, qreal y, qreal startX,
                       qreal endInset);

// When `priceFlashDirections` (symbol -> +1 / -1, kept by the refresh cycle) holds the
// quote's symbol, outlines `frame` of `view` once in the rise or fall colour and fades.
// Returns the flash layer, or nullptr when there is nothing to flash.
ShapeLayer *addPriceFlashIfNeededForQuote(const Quote &quote,
                                          const QHash<QString, int> &priceFlashDirections,
                                          QWidget *view, const QRectF &frame);

// Animations start `delay` seconds from now and show their starting value until then;
// the element keeps the final value. A new animation of the same kind on the same element
// replaces the running one. Each is owned by its element and deletes itself when done.
QAbstractAnimation *animateStrokeLayer(ShapeLayer *layer, qreal duration, qreal delay);
QAbstractAnimation *animateLayerOpacity(ShapeLayer *layer, qreal from, qreal to, qreal duration,
                                        qreal delay);
// Works on any widget: elements with an "opacity" property animate it, others get an
// opacity effect for the duration (left alone when they already carry another effect).
QAbstractAnimation *animateViewOpacity(QWidget *view, qreal from, qreal to, qreal duration,
                                       qreal delay);

QEasingCurve easeOutCurve();
QEasingCurve easeInEaseOutCurve();
// The curve a chart line draws itself with.
QEasingCurve chartDrawCurve();

} // namespace Toolkit
