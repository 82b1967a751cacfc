// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HomePage.h"

#include "model/Formatters.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/HintIconButton.h"
#include "ui/HoldingTotalsPanel.h"
#include "ui/HoverButton.h"
#include "ui/Label.h"
#include "ui/OverlayScrollBar.h"
#include "ui/Panel.h"
#include "ui/QuoteCards.h"
#include "ui/QuoteRowMarks.h"
#include "ui/RowPool.h"
#include "ui/Toolkit.h"

#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using Toolkit::hex;
using Toolkit::label;

// A borderless box; `panelWithFrame` with a border that does not show.
Panel *box(QWidget *parent, const QRectF &frame, const QString &color, qreal radius)
{
    return Toolkit::panelWithFrame(parent, frame, hex(color), Qt::transparent, radius);
}

} // namespace

int HomePage::pageHeight(bool firstLaunchHintVisible, qreal totalsRoom)
{
    return (firstLaunchHintVisible ? 484 : 430) + static_cast<int>(totalsRoom);
}

HomePage::BreadthSegments HomePage::breadthSegments(int up, int down, int count)
{
    BreadthSegments segments;
    if (count < 1)
        return segments;
    const qreal u = std::floor(up * kBarWidth / count);
    const qreal d = std::floor(down * kBarWidth / count);
    const qreal flat = kBarWidth - u - d;
    if (u > 0)
        segments.rise = std::max<qreal>(u, 2);
    if (flat > 0)
        segments.flat = std::max<qreal>(flat, 2);
    if (d > 0)
        segments.fall = std::max<qreal>(d, 2);
    return segments;
}

qreal HomePage::rowDocumentHeight(int rowCount)
{
    const int k = std::max(rowCount, 1);
    return std::max(kRowPitch * k - 6, kListHeight);
}

bool HomePage::listScrolls(int rowCount)
{
    return rowDocumentHeight(rowCount) > kListHeight + 0.5;
}

qreal HomePage::listWidth(int rowCount)
{
    return listScrolls(rowCount) ? 366 : kRowWidth;
}

QString HomePage::decisionTagText(ActionStatus buyStatus)
{
    return tagText(buyStatus);
}

int HomePage::decisionTagWidthForTextWidth(qreal textWidth)
{
    return static_cast<int>(std::min<qreal>(std::max<qreal>(std::floor(textWidth) + 14, 38), 58));
}

int HomePage::decisionTagWidth(const QString &tagText)
{
    // A handful of texts, measured again for every row at every refresh otherwise.
    static QHash<QString, int> widths;
    const auto it = widths.constFind(tagText);
    if (it != widths.cend())
        return *it;
    return widths[tagText] = decisionTagWidthForTextWidth(
               Typography::textWidth(tagText, Typography::systemFont(9, FontWeight::Medium)));
}

HomePage::TagColors HomePage::decisionTagColors(ActionStatus buyStatus)
{
    switch (buyStatus) {
    case ActionStatus::Trackable:
        return {Palette::hex(Palette::tagTrackableBackground),
                Palette::hex(Palette::tagTrackableBorder), Palette::hex(Palette::tagTrackableText)};
    case ActionStatus::AwaitConfirm:
        return {Palette::hex(Palette::tagAwaitBackground), Palette::hex(Palette::tagAwaitBorder),
                Palette::hex(Palette::tagAwaitText)};
    case ActionStatus::Defend:
        return {Palette::hex(Palette::tagDefendBackground), Palette::hex(Palette::tagDefendBorder),
                Palette::hex(Palette::tagDefendText)};
    case ActionStatus::NoChase:
        return {Palette::hex(Palette::tagNoChaseBackground),
                Palette::hex(Palette::tagNoChaseBorder), Palette::hex(Palette::tagNoChaseText)};
    case ActionStatus::WatchPullback:
        return {Palette::hex(Palette::tagPullbackBackground),
                Palette::hex(Palette::tagPullbackBorder), Palette::hex(Palette::tagPullbackText)};
    case ActionStatus::NoData:
        break;
    }
    return {Palette::hex(Palette::tagNoDataBackground), Palette::hex(Palette::tagNoDataBorder),
            Palette::hex(Palette::tagNoDataText)};
}

HomePage::HomePage(const HomePageData &data, QWidget *parent)
    : QWidget(parent)
    , m_hintVisible(data.firstLaunchHintVisible)
    , m_totalsRoom(HoldingTotalsPanel::room(data.holdingTotals))
{
    setObjectName(u"homePage"_s);
    const int H = pageHeight(data.firstLaunchHintVisible, m_totalsRoom);
    setFixedSize(kWidth, H);
    Toolkit::addPageBackground(this);

    // The skeleton is built once; setData fills it, here and at every refresh.
    qreal y0 = H - 38;
    buildHeader(y0);
    if (data.firstLaunchHintVisible) {
        y0 -= 54;
        buildFirstLaunchHint(y0);
    }
    y0 -= 58;
    m_summary = summaryPanel(this, QRectF(14, y0, kRowWidth, 46), {});
    if (data.holdingTotals) {
        y0 -= m_totalsRoom;
        const qreal h = HoldingTotalsPanel::height(data.holdingTotals->lines.size());
        m_totals = new HoldingTotalsPanel(this, QRectF(14, y0, kRowWidth, h), *data.holdingTotals);
        connect(m_totals, &HoldingTotalsPanel::ratesRequested, this, &HomePage::ratesRequested);
    }
    buildList(y0);
    setData(data);
    m_listArea->verticalScrollBar()->setValue(0);
}

bool HomePage::setData(const HomePageData &data)
{
    if (data.firstLaunchHintVisible != m_hintVisible ||
        HoldingTotalsPanel::room(data.holdingTotals) != m_totalsRoom)
        return false;
    if (m_totals)
        m_totals->setData(*data.holdingTotals);
    m_priceFlash = data.priceFlashDirections;
    setMarketStatus(data.marketStatus);
    if (m_hintVisible)
        setFirstLaunchHint(data.panelItemPresent);
    QList<Quote> quotes;
    quotes.reserve(data.rows.size());
    for (const HomeRow &row : data.rows)
        quotes.append(row.quote);
    updateSummaryPanel(m_summary, quotes);
    m_lastStatus->setText(data.lastStatus);
    setRows(data.rows);
    return true;
}

void HomePage::buildHeader(qreal y0)
{
    m_headerY = y0;
    label(this, QRectF(18, y0 - 1, 44, 20), u"澄川"_s, 14, FontWeight::Semibold, Palette::titleText)
        ->setObjectName(u"appTitle"_s);
    label(this, QRectF(58, y0 + 1, 58, 15), u"by Orvell"_s, 10, FontWeight::Medium, Palette::byline)
        ->setObjectName(u"byline"_s);
    m_moreButton = Toolkit::moreButtonWithFrame(this, QRectF(344, y0 - 3, 20, 22));
    m_moreButton->setObjectName(u"moreButton"_s);
    m_moreButton->setAccessibleName(u"更多操作"_s);
    connect(m_moreButton, &FlatButton::clicked, this,
            [this] { Q_EMIT moreMenuRequested(m_moreButton); });
}

void HomePage::setMarketStatus(const MarketStatus &status)
{
    // The pill is replaced only when the status changes, so its breathing dot runs on.
    if (m_marketPill && status == m_marketStatus)
        return;
    delete m_marketPill;
    m_marketStatus = status;
    const int w = QuoteCards::marketStatusPillWidthForTitle(status.title);
    m_marketPill =
        QuoteCards::marketStatusPillWithFrame(this, QRectF(336 - w, m_headerY - 2, w, 22), status);
    m_marketPill->stackUnder(m_moreButton);
    m_marketPill->show();
}

void HomePage::buildFirstLaunchHint(qreal y0)
{
    Panel *panel =
        Toolkit::panelWithFrame(this, QRectF(14, y0, 352, 42), Palette::firstLaunchHintFace,
                                Palette::firstLaunchHintBorder, 8);
    panel->setObjectName(u"firstLaunchHint"_s);
    QColor background = Palette::firstLaunchHintBackground;
    background.setAlphaF(0.86f);
    panel->setBackgroundColor(background);
    m_hintTitle = label(panel, QRectF(14, 21, 324, 15), QString(), 11, FontWeight::Semibold,
                        Palette::firstLaunchHintTitle);
    m_hintTitle->setObjectName(u"firstLaunchTitle"_s);
    m_hintText = label(panel, QRectF(14, 7, 324, 13), QString(), 10, FontWeight::Regular,
                       Palette::firstLaunchHintText);
    m_hintText->setObjectName(u"firstLaunchText"_s);
}

void HomePage::setFirstLaunchHint(bool panelItemPresent)
{
    const std::array<QString, 2> text =
        panelItemPresent
            ? std::array{u"澄川已在面板启动"_s,
                         u"以后点面板上的澄川图标，就能查看自选、AI 和风控。"_s}
            : std::array{u"澄川已启动，面板上没有它的图标"_s,
                         u"以后从应用菜单打开澄川，桌面窗口里能查看自选、AI 和风控。"_s};
    m_hintTitle->setText(text[0]);
    m_hintText->setText(text[1]);
}

Panel *HomePage::summaryPanel(QWidget *parent, const QRectF &frame, const QList<Quote> &quotes)
{
    Panel *panel = Toolkit::panelWithFrame(parent, frame, Palette::card, Palette::summaryBorder, 8);
    panel->setObjectName(u"summaryPanel"_s);
    panel->setDiagonalGradient(
        {Palette::selectedFace, Palette::summaryGradientMiddle, Palette::summaryGradientEnd});
    box(panel, QRectF(8, frame.height() - 2, frame.width() - 16, 1),
        Palette::hex(Palette::summaryHighlight), 0)
        ->setObjectName(u"topHighlight"_s);

    label(panel, QRectF(13, 29, 44, 13), u"自选"_s, 10, FontWeight::Medium, Palette::fieldLabel,
          Qt::AlignHCenter);
    label(panel, QRectF(13, 5, 44, 24), QString(), 22, FontWeight::Semibold, Palette::brightText,
          Qt::AlignHCenter)
        ->setObjectName(u"watchCount"_s);

    Toolkit::panelWithFrame(panel, QRectF(64, 11, 146, 11), Palette::breadthTrack,
                            Palette::breadthTrackBorder, 5.5)
        ->setObjectName(u"breadthTrack"_s);
    box(panel, QRectF(70, 14, kBarWidth, 5), Palette::hex(Palette::breadthBar), 2.5)
        ->setObjectName(u"breadthBar"_s);
    box(panel, QRectF(137, 12, 1, 9), Palette::hex(Palette::breadthTick), 0)
        ->setObjectName(u"breadthTick"_s);
    // The three segments always exist; one of width 0 is hidden.
    box(panel, QRectF(70, 14, 2, 5), Palette::hex(Palette::rise), 2.5)
        ->setObjectName(u"breadthRise"_s);
    box(panel, QRectF(70, 14, 2, 5), Palette::hex(Palette::breadthFlat), 2.5)
        ->setObjectName(u"breadthFlat"_s);
    box(panel, QRectF(70, 14, 2, 5), Palette::hex(Palette::fall), 2.5)
        ->setObjectName(u"breadthFall"_s);

    label(panel, QRectF(70, 27, 56, 13), QString(), 10, FontWeight::Medium, Palette::riseLight)
        ->setObjectName(u"upCount"_s);
    label(panel, QRectF(148, 27, 56, 13), QString(), 10, FontWeight::Medium, Palette::fallLight,
          Qt::AlignRight)
        ->setObjectName(u"downCount"_s);
    box(panel, QRectF(218, 7, 1, 28), Palette::hex(Palette::summaryDivider), 0);
    label(panel, QRectF(231, 27, 60, 13), u"平均涨跌"_s, 10, FontWeight::Medium,
          Palette::fieldLabel);
    label(panel, QRectF(231, 8, 66, 18), QString(), 13, FontWeight::Semibold, Palette::rise)
        ->setObjectName(u"averageChange"_s);
    updateSummaryPanel(panel, quotes);
    return panel;
}

void HomePage::updateSummaryPanel(Panel *panel, const QList<Quote> &quotes)
{
    const qsizetype n = quotes.size();
    int up = 0;
    int down = 0;
    double sum = 0;
    for (const Quote &quote : quotes) {
        const double percent = quote.changePercent();
        up += percent > 0;
        down += percent < 0;
        sum += percent;
    }
    const double average = n == 0 ? 0 : sum / static_cast<double>(n);
    const auto child = [panel](const char16_t *name) {
        return panel->findChild<QWidget *>(QString::fromUtf16(name), Qt::FindDirectChildrenOnly);
    };
    const auto text = [&child](const char16_t *name, const QString &value) {
        static_cast<Label *>(child(name))->setText(value);
    };
    text(u"watchCount", QString::number(n));
    text(u"upCount", u"涨 "_s + QString::number(up));
    text(u"downCount", u"跌 "_s + QString::number(down));
    text(u"averageChange", formatPercent(average));
    static_cast<Label *>(child(u"averageChange"))
        ->setColor(average >= 0 ? Palette::rise : Palette::fall);
    // Named, the panel reads as one sentence instead of six loose figures.
    panel->setAccessibleName(u"自选 %1 只，涨 %2 跌 %3，平均涨跌 %4"_s.arg(n).arg(up).arg(down).arg(
        formatPercent(average)));

    const BreadthSegments segments = breadthSegments(up, down, static_cast<int>(n));
    qreal x = 70;
    const std::pair<qreal, const char16_t *> parts[] = {{segments.rise, u"breadthRise"},
                                                        {segments.flat, u"breadthFlat"},
                                                        {segments.fall, u"breadthFall"}};
    for (const auto &[width, name] : parts) {
        QWidget *segment = child(name);
        segment->setVisible(width > 0);
        if (width <= 0)
            continue;
        Frames::place(segment, QRectF(x, 14, width, 5));
        x += width;
    }
}

void HomePage::buildList(qreal y0)
{
    const qreal y1 = y0 - 35;
    label(this, QRectF(18, y1, 90, 16), u"自选列表"_s, 11, FontWeight::Medium,
          Palette::placeholderText);
    m_lastStatus = label(this, QRectF(94, y1, 206, 16), QString(), 10, FontWeight::Regular,
                         Palette::statusNote, Qt::AlignRight);
    m_lastStatus->setObjectName(u"lastStatus"_s);
    m_manageButton = Toolkit::textButton(this, u"管理"_s, QRectF(308, y0 - 39, 54, 24));
    m_manageButton->setObjectName(u"manageButton"_s);
    connect(m_manageButton, &FlatButton::clicked, this, &HomePage::manageRequested);

    m_listArea = new QScrollArea(this);
    m_listArea->setObjectName(u"rowList"_s);
    Frames::place(m_listArea, QRectF(14, y0 - 320, kRowWidth, kListHeight));
    m_listArea->setFrameShape(QFrame::NoFrame);
    m_listArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listArea->setVerticalScrollBar(new OverlayScrollBar(m_listArea));
    m_listArea->setStyleSheet(u"QScrollArea { background: transparent; }"_s);
    m_listArea->viewport()->setAutoFillBackground(false);
    m_listArea->setWidgetResizable(false);

    m_document = new QWidget;
    m_document->setObjectName(u"rowDocument"_s);
    m_document->setAttribute(Qt::WA_NoSystemBackground);
    m_listArea->setWidget(m_document);
    m_document->setAutoFillBackground(false);
}

void HomePage::setRows(const QList<HomeRow> &rows)
{
    const int count = static_cast<int>(rows.size());
    const qreal D = rowDocumentHeight(count);
    const bool scrolls = listScrolls(count);
    const QRect area = m_listArea->geometry();
    m_listArea->setGeometry(area.x(), area.y(), static_cast<int>(listWidth(count)), area.height());
    m_listArea->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn
                                                   : Qt::ScrollBarAlwaysOff);
    m_document->setFixedSize(static_cast<int>(kRowWidth), static_cast<int>(D));

    if (count == 0 && !m_emptyList) {
        m_emptyList = Toolkit::panelWithFrame(m_document, QRectF(0, D - 46, kRowWidth, 46),
                                              Palette::quietCard, Palette::quietCardBorder, 10);
        m_emptyList->setObjectName(u"emptyList"_s);
        label(m_emptyList, QRectF(12, 19, 328, 20), u"还没有自选股，点右上角“管理”添加"_s, 12,
              FontWeight::Regular, Palette::flat, Qt::AlignHCenter)
            ->setObjectName(u"emptyText"_s);
        m_emptyList->show();
    } else if (count > 0 && m_emptyList) {
        delete m_emptyList;
        m_emptyList = nullptr;
    }
    RowPool::resize(m_rows, count,
                    [&] { return quoteRow(m_document, QRectF(0, 0, kRowWidth, kRowHeight), {}); });
    for (int i = 0; i < count; ++i) {
        Frames::place(m_rows.at(i),
                      QRectF(0, D - kRowHeight - kRowPitch * i, kRowWidth, kRowHeight));
        updateQuoteRow(m_rows.at(i), rows.at(i));
    }
}

HoverButton *HomePage::quoteRow(QWidget *parent, const QRectF &frame, const HomeRow &row)
{
    const qreal W = frame.width();
    auto *button = new HoverButton(parent);
    button->setObjectName(u"quoteRow"_s);
    Frames::place(button, frame);
    button->setNormalColors(Palette::card, Palette::rowBorder);
    button->setHoverColors(Palette::rowHover, Palette::rowHoverBorder);
    button->setShadowColor(Palette::black);
    button->setCornerRadius(8);
    button->setBorderWidth(1);
    button->setCursor(Qt::PointingHandCursor);
    button->show();
    // The row shows whichever stock the last update gave it.
    connect(button, &FlatButton::clicked, this, [this, button] {
        if (!button->identifier().isEmpty())
            Q_EMIT quoteRequested(button->identifier());
    });

    Label *name =
        label(button, QRectF(14, 24, 128, 16), QString(), 13, FontWeight::Medium, Palette::rowName);
    name->setTruncatesAtEnd(true);
    name->setObjectName(u"rowName"_s);
    label(button, QRectF(14, 8, 72, 14), QString(), 10, FontWeight::Regular, Palette::subtleText)
        ->setObjectName(u"rowSymbol"_s);

    auto *tag = new HintIconButton(button);
    tag->setObjectName(u"decisionTag"_s);
    tag->setFont(Typography::systemFont(9, FontWeight::Medium));
    tag->setCornerRadius(8);
    tag->setBorderWidth(1);
    tag->setToolTip(u"点击查看标签解读"_s);
    tag->show();
    connect(tag, &FlatButton::clicked, this, [this, tag] { Q_EMIT hintRequested(tag); });

    label(button, QRectF(148, 12, 68, 21), QString(), 15, FontWeight::Semibold, Palette::rowPrice,
          Qt::AlignRight)
        ->setObjectName(u"rowPrice"_s);
    label(button, QRectF(W - 100, 13, 86, 19), QString(), 12, FontWeight::Medium,
          Palette::subtleText, Qt::AlignRight)
        ->setObjectName(u"rowChange"_s);
    updateQuoteRow(button, row);
    return button;
}

void HomePage::updateQuoteRow(HoverButton *button, const HomeRow &row)
{
    const Quote &quote = row.quote;
    const auto child = [button](const char16_t *name) {
        return button->findChild<Label *>(QString::fromUtf16(name), Qt::FindDirectChildrenOnly);
    };
    button->setIdentifier(quote.symbol);
    const bool valid = quote.price > 0 && quote.previousClose > 0;
    const ActionStatus status = valid ? row.buyStatus : ActionStatus::NoData;
    button->setAccessibleName(accessibleRowName(quote, toText(status)) +
                              QuoteRowMarks::accessibleSuffix(row.holdingText, row.alertsArmed));

    child(u"rowName")->setText(quote.name);
    child(u"rowSymbol")->setText(quote.symbol.toUpper());

    const QString tagText = decisionTagText(status);
    const int t = decisionTagWidth(tagText);
    const TagColors colors = decisionTagColors(status);
    auto *tag = button->findChild<HintIconButton *>(u"decisionTag"_s, Qt::FindDirectChildrenOnly);
    Frames::place(tag, QRectF(88, std::floor((46 - 16) / 2.0), t, 16));
    tag->setText(tagText);
    tag->setBackgroundColor(hex(colors.background));
    tag->setBorderColor(hex(colors.border));
    tag->setTitleColor(hex(colors.text));
    tag->setHintText(row.tagHint);

    // The price ends at x = 216 and keeps 6 pt to the tag, however many digits it has.
    const QString price = valid ? formatPrice(quote.price) : u"--"_s;
    const qreal room = std::min<qreal>(68, 216 - (88 + t) - 6);
    Label *priceLabel = child(u"rowPrice");
    if (priceLabel->text() != price || priceLabel->property("room").toReal() != room) {
        priceLabel->setText(price);
        priceLabel->setFont(Typography::monospacedDigitFont(
            Typography::figureFontSize(price, 15, room), FontWeight::Semibold));
        priceLabel->setProperty("room", room);
    }
    Label *change = child(u"rowChange");
    change->setText(valid ? directionSymbol(quote.changePercent()) + u' ' +
                                formatPercent(quote.changePercent())
                          : u"等待行情"_s);
    change->setColor(hex(valid ? Toolkit::accentHexForChangePercent(quote.changePercent())
                               : Palette::hex(Palette::subtleText)));
    // Today's profit takes the symbol's line right of the price, the change moves up to the
    // name's; the bell follows the symbol, short of the tag.
    const qreal W = button->width();
    QuoteRowMarks::update(button,
                          {QRectF(W - 100, 13, 86, 19), QRectF(W - 100, 23, 86, 19),
                           QRectF(222, 8, W - 14 - 222, 14), QRectF(14, 8, 72, 14), 88 - 4},
                          row.holdingText, row.holdingDirection, row.alertsArmed);

    if (!m_priceFlash.contains(quote.symbol))
        delete button->findChild<QWidget *>(u"priceFlash"_s, Qt::FindDirectChildrenOnly);
    Toolkit::addPriceFlashIfNeededForQuote(quote, m_priceFlash, button,
                                           QRectF(0, 0, button->width(), button->height()));
}
