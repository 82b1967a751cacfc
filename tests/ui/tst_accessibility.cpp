// SPDX-License-Identifier: GPL-3.0-or-later
//
// What a screen reader is told about the painted surfaces, built from the export's fixed
// data: a painted label's text, a quote row of each list read as one sentence, the
// icon-only buttons by what they do, the cards and the summary as named groups. And the keyboard:
// Tab reaches every button of both surfaces, shows a ring on it, and Return presses it.
#include "app/KestrumApp.h"
#include "ui/AppShell.h"
#include "ui/AppStyle.h"
#include "ui/FixtureSession.h"
#include "ui/FlatButton.h"
#include "ui/HomePage.h"
#include "ui/HoverButton.h"
#include "ui/MainWindowView.h"
#include "ui/ViewExporter.h"

#include <QAccessible>
#include <QApplication>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestAccessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_store.isValid());
        m_session = std::make_unique<FixtureSession>(m_store.path());
        AppShell &shell = m_session->shell();
        KestrumApp &app = shell.app();
        app.settings().mainSection = MainSection::Overview;
        app.settings().mainDetailSymbol = app.quotes().at(0).symbol;
        m_home.reset(shell.makeHomePage());
        m_desktop.reset(
            ViewExporter::desktopView(shell, shell.presenter().mainWindowData(), QSize(980, 720)));
    }

    void namesAndRoles_data()
    {
        QTest::addColumn<bool>("desktop");
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        const int text = QAccessible::StaticText;
        const int button = QAccessible::Button;
        const int group = QAccessible::Grouping;
        // Both lists read the top row alike: the fixture's first stock, a fall.
        const QString kRow = u"赣锋锂业 82.10 下跌 2.39% 先防守"_s;
        QTest::newRow("painted label") << false << u"appTitle"_s << text << u"澄川"_s;
        QTest::newRow("label in a row") << false << u"rowName"_s << text << u"赣锋锂业"_s;
        QTest::newRow("popover row") << false << u"quoteRow"_s << button << kRow;
        QTest::newRow("more button") << false << u"moreButton"_s << button << u"更多操作"_s;
        QTest::newRow("desktop row") << true << u"mainQuoteRow"_s << button << kRow;
        QTest::newRow("hint button") << true << u"infoButton"_s << button << u"查看说明"_s;
        QTest::newRow("desktop hero") << true << u"heroCard"_s << group << u"赣锋锂业 82.10"_s;
        QTest::newRow("summary panel")
            << true << u"summaryPanel"_s << group << u"自选 5 只，涨 4 跌 1，平均涨跌 +1.50%"_s;
    }

    void namesAndRoles()
    {
        QFETCH(bool, desktop);
        QFETCH(QString, objectName);
        QFETCH(int, role);
        QFETCH(QString, name);
        // The first of its name in creation order: the top row of a list.
        auto *widget = (desktop ? m_desktop : m_home)->findChild<QWidget *>(objectName);
        QVERIFY2(widget, qPrintable(objectName));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QCOMPARE(int(iface->role()), role);
    }

    // A row adds the user's stake to its sentence only while there is one, and drops it again.
    void rowNamesWithStakes_data()
    {
        QTest::addColumn<bool>("desktop");
        QTest::addColumn<QString>("holding");
        QTest::addColumn<bool>("armed");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("popover: profit and bell")
            << false << u"今日 -2,010.00"_s << true << u" 今日 -2,010.00 已设提醒"_s;
        QTest::newRow("popover: bell only") << false << QString() << true << u" 已设提醒"_s;
        QTest::newRow("desktop: profit only")
            << true << u"今日 +1,234.00"_s << false << u" 今日 +1,234.00"_s;
        QTest::newRow("desktop: none") << true << QString() << false << QString();
    }

    void rowNamesWithStakes()
    {
        QFETCH(bool, desktop);
        QFETCH(QString, holding);
        QFETCH(bool, armed);
        QFETCH(QString, suffix);
        AppShell &shell = m_session->shell();
        HomePageData home = shell.homePageData();
        MainWindowData window = shell.presenter().mainWindowData();
        const auto stake = [&](auto &row) {
            row.holdingText = holding;
            row.alertsArmed = armed;
        };
        stake(home.rows[0]);
        stake(window.rows[0]);
        QWidget *row = nullptr;
        if (desktop) {
            auto *view = static_cast<MainWindowView *>(m_desktop.get());
            QVERIFY(view->setData(window, view->viewSize()));
            row = view->rows().first();
        } else {
            auto *page = static_cast<HomePage *>(m_home.get());
            QVERIFY(page->setData(home));
            row = page->rows().first();
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(row)->text(QAccessible::Name),
                 u"赣锋锂业 82.10 下跌 2.39% 先防守"_s + suffix);
        // Back to the fixture's own data, which has no stake.
        if (desktop)
            static_cast<MainWindowView *>(m_desktop.get())
                ->setData(shell.presenter().mainWindowData(), QSize(980, 720));
        else
            static_cast<HomePage *>(m_home.get())->setData(shell.homePageData());
    }

    void keyboardReachesEveryButton_data()
    {
        QTest::addColumn<bool>("desktop");
        QTest::newRow("popover home") << false;
        QTest::newRow("desktop window") << true;
    }

    void keyboardReachesEveryButton()
    {
        QFETCH(bool, desktop);
        QWidget &surface = desktop ? *m_desktop : *m_home;
        surface.show();
        QApplication::setActiveWindow(&surface);
        QTRY_VERIFY_WITH_TIMEOUT(surface.isActiveWindow(), 20000);
        QSet<FlatButton *> buttons;
        for (FlatButton *button : surface.findChildren<FlatButton *>()) {
            if (button->isVisibleTo(&surface) && button->isEnabled())
                buttons.insert(button);
        }
        QVERIFY(buttons.size() > 3);
        // Tab until the focus comes round again; every button is passed on the way.
        QSet<QWidget *> reached;
        for (int step = 0; step < 4 * int(buttons.size()) + 20; ++step) {
            QWidget *from = QApplication::focusWidget();
            QTest::keyClick(from ? from : &surface, Qt::Key_Tab);
            QWidget *focused = QApplication::focusWidget();
            QVERIFY(focused);
            if (auto *button = qobject_cast<FlatButton *>(focused))
                QVERIFY2(button->showsFocusRing(), qPrintable(button->objectName()));
            if (reached.contains(focused))
                break;
            reached.insert(focused);
        }
        for (FlatButton *button : std::as_const(buttons))
            QVERIFY2(reached.contains(button), qPrintable(button->objectName()));

        // The ring is drawn, and Return presses the focused button.
        auto *button = qobject_cast<FlatButton *>(*reached.constBegin());
        for (QWidget *widget : std::as_const(reached)) {
            if (auto *flat = qobject_cast<FlatButton *>(widget);
                flat && flat->objectName() == (desktop ? u"mainQuoteRow"_s : u"quoteRow"_s))
                button = flat;
        }
        QVERIFY(button);
        button->clearFocus();
        const QImage plain = button->grab().toImage();
        button->setFocus(Qt::TabFocusReason);
        QVERIFY(button->showsFocusRing());
        QVERIFY(button->grab().toImage() != plain);
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        QTest::keyClick(button, Qt::Key_Return);
        QVERIFY(clicked.wait(20000));
        // Focus handed over by the window itself shows no ring.
        button->clearFocus();
        button->setFocus(Qt::ActiveWindowFocusReason);
        QVERIFY(!button->showsFocusRing());
        surface.hide();
    }

private:
    QTemporaryDir m_store;
    std::unique_ptr<FixtureSession> m_session;
    std::unique_ptr<QWidget> m_home;
    std::unique_ptr<QWidget> m_desktop;
};

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    AppStyle::apply(application);
    TestAccessibility test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accessibility.moc"
