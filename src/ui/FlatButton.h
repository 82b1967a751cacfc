// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "presentation/Palette.h"

#include <QAbstractButton>
#include <QColor>
#include <QString>

// A borderless push button drawn as a rounded box with a centred title: the base of the
// footer, text and icon buttons and of the hover and hint buttons. `identifier` tells a
// shared action which item (usually a symbol) the button stands for. Tab reaches it, Space,
// Return and Enter press it; a click does not take the focus.
class FlatButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius)
public:
    explicit FlatButton(QWidget *parent = nullptr);

    void setIdentifier(const QString &identifier) { m_identifier = identifier; }
    QString identifier() const { return m_identifier; }

    void setBackgroundColor(const QColor &color);
    QColor backgroundColor() const { return m_background; }
    void setBorderColor(const QColor &color);
    QColor borderColor() const { return m_border; }
    void setBorderWidth(qreal width);
    qreal borderWidth() const { return m_borderWidth; }
    void setCornerRadius(qreal radius);
    qreal cornerRadius() const { return m_radius; }
    void setTitleColor(const QColor &color);
    // A disabled button is drawn faded unless its owner gives it its own disabled colours.
    void setDimsWhenDisabled(bool dims);

    QSize sizeHint() const override;
    // The title as drawn: cut at the end with an ellipsis when it is wider than the button.
    QString displayedText() const;

    // The ring drawn around the button while it has the keyboard focus (reached with Tab).
    static QColor focusRingColor() { return Palette::focusRing; }
    bool showsFocusRing() const { return m_focusRing && hasFocus(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_identifier;
    QColor m_background = Qt::transparent;
    QColor m_border = Qt::transparent;
    qreal m_borderWidth = 1;
    qreal m_radius = 0;
    QColor m_titleColor = Qt::white;
    bool m_dimsWhenDisabled = true;
    bool m_focusRing = false;
};
