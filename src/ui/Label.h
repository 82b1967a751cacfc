// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

// A single line of text: not editable, not selectable, no border, no background. Text that
// does not fit is clipped, or cut with an ellipsis when it truncates at the end.
class Label : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)
public:
    explicit Label(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const { return m_text; }
    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    void setFont(const QFont &font);
    // Horizontal alignment (left, centre or right); the line is centred vertically.
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const { return m_alignment; }
    void setTruncatesAtEnd(bool truncates);
    bool truncatesAtEnd() const { return m_truncates; }
    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);

    // The text as drawn at the current width.
    QString displayedText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_color = Qt::white;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_truncates = false;
    qreal m_opacity = 1;
};
