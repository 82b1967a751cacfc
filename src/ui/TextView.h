// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QSizeF>
#include <QString>
#include <QWidget>

class QPainter;

// Read-only, non-selectable multi-line text without background: word wrapping at the
// view's width, no inset, given line and paragraph spacing. Text beyond the frame is cut.
class TextView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)
public:
    explicit TextView(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const { return m_text; }
    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    void setFont(const QFont &font);
    void setLineSpacing(qreal spacing);
    qreal lineSpacing() const { return m_lineSpacing; }
    void setParagraphSpacing(qreal spacing);
    qreal paragraphSpacing() const { return m_paragraphSpacing; }
    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);

    // The size text takes when laid out `width` wide: the widest line and the total height.
    static QSizeF layoutSize(const QString &text, const QFont &font, qreal width, qreal lineSpacing,
                             qreal paragraphSpacing = 0);

    // Draws text laid out as layoutSize() lays it out, from the top-left of `rect`.
    static void paintText(QPainter &painter, const QRectF &rect, const QString &text,
                          const QFont &font, const QColor &color, qreal lineSpacing,
                          qreal paragraphSpacing = 0);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_color = Qt::white;
    qreal m_lineSpacing = 0;
    qreal m_paragraphSpacing = 0;
    qreal m_opacity = 1;
};
