// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

// A single line of text: not editable, not selectable, no border, no background. Text that
// does not fit is cut at the end with an ellipsis, never silently.
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
    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);
    // A box of this colour behind the drawn text (2 pt wider each side, the label's full
    // height), so lines drawn below the label do not run through it. None by default.
    void setBacking(const QColor &color);
    QColor backing() const { return m_backing; }

    // The text as drawn at the current width.
    QString displayedText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_color = Qt::white;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_truncates = true;
    qreal m_opacity = 1;
    QColor m_backing;
};
