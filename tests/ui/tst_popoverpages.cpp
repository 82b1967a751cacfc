// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellHarness.h"

#include "app/WatchlistManager.h"
#include "decision/DecisionEngine.h"
#include "ui/AISettingsPage.h"
#include "ui/ActionCollection.h"
#include "ui/AppStyle.h"
#include "ui/EditColumnButton.h"
#include "ui/ExchangeRatesDialog.h"
#include "ui/FlatButton.h"
#include "ui/HintIconButton.h"
#include "ui/HoldingEditor.h"
#include "ui/HoldingStrip.h"
#include "ui/HoldingTotalsPanel.h"
#include "ui/HomePage.h"
#include "ui/HoverButton.h"
#include "ui/HoverPanel.h"
#include "ui/IntradayChartView.h"
#include "ui/Label.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowView.h"
#include "ui/MarketOverviewCard.h"
#include "ui/OverlayScrollBar.h"
#include "ui/Panel.h"
#include "ui/PopoverWindow.h"
#include "ui/QuickActionsMenu.h"
#include "ui/QuoteDetailPage.h"
#include "ui/ScenarioHintPopover.h"
#include "ui/TextView.h"
#include "ui/WatchlistPopoverPage.h"
#include "ui/WatchlistRowsView.h"
#include "ui/WatchlistSidebarView.h"

#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

struct PopoverHarness : ShellHarness
{
    using ShellHarness::ShellHarness;

    // Refreshes, then opens the popover on its home page.
    void openHome()
    {
        QVERIFY(h.refreshAndWait());
        status->click();
        QVERIFY(shell->isPopoverShown());
    }
    QWidget *content() const { return shell->popover().content(); }
    HomePage *home() const { return qobject_cast<HomePage *>(content()); }
    QuoteDetailPage *detail() const { return qobject_cast<QuoteDetailPage *>(content()); }
    QList<HoverButton *> rows() const
    {
        return home() ? home()->listDocument()->findChildren<HoverButton *>(u"quoteRow"_s)
                      : QList<HoverButton *>();
    }
    HoverButton *row(const QString &symbol) const
    {
        for (HoverButton *row : rows()) {
            if (row->identifier() == symbol)
                return row;
        }
        return nullptr;
    }
    DecisionEngine engine() const
    {
        return DecisionEngine(h.app->intraday(), h.app->dailyCache(), h.app->backgroundQuotes());
    }
};

} // namespace

class TestPopoverPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The update check of the menu goes to a closed local port, never to the internet.
        qputenv("KESTRUM_UPDATE_MANIFEST_URL", "http://127.0.0.1:9/update/manifest.json");
    }

    void rowsAndScroller_data()
    {
        QTest::addColumn<QStringList>("symbols");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("5 rows") << kFiveSymbols << false;
        QTest::newRow("6 rows") << (kFiveSymbols + QStringList{u"sz300750"_s}) << true;
    }

    void rowsAndScroller()
    {
        QFETCH(QStringList, symbols);
        QFETCH(bool, scrolls);
        PopoverHarness s(symbols);
        s.openHome();
        HomePage *home = s.home();
        QVERIFY(home);
        QCOMPARE(home->listArea()->verticalScrollBarPolicy(),
                 scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        QVERIFY(qobject_cast<OverlayScrollBar *>(home->listArea()->verticalScrollBar()));
        // The list opens at the top.
        QCOMPARE(home->listArea()->verticalScrollBar()->value(), 0);
        const QList<HoverButton *> rows = s.rows();
        QCOMPARE(rows.size(), symbols.size());
        for (int i = 0; i < rows.size(); ++i)
            QCOMPARE(rows.at(i)->identifier(), s.h.app->quotes().at(i).symbol);
        // A refresh updates the same page and rows, and leaves a scrolled list where it is.
        QScrollBar *bar = home->listArea()->verticalScrollBar();
        bar->setValue(bar->maximum());
        const int offset = bar->value();
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(s.home(), home);
        QCOMPARE(s.rows(), rows);
        QCOMPARE(bar->value(), offset);
    }

    void tagShowsItsHint()
    {
        // (What each row and the summary show is the golden images'.) A tag click shows the
        // engine's hint for that quote and does not open the quote.
        PopoverHarness s;
        s.openHome();
        auto *tag = s.rows().first()->findChild<HintIconButton *>(u"decisionTag"_s);
        const Quote quote = *s.h.app->quoteForSymbol(s.rows().first()->identifier());
        QCOMPARE(tag->hintText(), s.engine().homeBuyTagHintForQuote(quote));
        QCOMPARE(tag->toolTip(), u"点击查看标签解读"_s);
        QTest::mouseClick(tag, Qt::LeftButton);
        QVERIFY(s.home());
        QVERIFY(s.shell->scenarioHintPopover().isOpen());
        QCOMPARE(s.shell->scenarioHintPopover().text(), tag->hintText());
        s.shell->scenarioHintPopover().closeHint();
    }

    void clickingARowOpensTheDetail()
    {
        PopoverHarness s;
        s.openHome();
        const QString symbol = u"sh600036"_s;
        // The home list fetches its series after the refresh.
        QTRY_VERIFY_WITH_TIMEOUT(s.h.app->intraday().isReal(symbol), kPatienceMs);
        const int realtimeBefore = s.h.requestCount(u"realtime"_s);
        const int trendsBefore = s.h.requestCount(u"eastmoney-trends"_s);

        QTest::mouseClick(s.row(symbol), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(s.detail(), kPatienceMs);
        // The page opened at once on the held quote; its chart waits for a fresh series, which
        // the same card and chart then show.
        QCOMPARE(s.detail()->symbol(), symbol);
        const QPointer<MarketOverviewCard> card = s.detail()->marketCard();
        const QPointer<IntradayChartView> chart = s.detail()->chartView();

        QTRY_VERIFY_WITH_TIMEOUT(s.detail() &&
                                     s.detail()->chartView()->state() == IntradayChartState::Full,
                                 kPatienceMs);
        QCOMPARE(s.detail()->marketCard(), card.data());
        QCOMPARE(s.detail()->chartView(), chart.data());
        QVERIFY(s.h.requestCount(u"realtime"_s) > realtimeBefore);
        QVERIFY(s.h.requestCount(u"eastmoney-trends"_s) > trendsBefore);
        // The first full drawing animated in and paid the entrance the opening owed.
        QVERIFY(s.detail()->chartView()->hasStartedEntranceAnimation());
        QVERIFY(!s.shell->presenter().chartEntrances().isOwed(symbol));

        // The quote page opens in the browser, from the button or for the open detail.
        QTest::mouseClick(s.detail()->quotePageButton(), Qt::LeftButton);
        s.shell->openQuotePageFromDetail();
        const QUrl url(u"https://quote.eastmoney.com/SH600036.html"_s);
        QCOMPARE(s.opened, (QList<QUrl>{url, url}));
        QTest::mouseClick(s.detail()->backButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(s.home(), kPatienceMs);
        QCOMPARE(s.shell->presenter().detailSymbol(), QString());
    }

    void insightLoadingFreshAndError()
    {
        PopoverHarness s;
        AppSettings &settings = s.h.app->settings();
        settings.aiEnabled = true;
        settings.aiAPIKey = u"sk-test"_s;
        settings.aiProvider = u"custom"_s;
        settings.aiBaseURL = s.h.market.baseUrl().toString() + u"/v1"_s;
        s.h.market.simulator.enqueueChatAnswer(SimChatAnswer::text(
            u"股价站上均价线，节奏平稳。量能温和，结构完整。模型自己的第三句。"_s));
        SimFault held; // until the card has been seen loading
        held.hold = true;
        s.h.server().setFault(MarketSimulator::chatRouteName(), held);
        s.openHome();
        const QString symbol = u"sh600519"_s;
        s.shell->openQuoteFromButton(symbol);

        // The day's first visit generates on its own once quote and series are in.
        auto subtitle = [&] {
            return s.detail() ? labelNamed(s.detail()->insightCard(), u"subtitle"_s)->text()
                              : QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(subtitle(), u"生成中 · 盘中观察"_s, kPatienceMs);
        QCOMPARE(s.detail()->insightCard()->findChild<TextView *>(u"body"_s)->text(),
                 u"正在生成观察…"_s);
        QVERIFY(!s.detail()
                     ->insightCard()
                     ->findChild<FlatButton *>(u"regenerateButton"_s)
                     ->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(s.h.server().heldCount(MarketSimulator::chatRouteName()), 1,
                                  kPatienceMs);
        s.h.server().clearFaults();
        s.h.server().release();

        QTRY_VERIFY_WITH_TIMEOUT(subtitle().endsWith(u" 行情 · 盘中观察"_s), kPatienceMs);
        Panel *fresh = s.detail()->insightCard();
        const QString body = fresh->findChild<TextView *>(u"body"_s)->text();
        QVERIFY2(body.startsWith(u"股价站上均价线，节奏平稳。"_s), qPrintable(body));
        QVERIFY(!body.contains(u"模型自己的第三句"_s));
        FlatButton *regenerate = fresh->findChild<FlatButton *>(u"regenerateButton"_s);

        // A failed regeneration keeps the insight but says so, in the error colour.
        const int chatsBefore = s.h.requestCount(MarketSimulator::chatRouteName());
        s.h.market.simulator.enqueueChatAnswer(
            SimChatAnswer::error(500, u"server_error"_s, u"busy"_s));
        QTest::mouseClick(regenerate, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(subtitle(), u"生成失败 · 可重试"_s, kPatienceMs);
        QCOMPARE(s.h.requestCount(MarketSimulator::chatRouteName()), chatsBefore + 1);
        TextView *failed = s.detail()->insightCard()->findChild<TextView *>(u"body"_s);
        QVERIFY(failed->text().startsWith(u"股价站上均价线"_s));
        QCOMPARE(hexOf(failed->color()), u"FCA5A5"_s);
    }

    void detailHintsAndInsightSettings()
    {
        PopoverHarness s;
        s.openHome();
        s.shell->openQuoteFromButton(u"sh600519"_s);
        const QList<HintIconButton *> infos =
            s.detail()->scenarioCard()->findChildren<HintIconButton *>(u"infoButton"_s);
        QCOMPARE(infos.size(), 4); // every metric of a quote has a hint
        ScenarioHintPopover &popover = s.shell->scenarioHintPopover();
        QTest::mouseClick(infos.at(0), Qt::LeftButton);
        QVERIFY(popover.isOpen());
        QTest::mouseClick(infos.at(3), Qt::LeftButton);
        QCOMPARE(&s.shell->scenarioHintPopover(), &popover);
        QCOMPARE(popover.text(), infos.at(3)->hintText());
        // The bubble taking the focus does not close the popover under it.
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(&s.shell->popover(), &deactivate);
        QVERIFY(s.shell->isPopoverShown());
        // A rebuild takes the hint away with the page it belonged to.
        QVERIFY(s.h.refreshAndWait());
        QVERIFY(!popover.isOpen());

        // Without AI set up the insight card leads to the settings page.
        Panel *card = s.detail()->insightCard();
        QCOMPARE(labelNamed(card, u"subtitle"_s)->text(), u"待配置 · 盘中观察"_s);
        QCOMPARE(card->findChild<TextView *>(u"body"_s)->text(),
                 u"配置 AI 后，可基于实时行情生成一句轻量观察。"_s);
        QTest::mouseClick(card->findChild<FlatButton *>(u"settingsButton"_s), Qt::LeftButton);
        QVERIFY((s.shell->presenter().page() == PopoverPage::AISettings) &&
                s.shell->popover().isPinned());
        QVERIFY(qobject_cast<AISettingsPage *>(s.content()));
    }

    void tallerPageStaysAboveABottomPanel()
    {
        PopoverHarness s;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        s.status->itemGeometry = QRect(screen.center().x(), screen.bottom() - 23, 24, 24);
        s.openHome();
        const int anchorTop = s.status->itemGeometry.top();
        QCOMPARE(s.shell->popover().geometry().bottom(), anchorTop - 6 - 1);
        s.shell->openAISettings(); // 488 pt instead of 430
        QCOMPARE(s.shell->popover().height(), 488);
        QCOMPARE(s.shell->popover().geometry().bottom(), anchorTop - 6 - 1);

        // Rounded chrome: the same page inside a margin for the shadow, drawn on the window's
        // rounded surface rather than its own square background.
        PopoverWindow rounded(nullptr, PopoverWindow::Chrome::Rounded);
        QWidget *page = s.shell->makeHomePage();
        rounded.setContent(page);
        QCOMPARE(rounded.panelRect().size(), page->size());
        QCOMPARE(rounded.size(), page->size() + QSize(28, 28));
        QVERIFY(!page->autoFillBackground());
        rounded.openAt(s.status->itemGeometry, QPoint());
        QCOMPARE(rounded.mapToGlobal(rounded.panelRect().bottomLeft()).y(), anchorTop - 6 - 1);
        rounded.closePopover();
    }

    // The positions' totals: the page grows by their panel when a position appears and
    // shrinks when the last one goes; refreshes and new rates update the panel in place, and
    // its button offers the rates dialog where a rate is missing.
    void holdingTotalsPanel()
    {
        PopoverHarness s;
        s.openHome();
        QCOMPARE(s.home()->height(), 430);
        QVERIFY(!s.home()->holdingTotalsPanel());
        WatchlistManager &manager = s.shell->watchlistManager();
        QVERIFY(manager.setHolding(u"sh600519"_s, Holding{100, 1400.0}));
        QVERIFY(manager.setHolding(u"hk00700"_s, Holding{200, 380.0}));
        QVERIFY(s.h.refreshAndWait());
        HomePage *grown = s.home();
        HoldingTotalsPanel *panel = grown->holdingTotalsPanel();
        QVERIFY(panel);
        QCOMPARE(panel->lineCount(), 3); // yuan, HK dollars, their sum that lacks a rate
        QCOMPARE(grown->height(),
                 430 + HoldingTotalsPanel::room(s.shell->presenter().homePageData().holdingTotals));
        QVERIFY(panel->accessibleName().contains(u"缺少港元汇率"));
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(s.home(), grown);

        auto *offer = panel->findChild<FlatButton *>(u"ratesButton"_s);
        QVERIFY(offer && offer->isVisibleTo(panel));
        QTest::mouseClick(offer, Qt::LeftButton);
        ExchangeRatesDialog *dialog = s.shell->exchangeRatesDialog();
        QVERIFY(dialog && dialog->isVisible());
        dialog->hkdField()->setText(u"0.92"_s);
        QVERIFY(dialog->save());
        // At once, not at the next refresh: the sum in yuan where the offer was.
        QTRY_VERIFY_WITH_TIMEOUT(!offer->isVisibleTo(panel), kPatienceMs);
        QCOMPARE(s.home(), grown);
        const HoldingTotalsLine sum =
            s.shell->presenter().homePageData().holdingTotals->lines.last();
        QVERIFY(sum.note.isEmpty() && !sum.todayProfit.isEmpty());
        QCOMPARE(panel->findChildren<Label *>(u"totalsToday"_s).last()->text(), sum.todayProfit);

        QVERIFY(manager.setHolding(u"sh600519"_s, std::nullopt));
        QVERIFY(manager.setHolding(u"hk00700"_s, std::nullopt));
        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(s.home()->height(), 430);
        QVERIFY(!s.home()->holdingTotalsPanel());
    }

    // The rates dialog from the desktop menu: one at a time; a refused value stores nothing,
    // not even the other, good one; an empty field forgets its rate.
    void exchangeRatesDialog_data()
    {
        QTest::addColumn<QString>("hkd");
        QTest::addColumn<QString>("usd");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored"); // "HKD USD" as in the settings file
        QTest::newRow("good") << u"0.92"_s << u"7.1"_s << QString() << u"0.92 7.1"_s;
        QTest::newRow("cleared") << u""_s << u" "_s << QString() << u"none none"_s;
        QTest::newRow("one cleared") << u"0.9"_s << QString() << QString() << u"0.9 none"_s;
        QTest::newRow("bad US rate keeps the good HK one out")
            << u"0.95"_s << u"abc"_s << u"美元汇率须为 0.001 到 1000 之间的数字。"_s << u"0.9 7"_s;
        QTest::newRow("zero") << u"0"_s << u"7.1"_s << u"港元汇率须为 0.001 到 1000 之间的数字。"_s
                              << u"0.9 7"_s;
        QTest::newRow("absurd") << u"0.9"_s << u"70000"_s
                                << u"美元汇率须为 0.001 到 1000 之间的数字。"_s << u"0.9 7"_s;
    }

    void exchangeRatesDialog()
    {
        QFETCH(QString, hkd);
        QFETCH(QString, usd);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        ShellHarness s;
        QVERIFY(s.h.app->setExchangeRates({0.9, 7.0}));
        QAction *item = s.shell->actions().action(Command::ExchangeRates);
        item->trigger();
        ExchangeRatesDialog *dialog = s.shell->exchangeRatesDialog();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        QCOMPARE(dialog->hkdField()->text(), u"0.9"_s);
        item->trigger();
        QCOMPARE(s.shell->exchangeRatesDialog(), dialog);
        dialog->hkdField()->setText(hkd);
        dialog->usdField()->setText(usd);
        QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
        QCOMPARE(dialog->message(), message);
        QCOMPARE(dialog->isVisible(), !message.isEmpty());
        const QJsonObject file = s.stored();
        QStringList got;
        for (const auto *key : {u"exchangeRateHKD", u"exchangeRateUSD"})
            got << (file.contains(QString::fromUtf16(key))
                        ? QString::number(file.value(QString::fromUtf16(key)).toDouble())
                        : u"none"_s);
        QCOMPARE(got.join(u' '), stored);
    }

    void menuItemsAndAlertPresets()
    {
        // The items' order and texts are in the quick-actions golden image.
        PopoverHarness s;
        QuickActionsMenu &menu = s.shell->quickActionsMenu();
        s.shell->actions().action(Command::OpenOnLaunch)->trigger();
        QVERIFY(s.stored().value(u"openDesktopOnLaunch"_s).toBool());

        QMenu *alerts = nullptr;
        for (QAction *action : menu.actions()) {
            if (action->menu() && action->text() == u"盘中提醒")
                alerts = action->menu();
        }
        QVERIFY(alerts);
        QStringList items;
        for (QAction *action : alerts->actions())
            items << (action->isSeparator() ? u"—"_s : action->text());
        QCOMPARE(items,
                 (QStringList{u"关闭提醒"_s, u"风险提醒"_s, u"机会 + 风险提醒"_s, u"全部关键变化"_s,
                              u"—"_s, u"根据可跟踪、看回踩、先防守等状态变化提醒"_s}));
        QVERIFY(!alerts->actions().last()->isEnabled());
        QVERIFY(alerts->actions().at(0)->isChecked()); // "off" is the default
        alerts->actions().at(1)->trigger();
        QCOMPARE(s.settings().alertPreset, AlertPreset::Conservative);
        QCOMPARE(s.stored().value(u"alertPreset"_s).toString(), u"conservative"_s);
        QVERIFY(alerts->actions().at(1)->isChecked() && !alerts->actions().at(0)->isChecked());
    }

    void moreButtonOpensTheMenu()
    {
        PopoverHarness s;
        s.openHome();
        // 4 pt below the button's bottom-left corner (moved left only to stay on screen); the
        // menu belongs to the popover, which stays open.
        FlatButton *more = s.home()->moreButton();
        QTest::mouseClick(more, Qt::LeftButton);
        QuickActionsMenu &menu = s.shell->quickActionsMenu();
        QTRY_VERIFY_WITH_TIMEOUT(menu.isVisible(), kPatienceMs);
        QVERIFY(s.shell->isPopoverShown());
        const QPoint corner = more->mapToGlobal(QPoint(0, more->height() + 4));
        QCOMPARE(menu.pos().y(), corner.y());
        QVERIFY(menu.pos().x() <= corner.x());
        menu.hide();
    }

    // Every entry opens the form on its own stock; the detail page's button shows only under
    // the pointer. Asked again, the open form keeps what was typed for the same stock and
    // turns to another one.
    void entriesOpenTheHoldingForm_data()
    {
        QTest::addColumn<QString>("entry");
        for (const char *entry : {"row click", "row Enter", "row menu", "detail button",
                                  "holding strip", "sidebar row", "hero holding row", "hero menu"})
            QTest::newRow(entry) << QString::fromLatin1(entry);
    }

    void entriesOpenTheHoldingForm()
    {
        QFETCH(QString, entry);
        PopoverHarness s;
        s.openHome();
        const QString symbol = u"hk00700"_s; // the third row
        const PriceAlert fired{
            PriceAlert::Kind::Above, 400, PriceAlert::Repeat::Once, u"2026-04-01"_s, {}};
        QVERIFY(s.shell->watchlistManager().setHoldingAndPriceAlerts(symbol, Holding{200, 300.0},
                                                                     {fired}));
        const auto chooseFromMenu = [](QWidget *target) {
            Q_EMIT target->customContextMenuRequested(QPoint(4, 4));
            auto *menu = target->findChild<QMenu *>(u"contextMenu"_s);
            QVERIFY(menu);
            QCOMPARE(menu->actions().first()->text(), u"编辑持仓与提醒…"_s);
            menu->actions().first()->trigger();
        };
        if (entry.startsWith(u"row")) {
            s.shell->openWatchlistManager();
            auto *page = qobject_cast<WatchlistPopoverPage *>(s.content());
            HoverPanel *row = page->rowsView()->rows().at(2);
            auto *edit = row->findChild<EditColumnButton *>();
            if (entry == u"row click")
                QTest::mouseClick(edit, Qt::LeftButton);
            else if (entry == u"row Enter")
                QTest::keyClick(edit, Qt::Key_Return);
            else
                chooseFromMenu(row);
        } else if (entry == u"detail button" || entry == u"holding strip") {
            s.shell->openQuoteFromButton(symbol);
            QTRY_VERIFY_WITH_TIMEOUT(s.detail(), kPatienceMs);
            FlatButton *button = s.detail()->editHoldingButton();
            QVERIFY(!button->isVisible());
            if (entry == u"holding strip") {
                QTest::mouseClick(s.detail()->holdingStrip(), Qt::LeftButton);
            } else {
                // The pointer moves about the page (the first move only brings the window
                // under it), leaves it, and comes back.
                bool step = false;
                const auto moveOver = [&] {
                    QTest::mouseMove(s.detail(), QPoint(200, 200 + (step = !step)));
                    return button->isVisible();
                };
                QTRY_VERIFY_WITH_TIMEOUT(moveOver(), kPatienceMs);
                QCursor::setPos(0, 0);
                QTRY_VERIFY_WITH_TIMEOUT(!button->isVisible(), kPatienceMs);
                QTRY_VERIFY_WITH_TIMEOUT(moveOver(), kPatienceMs);
                QTest::mouseClick(button, Qt::LeftButton);
            }
        } else {
            s.settings().mainDetailSymbol = symbol;
            s.shell->showMainWindow();
            MainWindow *window = s.shell->mainWindow();
            if (entry == u"sidebar row") {
                window->setMainSection(MainSection::Watchlist);
                auto *sidebar = qobject_cast<WatchlistSidebarView *>(window->content()->sidebar());
                QTest::mouseClick(
                    sidebar->rowsView()->rows().at(2)->findChild<EditColumnButton *>(),
                    Qt::LeftButton);
            } else if (entry == u"hero menu") {
                chooseFromMenu(window->content()->findChild<Panel *>(u"heroCard"_s));
            } else {
                auto *row = window->content()->findChild<FlatButton *>(u"heroHoldingButton"_s);
                QVERIFY(row->isVisible());
                QTest::mouseClick(row, Qt::LeftButton);
            }
        }
        // (Enter presses a button a moment later, as a click looks.)
        QTRY_VERIFY_WITH_TIMEOUT(s.shell->holdingEditor() && s.shell->holdingEditor()->isVisible(),
                                 kPatienceMs);
        HoldingEditor *form = s.shell->holdingEditor();
        QCOMPARE(form->symbol(), symbol);
        QCOMPARE(form->sharesInput()->text(), u"200"_s);
        QCOMPARE(form->conditionRows().at(0).note->text(), u"已提醒，已关闭"_s);
        form->sharesInput()->setText(u"300"_s);
        s.shell->editHolding(symbol);
        QCOMPARE(form->sharesInput()->text(), u"300"_s);
        const PriceAlert armed{PriceAlert::Kind::Above, 2000, PriceAlert::Repeat::Once, {}, {}};
        QVERIFY(s.shell->watchlistManager().setPriceAlerts(u"sh600519"_s, {armed}));
        s.shell->editHolding(u"sh600519"_s);
        QCOMPARE(form->windowTitle(), u"持仓与提醒 · 贵州茅台"_s);
        QCOMPARE(form->sharesInput()->text(), QString());
        QCOMPARE(form->conditionRows().size(), 1);
        for (const Label *note : form->findChildren<Label *>(u"conditionNote"_s))
            QVERIFY(!note->isVisibleTo(form)); // nothing left of the other stock's conditions
        form->close();
    }

    void applicationStyle()
    {
        // Tooltips in the dark palette (menus and the AI switch are golden images); a secret
        // shows as small bullets, not the CJK font's full-width circles.
        AppStyle::apply(*qApp);
        QCOMPARE(hexOf(QToolTip::palette().color(QPalette::ToolTipBase)), u"0F1219"_s);
        QLineEdit key;
        key.setEchoMode(QLineEdit::Password);
        key.setText(u"sk"_s);
        QCOMPARE(key.displayText(), QString(2, QChar(AppStyle::kPasswordCharacter)));
        qApp->setStyleSheet(QString());
        qApp->setPalette(QPalette());
    }
};

QTEST_MAIN(TestPopoverPages)
#include "tst_popoverpages.moc"
