// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "presentation/HoldingTotalsData.h"
#include "ui/Panel.h"

#include <QList>
#include <QRectF>

#include <optional>

class FlatButton;
class Label;

// The positions' totals below the summary panel, in its look: a header with the columns
// (today's profit, floating profit, its percentage) and how many positions wait for a
// price, then one line per currency held and the yuan total, or a note in place of figures
// (a missing rate, with a button that offers to set the rates).
class HoldingTotalsPanel : public Panel
{
    Q_OBJECT
public:
    // `frame` is height(lines) high.
    HoldingTotalsPanel(QWidget *parent, const QRectF &frame, const HoldingTotalsData &data);

    // Shows `data` in the existing lines. False, and nothing changed, when it has another
    // number of lines: the panel would need another height.
    bool setData(const HoldingTotalsData &data);
    qsizetype lineCount() const { return m_lines.size(); }

    static qreal height(qsizetype lineCount);
    // What the panel takes below the summary, its gap included; 0 without a panel.
    static qreal room(const std::optional<HoldingTotalsData> &data);

Q_SIGNALS:
    void ratesRequested();

private:
    struct Line
    {
        Label *title = nullptr;
        Label *today = nullptr;
        Label *floating = nullptr;
        Label *percent = nullptr;
        Label *note = nullptr;
        FlatButton *rates = nullptr;
    };
    void setLine(Line &line, qreal y, const HoldingTotalsLine &data);

    Label *m_unpriced = nullptr;
    QList<Line> m_lines;
};
