// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSet>
#include <QString>

// Which failures were already reported, so one that repeats at every refresh is logged
// once, and again only after it recovered and came back.
class LogOnce
{
public:
    // True the first time `key` fails since it last recovered: log it now.
    bool failed(const QString &key)
    {
        if (m_failing.contains(key))
            return false;
        m_failing.insert(key);
        return true;
    }
    // True when `key` had been reported failing: log the recovery now.
    bool recovered(const QString &key) { return m_failing.remove(key); }

private:
    QSet<QString> m_failing;
};
