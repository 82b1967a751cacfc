// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindowView.h"

#include "intraday/TradingClock.h"
#include "model/Formatters.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/HoldingEditor.h"
#include "ui/HoldingStrip.h"
#include "ui/HoldingTotalsPanel.h"
#include "ui/HomePage.h"
#include "ui/HoverButton.h"
#include "ui/IntradayChartView.h"
#include "ui/IntradayHoverOverlayView.h"
#include "ui/Label.h"
#include "ui/LinearGridView.h"
#include "ui/MainWindowLayout.h"
#include "ui/OverlayScrollArea.h"
#include "ui/Panel.h"
#include "ui/QuoteRowMarks.h"
#include "ui/RowPool.h"
#include "ui/TextView.h"
#include "ui/Toolkit.h"

#include <QPalette>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using Toolkit::hex;
using Toolkit::label;

Label *monoLabel(QWidget *parent, const QRectF &frame, const QString &text, qreal size,
                 FontWeight weight, const QString &color, Qt::Alignment alignment)
{
    Label *l = label(parent, frame, text, size, weight, color, alignment);
    l->setFont(Typography::monospacedDigitFont(size, weight));
    return l;
}

// The "返回" look: the buttons that lead into or back out of the manager.
void styleAsPrimary(FlatButton *button)
{
    button->setBackgroundColor(Palette::primaryButtonFace);
    button->setBorderColor(Palette::primaryButtonBorder);
    button->setTitleColor(Palette::primaryButtonTitle);
}

} // namespace

MainWindowView::MainWindowView(const MainWindowData &data, const QSize &size,
                               const CardActions &actions, const SidebarBuilder &sidebarBuilder,
                               QWidget *parent)
    : QWidget(parent)
    , m_section(data.section)
    , m_actions(actions)
    , m_sidebarBuilder(sidebarBuilder)
{
    setObjectName(u"mainWindowView"_s);
    setFixedSize(MainWindowLayout::viewSize(QSizeF(size)).toSize());
    Toolkit::addPageBackground(this);

    // The skeleton is built once; setData sizes and fills it, here and at every change.
    buildHeader();
    if (m_section != MainSection::Watchlist || !m_sidebarBuilder)
        buildList();
    setData(data, size);
    placeList(std::nullopt);
}

bool MainWindowView::setData(const MainWindowData &data, const QSize &size)
{
    if (data.section != m_section)
        return false;
    const QSizeF viewSize = MainWindowLayout::viewSize(QSizeF(size));
    m_size = viewSize.toSize();
    setFixedSize(m_size);
    const qreal W = viewSize.width();
    const qreal H = viewSize.height();
    m_totalsRoom = HoldingTotalsPanel::room(data.holdingTotals);
    placeHeader(data, W, H);
    const QRectF listFrame = MainWindowLayout::listFrame(H, m_totalsRoom);
    if (m_listArea)
        setRows(data, H);
    else if (!m_sidebar)
        m_sidebar = m_sidebarBuilder(this, listFrame);
    else
        Frames::place(m_sidebar, listFrame); // it lays itself out again
    buildWorkbench(data, W, H);
    return true;
}

QList<HoverButton *> MainWindowView::rows() const
{
    return m_rows;
}

void MainWindowView::buildHeader()
{
    m_title =
        label(this, QRectF(24, 0, 82, 24), u"澄川"_s, 24, FontWeight::Semibold, Palette::titleText);
    m_title->setObjectName(u"appTitle"_s);
    m_summary = HomePage::summaryPanel(this, QRectF(24, 0, MainWindowLayout::kListWidth, 46), {});

    const bool managing = m_section == MainSection::Watchlist;
    m_listTitle = label(this, QRectF(28, 0, 90, 16), managing ? u"管理自选"_s : u"自选列表"_s, 11,
                        FontWeight::Medium, Palette::placeholderText);
    m_listTitle->setObjectName(u"listTitle"_s);
    m_listNote = label(this, QRectF(104, 0, 178, 16), QString(), 10, FontWeight::Regular,
                       Palette::statusNote, Qt::AlignRight);
    m_listNote->setObjectName(u"listNote"_s);
    m_listNote->setTruncatesAtEnd(true);
    m_manageButton =
        Toolkit::textButton(this, managing ? u"返回"_s : u"管理"_s, QRectF(296, 0, 54, 24));
    m_manageButton->setObjectName(u"manageButton"_s);
    if (managing) {
        m_manageButton->setToolTip(u"返回自选列表"_s);
        styleAsPrimary(m_manageButton);
    } else {
        m_manageButton->setToolTip(u"管理自选股票"_s);
    }
    connect(m_manageButton, &FlatButton::clicked, this, &MainWindowView::managerToggleRequested);
}

void MainWindowView::placeHeader(const MainWindowData &data, qreal W, qreal H)
{
    Frames::place(m_title, QRectF(24, H - 52, 82, 24));
    setMarketStatus(data.marketStatus, W, H);
    Frames::place(m_summary, QRectF(24, H - 116, MainWindowLayout::kListWidth, 46));
    HomePage::updateSummaryPanel(m_summary, data.quotes);
    setHoldingTotals(data.holdingTotals, H);
    const qreal y = H - 146 - m_totalsRoom;
    Frames::place(m_listTitle, QRectF(28, y, 90, 16));
    Frames::place(m_listNote, QRectF(104, y, 178, 16));
    m_listNote->setText(m_section == MainSection::Watchlist ? u"添加、删除或调整自选"_s
                                                            : data.lastStatus);
    Frames::place(m_manageButton, QRectF(296, y - 4, 54, 24));
}

void MainWindowView::setHoldingTotals(const std::optional<HoldingTotalsData> &data, qreal H)
{
    if (m_totals && (!data || !m_totals->setData(*data))) {
        // Later: a click on its button may be what led here.
        m_totals->hide();
        m_totals->deleteLater();
        m_totals = nullptr;
    }
    if (!data)
        return;
    const qreal h = HoldingTotalsPanel::height(data->lines.size());
    const QRectF frame(24, H - 116 - m_totalsRoom, MainWindowLayout::kListWidth, h);
    if (m_totals) {
        Frames::place(m_totals, frame);
        return;
    }
    m_totals = new HoldingTotalsPanel(this, frame, *data);
    connect(m_totals, &HoldingTotalsPanel::ratesRequested, this, &MainWindowView::ratesRequested);
}

void MainWindowView::setMarketStatus(const MarketStatus &status, qreal W, qreal H)
{
    const int w = QuoteCards::marketStatusPillWidthForTitle(status.title);
    const QRectF frame(W - 24 - w, H - 50, w, 20);
    // The pill is replaced only when the status changes, so its breathing dot runs on.
    if (!m_marketPill || status != m_marketStatus) {
        delete m_marketPill;
        m_marketStatus = status;
        m_marketPill = QuoteCards::marketStatusPillWithFrame(this, frame, status);
        m_marketPill->stackUnder(m_summary);
        m_marketPill->show();
    }
    Frames::place(m_marketPill, frame);
}

void MainWindowView::buildList()
{
    m_listArea = new OverlayScrollArea(this);
    m_listArea->setObjectName(u"mainList"_s);
    m_document = new QWidget;
    m_document->setObjectName(u"mainListDocument"_s);
    m_listArea->setDocument(m_document);
}

void MainWindowView::setRows(const MainWindowData &data, qreal H)
{
    const QRectF frame = MainWindowLayout::listFrame(H, m_totalsRoom);
    Frames::place(m_listArea, frame);
    const qreal L = frame.height();
    const int count = static_cast<int>(data.rows.size());
    const qreal D = MainWindowLayout::listDocumentHeight(count, L);
    m_document->setFixedSize(static_cast<int>(MainWindowLayout::kListWidth), static_cast<int>(D));
    const QRectF emptyFrame(0, D - 62, MainWindowLayout::kListWidth, 62);
    if (count == 0 && !m_emptyList) {
        m_emptyList = Toolkit::panelWithFrame(m_document, emptyFrame, Palette::quietCard,
                                              Palette::quietCardBorder, 8);
        m_emptyList->setObjectName(u"emptyList"_s);
        label(m_emptyList, QRectF(16, 31, 298, 16), u"还没有自选股"_s, 13, FontWeight::Semibold,
              Palette::emptyTitle, Qt::AlignHCenter);
        label(m_emptyList, QRectF(16, 14, 298, 14), u"点上方“管理”添加。"_s, 11,
              FontWeight::Regular, Palette::fieldLabel, Qt::AlignHCenter);
        m_emptyList->show();
    } else if (count > 0 && m_emptyList) {
        delete m_emptyList;
        m_emptyList = nullptr;
    }
    if (m_emptyList)
        Frames::place(m_emptyList, emptyFrame);

    QPointer<MainWindowView> self(this);
    const SymbolAction select = [self](const QString &symbol) {
        if (self && !symbol.isEmpty())
            Q_EMIT self->quoteSelected(symbol);
    };
    const QRectF rowFrame(0, 0, MainWindowLayout::kListWidth, MainWindowLayout::kRowHeight);
    RowPool::resize(m_rows, count,
                    [&] { return mainQuoteRow(m_document, rowFrame, {}, false, {}, select); });
    for (int i = 0; i < count; ++i) {
        const MainQuoteRowData &row = data.rows.at(i);
        Frames::place(m_rows.at(i), rowFrame.translated(0, D - MainWindowLayout::kRowHeight -
                                                               MainWindowLayout::kRowPitch * i));
        updateMainQuoteRow(m_rows.at(i), row, row.quote.symbol == data.detailSymbol,
                           data.priceFlashDirections);
    }
}

int MainWindowView::listOffset() const
{
    return m_listArea ? m_listArea->verticalScrollBar()->value() : 0;
}

void MainWindowView::placeList(std::optional<int> offset)
{
    if (!m_listArea)
        return;
    QRect selected;
    for (const HoverButton *row : std::as_const(m_rows)) {
        if (row->property("selected").toBool())
            selected = row->geometry();
    }
    // A new selection (a move, a launch) is brought into view; an update with the same one
    // leaves the list where the user put it.
    m_listArea->placeAt(offset.value_or(0), offset ? QRect() : selected, 8);
}

void MainWindowView::buildWorkbench(const MainWindowData &data, qreal W, qreal H)
{
    const QRectF frame = MainWindowLayout::workbenchFrame(QSizeF(W, H));
    if (m_workbench && data.detail && m_chart) {
        updateMainDetailView(m_workbench, frame, *data.detail, m_actions);
        return;
    }
    if (m_workbench && !data.detail && !m_chart) {
        // The introduction shows nothing of the data; a new size builds it again.
        if (m_workbench->geometry() == Frames::geometry(this, frame))
            return;
    }
    if (m_workbench) {
        // Later: a click on one of its buttons may be what started this update.
        m_workbench->hide();
        m_workbench->setObjectName(u"retiredWorkbench"_s);
        m_workbench->deleteLater();
        m_chart = nullptr;
        m_overlay = nullptr;
    }
    QPointer<MainWindowView> self(this);
    if (data.detail) {
        m_workbench = mainDetailViewForQuote(this, frame, *data.detail, m_actions,
                                             [self](const QString &symbol) {
                                                 if (self)
                                                     Q_EMIT self->quotePageRequested(symbol);
                                             });
        m_chart = m_workbench->findChild<IntradayChartView *>(u"heroChart"_s);
        m_overlay = m_workbench->findChild<IntradayHoverOverlayView *>(u"heroHoverOverlay"_s);
        return;
    }
    m_workbench = mainEmptyWorkbenchViewWithFrame(
        this, frame,
        [self] {
            if (self)
                Q_EMIT self->addStockRequested();
        },
        [self] {
            if (self)
                Q_EMIT self->aiSettingsRequested();
        });
}

// --- Quote row ---------------------------------------------------------------------------

HoverButton *MainWindowView::mainQuoteRow(QWidget *parent, const QRectF &frame,
                                          const MainQuoteRowData &row, bool selected,
                                          const QHash<QString, int> &priceFlashDirections,
                                          const SymbolAction &select)
{
    const qreal W = frame.width();
    const qreal H = frame.height();
    auto *button = new HoverButton(parent);
    button->setObjectName(u"mainQuoteRow"_s);
    Frames::place(button, frame);
    button->setHoverColors(Palette::mainRowHover, Palette::mainRowHoverBorder);
    button->setCornerRadius(8);
    button->setBorderWidth(1);
    button->setCursor(Qt::PointingHandCursor);
    button->show();
    // The row selects whichever stock the last update gave it.
    QObject::connect(button, &FlatButton::clicked, button, [select, button] {
        if (select)
            select(button->identifier());
    });

    const MainWindowLayout::RowColumns columns = MainWindowLayout::rowColumns(W);
    Label *name = label(button, QRectF(16, H - 26, columns.textWidth, 16), QString(), 13,
                        FontWeight::Medium, Palette::rowName);
    name->setTruncatesAtEnd(true);
    name->setObjectName(u"rowName"_s);
    Label *code = label(button, QRectF(16, 13, columns.textWidth, 14), QString(), 10,
                        FontWeight::Regular, Palette::subtleText);
    code->setTruncatesAtEnd(true);
    code->setObjectName(u"rowSymbol"_s);

    Panel *tag =
        Toolkit::panelWithFrame(button, QRectF(columns.tagX, std::floor((H - 16) / 2), 58, 16),
                                Qt::transparent, Qt::transparent, 8);
    tag->setObjectName(u"rowTag"_s);
    label(tag, QRectF(6, 2, 46, 12), QString(), 9, FontWeight::Medium, QColor(Qt::white),
          Qt::AlignHCenter)
        ->setObjectName(u"rowTagText"_s);

    monoLabel(button, QRectF(columns.priceX, std::floor((H - 21) / 2), 62, 21), QString(), 15,
              FontWeight::Semibold, Palette::hex(Palette::rowPrice), Qt::AlignRight)
        ->setObjectName(u"rowPrice"_s);
    Label *change =
        monoLabel(button, QRectF(columns.changeX, std::floor((H - 21) / 2) + 1, 86, 19), QString(),
                  12, FontWeight::Medium, Palette::hex(Palette::subtleText), Qt::AlignRight);
    change->setTruncatesAtEnd(true);
    change->setObjectName(u"rowChange"_s);

    updateMainQuoteRow(button, row, selected, priceFlashDirections);
    return button;
}

void MainWindowView::updateMainQuoteRow(HoverButton *button, const MainQuoteRowData &row,
                                        bool selected,
                                        const QHash<QString, int> &priceFlashDirections)
{
    const Quote &quote = row.quote;
    const auto child = [button](QObject *parent, const char16_t *name) {
        return parent->findChild<Label *>(QString::fromUtf16(name), Qt::FindDirectChildrenOnly);
    };
    button->setIdentifier(quote.symbol);
    button->setProperty("selected", selected);
    if (selected)
        button->setNormalColors(Palette::selectedFace, Palette::selectedRowBorder);
    else
        button->setNormalColors(Palette::card, Palette::rowBorder);

    const bool valid = quote.price > 0 && quote.previousClose > 0;
    const ActionStatus status = valid ? row.buyStatus : ActionStatus::NoData;
    button->setAccessibleName(accessibleRowName(quote, toText(status)) +
                              QuoteRowMarks::accessibleSuffix(row.holdingText, row.alertsArmed));
    const MainWindowLayout::RowColumns columns = MainWindowLayout::rowColumns(button->width());
    child(button, u"rowName")->setText(quote.name);
    child(button, u"rowSymbol")->setText(quote.symbol.toUpper());

    const MainWindowLayout::TagColors colors = MainWindowLayout::rowTagColors(status);
    auto *tag = button->findChild<Panel *>(u"rowTag"_s, Qt::FindDirectChildrenOnly);
    tag->setBackgroundColor(hex(colors.background));
    tag->setBorderColor(hex(colors.border));
    Label *tagText = child(tag, u"rowTagText");
    tagText->setText(MainWindowLayout::rowTagText(status));
    tagText->setColor(hex(colors.text));

    const QString price = valid ? formatPrice(quote.price) : u"--"_s;
    Label *priceLabel = child(button, u"rowPrice");
    priceLabel->setText(price);
    priceLabel->setFont(Typography::monospacedDigitFont(
        Typography::figureFontSize(price, 15, MainWindowLayout::rowPriceRoom(columns)),
        FontWeight::Semibold));
    // A quote without a price waits in a smaller grey line.
    Label *change = child(button, u"rowChange");
    change->setText(valid ? directionSymbol(quote.changePercent()) + u' ' +
                                formatPercent(quote.changePercent())
                          : u"等待行情"_s);
    change->setFont(Typography::monospacedDigitFont(valid ? 12 : 10, FontWeight::Medium));
    change->setColor(hex(valid ? Toolkit::accentHexForChangePercent(quote.changePercent())
                               : Palette::hex(Palette::subtleText)));
    // As in the popover's rows: today's profit on the symbol's line right of the price, the
    // change up on the name's, the bell after the symbol.
    const qreal H = button->height();
    const qreal holdingX = columns.priceX + 62 + MainWindowLayout::kPriceTagGap;
    QuoteRowMarks::update(button,
                          {QRectF(columns.changeX, std::floor((H - 21) / 2) + 1, 86, 19),
                           QRectF(columns.changeX, H - 27, 86, 19),
                           QRectF(holdingX, 13, columns.changeX + 86 - holdingX, 14),
                           QRectF(16, 13, columns.textWidth, 14), columns.tagX - 4},
                          row.holdingText, row.holdingDirection, row.alertsArmed);

    if (!priceFlashDirections.contains(quote.symbol))
        delete button->findChild<QWidget *>(u"priceFlash"_s, Qt::FindDirectChildrenOnly);
    Toolkit::addPriceFlashIfNeededForQuote(quote, priceFlashDirections, button,
                                           QRectF(0, 0, button->width(), button->height()));
}

// --- Detail view -------------------------------------------------------------------------

QWidget *MainWindowView::mainDetailViewForQuote(QWidget *parent, const QRectF &frame,
                                                const MainDetailData &detail,
                                                const CardActions &actions,
                                                const SymbolAction &openQuotePage)
{
    auto *view = new QWidget(parent);
    view->setObjectName(u"mainDetailView"_s);
    Frames::place(view, frame);
    view->show();
    const int cardHeight =
        QuoteCards::aiInsightCardHeight(detail.cards.insight.message, frame.width());
    Panel *hero = mainHeroCardForQuote(
        view, MainWindowLayout::detailLayout(frame.width(), frame.height(), cardHeight).hero,
        detail);
    if (actions.editHolding) {
        const auto edit = actions.editHolding;
        auto *holdingButton = hero->findChild<FlatButton *>(u"heroHoldingButton"_s);
        QObject::connect(holdingButton, &FlatButton::clicked, holdingButton,
                         [edit, holdingButton] { edit(holdingButton->identifier()); });
        Toolkit::addContextAction(hero, HoldingEditor::menuTitle(),
                                  [edit, hero] { edit(hero->property("symbol").toString()); });
    }
    FlatButton *footer = Toolkit::footerButton(view, u"打开行情页"_s, QRectF(0, 0, 10, 10));
    footer->setObjectName(u"quotePageButton"_s);
    QObject::connect(footer, &FlatButton::clicked, footer, [openQuotePage, footer] {
        if (openQuotePage)
            openQuotePage(footer->identifier());
    });
    updateMainDetailView(view, frame, detail, actions);
    return view;
}

void MainWindowView::updateMainDetailView(QWidget *view, const QRectF &frame,
                                          const MainDetailData &detail, const CardActions &actions)
{
    Frames::place(view, frame);
    const qreal W = frame.width();
    const qreal H = frame.height();
    const int cardHeight = QuoteCards::aiInsightCardHeight(detail.cards.insight.message, W);
    const MainWindowLayout::DetailLayout layout = MainWindowLayout::detailLayout(W, H, cardHeight);
    view->setProperty("compact", layout.compact);

    auto *hero = view->findChild<Panel *>(u"heroCard"_s, Qt::FindDirectChildrenOnly);
    Frames::place(hero, layout.hero);
    updateMainHeroCard(hero, detail);

    // The insight card and the strip are made again only when what they show or their size
    // changed.
    Toolkit::keepOrReplace(view, u"aiInsightCard"_s, layout.insight,
                           QuoteCards::insightKey(detail.cards.insight), [&] {
                               return QuoteCards::aiInsightCardForQuote(
                                   view, layout.insight, detail.cards.insight, actions);
                           });
    Toolkit::keepOrReplace(
        view, u"decisionStrip"_s, layout.strip, QuoteCards::metricsKey(detail.cards.metrics), [&] {
            return mainDecisionStripForQuote(view, layout.strip, detail.cards.metrics, actions);
        });

    auto *footer = view->findChild<FlatButton *>(u"quotePageButton"_s, Qt::FindDirectChildrenOnly);
    Frames::place(footer, layout.footer);
    footer->setIdentifier(detail.cards.market.quote.symbol);
}

Panel *MainWindowView::strategyContextBadgeWithFrame(QWidget *parent, const QRectF &frame,
                                                     const QString &title, const QString &value,
                                                     const QString &accentHex)
{
    const qreal W = frame.width();
    const qreal H = frame.height();
    Panel *badge =
        Toolkit::panelWithFrame(parent, frame, Palette::badgeFill, Palette::badgeBorder, H / 2);
    QColor background = Palette::badgeFill;
    background.setAlphaF(0.86f);
    badge->setBackgroundColor(background);
    const qreal tw = MainWindowLayout::contextBadgeTitleWidthForTextWidth(
        Typography::textWidth(title, Typography::systemFont(9, FontWeight::Medium)));
    Label *titleLabel = label(badge, QRectF(8, std::floor((H - 12) / 2), tw, 12), title, 9,
                              FontWeight::Medium, Palette::contextBadgeTitle);
    titleLabel->setTruncatesAtEnd(true);
    titleLabel->setObjectName(u"badgeTitle"_s);
    Label *valueLabel = label(
        badge, QRectF(tw + 8, std::floor((H - 14) / 2), std::max<qreal>(W - tw - 16, 0), 14),
        value.isEmpty() ? u"--"_s : value, 10, FontWeight::Semibold, accentHex, Qt::AlignRight);
    valueLabel->setTruncatesAtEnd(true);
    valueLabel->setObjectName(u"badgeValue"_s);
    return badge;
}

Panel *MainWindowView::mainHeroCardForQuote(QWidget *parent, const QRectF &frame,
                                            const MainDetailData &detail)
{
    const qreal W = frame.width();
    const qreal wellHeight =
        MainWindowLayout::heroBodyLayout(frame.height(), detail.cards.market.holding.has_value())
            .wellHeight;
    Panel *card = Toolkit::panelWithFrame(parent, frame, Palette::card, Palette::cardBorder, 10);
    card->setObjectName(u"heroCard"_s);
    card->setDiagonalGradient(
        {Palette::quoteCardGradientStart, Palette::quoteCardGradientMiddle, Palette::card});

    // The skeleton in drawing order; updateMainHeroCard places and fills it.
    Panel *badge = Toolkit::panelWithFrame(card, QRectF(W - 72, 0, 48, 20), Palette::badgeFill,
                                           Palette::badgeBorder, 10);
    badge->setObjectName(u"marketBadge"_s);
    label(badge, QRectF(0, 3, 48, 13), QString(), 9, FontWeight::Medium, Palette::badgeText,
          Qt::AlignHCenter)
        ->setObjectName(u"marketBadgeText"_s);
    Label *name =
        label(card, QRectF(24, 0, 10, 20), QString(), 17, FontWeight::Semibold, Palette::quoteName);
    name->setTruncatesAtEnd(true);
    name->setObjectName(u"heroName"_s);
    label(card, QRectF(0, 0, 10, 16), QString(), 11, FontWeight::Medium, Palette::symbolText,
          Qt::AlignRight)
        ->setObjectName(u"heroSymbol"_s);
    monoLabel(card, QRectF(24, 0, 10, 42), QString(), 34, FontWeight::Semibold,
              Palette::hex(Palette::rowPrice), Qt::AlignLeft)
        ->setObjectName(u"heroPrice"_s);
    label(card, QRectF(0, 0, 160, 20), QString(), 14, FontWeight::Semibold, Palette::rowPrice)
        ->setObjectName(u"heroChange"_s);
    label(card, QRectF(24, 0, 220, 14), QString(), 10, FontWeight::Medium, Palette::timestampText)
        ->setObjectName(u"heroStamp"_s);
    // The six facts and, in the same columns, the holding's figures (shown with a position).
    const auto addRow = [card](const QString &kind, const QStringList &titles) {
        for (const QString &title : titles) {
            label(card, QRectF(0, 0, 10, 12), title, 9, FontWeight::Medium, Palette::factTitle)
                ->setObjectName(kind + u"Title"_s);
            Label *valueLabel = label(card, QRectF(0, 0, 10, 16), QString(), 10,
                                      FontWeight::Semibold, Palette::flatLight);
            valueLabel->setTruncatesAtEnd(true);
            valueLabel->setObjectName(kind + u"Value"_s);
        }
    };
    addRow(u"fact"_s, {u"今开"_s, u"最高"_s, u"最低"_s, u"昨收"_s, u"成交量"_s, u"成交额"_s});
    addRow(u"holding"_s,
           {u"持仓"_s, u"成本"_s, u"市值"_s, u"今日盈亏"_s, u"浮动盈亏"_s, u"收益率"_s});
    // Over the holding's row, unseen: a click edits the position.
    FlatButton *holdingButton = Toolkit::textButton(card, QString(), QRectF(0, 0, 10, 10));
    holdingButton->setObjectName(u"heroHoldingButton"_s);
    holdingButton->setBackgroundColor(Qt::transparent);
    holdingButton->setBorderColor(Qt::transparent);
    holdingButton->setCursor(Qt::PointingHandCursor);
    holdingButton->setToolTip(HoldingEditor::entryTitle());
    holdingButton->setAccessibleName(HoldingEditor::entryTitle());

    // Chart well with the chart and, over it, the crosshair read-out.
    // (Its height at the start decides its raised look, as the card never gets short enough to
    // lose it.)
    Panel *well = Toolkit::panelWithFrame(card, QRectF(24, 34, W - 48, wellHeight),
                                          Palette::chartWell, Palette::chartWellBorder, 9);
    well->setObjectName(u"heroChartWell"_s);
    Toolkit::linearGridViewWithFrame(well, QRectF(0, 0, W - 48, wellHeight))
        ->setObjectName(u"heroChartGrid"_s);
    // The chart is drawn by the update below.
    auto *chart = new IntradayChartView(well, QRectF(0, 0, 1, 1), IntradayChartSeries{});
    chart->setObjectName(u"heroChart"_s);
    auto *overlay = new IntradayHoverOverlayView(well, QRectF(0, 0, 1, 1), IntradayChartSeries{});
    overlay->setObjectName(u"heroHoverOverlay"_s);
    overlay->raise();

    Toolkit::addTimeAxisLabels(card, detail.cards.market.quote.symbol, W, 12, 66, 48);
    updateMainHeroCard(card, detail);
    return card;
}

void MainWindowView::updateMainHeroCard(Panel *card, const MainDetailData &detail)
{
    const MarketCardData &market = detail.cards.market;
    const Quote &quote = market.quote;
    const QColor accent = hex(market.accentHex);
    const qreal W = card->width();
    const qreal H = card->height();
    const auto child = [card](const char16_t *name) {
        return card->findChild<Label *>(QString::fromUtf16(name), Qt::FindDirectChildrenOnly);
    };
    card->setAccessibleName(quote.name + u' ' + formatPriceOrDash(quote.price));

    // Market badge at the top right.
    const QString marketBadge = marketBadgeForSymbol(quote.symbol);
    auto *badge = card->findChild<Panel *>(u"marketBadge"_s, Qt::FindDirectChildrenOnly);
    Frames::place(badge, QRectF(W - 72, H - 43, 48, 20));
    badge->findChild<Label *>(u"marketBadgeText"_s)->setText(marketBadge);

    // Header: name, symbol and as many context badges as fit left of the market badge. A
    // board that only repeats the market badge gets no badge of its own. The badges are
    // small and their number varies, so they are made again.
    const QString board = market.boardTag;
    const QString boardColor = board == QStringView(QuoteCards::kPendingBoardTag)
                                   ? Palette::hex(Palette::pendingBoardTag)
                                   : Palette::hex(Palette::link);
    const qreal sw = MainWindowLayout::heroSymbolWidth(quote.symbol);
    const bool boardRepeatsBadge = board.trimmed() == marketBadge;
    const MainWindowLayout::HeroHeaderLayout header = MainWindowLayout::heroHeaderLayout(
        W, sw,
        boardRepeatsBadge ? 0 : MainWindowLayout::strategyContextBadgeWidth(u"板块"_s, board),
        MainWindowLayout::strategyContextBadgeWidth(u"日线"_s, detail.dailyBadge));
    Label *name = child(u"heroName");
    for (const QString &old : {u"boardBadge"_s, u"dailyBadge"_s})
        delete card->findChild<QWidget *>(old, Qt::FindDirectChildrenOnly);
    if (header.showsBoard) {
        Panel *boardBadge = strategyContextBadgeWithFrame(
            card, QRectF(header.boardX, H - 43, header.boardWidth, 20), u"板块"_s, board,
            boardColor);
        boardBadge->setObjectName(u"boardBadge"_s);
        boardBadge->stackUnder(name);
    }
    if (header.showsDaily) {
        Panel *dailyBadge = strategyContextBadgeWithFrame(
            card, QRectF(header.dailyX, H - 43, header.dailyWidth, 20), u"日线"_s,
            detail.dailyBadge, detail.dailyAccentHex);
        dailyBadge->setObjectName(u"dailyBadge"_s);
        dailyBadge->stackUnder(name);
    }
    Frames::place(name, QRectF(24, H - 42, header.nameWidth, 20));
    name->setText(quote.name.isEmpty() ? u"--"_s : quote.name);
    Label *symbol = child(u"heroSymbol");
    Frames::place(symbol, QRectF(header.symbolX, H - 41, sw, 16));
    symbol->setText(quote.symbol.toUpper());

    // Price row.
    const qreal y0 = H - 98;
    const QString price = formatPriceOrDash(quote.price);
    const qreal priceWidth = std::floor(
        Typography::textWidth(price, Typography::monospacedDigitFont(34, FontWeight::Semibold)));
    Label *priceLabel = child(u"heroPrice");
    Frames::place(priceLabel, QRectF(24, y0, priceWidth + 12, 42));
    priceLabel->setText(price);
    priceLabel->setColor(accent);
    Label *change = child(u"heroChange");
    Frames::place(change, QRectF(priceWidth + 44, y0 + 12, 160, 20));
    change->setText(formatChangeLine(quote));
    change->setColor(accent);
    const std::optional<HoldingLineData> &holding = market.holding;
    const MainWindowLayout::HeroBodyLayout body =
        MainWindowLayout::heroBodyLayout(H, holding.has_value());
    Label *stamp = child(u"heroStamp");
    stamp->setVisible(body.showsStamp);
    Frames::place(stamp, QRectF(24, y0 - 18, 220, 14));
    QString stampText = quote.date + u' ' + quote.time;
    if (stampText.trimmed().isEmpty())
        stampText = detail.lastStatus.trimmed().isEmpty() ? u"等待行情"_s : detail.lastStatus;
    stamp->setText(stampText);

    // Six facts and, in the same columns, the holding's six figures.
    const qreal column = std::floor(MainWindowLayout::heroFactColumnWidth(W));
    const auto placeRow = [card, column](const QString &kind, bool shows, qreal titleY,
                                         qreal valueY,
                                         const QList<std::pair<QString, QColor>> &values) {
        const QList<Label *> titleLabels =
            card->findChildren<Label *>(kind + u"Title"_s, Qt::FindDirectChildrenOnly);
        const QList<Label *> valueLabels =
            card->findChildren<Label *>(kind + u"Value"_s, Qt::FindDirectChildrenOnly);
        for (int i = 0; i < 6; ++i) {
            const qreal x = 24 + column * i;
            titleLabels.at(i)->setVisible(shows);
            valueLabels.at(i)->setVisible(shows);
            Frames::place(titleLabels.at(i), QRectF(x, titleY, column - 4, 12));
            Frames::place(valueLabels.at(i), QRectF(x, valueY, column - 4, 16));
            valueLabels.at(i)->setText(values.at(i).first);
            valueLabels.at(i)->setColor(values.at(i).second);
        }
    };
    placeRow(
        u"fact"_s, body.showsFacts, body.factTitleY, body.factValueY,
        {{formatPriceOrDash(quote.open), hex(QuoteCards::openPriceColorHex(quote.changePercent()))},
         {formatPriceOrDash(quote.high), Palette::riseLight},
         {formatPriceOrDash(quote.low), Palette::fallLight},
         {formatPriceOrDash(quote.previousClose), Palette::flatLight},
         {(quote.price > 0 ? formatCompactNumber(quote.volume) : u"--"_s), Palette::flatLight},
         {(quote.price > 0 ? formatCompactNumber(quote.amount) : u"--"_s), Palette::flatLight}});
    QList<std::pair<QString, QColor>> figures;
    for (const HoldingStrip::Figure &figure :
         HoldingStrip::figures(holding.value_or(HoldingLineData{})))
        figures.append({figure.text, QuoteRowMarks::factColor(figure.direction)});
    placeRow(u"holding"_s, body.showsHolding, body.holdingTitleY, body.holdingValueY, figures);
    auto *holdingButton =
        card->findChild<FlatButton *>(u"heroHoldingButton"_s, Qt::FindDirectChildrenOnly);
    const qreal holdingBottom = std::min(body.holdingValueY, body.holdingTitleY) - 3;
    const qreal holdingTop = std::max(body.holdingValueY + 16, body.holdingTitleY + 12) + 3;
    Frames::place(holdingButton, QRectF(20, holdingBottom, W - 40, holdingTop - holdingBottom));
    holdingButton->setVisible(body.showsHolding);
    holdingButton->raise();
    holdingButton->setIdentifier(quote.symbol);
    card->setProperty("symbol", quote.symbol);

    const qreal wellHeight = body.wellHeight;
    auto *well = card->findChild<Panel *>(u"heroChartWell"_s, Qt::FindDirectChildrenOnly);
    Frames::place(well, QRectF(24, 34, W - 48, wellHeight));
    Frames::place(well->findChild<QWidget *>(u"heroChartGrid"_s), QRectF(0, 0, W - 48, wellHeight));
    const QRectF chartFrame(8, 5, W - 64, wellHeight - 10);
    well->findChild<IntradayChartView *>(u"heroChart"_s)->setSeries(market.series, chartFrame);
    well->findChild<IntradayHoverOverlayView *>(u"heroHoverOverlay"_s)
        ->setSeries(market.series, chartFrame);

    const std::pair<const char16_t *, QRectF> axis[] = {
        {u"axisStart", QRectF(66, 12, 48, 15)},
        {u"axisMid", QRectF((W - 82) / 2, 12, 82, 15)},
        {u"axisEnd", QRectF(W - 48 - 48, 12, 48, 15)}};
    for (const auto &[axisName, axisFrame] : axis)
        Frames::place(child(axisName), axisFrame);
    child(u"axisMid")->setText(TradingClock::midLabel(quote.symbol));
    child(u"axisEnd")->setText(TradingClock::endLabel(quote.symbol));

    if (!market.priceFlashDirections.contains(quote.symbol))
        delete card->findChild<QWidget *>(u"priceFlash"_s, Qt::FindDirectChildrenOnly);
    Toolkit::addPriceFlashIfNeededForQuote(quote, market.priceFlashDirections, card,
                                           QRectF(0, 0, W, H));
}

Panel *
MainWindowView::mainDecisionStripForQuote(QWidget *parent, const QRectF &frame,
                                          const QList<DecisionEngine::ScenarioMetric> &metrics,
                                          const CardActions &actions)
{
    const qreal W = frame.width();
    const qreal H = frame.height();
    Panel *strip = Toolkit::panelWithFrame(parent, frame, Palette::card, Palette::cardBorder, 8);
    strip->setObjectName(u"decisionStrip"_s);
    strip->setDiagonalGradient(
        {Palette::stripGradientStart, Palette::fieldBase, Palette::stripGradientEnd});
    for (qsizetype i = 0; i < metrics.size() && i < 4; ++i) {
        const QRectF cell = MainWindowLayout::stripMetricFrame(static_cast<int>(i), W, H);
        if (i > 0)
            Toolkit::panelWithFrame(strip, QRectF(cell.x() - 6, 14, 1, H - 28),
                                    Palette::cardDivider, Qt::transparent, 0)
                ->setObjectName(u"divider"_s);
        const DecisionEngine::ScenarioMetric &metric = metrics.at(i);
        QuoteCards::scenarioMetricWithFrame(strip, cell, metric.title(), metric.value, metric.hint,
                                            QuoteCards::scenarioTitleColorHex(metric.kind),
                                            actions);
    }
    return strip;
}

// --- Empty workbench ---------------------------------------------------------------------

Panel *MainWindowView::mainEmptyWorkbenchViewWithFrame(QWidget *parent, const QRectF &frame,
                                                       const std::function<void()> &addStock,
                                                       const std::function<void()> &configureAI)
{
    const qreal W = frame.width();
    const qreal H = frame.height();
    Panel *panel = Toolkit::panelWithFrame(parent, frame, Palette::card, Palette::rowBorder, 10);
    panel->setObjectName(u"emptyWorkbench"_s);
    panel->setDiagonalGradient(
        {Palette::stripGradientStart, Palette::workbenchGradientMiddle, Palette::card});
    const qreal m = std::floor(H / 2);

    label(panel, QRectF(36, m + 52, W - 72, 28), u"添加第一只自选股"_s, 22, FontWeight::Semibold,
          Palette::titleText)
        ->setObjectName(u"emptyTitle"_s);
    Toolkit::textViewWithFrame(
        panel, QRectF(36, m + 6, MainWindowLayout::emptyWorkbenchTextWidth(W), 42),
        u"添加后，桌面端会直接进入单票沉浸查看，展示分时走势、主判断、关键价位和澄川观察。"_s, 12,
        Palette::emptyText)
        ->setObjectName(u"emptyText"_s);

    FlatButton *add = Toolkit::footerButton(panel, u"添加自选股"_s, QRectF(36, m - 42, 112, 32));
    add->setObjectName(u"addStockButton"_s);
    styleAsPrimary(add);
    QObject::connect(add, &FlatButton::clicked, add, [addStock] {
        if (addStock)
            addStock();
    });
    FlatButton *ai = Toolkit::textButton(panel, u"配置 AI"_s, QRectF(160, m - 42, 86, 32));
    ai->setObjectName(u"configureAIButton"_s);
    QObject::connect(ai, &FlatButton::clicked, ai, [configureAI] {
        if (configureAI)
            configureAI();
    });

    const qreal panelWidth = 198;
    const qreal panelHeight = H - 76;
    Panel *steps = Toolkit::panelWithFrame(panel, QRectF(W - 236, 38, panelWidth, panelHeight),
                                           Palette::stepsPanel, Palette::sidebarBorder, 10);
    steps->setObjectName(u"stepsPanel"_s);
    const std::array<std::array<QString, 3>, 3> rows{{
        {u"01"_s, u"添加自选"_s, u"支持名称、代码和拼音首字母"_s},
        {u"02"_s, u"实时刷新"_s, u"面板和桌面窗口同步显示"_s},
        {u"03"_s, u"沉浸查看"_s, u"围绕当前股票看走势、判断和记录"_s},
    }};
    for (int i = 0; i < 3; ++i) {
        const qreal y = panelHeight - 72 - 68 * i;
        label(steps, QRectF(16, y + 20, 34, 15), rows[i][0], 10, FontWeight::Semibold,
              Palette::stepNumber)
            ->setObjectName(u"stepNumber"_s);
        label(steps, QRectF(52, y + 18, panelWidth - 68, 18), rows[i][1], 13, FontWeight::Semibold,
              Palette::emptyTitle)
            ->setObjectName(u"stepTitle"_s);
        // A longer line wraps into the room above the next step.
        TextView *text = Toolkit::textViewWithFrame(steps, QRectF(52, y - 17, panelWidth - 68, 32),
                                                    rows[i][2], 10, Palette::quietText);
        text->setLineSpacing(2);
        text->setParagraphSpacing(0);
        text->setObjectName(u"stepText"_s);
    }
    return panel;
}
