// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/QuoteDetailData.h"
#include "ui/Panel.h"

#include <QList>
#include <QRectF>
#include <QString>

class IntradayChartView;
class Label;

// The market card of one stock: badge, board tag, symbol and name; price, change and time;
// six day facts; the intraday chart in its well with the time axis. Built once for a stock
// and updated in place on every refresh, so the chart keeps its crosshair and the price
// flash its layer.
class MarketOverviewCard : public Panel
{
    Q_OBJECT
public:
    MarketOverviewCard(QWidget *parent, const QRectF &frame, const MarketCardData &data);

    // Shows `data`, a quote of the stock the card was built for.
    void setData(const MarketCardData &data);

    QString symbol() const { return m_symbol; }
    IntradayChartView *chart() const { return m_chart; }

private:
    // Everything but the chart.
    void fill(const MarketCardData &data);
    // The chart inside its well.
    QRectF chartFrame() const;

    QString m_symbol;
    Panel *m_tag = nullptr;
    Label *m_tagText = nullptr;
    Label *m_symbolLabel = nullptr;
    Label *m_name = nullptr;
    Label *m_price = nullptr;
    Label *m_change = nullptr;
    Label *m_dateTime = nullptr;
    QList<Label *> m_factValues;
    IntradayChartView *m_chart = nullptr;
};
