// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HoldingTotalsPanel.h"

#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Label.h"
#include "ui/Toolkit.h"
#include "ui/Typography.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal kGap = 8;
constexpr qreal kLinePitch = 20;
constexpr qreal kPercentWidth = 54;
constexpr qreal kRatesButtonWidth = 64;

QColor directionColor(int direction)
{
    return direction > 0 ? Palette::rise : direction < 0 ? Palette::fall : Palette::flat;
}

// A figure in the monospaced-digit font, set smaller when it is long.
void setFigure(Label *label, const QString &text, int direction, qreal preferred)
{
    label->setText(text);
    label->setColor(directionColor(direction));
    label->setFont(Typography::monospacedDigitFont(
        Typography::figureFontSize(text, preferred, label->width()), FontWeight::Semibold));
}

} // namespace

qreal HoldingTotalsPanel::height(qsizetype lineCount)
{
    return 28 + kLinePitch * static_cast<qreal>(lineCount);
}

qreal HoldingTotalsPanel::room(const std::optional<HoldingTotalsData> &data)
{
    return data ? height(data->lines.size()) + kGap : 0;
}

HoldingTotalsPanel::HoldingTotalsPanel(QWidget *parent, const QRectF &frame,
                                       const HoldingTotalsData &data)
    : Panel(parent)
{
    Toolkit::stylePanel(this, frame, Palette::card, Palette::summaryBorder, 8);
    setObjectName(u"holdingTotals"_s);
    setDiagonalGradient(
        {Palette::selectedFace, Palette::summaryGradientMiddle, Palette::summaryGradientEnd});
    const qreal W = frame.width();
    const qreal H = frame.height();
    Toolkit::panelWithFrame(this, QRectF(8, H - 2, W - 16, 1), Palette::summaryHighlight,
                            Qt::transparent, 0);

    // A title column, then today's and the floating profit alike wide, then the percentage,
    // within the summary's 13-pt margins.
    const qreal percentX = W - 13 - kPercentWidth;
    const qreal todayX = 79;
    const qreal columnWidth = std::floor((percentX - 4 - todayX - 6) / 2);
    const qreal floatX = todayX + columnWidth + 6;
    const qreal y = H - 20;
    const auto header = [&](const QRectF &frame, const QString &text, Qt::Alignment alignment) {
        return Toolkit::label(this, frame, text, 10, FontWeight::Medium, Palette::fieldLabel,
                              alignment);
    };
    header(QRectF(13, y, 44, 13), u"持仓盈亏"_s, Qt::AlignLeft);
    header(QRectF(todayX, y, columnWidth, 13), u"今日"_s, Qt::AlignRight);
    header(QRectF(floatX, y, columnWidth, 13), u"浮动"_s, Qt::AlignRight);
    header(QRectF(percentX, y, kPercentWidth, 13), u"收益率"_s, Qt::AlignRight);
    m_unpriced = Toolkit::label(this, QRectF(59, y, todayX + columnWidth - 30 - 59, 13), QString(),
                                10, FontWeight::Regular, Palette::subtleText);
    m_unpriced->setObjectName(u"unpricedNote"_s);
    m_unpriced->setTruncatesAtEnd(true);

    for (qsizetype i = 0; i < data.lines.size(); ++i) {
        const qreal top = H - 42 - kLinePitch * static_cast<qreal>(i) + 1;
        Line line;
        line.title = Toolkit::label(this, QRectF(13, top, 62, 16), QString(), 10,
                                    FontWeight::Medium, Palette::fieldLabel);
        line.title->setObjectName(u"totalsTitle"_s);
        const auto figure = [&](qreal x, qreal width, const char16_t *name) {
            Label *label = Toolkit::label(this, QRectF(x, top, width, 16), QString(), 12,
                                          FontWeight::Semibold, Palette::flat, Qt::AlignRight);
            label->setTruncatesAtEnd(true);
            label->setObjectName(QString::fromUtf16(name));
            return label;
        };
        line.today = figure(todayX, columnWidth, u"totalsToday");
        line.floating = figure(floatX, columnWidth, u"totalsFloating");
        line.percent = figure(percentX, kPercentWidth, u"totalsPercent");
        line.note =
            Toolkit::label(this, QRectF(todayX, top, W - 13 - kRatesButtonWidth - 6 - todayX, 16),
                           QString(), 10, FontWeight::Regular, Palette::flat);
        line.note->setObjectName(u"totalsNote"_s);
        line.note->setTruncatesAtEnd(true);
        m_lines.append(line);
    }
    setData(data);
}

bool HoldingTotalsPanel::setData(const HoldingTotalsData &data)
{
    if (data.lines.size() != m_lines.size())
        return false;
    m_unpriced->setText(data.unpricedNote);
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        setLine(m_lines[i], QWidget::height() - 42 - kLinePitch * static_cast<qreal>(i),
                data.lines.at(i));
    // Named, the panel reads as one sentence instead of loose figures.
    setAccessibleName(data.spoken);
    return true;
}

void HoldingTotalsPanel::setLine(Line &line, qreal y, const HoldingTotalsLine &data)
{
    line.title->setText(data.title);
    const bool figures = data.note.isEmpty();
    for (Label *figure : {line.today, line.floating, line.percent})
        figure->setVisible(figures);
    line.note->setVisible(!figures);
    if (figures) {
        setFigure(line.today, data.todayProfit, data.todayDirection, 12);
        setFigure(line.floating, data.floatingProfit, data.floatingDirection, 12);
        setFigure(line.percent, data.floatingPercent, data.floatingDirection, 11);
    } else {
        line.note->setText(data.note);
    }
    if (data.offersRates && !line.rates) {
        line.rates =
            Toolkit::textButton(this, u"设置汇率"_s,
                                QRectF(width() - 13 - kRatesButtonWidth, y, kRatesButtonWidth, 18));
        line.rates->setObjectName(u"ratesButton"_s);
        line.rates->setFont(Typography::systemFont(10, FontWeight::Medium));
        line.rates->setCornerRadius(6);
        connect(line.rates, &FlatButton::clicked, this, &HoldingTotalsPanel::ratesRequested);
    }
    if (line.rates)
        line.rates->setVisible(data.offersRates);
}
