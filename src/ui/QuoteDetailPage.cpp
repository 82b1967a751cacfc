// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuoteDetailPage.h"

#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/HoldingEditor.h"
#include "ui/HoldingStrip.h"
#include "ui/IntradayChartView.h"
#include "ui/MarketOverviewCard.h"
#include "ui/Panel.h"
#include "ui/Toolkit.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int QuoteDetailPage::pageHeight(int insightCardHeight, bool holding)
{
    return insightCardHeight + 484 + (holding ? static_cast<int>(HoldingStrip::kHeight) + 14 : 0);
}

QuoteDetailPage::QuoteDetailPage(const QuoteDetailData &data, const CardActions &actions,
                                 QWidget *parent)
    : QWidget(parent)
    , m_symbol(data.market.quote.symbol)
    , m_actions(actions)
{
    setObjectName(u"quoteDetailPage"_s);
    setFixedSize(kWidth,
                 pageHeight(QuoteCards::aiInsightCardHeight(data.insight.message, kCardWidth),
                            data.market.holding.has_value()));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Palette::pageBackground);
    setPalette(palette);
    Toolkit::addSubtleGridBackgroundToView(this);

    m_back = Toolkit::textButton(this, u"‹ 返回"_s, QRectF(14, 0, 58, 24));
    m_back->setObjectName(u"backButton"_s);
    m_back->setAccessibleName(u"返回"_s);
    connect(m_back, &FlatButton::clicked, this, &QuoteDetailPage::backRequested);
    m_editHolding = Toolkit::textButton(this, u"持仓与提醒"_s, QRectF(80, 0, 84, 24));
    m_editHolding->setObjectName(u"editHoldingButton"_s);
    m_editHolding->setToolTip(HoldingEditor::entryTitle());
    m_editHolding->hide();
    connect(m_editHolding, &FlatButton::clicked, this, &QuoteDetailPage::editHolding);
    connect(qApp, &QApplication::focusChanged, this, &QuoteDetailPage::updateEditHoldingButton);
    Toolkit::addContextAction(this, HoldingEditor::menuTitle(), [this] { editHolding(); });
    m_quotePage = Toolkit::footerButton(this, u"打开行情页"_s, QRectF(14, 0, kCardWidth, 32));
    m_quotePage->setObjectName(u"quotePageButton"_s);
    m_quotePage->setIdentifier(m_symbol);
    connect(m_quotePage, &FlatButton::clicked, this,
            [this] { Q_EMIT quotePageRequested(m_symbol); });
    placeCards(data);
}

void QuoteDetailPage::editHolding()
{
    if (m_actions.editHolding)
        m_actions.editHolding(m_symbol);
}

void QuoteDetailPage::updateEditHoldingButton()
{
    // Focus a window hands its first button on activation is not the keyboard's.
    const QWidget *focused = QApplication::focusWidget();
    const auto *button = qobject_cast<const FlatButton *>(focused);
    const bool keyboardInside =
        focused && isAncestorOf(focused) && (!button || button->showsFocusRing());
    m_editHolding->setVisible(underMouse() || keyboardInside);
}

void QuoteDetailPage::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    updateEditHoldingButton();
}

void QuoteDetailPage::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    updateEditHoldingButton();
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
    const int H = pageHeight(A, data.market.holding.has_value());
    setFixedSize(kWidth, H);
    Frames::place(m_back, QRectF(14, H - 42, 58, 24));
    Frames::place(m_editHolding, QRectF(80, H - 42, 84, 24));
    Frames::place(m_quotePage, QRectF(14, 16, kCardWidth, 32));

    if (!m_marketCard) {
        m_marketCard =
            new MarketOverviewCard(this, QRectF(14, H - 302, kCardWidth, 250), data.market);
        m_chart = m_marketCard->chart();
    } else {
        Frames::place(m_marketCard, QRectF(14, H - 302, kCardWidth, 250));
        m_marketCard->setData(data.market);
    }
    // A position adds its strip below the market card and moves the rest down; it is kept,
    // hidden, when the position goes.
    qreal below = H - 302;
    if (data.market.holding) {
        below -= 14 + HoldingStrip::kHeight;
        const QRectF frame(14, below, kCardWidth, HoldingStrip::kHeight);
        if (!m_holdingStrip) {
            m_holdingStrip = new HoldingStrip(this, frame, *data.market.holding);
            connect(m_holdingStrip, &HoldingStrip::clicked, this, &QuoteDetailPage::editHolding);
        } else {
            Frames::place(m_holdingStrip, frame);
            m_holdingStrip->setData(*data.market.holding);
        }
    }
    if (m_holdingStrip)
        m_holdingStrip->setVisible(data.market.holding.has_value());
    // The two cards below are made again only when what they show changed.
    const QRectF insightFrame(14, below - 14 - A, kCardWidth, A);
    m_insightCard = static_cast<Panel *>(Toolkit::keepOrReplace(
        this, u"aiInsightCard"_s, insightFrame, QuoteCards::insightKey(data.insight), [&] {
            return QuoteCards::aiInsightCardForQuote(this, insightFrame, data.insight, m_actions);
        }));
    const QRectF scenarioFrame(14, below - 110 - A, kCardWidth, 96);
    m_scenarioCard = static_cast<Panel *>(Toolkit::keepOrReplace(
        this, u"scenarioCard"_s, scenarioFrame, QuoteCards::metricsKey(data.metrics), [&] {
            return QuoteCards::scenarioCardForQuote(this, scenarioFrame, data.metrics, m_actions);
        }));
}
