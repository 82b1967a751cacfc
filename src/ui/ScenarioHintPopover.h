// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class HintIconButton;

// The small dark bubble that explains a decision tag or a metric. One object serves every
// hint of every page: showing a new hint closes the open one first. It opens below the button
// (above it when the screen has no room) and closes on any click outside it.
class ScenarioHintPopover : public QWidget
{
    Q_OBJECT
public:
    explicit ScenarioHintPopover(QWidget *parent = nullptr);

    static constexpr qreal kWidth = 268;
    static constexpr qreal kTextWidth = 244;
    static constexpr qreal kLineSpacing = 2;
    static QFont hintFont();
    // max(text height + 20, 42) for the text laid out 244 wide.
    static int heightForText(const QString &text);

    // Shows the button's hint; a sender that is not a hint button, or one without a hint,
    // does nothing.
    void showForButton(HintIconButton *button);
    void showText(const QString &text, const QRect &anchorGlobal);
    void closeHint();
    bool isOpen() const { return isVisible(); }
    QString text() const { return m_text; }

    // Top-left of a bubble of `size` for a button at `anchor` on `available` (global).
    static QPoint placement(const QSize &size, const QRect &anchor, const QRect &available);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QPointer<QWidget> m_anchor;
};
