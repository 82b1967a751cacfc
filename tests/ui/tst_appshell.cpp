// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileBytes.h"
#include "ShellHarness.h"

#include "app/UpdateChecker.h"
#include "app/WatchlistManager.h"
#include "model/Formatters.h"
#include "ui/ActionCollection.h"
#include "ui/FlatButton.h"
#include "ui/HoldingEditor.h"
#include "ui/Label.h"
#include "ui/MainMenuBar.h"
#include "ui/MainWindow.h"
#include "ui/PopoverWindow.h"
#include "ui/QuickActionsMenu.h"

#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonValue>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// Every item a menu or menu bar shows, its submenus' items included.
QList<QAction *> shownActions(const QWidget *menu)
{
    QList<QAction *> shown;
    for (QAction *action : menu->actions()) {
        shown.append(action);
        if (action->menu())
            shown += shownActions(action->menu());
    }
    return shown;
}

} // namespace

class TestAppShell : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void titleHoldsWhilePopoverOpen()
    {
        ShellHarness s;
        QVERIFY(s.h.refreshAndWait());
        s.h.app->rotateTitle(); // now on the second quote
        const QString held = s.h.app->currentDisplaySymbol();
        s.shell->togglePopover(QPoint(600, 10));
        QVERIFY(s.shell->isPopoverShown());
        for (int i = 0; i < 3; ++i)
            s.h.app->rotateTitle();
        s.h.clock().advanceSecs(300);
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(s.h.app->currentDisplaySymbol(), held);
        QCOMPARE(s.status->title(), titleForQuote(*s.h.app->quoteForSymbol(held))); // fresh numbers
        const int next = s.h.app->rotateIndex();
        s.shell->togglePopover();
        QVERIFY(!s.shell->isPopoverShown());
        s.h.app->rotateTitle();
        QCOMPARE(s.h.app->currentDisplaySymbol(), s.h.app->quotes().at(next).symbol);
    }

    void displayModesFromMenu()
    {
        ShellHarness s;
        QVERIFY(s.h.refreshAndWait());
        // "固定第一只" from the panel's menu is followed in the panel-item test.
        ActionCollection &actions = s.shell->actions();
        actions.action(Command::DisplayFirst)->trigger();
        s.h.app->rotateTitle();
        QCOMPARE(s.status->title(), titleForQuote(s.h.app->quotes().first()));
        QCOMPARE(s.stored().value(u"displayMode"_s).toString(), u"first"_s);

        actions.action(Command::DisplaySummary)->trigger();
        QCOMPARE(s.status->title(), s.h.app->summaryTitle());
        QCOMPARE(s.h.app->currentDisplaySymbol(), QString());
    }

    void rotationRestartsOnReloadAndShrink()
    {
        ShellHarness s;
        QVERIFY(s.h.refreshAndWait());
        s.h.app->rotateTitle();
        s.h.app->rotateTitle();
        QSignalSpy finished(s.h.app.get(), &KestrumApp::refreshFinished);
        s.h.app->reloadConfig();
        QVERIFY(finished.wait(kPatienceMs));
        QCOMPARE(s.h.app->currentDisplaySymbol(), u"sh600519"_s);

        for (int i = 0; i < 3; ++i)
            s.h.app->rotateTitle();
        QCOMPARE(s.h.app->rotateIndex(), 4);
        s.h.setWatchlist({u"sh600519"_s, u"sz000001"_s});
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(s.h.app->currentDisplaySymbol(), u"sh600519"_s);
    }

    void clickTogglesPopover()
    {
        ShellHarness s;
        QVERIFY(s.h.refreshAndWait());
        s.status->click();
        QVERIFY(s.shell->isPopoverShown() && s.h.app->isPopoverShown());
        s.status->click();
        QVERIFY(!s.shell->isPopoverShown() && !s.h.app->isPopoverShown());

        // Clicking the tray item takes the focus away first, then reports the click: it closes
        // the popover once and does not open it again.
        s.status->click();
        s.shell->popover().handleOutsideClick();
        QVERIFY(!s.shell->isPopoverShown());
        s.status->click();
        QVERIFY(!s.shell->isPopoverShown());
    }

    void menuClicksCloseThePopover()
    {
        ShellHarness s;
        s.shell->activate(QPoint(600, 10), Qt::ControlModifier);
        QVERIFY(!s.shell->isPopoverShown());
        QTRY_VERIFY_WITH_TIMEOUT(s.shell->quickActionsMenu().isVisible(), kPatienceMs);
        s.shell->quickActionsMenu().hide();
        s.shell->activate(QPoint(600, 10), Qt::NoModifier);
        QVERIFY(s.shell->isPopoverShown());

        s.status->rightClick(); // the item shows the menu; the popover must get out of the way
        QVERIFY(!s.shell->isPopoverShown());
        s.status->click();
        s.shell->quickActionsMenu().popup(QPoint(600, 30)); // a panel asked for the menu
        QVERIFY(!s.shell->isPopoverShown());
        s.shell->quickActionsMenu().hide();
    }

    void outsideClickClosesExceptWhileConfiguringAI()
    {
        ShellHarness s;
        s.status->click();
        s.shell->openAISettings();
        s.shell->popover().handleOutsideClick();
        QVERIFY(s.shell->isPopoverShown());
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(&s.shell->popover(), &deactivate);
        QVERIFY(s.shell->isPopoverShown());
        s.shell->exitAISettings();
        QCoreApplication::sendEvent(&s.shell->popover(), &deactivate);
        QVERIFY(!s.shell->isPopoverShown());
    }

    void firstLaunchOpensPopoverOnce()
    {
        ShellHarness s;
        s.shell->launch();
        QVERIFY(s.status->shown);
        QVERIFY(!s.shell->isPopoverShown());
        QTRY_VERIFY_WITH_TIMEOUT(s.shell->isPopoverShown(), kPatienceMs);
        QVERIFY(s.shell->firstLaunchHintVisible());
        QVERIFY(s.h.preferences->value(u"KSDidOpenPopoverOnFirstLaunch"_s).toBool());
        // The hint names the panel icon, or the desktop window once there is no panel item.
        const auto hint = [&s] {
            const auto *label =
                s.shell->popover().content()->findChild<Label *>(u"firstLaunchTitle"_s);
            return label ? label->text() : QString();
        };
        QCOMPARE(hint(), u"澄川已在面板启动"_s);
        s.status->setInPanel(false);
        s.shell->refreshPopoverIfVisible();
        QCOMPARE(hint(), u"澄川已启动，面板上没有它的图标"_s);
        s.shell->togglePopover();

        // The next launch leaves the popover closed.
        AppShell again(*s.h.app, std::make_unique<FakeStatusItem>());
        again.openPreferredLaunchSurfaceIfNeeded();
        QTest::qWait(AppShell::kLaunchSurfaceDelayMs + 200);
        QVERIFY(!again.isPopoverShown());
        QVERIFY(!again.firstLaunchHintVisible());
    }

    void oneActionPerCommand()
    {
        ShellHarness s;
        ActionCollection &actions = s.shell->actions();
        QuickActionsMenu &menu = s.shell->quickActionsMenu();
        const QList<QAction *> quick = shownActions(&menu);
        const QList<QAction *> bar = shownActions(s.shell->ensureMainWindow().mainMenuBar());
        const QList<Command> windowOnly{Command::OpenWorkbench, Command::PreviousQuote,
                                        Command::NextQuote, Command::GenerateInsight,
                                        Command::ExchangeRates};
        QSet<QAction *> distinct;
        for (const Command command : enumValues<Command>()) {
            QAction *action = actions.action(command);
            QVERIFY(action);
            distinct.insert(action);
            // The quick-actions menu lists every command but the window's own, once; the
            // menu bar lists the rest, once, under its own name where it always had one.
            const bool inBar =
                !(command == Command::LoginItem ||
                  (command >= Command::AlertOff && command <= Command::DisplaySummary));
            QCOMPARE(quick.count(action), windowOnly.contains(command) ? 0 : 1);
            // The choices of one kind (orders, presets, modes) are radio groups.
            const QActionGroup *group = action->actionGroup();
            QCOMPARE(group && group->isExclusive() && group->actions().size() > 1,
                     command >= Command::SortOriginal && command <= Command::DisplaySummary &&
                         command != Command::AISettings);
            QAction *barItem = actions.menuBarAction(command);
            QCOMPARE(bar.count(barItem), inBar ? 1 : 0);
            if (barItem != action) {
                QSignalSpy triggered(action, &QAction::triggered);
                barItem->trigger();
                QCOMPARE(triggered.size(), 1);
            }
        }
        QCOMPARE(distinct.size(), enumValues<Command>().size());

        // Chosen from the open menu, an item does its work and keeps its check mark; the
        // next showing presents the very same items.
        s.shell->showStatusContextMenu(QPoint(600, 30));
        QTRY_VERIFY_WITH_TIMEOUT(menu.isVisible(), kPatienceMs);
        QAction *onTop = actions.action(Command::AlwaysOnTop);
        QVERIFY(!onTop->isChecked());
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(onTop).center());
        QTRY_VERIFY_WITH_TIMEOUT(!menu.isVisible(), kPatienceMs);
        QVERIFY(s.stored().value(u"mainWindowAlwaysOnTop"_s).toBool());
        QVERIFY(onTop->isChecked());
        s.shell->showStatusContextMenu(QPoint(600, 30));
        QTRY_VERIFY_WITH_TIMEOUT(menu.isVisible(), kPatienceMs);
        QCOMPARE(shownActions(&menu), quick);
        menu.hide();
    }

    // The menus' export writes the list; the import merges a file and tells what it did; a
    // file that is no watchlist changes nothing and says why.
    void watchlistMovesThroughTheMenus()
    {
        ShellHarness s({u"sh600519"_s, u"sz000001"_s});
        ActionCollection &actions = s.shell->actions();
        // Answers the open file dialog `name` with `path`.
        const auto answer = [](const QString &name, const QString &path) {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QFileDialog *>(widget);
                if (dialog && dialog->isVisible() && dialog->objectName() == name) {
                    dialog->selectFile(path);
                    static_cast<QDialog *>(dialog)->accept();
                    return true;
                }
            }
            return false;
        };
        // The result box's texts; closes it.
        const auto result = [] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(widget);
                if (box && box->isVisible() && box->objectName() == u"transferResult") {
                    const QString text = box->text() + u'\n' + box->informativeText();
                    box->close();
                    return text;
                }
            }
            return QString();
        };
        const auto symbols = [&s] {
            QStringList list;
            for (const QJsonValue &item : s.h.app->config().loadWatchlist())
                list << item[u"symbol"].toString();
            return list;
        };

        const QString csv = s.h.dir.filePath(u"list.csv"_s);
        actions.action(Command::ExportWatchlist)->trigger();
        QVERIFY(answer(u"exportDialog"_s, csv));
        QFile written(csv);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains("sh600519") && bytes.contains("sz000001"));
        QCOMPARE(result(), QString()); // no box after a good export

        QFile import(s.h.dir.filePath(u"import.csv"_s));
        QVERIFY(import.open(QIODevice::WriteOnly));
        import.write(u"代码,名称,持仓,成本\r\nsh600036,招商银行,1000,35.5\r\n"
                     u"sz000001,平安银行,200,\r\nnot-a-symbol,坏,1,1\r\n"_s.toUtf8());
        import.close();
        actions.action(Command::ImportWatchlist)->trigger();
        QVERIFY(answer(u"importDialog"_s, import.fileName()));
        const QString told = result();
        QVERIFY2(told.contains(u"新增 1 只") && told.contains(u"更新 1 只") &&
                     told.contains(u"跳过 1 只"),
                 qPrintable(told));
        QCOMPARE(symbols(), (QStringList{u"sh600519"_s, u"sz000001"_s, u"sh600036"_s}));

        QFile broken(s.h.dir.filePath(u"broken.json"_s));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("[{\"symbol\": ");
        broken.close();
        QFile stored(s.h.app->config().watchlistPath());
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray before = stored.readAll();
        stored.close();
        actions.action(Command::ImportWatchlist)->trigger();
        QVERIFY(answer(u"importDialog"_s, broken.fileName()));
        QVERIFY(result().startsWith(u"导入失败，自选列表没有改动"));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), before);
    }

    // The form on a stored item that carries a key Kestrum does not know and a daily
    // condition that fired today. A refusal names itself under the field, which takes the
    // focus, and writes nothing (no position without its conditions); a save keeps the
    // unknown key and the untouched condition's firing record, and re-arms a changed one.
    void holdingForm_data()
    {
        QTest::addColumn<QStringList>("input"); // shares, cost, then edits of the conditions
        QTest::addColumn<QString>("refused");   // the field left with the focus; "save" failed
        QTest::addColumn<QString>("message");   // shown in the form
        QTest::addColumn<QString>("stored");    // shares|cost|conditions once saved
        const auto row = [](const char *name, const QStringList &input, const QString &refused,
                            const QString &message, const QString &stored = {}) {
            QTest::newRow(name) << input << refused << message << stored;
        };
        row("negative shares", {u"-100"_s, u""_s}, u"sharesInput"_s,
            u"持仓股数须为大于 0 的数字。"_s);
        row("cost no number", {u"100"_s, u"abc"_s}, u"costInput"_s,
            u"成本价须为不小于 0 的数字。"_s);
        row("cost without shares", {u""_s, u"10"_s}, u"sharesInput"_s,
            u"填写成本价时请同时填写持仓股数。"_s);
        row("bad level beside a good position", {u"100"_s, u"1400"_s, u"add below x"_s},
            u"levelInput"_s, u"提醒价位须为大于 0 的数字。"_s);
        row("drop of the wrong sign", {u"100"_s, u""_s, u"add changeBelow 3"_s}, u"levelInput"_s,
            u"跌幅提醒须为不大于 0 的百分比，例如 -3。"_s);
        row("save fails", {u"100"_s, u""_s, u"full"_s}, u"save"_s,
            WatchlistManager::saveFailedMessage(JsonFile::WriteFailure::Incomplete));
        row("saved", {u"1,200"_s, u"1400.5"_s, u"add changeAbove 5% daily"_s}, {}, {},
            u"1200|1400.5|above 1500 daily 2026-04-28,changeAbove 5 daily"_s);
        row("changed condition re-armed", {u""_s, u""_s, u"set 0 1600"_s}, {}, {},
            u"||above 1600 daily"_s);
        row("all cleared", {u"100"_s, u"9"_s, u"clear"_s, u"remove 0"_s}, {}, {}, u"||"_s);
    }

    void holdingForm()
    {
        QFETCH(QStringList, input);
        QFETCH(QString, refused);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        ShellHarness s({u"sh600519"_s});
        const QString path = s.h.app->config().watchlistPath();
        QVERIFY(writeBytes(path, R"([{"symbol": "sh600519", "name": "贵州茅台", "note": "长线",
            "priceAlerts": [{"kind": "above", "value": 1500, "repeat": "daily",
                             "firedOn": "2026-04-28"}]}])"));
        QVERIFY(s.h.refreshAndWait());
        const QByteArray before = readBytes(path);
        s.shell->editHolding(u"sh600519"_s);
        HoldingEditor *form = s.shell->holdingEditor();
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->windowTitle(), u"持仓与提醒 · 贵州茅台"_s);
        QCOMPARE(form->conditionRows().at(0).note->text(), u"今日已提醒"_s);

        form->sharesInput()->setText(input.at(0));
        form->costInput()->setText(input.at(1));
        std::optional<FileSizeLimit> limit;
        for (const QString &edit : input.mid(2)) {
            const QStringList w = edit.split(u' ');
            if (w[0] == u"add") {
                form->addCondition();
                const HoldingEditor::ConditionRow &added = form->conditionRows().last();
                added.kind->setCurrentIndex(int(*fromText<PriceAlert::Kind>(w[1])));
                added.level->setText(w[2]);
                added.repeat->setCurrentIndex(w.size() > 3 ? 1 : 0);
            } else if (w[0] == u"set") {
                form->conditionRows().at(w[1].toInt()).level->setText(w[2]);
            } else if (w[0] == u"remove") {
                QTest::mouseClick(form->conditionRows().at(w[1].toInt()).remove, Qt::LeftButton);
            } else if (w[0] == u"clear") {
                QTest::mouseClick(form->findChild<FlatButton *>(u"clearHolding"_s), Qt::LeftButton);
            } else {
                limit.emplace(16);
            }
        }
        QTest::keyClick(form, Qt::Key_Return);
        limit.reset();

        if (!refused.isEmpty()) {
            QVERIFY(form->isVisible());
            QCOMPARE(readBytes(path), before);
            QStringList shown;
            for (const Label *note : form->findChildren<Label *>()) {
                if (note->isVisibleTo(form))
                    shown << note->text();
            }
            QVERIFY2(shown.contains(message), qPrintable(shown.join(u'\n')));
            if (refused != u"save")
                QCOMPARE(form->focusWidget()->objectName(), refused);
            QCOMPARE(form->sharesInput()->text(), input.at(0)); // what was typed stays
            return;
        }
        QVERIFY(!form->isVisible());
        const QJsonObject item = QJsonDocument::fromJson(readBytes(path)).array().at(0).toObject();
        QCOMPARE(item.value(u"note"_s).toString(), u"长线"_s);
        QStringList conditions;
        for (const QJsonValue &c : item.value(u"priceAlerts"_s).toArray())
            conditions << QStringList{c[u"kind"].toString(),
                                      QString::number(c[u"value"].toDouble()),
                                      c[u"repeat"].toString(), c[u"firedOn"].toString()}
                              .join(u' ')
                              .trimmed();
        const auto number = [&](const QString &key) {
            return item.contains(key) ? QString::number(item.value(key).toDouble()) : QString();
        };
        QCOMPARE(number(u"shares"_s) + u'|' + number(u"cost"_s) + u'|' + conditions.join(u','),
                 stored);
    }

    void automaticUpdateCheck_data()
    {
        QTest::addColumn<bool>("built");       // the build has the update check
        QTest::addColumn<bool>("switchedOff"); // the user switches it off in the menus
        QTest::newRow("on by default") << true << false;
        QTest::newRow("switched off") << true << true;
        QTest::newRow("built without") << false << false;
    }

    void automaticUpdateCheck()
    {
        QFETCH(bool, built);
        QFETCH(bool, switchedOff);
        ShellHarness s(kFiveSymbols, [built](KestrumAppOptions &options, SimHarness &market) {
            options.package = PackageInfo::fromBuild();
            options.package->updateManifestURL = market.simulator.manifestUrl().toString();
            options.package->checksForUpdates = built;
        });
        const auto requests = [&s] {
            return s.h.requestCount(MarketSimulator::manifestRouteName());
        };
        // Both menus offer both items exactly when the build checks at all.
        const QList<QAction *> quick = shownActions(&s.shell->quickActionsMenu());
        for (const Command command : {Command::CheckForUpdates, Command::AutoUpdateCheck}) {
            QAction *item = s.shell->actions().action(command);
            QCOMPARE(quick.contains(item), built);
            QCOMPARE(item->isVisible(), built);
        }

        QAction *automatic = s.shell->actions().action(Command::AutoUpdateCheck);
        if (switchedOff) {
            QVERIFY(automatic->isChecked());
            automatic->trigger();
            QCOMPARE(s.stored().value(u"autoCheckForUpdates"_s), QJsonValue(false));
            QVERIFY(!automatic->isChecked());
        }

        if (built && !switchedOff) {
            // The launch asks a few seconds later, silently: the manifest names this build.
            // Meanwhile "检查更新..." waits (the collection hears of the check first).
            QList<bool> offered;
            connect(&s.h.app->updates(), &UpdateChecker::checkInFlightChanged, this,
                    [&offered, &s] {
                        offered << s.shell->actions().action(Command::CheckForUpdates)->isEnabled();
                    });
            s.shell->launch();
            QTRY_COMPARE_WITH_TIMEOUT(requests(), 1, kPatienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!s.h.app->updates().isUpdateCheckInFlight(), kPatienceMs);
            QCOMPARE(offered, (QList<bool>{false, true}));
            for (QWidget *top : QApplication::topLevelWidgets())
                QVERIFY(top->objectName() != u"updateAlert");
            return;
        }
        // What the launch's timer runs asks nothing, and without the check nor does the menu's.
        QVERIFY(!s.h.app->runAutomaticUpdateCheck());
        if (!built)
            s.h.app->updates().checkForUpdates();
        QVERIFY(!s.h.app->updates().isUpdateCheckInFlight());
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(requests(), 0);
    }

    void popoverStaysOnScreen_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("below a top panel") << QRect(1000, 0, 24, 24) << QPoint() << QPoint(821, 30);
        QTest::newRow("clamped at the right edge")
            << QRect(1900, 0, 20, 24) << QPoint() << QPoint(1920 - 380 - 6, 30);
        QTest::newRow("at the click point") << QRect() << QPoint(100, 5) << QPoint(6, 11);
    }

    void popoverStaysOnScreen()
    {
        QFETCH(QRect, anchor);
        QFETCH(QPoint, click);
        QFETCH(QPoint, expected);
        QCOMPARE(PopoverWindow::placement(QSize(380, 430), anchor, click, QRect(0, 0, 1920, 1080)),
                 expected);
    }
};

QTEST_MAIN(TestAppShell)
#include "tst_appshell.moc"
