// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Clock.h"

#include <QStringList>

#include <cmath>

std::unique_ptr<AcceleratedClock> AcceleratedClock::fromSetting(const QString &setting)
{
    const QStringList parts = setting.split(u',');
    if (parts.size() != 3)
        return nullptr;
    bool okAnchor = false, okRate = false;
    const qint64 anchor = parts.at(0).trimmed().toLongLong(&okAnchor);
    const double rate = parts.at(2).trimmed().toDouble(&okRate);
    const QDateTime simulated = QDateTime::fromString(parts.at(1).trimmed(), Qt::ISODate);
    if (!okAnchor || !okRate || !simulated.isValid() || !std::isfinite(rate) || rate <= 0 ||
        rate > 100000)
        return nullptr;
    return std::make_unique<AcceleratedClock>(anchor, simulated, rate);
}

QString AcceleratedClock::setting() const
{
    return QString::number(m_anchorReal) + u',' + m_anchorSim.toString(Qt::ISODateWithMs) + u',' +
           QString::number(m_rate);
}
