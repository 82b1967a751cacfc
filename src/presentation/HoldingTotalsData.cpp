// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/HoldingTotalsData.h"

#include "model/Formatters.h"
#include "model/HoldingTotals.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

int directionOf(double value)
{
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

QString currencyTitle(Currency currency)
{
    switch (currency) {
    case Currency::HKD:
        return u"港元"_s;
    case Currency::USD:
        return u"美元"_s;
    case Currency::CNY:
        break;
    }
    return u"人民币"_s;
}

HoldingTotalsLine figuresLine(const QString &title, const HoldingTotals::Sum &sum)
{
    HoldingTotalsLine line{title};
    line.todayProfit = formatSignedMoney(sum.todayProfit);
    line.todayDirection = directionOf(sum.todayProfit);
    // Without any cost price there is no floating profit: a dash, never a made-up zero.
    line.floatingProfit = u"--"_s;
    if (sum.withCost > 0) {
        line.floatingProfit = formatSignedMoney(sum.floatingProfit);
        line.floatingDirection = directionOf(sum.floatingProfit);
    }
    if (const std::optional<double> percent = sum.floatingProfitPercent())
        line.floatingPercent = formatPercent(*percent);
    return line;
}

QString spokenLine(const HoldingTotalsLine &line)
{
    if (!line.note.isEmpty())
        return line.title + u' ' + line.note;
    QString text = line.title + u" 今日 "_s + line.todayProfit + u"，浮动 "_s + line.floatingProfit;
    if (!line.floatingPercent.isEmpty())
        text += u" "_s + line.floatingPercent;
    return text;
}

} // namespace

std::optional<HoldingTotalsData> HoldingTotalsData::from(const HoldingTotals &totals,
                                                         const ExchangeRates &rates)
{
    if (totals.isEmpty())
        return std::nullopt;
    HoldingTotalsData data;
    const QMap<Currency, HoldingTotals::Sum> &sums = totals.byCurrency();
    QStringList missing;
    for (auto it = sums.begin(); it != sums.end(); ++it) {
        data.lines.append(figuresLine(currencyTitle(it.key()), it.value()));
        if (!rates.toCny(it.key()))
            missing << currencyTitle(it.key());
    }
    // Yuan alone are their own total; anything in another currency is also given in yuan,
    // which needs the rate of every currency held.
    if (sums.size() > 1 || (sums.size() == 1 && !sums.contains(Currency::CNY))) {
        const QString title = u"折合人民币"_s;
        if (const std::optional<HoldingTotals::Sum> cny = totals.inCny(rates))
            data.lines.append(figuresLine(title, *cny));
        else
            data.lines.append(
                {title, {}, 0, {}, {}, 0, u"缺少"_s + missing.join(u'、') + u"汇率"_s, true});
    }
    if (data.lines.isEmpty())
        data.lines.append({u"持仓"_s, {}, 0, {}, {}, 0, u"等待行情"_s});
    if (totals.unpricedPositions() > 0)
        data.unpricedNote = u"%1 只暂无报价"_s.arg(totals.unpricedPositions());

    QStringList spoken;
    for (const HoldingTotalsLine &line : std::as_const(data.lines))
        spoken << spokenLine(line);
    if (!data.unpricedNote.isEmpty())
        spoken << data.unpricedNote;
    data.spoken = u"持仓盈亏："_s + spoken.join(u"；"_s);
    return data;
}
