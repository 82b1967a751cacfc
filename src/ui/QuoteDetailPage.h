// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "decision/DecisionEngine.h"
#include "ui/QuoteCards.h"

#include <QList>
#include <QString>
#include <QWidget>

class FlatButton;
class HoldingStrip;
class IntradayChartView;
class MarketOverviewCard;
class Panel;

// The popover's page for one stock: back button, market card with the intraday chart, AI
// insight card, scenario card and the button to the provider's quote page.
class QuoteDetailPage : public QWidget
{
    Q_OBJECT
public:
    QuoteDetailPage(const QuoteDetailData &data, const CardActions &actions,
                    QWidget *parent = nullptr);

    // Shows `data` of the same stock on this page, whose height follows the insight card.
    // False, and nothing changed, for another stock.
    bool setData(const QuoteDetailData &data);

    static constexpr int kWidth = 380;
    static constexpr qreal kCardWidth = 352;
    // The insight card's height plus 484, and the holding strip's with its gap when the user
    // holds the stock.
    static int pageHeight(int insightCardHeight, bool holding = false);

    QString symbol() const { return m_symbol; }
    IntradayChartView *chartView() const { return m_chart; }
    MarketOverviewCard *marketCard() const { return m_marketCard; }
    HoldingStrip *holdingStrip() const { return m_holdingStrip; }
    Panel *insightCard() const { return m_insightCard; }
    Panel *scenarioCard() const { return m_scenarioCard; }
    FlatButton *backButton() const { return m_back; }
    FlatButton *quotePageButton() const { return m_quotePage; }
    // "持仓与提醒" right of the back button: shown while the pointer is over the page or the
    // keyboard is in it, so the page at rest looks as it always has.
    FlatButton *editHoldingButton() const { return m_editHolding; }

Q_SIGNALS:
    void backRequested();
    void quotePageRequested(const QString &symbol);

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void placeCards(const QuoteDetailData &data);
    void editHolding();
    void updateEditHoldingButton();

    QString m_symbol;
    CardActions m_actions;
    IntradayChartView *m_chart = nullptr;
    MarketOverviewCard *m_marketCard = nullptr;
    HoldingStrip *m_holdingStrip = nullptr;
    Panel *m_insightCard = nullptr;
    Panel *m_scenarioCard = nullptr;
    FlatButton *m_back = nullptr;
    FlatButton *m_quotePage = nullptr;
    FlatButton *m_editHolding = nullptr;
};
