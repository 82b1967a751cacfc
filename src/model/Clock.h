// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <memory>

// Every "now", "today", cool-down and market-status rule reads time through a Clock, so
// tests can run a trading day in milliseconds.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // The user's local zone: what "today" means for caches and logs.
    virtual QTimeZone localZone() const = 0;

    QDateTime localNow() const { return now().toTimeZone(localZone()); }
    qint64 nowMSecs() const { return now().toMSecsSinceEpoch(); }
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    QTimeZone localZone() const override { return QTimeZone::systemTimeZone(); }
};

// A clock that stands still until told to move.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime::currentDateTimeUtc(),
                         QTimeZone zone = QTimeZone("Asia/Shanghai"))
        : m_now(std::move(start))
        , m_zone(std::move(zone))
    {}
    QDateTime now() const override { return m_now; }
    QTimeZone localZone() const override { return m_zone; }

    void setNow(const QDateTime &t) { m_now = t; }
    void setLocalZone(const QTimeZone &zone) { m_zone = zone; }
    void advanceSecs(qint64 secs) { m_now = m_now.addSecs(secs); }
    void advanceMSecs(qint64 msecs) { m_now = m_now.addMSecs(msecs); }

private:
    QDateTime m_now;
    QTimeZone m_zone;
};

// Time that runs `rate` times faster than the wall clock from an anchor: the demo and the
// simulated market share one, so both trade the same accelerated day at any hour.
class AcceleratedClock final : public Clock
{
public:
    AcceleratedClock(qint64 anchorRealMSecs, QDateTime anchorSimulated, double rate,
                     QTimeZone zone = QTimeZone::systemTimeZone())
        : m_anchorReal(anchorRealMSecs)
        , m_anchorSim(std::move(anchorSimulated))
        , m_rate(rate)
        , m_zone(std::move(zone))
    {}
    QDateTime now() const override
    {
        const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - m_anchorReal;
        return m_anchorSim.addMSecs(static_cast<qint64>(static_cast<double>(elapsed) * m_rate))
            .toUTC();
    }
    QTimeZone localZone() const override { return m_zone; }

    // "<anchor epoch ms>,<anchor ISO date-time>,<rate>", as KESTRUM_CLOCK carries it.
    static std::unique_ptr<AcceleratedClock> fromSetting(const QString &setting);
    QString setting() const;

private:
    qint64 m_anchorReal;
    QDateTime m_anchorSim;
    double m_rate;
    QTimeZone m_zone;
};
