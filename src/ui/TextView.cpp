// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TextView.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<QTextDocument> makeDocument(const QString &text, const QFont &font, qreal width,
                                            qreal lineSpacing, qreal paragraphSpacing)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentMargin(0);
    document->setDefaultFont(font);
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    document->setPlainText(text);
    QTextCursor cursor(document.get());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setLineHeight(lineSpacing, QTextBlockFormat::LineDistanceHeight);
    format.setBottomMargin(paragraphSpacing);
    cursor.mergeBlockFormat(format);
    document->setTextWidth(std::max<qreal>(width, 1));
    return document;
}

} // namespace

TextView::TextView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TextView::setText(const QString &text)
{
    m_text = text;
    update();
}

void TextView::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void TextView::setFont(const QFont &font)
{
    QWidget::setFont(font);
    update();
}

void TextView::setLineSpacing(qreal spacing)
{
    m_lineSpacing = spacing;
    update();
}

void TextView::setParagraphSpacing(qreal spacing)
{
    m_paragraphSpacing = spacing;
    update();
}

void TextView::setOpacity(qreal opacity)
{
    m_opacity = std::clamp<qreal>(opacity, 0, 1);
    update();
}

QSizeF TextView::layoutSize(const QString &text, const QFont &font, qreal width, qreal lineSpacing,
                            qreal paragraphSpacing)
{
    if (text.isEmpty())
        return {};
    const auto document = makeDocument(text, font, width, lineSpacing, paragraphSpacing);
    // The layout adds line spacing after the last line too (paragraph spacing it leaves out);
    // spacing belongs only between lines.
    const qreal trailing = lineSpacing;
    return QSizeF(std::min(document->idealWidth(), std::max<qreal>(width, 1)),
                  std::max<qreal>(document->size().height() - trailing, 0));
}

void TextView::paintText(QPainter &painter, const QRectF &rect, const QString &text,
                         const QFont &font, const QColor &color, qreal lineSpacing,
                         qreal paragraphSpacing)
{
    if (text.isEmpty() || rect.isEmpty())
        return;
    const auto document = makeDocument(text, font, rect.width(), lineSpacing, paragraphSpacing);
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(rect.topLeft());
    const QRectF clip(QPointF(0, 0), rect.size());
    painter.setClipRect(clip, Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, color);
    context.clip = clip;
    document->documentLayout()->draw(&painter, context);
    painter.restore();
}

void TextView::paintEvent(QPaintEvent *)
{
    if (m_text.isEmpty() || m_opacity <= 0)
        return;
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    paintText(painter, rect(), m_text, font(), m_color, m_lineSpacing, m_paragraphSpacing);
}
