// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>

// The charts owed an entrance: opening a quote's page makes its chart animate in at its
// first full drawing; later updates of the same page draw it still.
class ChartEntrances
{
public:
    void owe(const QString &symbol) { m_owed.insert(symbol); }
    bool isOwed(const QString &symbol) const { return m_owed.contains(symbol); }
    // After a build: an entrance the chart has started is paid. A template, so this layer
    // needs no chart widget.
    template<typename Chart>
    void settle(const Chart *chart)
    {
        if (chart && chart->hasStartedEntranceAnimation())
            m_owed.remove(chart->series().symbol);
    }

private:
    QSet<QString> m_owed;
};
