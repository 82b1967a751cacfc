// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuoteCards.h"

#include "model/Formatters.h"
#include "presentation/Palette.h"
#include "ui/FlatButton.h"
#include "ui/Frames.h"
#include "ui/HintIconButton.h"
#include "ui/HoverPanel.h"
#include "ui/Label.h"
#include "ui/Panel.h"
#include "ui/ShapeLayer.h"
#include "ui/SparkleIconView.h"
#include "ui/TextView.h"
#include "ui/Toolkit.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {

using Toolkit::hex;
using Toolkit::label;

// A value that swings between `low` and `high` for as long as `target` lives: up over
// `seconds`, back over the same time, ease-in-ease-out, forever.
void breathe(QObject *target, const QByteArray &property, qreal high, qreal low, qreal seconds,
             const QString &key)
{
    auto *group = new QSequentialAnimationGroup(target);
    group->setObjectName(key);
    const int ms = static_cast<int>(std::lround(seconds * 1000));
    auto *out = new QPropertyAnimation(target, property, group);
    out->setStartValue(high);
    out->setEndValue(low);
    out->setDuration(ms);
    out->setEasingCurve(Toolkit::easeInEaseOutCurve());
    auto *back = new QPropertyAnimation(target, property, group);
    back->setStartValue(low);
    back->setEndValue(high);
    back->setDuration(ms);
    back->setEasingCurve(Toolkit::easeInEaseOutCurve());
    group->addAnimation(out);
    group->addAnimation(back);
    group->setLoopCount(-1);
    group->start();
}

// The circular arrow of the regenerate button, drawn as paths at whatever size and pixel
// density it is painted, so it stays sharp at every scale.
class RefreshIconEngine : public QIconEngine
{
public:
    explicit RefreshIconEngine(const QColor &color)
        : m_color(color)
    {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        // Designed in a 22 x 22 box: a ring open at the top right, an arrow head at its end.
        const qreal s = std::min(rect.width(), rect.height()) / 22.0;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.x() + (rect.width() - 22 * s) / 2,
                           rect.y() + (rect.height() - 22 * s) / 2);
        painter->scale(s, s);
        QColor color = m_color;
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.45f);
        painter->setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        const QRectF ring(4, 4, 14, 14);
        QPainterPath arc;
        arc.arcMoveTo(ring, 60);
        arc.arcTo(ring, 60, 290);
        painter->drawPath(arc);
        const qreal angle = 60 * std::numbers::pi / 180;
        const QPointF tip(11 + 7 * std::cos(angle), 11 - 7 * std::sin(angle));
        QPainterPath head;
        head.moveTo(tip + QPointF(-5, -1.5));
        head.lineTo(tip);
        head.lineTo(tip + QPointF(-0.5, -5.5));
        painter->drawPath(head);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        QPixmap pixmap((QSizeF(size) * scale).toSize());
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine *clone() const override { return new RefreshIconEngine(m_color); }

private:
    QColor m_color;
};

} // namespace

// --- Market card -------------------------------------------------------------------------

bool QuoteCards::showsBoardTag(const QString &boardTag, const QString &marketBadge)
{
    const QString tag = boardTag.trimmed();
    return !tag.isEmpty() && tag != QStringView(kPendingBoardTag) && tag != marketBadge;
}

QuoteCards::BoardTagLayout QuoteCards::boardTagLayout(qreal cardWidth, const QString &boardTag,
                                                      qreal tagTextWidth,
                                                      const QString &marketBadge)
{
    const qreal r = cardWidth - 64;
    BoardTagLayout layout;
    if (!showsBoardTag(boardTag, marketBadge)) {
        layout.symbolX = r - 6 - 72;
        return layout;
    }
    layout.showsTag = true;
    layout.tagWidth = std::min<qreal>(std::max<qreal>(std::floor(tagTextWidth) + 24, 76), 132);
    layout.symbolX = r - 6 - layout.tagWidth - 6 - 72;
    if (layout.symbolX < 92) {
        layout.tagWidth = std::max<qreal>(r - 12 - 72 - 92, 76);
        layout.symbolX = r - 6 - layout.tagWidth - 6 - 72;
    }
    return layout;
}

QuoteCards::BoardTagLayout QuoteCards::boardTagLayoutForTag(qreal cardWidth,
                                                            const QString &boardTag,
                                                            const QString &marketBadge)
{
    return boardTagLayout(
        cardWidth, boardTag,
        Typography::textWidth(boardTag, Typography::systemFont(10, FontWeight::Semibold)),
        marketBadge);
}

QString QuoteCards::openPriceColorHex(double changePercent)
{
    if (std::fabs(changePercent) < 0.0001)
        return Palette::hex(Palette::flatLight);
    return changePercent >= 0 ? Palette::hex(Palette::riseLight) : Palette::hex(Palette::fallLight);
}

// --- AI insight card ---------------------------------------------------------------------

QStringList QuoteCards::desktopTextSegmentsForText(const QString &text, const QString &delimiters)
{
    QStringList segments;
    QString current;
    for (const QChar c : text) {
        current.append(c);
        if (delimiters.contains(c)) {
            const QString trimmed = current.trimmed();
            if (!trimmed.isEmpty())
                segments.append(trimmed);
            current.clear();
        }
    }
    const QString rest = current.trimmed();
    if (!rest.isEmpty())
        segments.append(rest);
    return segments;
}

qreal QuoteCards::desktopSingleLineWidthForText(const QString &text, const QFont &font)
{
    return std::ceil(Typography::textWidth(text, font));
}

QFont QuoteCards::aiInsightFont()
{
    return Typography::systemFont(11, FontWeight::Regular);
}

QString QuoteCards::desktopAIInsightTextForMessage(const QString &message, qreal width)
{
    const QFont font = aiInsightFont();
    return desktopAIInsightTextForMessage(message, width, [font](const QString &text) {
        return desktopSingleLineWidthForText(text, font);
    });
}

QString QuoteCards::desktopAIInsightTextForMessage(const QString &message, qreal width,
                                                   const TextMeasure &measure)
{
    QString text = message;
    text.replace(u'\r', u'\n');
    text = text.trimmed();
    if (text.isEmpty())
        return {};
    text = text.split(u'\n').join(u' ');
    while (text.contains(u"  "_s))
        text.replace(u"  "_s, u" "_s);
    if (width <= 0 || text.size() < 34 || !measure)
        return text;

    const qreal limit = std::max<qreal>(0.82 * width, 180);
    QStringList lines;
    for (const QString &sentence : desktopTextSegmentsForText(text, u"。！？!?"_s)) {
        QString line;
        for (const QString &clause : desktopTextSegmentsForText(sentence, u"，；;"_s)) {
            const QString joined = line + clause;
            if (!line.isEmpty() && measure(joined) > limit) {
                lines.append(line);
                line = clause;
            } else {
                line = joined;
            }
        }
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines.join(u'\n');
}

QString QuoteCards::aiInsightTextColorHex(bool hasError)
{
    return hasError ? Palette::hex(Palette::riseLight) : Palette::hex(Palette::insightText);
}

int QuoteCards::aiInsightBodyHeight(const QString &message, qreal cardWidth)
{
    const qreal width = cardWidth - 32;
    const QString text = desktopAIInsightTextForMessage(message, width);
    const QSizeF used =
        TextView::layoutSize(text, aiInsightFont(), width, kAIInsightLineSpacing, 0);
    return static_cast<int>(std::ceil(used.height() + 4));
}

int QuoteCards::aiInsightCardHeight(const QString &message, qreal cardWidth)
{
    const qreal body = aiInsightBodyHeight(message, cardWidth);
    return static_cast<int>(std::ceil(std::max<qreal>(body + 66, 106)));
}

QIcon QuoteCards::refreshIcon(const QColor &color)
{
    return QIcon(new RefreshIconEngine(color));
}

Panel *QuoteCards::aiInsightCardForQuote(QWidget *parent, const QRectF &frame,
                                         const InsightCardData &data, const CardActions &actions)
{
    const qreal W = frame.width();
    const qreal H = frame.height();
    Panel *card = Toolkit::panelWithFrame(parent, frame, Palette::card, Palette::insightBorder, 8);
    card->setObjectName(u"aiInsightCard"_s);
    card->setDiagonalGradient({Palette::insightGradientStart, Palette::insightGradientMiddle,
                               Palette::insightGradientEnd});

    auto *icon = new SparkleIconView(card);
    Frames::place(icon, QRectF(14, H - 33, 16, 16));
    icon->setIconColor(Palette::insightAmber);
    icon->setObjectName(u"sparkle"_s);
    icon->show();
    label(card, QRectF(36, H - 33, 104, 18), u"澄川观察"_s, 12, FontWeight::Semibold,
          Palette::insightAmber)
        ->setObjectName(u"title"_s);
    Label *subtitle = label(card, QRectF(112, H - 31, std::max<qreal>(W - 160, 48), 14),
                            data.subtitle, 9, FontWeight::Medium, Palette::insightSubtitle);
    subtitle->setTruncatesAtEnd(true);
    subtitle->setObjectName(u"subtitle"_s);

    const qreal textWidth = W - 32;
    const qreal B = aiInsightBodyHeight(data.message, W);
    auto *body = new TextView(card);
    body->setObjectName(u"body"_s);
    Frames::place(body, QRectF(16, std::max<qreal>(H - 50 - B, 10), textWidth, B));
    body->setText(desktopAIInsightTextForMessage(data.message, textWidth));
    body->setFont(aiInsightFont());
    body->setColor(hex(aiInsightTextColorHex(data.hasError)));
    body->setLineSpacing(kAIInsightLineSpacing);
    body->setParagraphSpacing(0);
    body->show();
    if (data.isLoading)
        breathe(body, "opacity", 1.0, 0.55, 1.05, u"aiTextBreath"_s);

    FlatButton *button = nullptr;
    if (data.isConfigured) {
        button = Toolkit::textButton(card, QString(), QRectF(W - 40, H - 33, 24, 22));
        button->setObjectName(u"regenerateButton"_s);
        button->setIcon(refreshIcon(Palette::insightAmber));
        button->setIconSize(QSize(11, 11));
        button->setToolTip(u"重生成"_s);
        button->setAccessibleName(u"重新生成 AI 分析"_s);
        button->setCornerRadius(6);
        const QString symbol = data.symbol;
        const auto generate = actions.generateInsight;
        QObject::connect(button, &FlatButton::clicked, button, [generate, symbol] {
            if (generate)
                generate(symbol);
        });
    } else {
        button = Toolkit::textButton(card, u"去设置"_s, QRectF(W - 80, H - 33, 64, 24));
        button->setObjectName(u"settingsButton"_s);
        button->setCornerRadius(7);
        const auto open = actions.openAISettings;
        QObject::connect(button, &FlatButton::clicked, button, [open] {
            if (open)
                open();
        });
    }
    button->setIdentifier(data.symbol);
    button->setBackgroundColor(Palette::insightButtonFace);
    button->setBorderColor(Palette::insightButtonBorder);
    button->setTitleColor(Palette::insightAmber);
    button->setEnabled(!data.isLoading);
    return card;
}

QStringList QuoteCards::insightKey(const InsightCardData &data)
{
    return {data.symbol, data.subtitle, data.message,
            QString::number(data.hasError) + QString::number(data.isLoading) +
                QString::number(data.isConfigured)};
}

QStringList QuoteCards::metricsKey(const QList<DecisionEngine::ScenarioMetric> &metrics)
{
    QStringList key;
    for (const DecisionEngine::ScenarioMetric &metric : metrics)
        key << QString::number(int(metric.kind)) << metric.value << metric.hint;
    return key;
}

// --- Scenario card -----------------------------------------------------------------------

QRectF QuoteCards::scenarioCellFrame(int index, qreal cardWidth, qreal cardHeight)
{
    const qreal c = std::floor((cardWidth - 40) / 2);
    const qreal r = std::floor((cardHeight - 32) / 2);
    const int row = index / 2;
    const int column = index % 2;
    return QRectF(14 + column * (c + 12), cardHeight - 10 - (row + 1) * r - 12 * row, c, r);
}

QString QuoteCards::scenarioTitleColorHex(ScenarioKind kind)
{
    switch (kind) {
    case ScenarioKind::Opportunity:
        return Palette::hex(Palette::insightAmber);
    case ScenarioKind::Defense:
        return Palette::hex(Palette::scenarioDefense);
    case ScenarioKind::Current:
        return Palette::hex(Palette::scenarioCurrent);
    case ScenarioKind::KeyLevel:
        break;
    }
    return Palette::hex(Palette::link);
}

QuoteCards::MetricLayout QuoteCards::scenarioMetricLayout(qreal width, qreal height)
{
    MetricLayout layout;
    layout.compact = height < 42;
    qreal titleHeight = 11;
    qreal valueHeight = 18;
    if (layout.compact) {
        layout.block = std::min<qreal>(std::max<qreal>(height - 4, 26), 31);
        titleHeight = 10;
        valueHeight = 16;
        layout.titleSize = 9;
        layout.valueSize = 11;
    } else {
        layout.block = 36;
        layout.titleSize = 10;
        layout.valueSize = 12;
    }
    const qreal top = std::floor((height - layout.block) / 2);
    layout.title =
        QRectF(0, layout.block + top - titleHeight - (layout.compact ? 1 : 0), width, titleHeight);
    layout.value = QRectF(0, top + (layout.compact ? 1 : 2), width, valueHeight);
    return layout;
}

HintIconButton *QuoteCards::scenarioInfoButtonWithFrame(QWidget *parent, const QRectF &frame,
                                                        const QString &hint,
                                                        const CardActions &actions)
{
    auto *button = new HintIconButton(parent);
    button->setObjectName(u"infoButton"_s);
    Frames::place(button, frame);
    button->setText(u"?"_s);
    button->setAccessibleName(u"查看说明"_s);
    button->setFont(Typography::systemFont(9, FontWeight::Semibold));
    button->setBackgroundColor(Toolkit::withAlpha(Palette::infoButtonFace, 0.92));
    button->setBorderColor(Palette::metricBorder);
    button->setBorderWidth(1);
    button->setCornerRadius(frame.height() / 2);
    button->setTitleColor(Palette::badgeText);
    button->setHintText(hint);
    const auto show = actions.showHint;
    QObject::connect(button, &FlatButton::clicked, button, [show, button] {
        if (show)
            show(button);
    });
    button->show();
    return button;
}

HoverPanel *QuoteCards::scenarioMetricWithFrame(QWidget *parent, const QRectF &frame,
                                                const QString &title, const QString &value,
                                                const QString &hint, const QString &accentHex,
                                                const CardActions &actions)
{
    auto *metric = new HoverPanel(parent);
    metric->setObjectName(u"scenarioMetric"_s);
    Frames::place(metric, frame);
    metric->setCornerRadius(6);
    metric->setNormalColors(Qt::transparent, Qt::transparent);
    metric->setHoverColors(Toolkit::withAlpha(Palette::metricHover, 0.65), Palette::metricBorder);
    metric->show();

    const MetricLayout layout = scenarioMetricLayout(frame.width(), frame.height());
    label(metric, layout.title, title, layout.titleSize, FontWeight::Medium, accentHex)
        ->setObjectName(u"metricTitle"_s);
    auto *valueLabel = new Label(metric);
    valueLabel->setObjectName(u"metricValue"_s);
    Frames::place(valueLabel, layout.value);
    valueLabel->setText(value);
    valueLabel->setFont(Typography::monospacedDigitFont(layout.valueSize, FontWeight::Semibold));
    valueLabel->setColor(Palette::metricValue);
    valueLabel->setTruncatesAtEnd(true);
    valueLabel->show();
    if (!hint.isEmpty())
        scenarioInfoButtonWithFrame(
            metric, QRectF(frame.width() - 18, layout.title.y() - 1, 14, 14), hint, actions);
    return metric;
}

Panel *QuoteCards::scenarioCardForQuote(QWidget *parent, const QRectF &frame,
                                        const QList<DecisionEngine::ScenarioMetric> &metrics,
                                        const CardActions &actions)
{
    const qreal W = frame.width();
    const qreal H = frame.height();
    Panel *card = Toolkit::panelWithFrame(parent, frame, Palette::card, Palette::cardBorder, 8);
    card->setObjectName(u"scenarioCard"_s);
    card->setDiagonalGradient(
        {Palette::stripGradientStart, Palette::fieldBase, Palette::stripGradientEnd});

    const qreal c = std::floor((W - 40) / 2);
    Panel *vertical = Toolkit::panelWithFrame(card, QRectF(c + 20, 14, 1, H - 28),
                                              Palette::cardDivider, Qt::transparent, 0);
    vertical->setObjectName(u"divider"_s);
    Panel *horizontal = Toolkit::panelWithFrame(card, QRectF(14, std::floor(H / 2) + 1, W - 28, 1),
                                                Palette::cardDivider, Qt::transparent, 0);
    horizontal->setObjectName(u"divider"_s);

    for (qsizetype i = 0; i < metrics.size() && i < 4; ++i) {
        const DecisionEngine::ScenarioMetric &metric = metrics.at(i);
        scenarioMetricWithFrame(card, scenarioCellFrame(static_cast<int>(i), W, H), metric.title(),
                                metric.value, metric.hint, scenarioTitleColorHex(metric.kind),
                                actions);
    }
    return card;
}

// --- Market status pill ------------------------------------------------------------------

int QuoteCards::marketStatusPillWidthForTextWidth(qreal titleWidth)
{
    return static_cast<int>(std::ceil(std::min<qreal>(std::max<qreal>(titleWidth + 32, 58), 88)));
}

int QuoteCards::marketStatusPillWidthForTitle(const QString &title)
{
    return marketStatusPillWidthForTextWidth(
        Typography::textWidth(title, Typography::systemFont(11, FontWeight::Medium)));
}

Panel *QuoteCards::marketStatusPillWithFrame(QWidget *parent, const QRectF &frame,
                                             const MarketStatus &status)
{
    const qreal W = frame.width();
    const qreal H = frame.height();
    Panel *pill = Toolkit::panelWithFrame(parent, frame, hex(status.bg), hex(status.border),
                                          std::floor(H / 2));
    pill->setObjectName(u"marketStatusPill"_s);

    auto *dot = new ShapeLayer(pill);
    dot->setObjectName(u"statusDot"_s);
    Frames::place(dot, QRectF(10, std::floor((H - 6) / 2), 6, 6));
    QPainterPath circle;
    circle.addRoundedRect(QRectF(0, 0, 6, 6), 3, 3);
    dot->setPath(circle);
    dot->setFillBrush(hex(status.dot));
    dot->show();
    if (status.live)
        breathe(dot, "opacity", 1.0, 0.35, 0.9, u"marketPulse"_s);

    label(pill, QRectF(21, std::floor((H - 15) / 2) - 1, W - 28, 15), status.title, 11,
          FontWeight::Medium, status.text)
        ->setObjectName(u"statusTitle"_s);
    return pill;
}
