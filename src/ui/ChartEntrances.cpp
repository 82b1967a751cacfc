// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ChartEntrances.h"

#include "ui/IntradayChartView.h"

void ChartEntrances::settle(const IntradayChartView *chart)
{
    if (chart && chart->hasStartedEntranceAnimation())
        m_owed.remove(chart->series().symbol);
}
