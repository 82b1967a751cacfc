// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeStatusNotifierWatcher.h"

#include <QDBusMessage>

using namespace Qt::StringLiterals;

namespace {
const QString kService = u"org.kde.StatusNotifierWatcher"_s;
const QString kPath = u"/StatusNotifierWatcher"_s;
} // namespace

FakeStatusNotifierWatcher::FakeStatusNotifierWatcher(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{}

FakeStatusNotifierWatcher::~FakeStatusNotifierWatcher()
{
    stop();
}

bool FakeStatusNotifierWatcher::start()
{
    m_started =
        m_bus.registerObject(
            kPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
        m_bus.registerService(kService);
    return m_started;
}

void FakeStatusNotifierWatcher::stop()
{
    if (!m_started)
        return;
    m_started = false;
    m_bus.unregisterService(kService);
    m_bus.unregisterObject(kPath);
}

QStringList FakeStatusNotifierWatcher::registeredItems() const
{
    QStringList items;
    for (const Registration &registration : registrations)
        items.append(registration.service);
    return items;
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierItem(const QString &service)
{
    registrations.append({service, message().service()});
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierHost(const QString &service)
{
    Q_UNUSED(service);
}
