// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MarketOverviewCard.h"

#include "model/Formatters.h"
#include "presentation/Palette.h"
#include "ui/Frames.h"
#include "ui/IntradayChartView.h"
#include "ui/Label.h"
#include "ui/QuoteCards.h"
#include "ui/Toolkit.h"
#include "ui/Typography.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;
using Toolkit::label;

namespace {

struct Fact
{
    QString title;
    qreal width;
};

const Fact kFacts[] = {{u"今开"_s, 47}, {u"最高"_s, 47},   {u"最低"_s, 47},
                       {u"昨收"_s, 47}, {u"成交量"_s, 64}, {u"成交额"_s, 68}};

} // namespace

MarketOverviewCard::MarketOverviewCard(QWidget *parent, const QRectF &frame,
                                       const MarketCardData &data)
    : Panel(parent)
    , m_symbol(data.quote.symbol)
{
    Toolkit::stylePanel(this, frame, Palette::card, Palette::cardBorder, 9);
    setObjectName(u"marketCard"_s);
    setDiagonalGradient(
        {Palette::quoteCardGradientStart, Palette::quoteCardGradientMiddle, Palette::card});
    const qreal W = frame.width();
    const qreal H = frame.height();

    // Header line: market badge, board tag, symbol, name. The badge and the symbol belong to
    // the stock and never change.
    const QString marketBadge = marketBadgeForSymbol(m_symbol);
    Panel *badge = Toolkit::panelWithFrame(this, QRectF(W - 64, H - 32, 48, 20), Palette::badgeFill,
                                           Palette::badgeBorder, 10);
    badge->setObjectName(u"marketBadge"_s);
    label(badge, QRectF(0, 3, 48, 13), marketBadge, 9, FontWeight::Medium, Palette::badgeText,
          Qt::AlignHCenter)
        ->setObjectName(u"marketBadgeText"_s);
    m_tag = Toolkit::panelWithFrame(this, QRectF(0, H - 32, 40, 20), Palette::badgeFill,
                                    Palette::badgeBorder, 10);
    m_tag->setObjectName(u"boardTag"_s);
    m_tagText = label(m_tag, QRectF(8, 3, 24, 13), QString(), 10, FontWeight::Semibold,
                      Palette::link, Qt::AlignHCenter);
    m_tagText->setTruncatesAtEnd(true);
    m_tagText->setObjectName(u"boardTagText"_s);
    m_symbolLabel = label(this, QRectF(0, H - 30, 72, 15), m_symbol.toUpper(), 10,
                          FontWeight::Medium, Palette::symbolText, Qt::AlignRight);
    m_symbolLabel->setObjectName(u"symbol"_s);
    m_name = label(this, QRectF(16, H - 31, 0, 17), QString(), 13, FontWeight::Semibold,
                   Palette::quoteName);
    m_name->setTruncatesAtEnd(true);
    m_name->setObjectName(u"name"_s);

    // Price, change and time.
    m_price = label(this, QRectF(16, H - 74, 8, 30), QString(), 20, FontWeight::Semibold,
                    Palette::quoteName);
    m_price->setObjectName(u"price"_s);
    m_change = label(this, QRectF(0, H - 70, 132, 18), QString(), 12, FontWeight::Semibold,
                     Palette::quoteName);
    m_change->setObjectName(u"change"_s);
    m_dateTime = label(this, QRectF(16, H - 90, 180, 13), QString(), 10, FontWeight::Medium,
                       Palette::timestampText);
    m_dateTime->setObjectName(u"dateTime"_s);

    qreal x = 16;
    for (const Fact &fact : kFacts) {
        label(this, QRectF(x, H - 108, fact.width, 12), fact.title, 9, FontWeight::Medium,
              Palette::factTitle)
            ->setObjectName(u"factTitle"_s);
        Label *value = label(this, QRectF(x, H - 126, fact.width, 16), QString(), 10,
                             FontWeight::Semibold, Palette::flatLight);
        value->setTruncatesAtEnd(true);
        value->setObjectName(u"factValue"_s);
        m_factValues.append(value);
        x += fact.width;
    }

    // Chart well with its grid and the intraday chart.
    Panel *well = Toolkit::panelWithFrame(this, QRectF(10, 30, W - 20, 86), Palette::chartWell,
                                          Palette::chartWellBorder, 8);
    well->setObjectName(u"chartWell"_s);
    Toolkit::linearGridViewWithFrame(well, QRectF(0, 0, W - 20, 86));
    m_chart = new IntradayChartView(well, chartFrame(), data.series);
    m_chart->setObjectName(u"chart"_s);

    Toolkit::addTimeAxisLabels(this, m_symbol, W, 10, 52, 44);
    fill(data);
}

QRectF MarketOverviewCard::chartFrame() const
{
    return QRectF(8, 3, width() - 36, 80);
}

void MarketOverviewCard::setData(const MarketCardData &data)
{
    fill(data);
    m_chart->setSeries(data.series, chartFrame());
}

void MarketOverviewCard::fill(const MarketCardData &data)
{
    const Quote &quote = data.quote;
    const qreal W = width();
    const qreal H = height();
    // Named, the card reads as one group to a screen reader.
    setAccessibleName(quote.name + u' ' + formatPriceOrDash(quote.price));

    const QuoteCards::BoardTagLayout tag =
        QuoteCards::boardTagLayoutForTag(W, data.boardTag, marketBadgeForSymbol(m_symbol));
    m_tag->setHidden(!tag.showsTag);
    m_tagText->setText(tag.showsTag ? data.boardTag : QString());
    if (tag.showsTag) {
        Frames::place(m_tag, QRectF(tag.symbolX + 78, H - 32, tag.tagWidth, 20));
        Frames::place(m_tagText, QRectF(8, 3, tag.tagWidth - 16, 13));
    }
    Frames::place(m_symbolLabel, QRectF(tag.symbolX, H - 30, 72, 15));
    const QString name = quote.name.isEmpty() ? u"--"_s : quote.name;
    const qreal nameWidth = std::min(
        std::floor(Typography::textWidth(name, Typography::systemFont(13, FontWeight::Semibold))) +
            18,
        tag.symbolX - 26);
    Frames::place(m_name, QRectF(16, H - 31, std::max<qreal>(nameWidth, 0), 17));
    m_name->setText(name);

    const QString price = formatPriceOrDash(quote.price);
    const qreal priceWidth =
        std::floor(Typography::textWidth(price, Typography::systemFont(20, FontWeight::Semibold)));
    const QColor accent = Toolkit::hex(data.accentHex);
    Frames::place(m_price, QRectF(16, H - 74, priceWidth + 8, 30));
    m_price->setText(price);
    m_price->setColor(accent);
    Frames::place(m_change, QRectF(std::min(priceWidth + 34, W - 148), H - 70, 132, 18));
    m_change->setText(formatChangeLine(quote));
    m_change->setColor(accent);
    m_dateTime->setText(quote.date + u' ' + quote.time);

    const bool priced = quote.price > 0;
    const struct
    {
        QString value;
        QColor color;
    } values[] = {
        {formatPriceOrDash(quote.open),
         Toolkit::hex(QuoteCards::openPriceColorHex(quote.changePercent()))},
        {formatPriceOrDash(quote.high), Palette::riseLight},
        {formatPriceOrDash(quote.low), Palette::fallLight},
        {formatPriceOrDash(quote.previousClose), Palette::flatLight},
        {priced ? formatCompactNumber(quote.volume) : u"--"_s, Palette::flatLight},
        {priced ? formatCompactNumber(quote.amount) : u"--"_s, Palette::flatLight},
    };
    for (qsizetype i = 0; i < m_factValues.size(); ++i) {
        m_factValues.at(i)->setText(values[i].value);
        m_factValues.at(i)->setColor(values[i].color);
    }

    Toolkit::addPriceFlashIfNeededForQuote(quote, data.priceFlashDirections, this,
                                           QRectF(0, 0, W, H));
}
