// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusNotifierItem.h"

#include "DBusSignalRecorder.h"
#include "FakeStatusNotifierWatcher.h"
#include "PrivateSessionBus.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kInterface = u"org.kde.StatusNotifierItem"_s;

QIcon solidIcon(const QColor &color)
{
    QPixmap pixmap(22, 22);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

class TestStatusNotifierItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        QVERIFY2(m_bus->isRunning(), qPrintable(m_bus->errorString()));
        m_app = m_bus->connect();
        m_panel = m_bus->connect();
        m_watcher = std::make_unique<FakeStatusNotifierWatcher>(m_bus->connect());
        QVERIFY(m_watcher->start());
        m_item = std::make_unique<StatusNotifierItem>(m_app);
        QVERIFY(m_item->isExported());
    }

    void cleanup()
    {
        m_item.reset();
        m_watcher.reset();
        m_bus.reset();
    }

    void registersWhileShownAndWatched()
    {
        QVERIFY(m_item->serviceName().startsWith(
            u"org.kde.StatusNotifierItem-%1-"_s.arg(QCoreApplication::applicationPid())));
        QSignalSpy finished(m_item.get(), &StatusNotifierItem::registrationFinished);
        m_item->show();
        QVERIFY(finished.wait(TestSupport::kPatienceMs));
        QCOMPARE(finished.constFirst().constFirst().toBool(), true);
        QCOMPARE(m_watcher->registrations[0].sender, m_app.baseService());

        // A second item in the same process gets a name of its own.
        StatusNotifierItem other(m_bus->connect());
        QVERIFY(other.serviceName() != m_item->serviceName());

        // Hidden, the item leaves the bus; shown again, it registers again.
        m_item->hide();
        QVERIFY(!m_panel.interface()->isServiceRegistered(m_item->serviceName()));
        m_item->show();
        QVERIFY(m_panel.interface()->isServiceRegistered(m_item->serviceName()));
        QTRY_COMPARE_WITH_TIMEOUT(m_watcher->registrations.size(), 2, TestSupport::kPatienceMs);

        // The panel restarts: its watcher leaves the bus and a new one arrives.
        m_watcher->stop();
        FakeStatusNotifierWatcher restarted(m_bus->connect());
        QVERIFY(restarted.start());
        QTRY_COMPARE_WITH_TIMEOUT(restarted.registrations.size(), 1, TestSupport::kPatienceMs);
        QCOMPARE(restarted.registrations[0].service, m_item->serviceName());

        // A hidden item stays unregistered when a watcher comes back.
        m_item->hide();
        restarted.stop();
        FakeStatusNotifierWatcher again(m_bus->connect());
        QVERIFY(again.start());
        sync();
        QTest::qWait(100);
        QCOMPARE(again.registrations.size(), 0);
    }

    void propertiesDescribeTheItem()
    {
        m_item->setTitle(u"茅台 1688.00 +1.25%"_s);
        m_item->show();
        const QVariantMap p = itemProperties();
        QCOMPARE(p.value(u"Id"_s).toString(), u"com.orvell.kestrum"_s);
        QCOMPARE(p.value(u"Status"_s).toString(), u"Active"_s);
        QCOMPARE(p.value(u"ItemIsMenu"_s).toBool(), false);
        QCOMPARE(p.value(u"WindowId"_s).metaType(), QMetaType::fromType<int>());
        QCOMPARE(p.value(u"Menu"_s).value<QDBusObjectPath>().path(), u"/MenuBar"_s);
        QCOMPARE(p.value(u"XAyatanaLabel"_s).toString(), u"茅台 1688.00 +1.25%"_s);
        QCOMPARE(qdbus_cast<SniToolTip>(p.value(u"ToolTip"_s)).title, u"茅台 1688.00 +1.25%"_s);

        // Hosts that build their proxies from introspection see the complex types too.
        const QDBusMessage introspection = PrivateSessionBus::call(
            m_panel, QDBusMessage::createMethodCall(m_item->serviceName(), u"/StatusNotifierItem"_s,
                                                    u"org.freedesktop.DBus.Introspectable"_s,
                                                    u"Introspect"_s));
        const QString xml = introspection.arguments().value(0).toString();
        QVERIFY(xml.contains(uR"x(<property name="IconPixmap" type="a(iiay)" access="read">)x"_s));
        QVERIFY(
            xml.contains(uR"x(<property name="ToolTip" type="(sa(iiay)ss)" access="read">)x"_s));

        // Panels that know only the older names still find every property they ask for.
        for (const QString &name : {u"OverlayIconName"_s, u"AttentionIconName"_s,
                                    u"AttentionMovieName"_s, u"IconThemePath"_s})
            QVERIFY2(p.contains(name), qPrintable(name));
    }

    void iconPixmapsAreNetworkOrderArgb()
    {
        m_item->setIcon(solidIcon(QColor(0xff, 0x40, 0x20)));
        m_item->show();
        const auto pixmaps = qdbus_cast<SniPixmapList>(itemProperties().value(u"IconPixmap"_s));
        QVERIFY(!pixmaps.isEmpty());
        // A 22-pixel pixmap icon renders at 16 and 22 (never scaled up past its size).
        QList<int> sides;
        for (const SniPixmap &pixmap : pixmaps) {
            QCOMPARE(pixmap.width, pixmap.height);
            QCOMPARE(pixmap.bytes.size(), pixmap.width * pixmap.height * 4);
            sides << pixmap.width;
            QCOMPARE(pixmap.bytes.left(4), QByteArray::fromHex("ffff4020"));
            QCOMPARE(pixmap.bytes.right(4), QByteArray::fromHex("ffff4020"));
        }
        QVERIFY(sides.contains(16) && sides.contains(22));
        QVERIFY(std::is_sorted(sides.cbegin(), sides.cend()));

        // A theme icon travels by name.
        const QIcon themed = QIcon::fromTheme(u"com.orvell.kestrum"_s);
        m_item->setIcon(themed);
        QCOMPARE(itemProperties().value(u"IconName"_s).toString(), themed.name());
    }

    void titlesOfOneTurnAnnouncedOnce()
    {
        m_item->setTitle(u"股 --"_s);
        m_item->show();
        DBusSignalRecorder recorder(m_panel, m_item->serviceName(), u"/StatusNotifierItem"_s,
                                    kInterface, {u"XAyatanaNewLabel"_s, u"NewTitle"_s});
        QVERIFY(recorder.isConnected());
        sync();
        // A refresh and a rotation step in one turn: the panel hears once, of the last title.
        m_item->setTitle(u"茅台 1688.00 +1.25%"_s);
        m_item->setTitle(u"腾讯控股 380.20 -0.52%"_s);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.count(u"XAyatanaNewLabel"_s), 1,
                                  TestSupport::kPatienceMs);
        sync();
        QCOMPARE(recorder.count(u"XAyatanaNewLabel"_s), 1);
        QCOMPARE(recorder.messages(u"XAyatanaNewLabel"_s)[0].arguments().constFirst().toString(),
                 u"腾讯控股 380.20 -0.52%"_s);
        // Away and back within one turn: the panel already shows it.
        m_item->setTitle(u"股 --"_s);
        m_item->setTitle(u"腾讯控股 380.20 -0.52%"_s);
        sync();
        QCOMPARE(recorder.count(u"XAyatanaNewLabel"_s), 1);
        // The item's own name never changes.
        QCOMPARE(recorder.count(u"NewTitle"_s), 0);
    }

    void clicksReachSignals_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("primary");

        QTest::newRow("Activate without a position") << u"Activate"_s << QPoint(0, 0) << true;
        QTest::newRow("SecondaryActivate") << u"SecondaryActivate"_s << QPoint(5, 1060) << false;
    }

    void clicksReachSignals()
    {
        QFETCH(QString, method);
        QFETCH(QPoint, at);
        QFETCH(bool, primary);

        m_item->show();
        QSignalSpy activated(m_item.get(), &StatusItem::activated);
        QSignalSpy menuRequested(m_item.get(), &StatusItem::contextMenuRequested);
        const QDBusMessage reply = itemCall(method, {at.x(), at.y()});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);

        QSignalSpy &expected = primary ? activated : menuRequested;
        QTRY_COMPARE_WITH_TIMEOUT(expected.size(), 1, TestSupport::kPatienceMs);
        QCOMPARE(expected.constFirst().constFirst().toPoint(), at);
        QCOMPARE((primary ? menuRequested : activated).size(), 0);
        // The protocol's "no position" is the interface's null point.
        QCOMPARE(expected.constFirst().constFirst().toPoint().isNull(), at == QPoint(0, 0));
    }

    void showWithoutWatcherDoesNotHang()
    {
        m_watcher->stop();
        QSignalSpy finished(m_item.get(), &StatusNotifierItem::registrationFinished);
        m_item->show();
        QVERIFY(finished.wait(TestSupport::kPatienceMs));
        QCOMPARE(finished.constFirst().constFirst().toBool(), false);

        // No bus at all: shown in name only, answered all the same.
        StatusNotifierItem detached(QDBusConnection(u"kestrum-no-such-bus"_s));
        QVERIFY(!detached.isExported());
        detached.setTitle(u"股 --"_s);
        detached.show();
        QVERIFY(!detached.isVisible());
    }

private:
    QVariantMap itemProperties();
    QDBusMessage itemCall(const QString &method, const QVariantList &arguments);
    void sync()
    {
        // Let pending change signals go out, then round-trip: they have arrived afterwards.
        QCoreApplication::processEvents();
        itemProperties();
    }

    std::unique_ptr<PrivateSessionBus> m_bus;
    QDBusConnection m_app{QString()};
    QDBusConnection m_panel{QString()};
    std::unique_ptr<FakeStatusNotifierWatcher> m_watcher;
    std::unique_ptr<StatusNotifierItem> m_item;
};

QVariantMap TestStatusNotifierItem::itemProperties()
{
    return PrivateSessionBus::allProperties(m_panel, m_item->serviceName(),
                                            u"/StatusNotifierItem"_s, kInterface);
}

QDBusMessage TestStatusNotifierItem::itemCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        m_item->serviceName(), u"/StatusNotifierItem"_s, kInterface, method);
    message.setArguments(arguments);
    return PrivateSessionBus::call(m_panel, message);
}

QTEST_MAIN(TestStatusNotifierItem)
#include "tst_statusnotifieritem.moc"
