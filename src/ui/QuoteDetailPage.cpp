// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuoteDetailPage.h"

#include "ui/FlatButton.h"
#include "ui/IntradayChartView.h"
#include "ui/Panel.h"
#include "ui/Toolkit.h"

using namespace Qt::StringLiterals;

int QuoteDetailPage::pageHeight(int insightCardHeight)
{
    return insightCardHeight + 484;
}

QuoteDetailPage::QuoteDetailPage(const QuoteDetailData &data, const CardActions &actions,
                                 QWidget *parent)
    : QWidget(parent)
    , m_symbol(data.market.quote.symbol)
{
    setObjectName(u"quoteDetailPage"_s);
    const int A = QuoteCards::aiInsightCardHeight(data.insight.message, kCardWidth);
    const int H = pageHeight(A);
    setFixedSize(kWidth, H);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Toolkit::colorWithHex(u"090A0F"_s));
    setPalette(palette);
    Toolkit::addSubtleGridBackgroundToView(this);

    m_back = Toolkit::textButton(this, u"‹ 返回"_s, QRectF(14, H - 42, 58, 24));
    m_back->setObjectName(u"backButton"_s);
    m_back->setAccessibleName(u"返回"_s);
    connect(m_back, &FlatButton::clicked, this, &QuoteDetailPage::backRequested);

    m_marketCard = QuoteCards::marketOverviewCardForQuote(
        this, QRectF(14, H - 302, kCardWidth, 250), data.market);
    m_chart = m_marketCard->findChild<IntradayChartView *>();
    m_insightCard = QuoteCards::aiInsightCardForQuote(this, QRectF(14, H - 316 - A, kCardWidth, A),
                                                      data.insight, actions);
    m_scenarioCard = QuoteCards::scenarioCardForQuote(this, QRectF(14, H - 412 - A, kCardWidth, 96),
                                                      data.metrics, actions);

    m_quotePage = Toolkit::footerButton(this, u"打开行情页"_s, QRectF(14, 16, kCardWidth, 32));
    m_quotePage->setObjectName(u"quotePageButton"_s);
    m_quotePage->setIdentifier(m_symbol);
    connect(m_quotePage, &FlatButton::clicked, this,
            [this] { Q_EMIT quotePageRequested(m_symbol); });
}
