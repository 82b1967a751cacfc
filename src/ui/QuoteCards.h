// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MarketStatus.h"
#include "decision/DecisionEngine.h"
#include "model/Quote.h"
#include "presentation/QuoteDetailData.h"

#include <QFont>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>

class HintIconButton;
class HoverPanel;
class Panel;
class QWidget;

// Where the cards' buttons lead. A missing function leaves its button inert.
struct CardActions
{
    std::function<void(HintIconButton *)> showHint;
    std::function<void(const QString &symbol)> generateInsight;
    std::function<void()> openAISettings;
    // The form for the stock's position and price conditions.
    std::function<void(const QString &symbol)> editHolding;
};

// The cards that present one stock on the popover's detail page and in the desktop window:
// market card with chart, AI insight card, scenario card with its metric cells, and the
// market status pill. Builders take prepared values and create their element inside
// `parent` at `frame` (y up, see Frames.h); the pure layout rules beside them are public so
// they can be checked on their own.
class QuoteCards
{
public:
    QuoteCards() = delete;

    // --- Builders ---
    static Panel *aiInsightCardForQuote(QWidget *parent, const QRectF &frame,
                                        const InsightCardData &data, const CardActions &actions);
    static Panel *scenarioCardForQuote(QWidget *parent, const QRectF &frame,
                                       const QList<DecisionEngine::ScenarioMetric> &metrics,
                                       const CardActions &actions);
    // What an insight card or a set of scenario metrics shows, as one value: a card built for
    // an equal key needs no rebuilding.
    static QStringList insightKey(const InsightCardData &data);
    static QStringList metricsKey(const QList<DecisionEngine::ScenarioMetric> &metrics);
    static HoverPanel *scenarioMetricWithFrame(QWidget *parent, const QRectF &frame,
                                               const QString &title, const QString &value,
                                               const QString &hint, const QString &accentHex,
                                               const CardActions &actions);
    static HintIconButton *scenarioInfoButtonWithFrame(QWidget *parent, const QRectF &frame,
                                                       const QString &hint,
                                                       const CardActions &actions);
    static Panel *marketStatusPillWithFrame(QWidget *parent, const QRectF &frame,
                                            const MarketStatus &status);

    // --- Market card layout ---
    static constexpr char16_t kPendingBoardTag[] = u"板块待补";
    struct BoardTagLayout
    {
        bool showsTag = false;
        qreal tagWidth = 0;
        qreal symbolX = 0;
        bool operator==(const BoardTagLayout &) const = default;
    };
    // The tag pill's width and the symbol's x in a card `cardWidth` wide, for a tag whose
    // text is `tagTextWidth` wide at 10 semibold. A tag that only repeats the market badge
    // beside it (a Hong Kong or US stock's "港股" / "美股") is not drawn, like the pending one.
    static BoardTagLayout boardTagLayout(qreal cardWidth, const QString &boardTag,
                                         qreal tagTextWidth, const QString &marketBadge = {});
    static BoardTagLayout boardTagLayoutForTag(qreal cardWidth, const QString &boardTag,
                                               const QString &marketBadge);
    // The tag says more than the market badge does.
    static bool showsBoardTag(const QString &boardTag, const QString &marketBadge);
    // Palette::flatLight for an unchanged price, else the light rise or fall colour.
    static QString openPriceColorHex(double changePercent);

    // --- Market status pill ---
    static int marketStatusPillWidthForTitle(const QString &title);
    static int marketStatusPillWidthForTextWidth(qreal titleWidth);

    // --- AI insight card ---
    using TextMeasure = std::function<qreal(const QString &)>;
    // The commentary folded to one line, then broken at sentence ends and, inside a sentence,
    // before a clause that would carry the line past max(0.82 w, 180).
    static QString desktopAIInsightTextForMessage(const QString &message, qreal width);
    static QString desktopAIInsightTextForMessage(const QString &message, qreal width,
                                                  const TextMeasure &measure);
    // Segments closed after each delimiter (kept at their end), trimmed, empties dropped.
    static QStringList desktopTextSegmentsForText(const QString &text, const QString &delimiters);
    // Ceiling of the single-line width.
    static qreal desktopSingleLineWidthForText(const QString &text, const QFont &font);
    static QFont aiInsightFont();
    static QString aiInsightTextColorHex(bool hasError);
    static constexpr qreal kAIInsightLineSpacing = 4;
    // Height of the broken commentary laid out W - 32 wide, plus 4, rounded up.
    static int aiInsightBodyHeight(const QString &message, qreal cardWidth);
    static int aiInsightCardHeight(const QString &message, qreal cardWidth);
    // The circular arrow of the regenerate button.
    static QIcon refreshIcon(const QColor &color);

    // --- Scenario card ---
    // Cell `index` (0..3) of the 2 x 2 grid in a card W x H.
    static QRectF scenarioCellFrame(int index, qreal cardWidth, qreal cardHeight);
    static QString scenarioTitleColorHex(ScenarioKind kind);
    struct MetricLayout
    {
        bool compact = false;
        qreal block = 0;
        QRectF title; // y up inside the metric
        QRectF value;
        qreal titleSize = 0;
        qreal valueSize = 0;
    };
    static MetricLayout scenarioMetricLayout(qreal width, qreal height);
};
