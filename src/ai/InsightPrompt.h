// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ai/InsightPromptMessages.h"
#include "model/Quote.h"

#include <QList>
#include <QString>
#include <QStringList>

class BoardTags;
class DecisionEngine;
class QuoteDecision;
class StateSnapshots;

// The chat messages of one insight request: a fixed system message that casts the model
// as the moderator of four expert agents, and a user message laying out the quote, the
// intraday descriptions, the backgrounds, the daily context, the board tags, the statuses,
// the four agent reports and the moderator's task.
//
// Pure: every call recomputes from what the references hold (the decision engine with its
// intraday store, daily cache and background quotes; the state snapshots; the board tags;
// the controller's held quote list).
//
// The user message has 33 lines. Ten of the analysis lines are spread over three summary
// lines, each group keeping the order in which they are computed:
//   节奏分层   — the rhythm by time layer: since the open, since midday, the last 5 minutes'
//                volume;
//   日内背景   — what surrounds the stock today: the market and board backgrounds, the
//                volume-price context and where the price stands against the day's extremes;
//   结构化判断 — the program's own reading: the intraday structure, the detailed
//                volume-price line and the operation hint.
class InsightPrompt
{
public:
    InsightPrompt(const DecisionEngine &engine, const StateSnapshots &snapshots,
                  const BoardTags &boardTags, const QList<Quote> &heldQuotes);

    static const QString &systemMessage();
    static const QString &closingInstruction();

    QString structureAgentReportForQuote(const Quote &quote) const;
    QString volumePriceAgentReportForQuote(const Quote &quote) const;
    QString riskAgentReportForQuote(const Quote &quote) const;
    QString opportunityAgentReportForQuote(const Quote &quote) const;
    QString moderatorTaskForQuote(const Quote &quote) const;
    QString operationHintDescriptionForQuote(const Quote &quote) const;
    // The complete user message: 33 lines joined by line feeds.
    QString aiPromptForQuote(const Quote &quote) const;
    InsightPromptMessages messagesForQuote(const Quote &quote) const;

private:
    // (H - L) / previous close x 100; 0 without a previous close.
    static double amplitudePercentForQuote(const Quote &quote);
    // 1-based place among the held quotes by change percent, highest first (ties keep list
    // order); 1 when the stock is not held.
    qsizetype changeRankForQuote(const Quote &quote) const;

    QString structureAgentReport(const QuoteDecision &d) const;
    QString volumePriceAgentReport(const QuoteDecision &d) const;
    static QString riskAgentReport(const QuoteDecision &d, const QString &breakoutContext);
    static QString opportunityAgentReport(const QuoteDecision &d);
    QString moderatorTask(const QuoteDecision &d) const;
    QString operationHint(const QuoteDecision &d) const;

    const DecisionEngine &m_engine;
    const StateSnapshots &m_snapshots;
    const BoardTags &m_boardTags;
    const QList<Quote> &m_heldQuotes;
};
