// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HoldingStrip.h"

#include "presentation/Palette.h"
#include "ui/Frames.h"
#include "ui/HoldingEditor.h"
#include "ui/Label.h"
#include "ui/QuoteRowMarks.h"
#include "ui/Toolkit.h"
#include "ui/Typography.h"

#include <QMouseEvent>

#include <cmath>

using namespace Qt::StringLiterals;

HoldingStrip::HoldingStrip(QWidget *parent, const QRectF &frame, const HoldingLineData &data)
    : Panel(parent)
{
    Toolkit::stylePanel(this, frame, Palette::card, Palette::cardBorder, 8);
    setObjectName(u"holdingStrip"_s);
    setDiagonalGradient(
        {Palette::stripGradientStart, Palette::fieldBase, Palette::stripGradientEnd});
    const qreal W = frame.width();
    const qreal H = frame.height();
    // Three columns of two cells, split like the decision strip.
    const qreal c = std::floor((W - 52) / 3);
    for (int column = 1; column < 3; ++column)
        Toolkit::panelWithFrame(this, QRectF(14 + column * (c + 12) - 6, 12, 1, H - 24),
                                Palette::cardDivider, Qt::transparent, 0)
            ->setObjectName(u"divider"_s);
    const QString titles[] = {u"持仓"_s, u"成本"_s, u"市值"_s, u"今日"_s, u"浮动"_s, u"收益率"_s};
    for (int i = 0; i < 6; ++i) {
        const qreal x = 14 + (i % 3) * (c + 12);
        const qreal y = i < 3 ? H - 26 : 10;
        const qreal titleWidth = std::ceil(
            Typography::textWidth(titles[i], Typography::systemFont(10, FontWeight::Medium)));
        Label *title = Toolkit::label(this, QRectF(x, y, titleWidth, 16), titles[i], 10,
                                      FontWeight::Medium, Palette::factTitle);
        title->setObjectName(u"holdingTitle"_s);
        m_titles.append(title);
        Label *value =
            Toolkit::label(this, QRectF(x + titleWidth + 6, y, c - titleWidth - 6, 16), QString(),
                           11, FontWeight::Semibold, Palette::flatLight, Qt::AlignRight);
        value->setFont(Typography::monospacedDigitFont(11, FontWeight::Semibold));
        value->setTruncatesAtEnd(true);
        value->setObjectName(u"holdingValue"_s);
        m_values.append(value);
    }
    setCursor(Qt::PointingHandCursor);
    setToolTip(HoldingEditor::entryTitle());
    setData(data);
}

void HoldingStrip::mousePressEvent(QMouseEvent *event)
{
    // Taken, so the release comes here too.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void HoldingStrip::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

QList<HoldingStrip::Figure> HoldingStrip::figures(const HoldingLineData &data)
{
    return {
        {data.shares, 0},
        {data.cost, 0},
        {data.marketValue, 0},
        {data.todayProfit, data.todayDirection},
        {data.floatingProfit, data.floatingDirection},
        {data.floatingPercent.isEmpty() ? u"--"_s : data.floatingPercent, data.floatingDirection}};
}

void HoldingStrip::setData(const HoldingLineData &data)
{
    const QList<Figure> shown = figures(data);
    QStringList spoken;
    for (int i = 0; i < 6; ++i) {
        m_values.at(i)->setText(shown.at(i).text);
        m_values.at(i)->setColor(QuoteRowMarks::factColor(shown.at(i).direction));
        spoken << m_titles.at(i)->text() + u' ' + shown.at(i).text;
    }
    // Named, the strip reads as one sentence.
    setAccessibleName(spoken.join(u"，"_s));
}
