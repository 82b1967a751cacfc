// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>

class IntradayChartView;

// The charts owed an entrance: opening a quote's page makes its chart animate in at its
// first full drawing; later updates of the same page draw it still.
class ChartEntrances
{
public:
    void owe(const QString &symbol) { m_owed.insert(symbol); }
    bool isOwed(const QString &symbol) const { return m_owed.contains(symbol); }
    // After a build: an entrance the chart has started is paid.
    void settle(const IntradayChartView *chart);

private:
    QSet<QString> m_owed;
};
