// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuoteDetailPage.h"

#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
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
    , m_actions(actions)
{
    setObjectName(u"quoteDetailPage"_s);
    setFixedSize(kWidth,
                 pageHeight(QuoteCards::aiInsightCardHeight(data.insight.message, kCardWidth)));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Palette::pageBackground);
    setPalette(palette);
    Toolkit::addSubtleGridBackgroundToView(this);

    m_back = Toolkit::textButton(this, u"‹ 返回"_s, QRectF(14, 0, 58, 24));
    m_back->setObjectName(u"backButton"_s);
    m_back->setAccessibleName(u"返回"_s);
    connect(m_back, &FlatButton::clicked, this, &QuoteDetailPage::backRequested);
    m_quotePage = Toolkit::footerButton(this, u"打开行情页"_s, QRectF(14, 0, kCardWidth, 32));
    m_quotePage->setObjectName(u"quotePageButton"_s);
    m_quotePage->setIdentifier(m_symbol);
    connect(m_quotePage, &FlatButton::clicked, this,
            [this] { Q_EMIT quotePageRequested(m_symbol); });
    placeCards(data);
}

bool QuoteDetailPage::setData(const QuoteDetailData &data)
{
    if (data.market.quote.symbol != m_symbol)
        return false;
    placeCards(data);
    return true;
}

void QuoteDetailPage::placeCards(const QuoteDetailData &data)
{
    const int A = QuoteCards::aiInsightCardHeight(data.insight.message, kCardWidth);
    const int H = pageHeight(A);
    setFixedSize(kWidth, H);
    Frames::place(m_back, QRectF(14, H - 42, 58, 24));
    Frames::place(m_quotePage, QRectF(14, 16, kCardWidth, 32));

    // The cards are replaced, later: a click on one of their buttons (regenerate, a hint) may
    // be what asked for this update.
    for (QWidget *old :
         {static_cast<QWidget *>(m_marketCard), static_cast<QWidget *>(m_insightCard),
          static_cast<QWidget *>(m_scenarioCard)}) {
        if (old) {
            old->hide();
            old->setParent(nullptr);
            old->deleteLater();
        }
    }
    m_marketCard = QuoteCards::marketOverviewCardForQuote(
        this, QRectF(14, H - 302, kCardWidth, 250), data.market);
    m_chart = m_marketCard->findChild<IntradayChartView *>();
    m_insightCard = QuoteCards::aiInsightCardForQuote(this, QRectF(14, H - 316 - A, kCardWidth, A),
                                                      data.insight, m_actions);
    m_scenarioCard = QuoteCards::scenarioCardForQuote(this, QRectF(14, H - 412 - A, kCardWidth, 96),
                                                      data.metrics, m_actions);
}
