// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileBytes.h"
#include "ShellHarness.h"

#include "app/WatchlistManager.h"
#include "ui/ActionCollection.h"
#include "ui/AppShell.h"
#include "ui/FlatButton.h"
#include "ui/HomePage.h"
#include "ui/HoverPanel.h"
#include "ui/Label.h"
#include "ui/OverlayScrollBar.h"
#include "ui/PopoverWindow.h"
#include "ui/Toolkit.h"
#include "ui/WatchInputField.h"
#include "ui/WatchSuggestionPanel.h"
#include "ui/WatchlistPopoverPage.h"
#include "ui/WatchlistRowsView.h"
#include "ui/WatchlistSidebarView.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

const QStringList kThree{u"sh600519"_s, u"sz000001"_s, u"hk00700"_s};

QStringList labelTexts(const QWidget *root)
{
    QStringList texts;
    for (const Label *label : root->findChildren<Label *>())
        texts << label->text();
    return texts;
}

QList<FlatButton *> suggestionButtons(const WatchSuggestionPanel *panel)
{
    QList<FlatButton *> buttons;
    for (FlatButton *button : panel->findChildren<FlatButton *>(u"suggestion"_s)) {
        if (button->isVisibleTo(panel)) // rows of earlier renders are hidden on their way out
            buttons << button;
    }
    std::sort(buttons.begin(), buttons.end(), [](FlatButton *a, FlatButton *b) {
        return a->property("tag").toInt() < b->property("tag").toInt();
    });
    return buttons;
}

QList<HoverPanel *> rowsOf(const QWidget *root)
{
    QList<HoverPanel *> rows = root->findChildren<HoverPanel *>(u"watchItemRow"_s);
    std::sort(rows.begin(), rows.end(),
              [](HoverPanel *a, HoverPanel *b) { return a->y() < b->y(); });
    return rows;
}

// The suggestions, when shown, leave `message` readable.
bool suggestionsClearOf(const WatchSuggestionPanel *panel, const QWidget *message)
{
    return !panel->isVisible() || !panel->geometry().intersects(message->geometry());
}

QStringList storedSymbols(KestrumApp &app)
{
    QStringList symbols;
    for (const QJsonValue &item : app.config().loadWatchlist())
        symbols << item.toObject().value(u"symbol"_s).toString();
    return symbols;
}

// The manager and a page for it, with the remote search answering nothing so the local
// catalog alone decides what is suggested.
struct PageHarness
{
    explicit PageHarness(const QStringList &symbols = kThree)
        : h(symbols)
        , manager(*h.app)
    {
        h.quietRemoteSearch();
    }
    WatchlistPopoverPage *build()
    {
        page = std::make_unique<WatchlistPopoverPage>(manager);
        page->show();
        return page.get();
    }
    AppHarness h;
    WatchlistManager manager;
    std::unique_ptr<WatchlistPopoverPage> page;
};

struct ManagerShell : ShellHarness
{
    explicit ManagerShell(const QStringList &symbols = kThree)
        : ShellHarness(symbols)
    {
        status->itemGeometry = QRect(600, 0, 24, 24);
    }
    WatchlistPopoverPage *managerPage() const
    {
        return qobject_cast<WatchlistPopoverPage *>(shell->popover().content());
    }
};

} // namespace

class TestWatchlistManagerPage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void suggestionPanel()
    {
        // One button per suggestion, the list scrolling (what they show is the golden
        // images'); with nothing found, the note on entering a code.
        PageHarness p;
        WatchlistPopoverPage *page = p.build();
        WatchSuggestionPanel *panel = page->suggestionPanel();
        p.manager.setInputText(u"招商"_s);
        QCOMPARE(p.manager.suggestions().size(), 7);
        QVERIFY(panel->isVisible() && panel->scrollArea()->canScroll());
        QCOMPARE(suggestionButtons(panel).size(), 7);
        p.manager.setInputText(u"不存在的股票"_s);
        QVERIFY(panel->isVisible());
        QVERIFY(suggestionButtons(panel).isEmpty());
        const Label *note = panel->findChild<Label *>(u"noMatch"_s);
        QVERIFY(note && note->isVisible());
        QCOMPARE(note->text(), u"未找到匹配，可输入6位代码回车添加"_s);
    }

    void keysAndClearingInTheField()
    {
        PageHarness p;
        WatchlistPopoverPage *page = p.build();
        WatchInputField *field = page->inputField();
        QCOMPARE(field->placeholderText(), u"输入股票名称或代码"_s);
        QVERIFY(page->suggestionPanel()->isHidden() && page->fileNoticeLine()->isHidden());
        QTest::keyClicks(field, u"600"_s);
        QCOMPARE(p.manager.suggestions().size(), 10);

        // The selection further down the list is scrolled into view.
        for (int i = 0; i < 11; ++i)
            QTest::keyClick(field, Qt::Key_Down);
        QCOMPARE(p.manager.selectedSuggestionIndex(), 9);
        OverlayScrollArea *area = page->suggestionPanel()->scrollArea();
        QCOMPARE(area->verticalScrollBar()->value(), area->verticalScrollBar()->maximum());
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(field, Qt::Key_Up);
        QCOMPARE(p.manager.selectedSuggestionIndex(), 0);

        // Escape belongs to the field and its window: nothing of the manager changes.
        QTest::keyClick(field, Qt::Key_Escape);
        QCOMPARE(field->text(), u"600"_s);
        QCOMPARE(p.manager.suggestions().size(), 10);

        // With nothing to choose, the arrows do nothing, the caret included.
        field->selectAll();
        QTest::keyClicks(field, u"sh_abc"_s);
        QVERIFY(p.manager.suggestions().isEmpty());
        field->setCursorPosition(2);
        QTest::keyClick(field, Qt::Key_Down);
        QCOMPARE(field->cursorPosition(), 2);
        QCOMPARE(p.manager.selectedSuggestionIndex(), -1);

        // Clearing the input hides the panel; blanks alone show nothing either.
        QTest::keyClicks(field, u"600"_s);
        QVERIFY(page->suggestionPanel()->isVisible());
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(p.manager.inputText(), QString());
        QVERIFY(page->suggestionPanel()->isHidden());
    }

    void enterAndClickAdd()
    {
        PageHarness p;
        WatchlistPopoverPage *page = p.build();
        QTest::keyClicks(page->inputField(), u"600036"_s);
        QTest::keyClick(page->inputField(), Qt::Key_Return);
        QCOMPARE(storedSymbols(*p.h.app), kThree + QStringList{u"sh600036"_s});
        QCOMPARE(page->inputField()->text(), QString());
        QVERIFY(page->suggestionPanel()->isHidden());

        // A click on a suggestion adds it as well.
        QTest::keyClicks(page->inputField(), u"600"_s);
        const QString second = p.manager.suggestions().at(1).value(u"symbol"_s).toString();
        QTest::mouseClick(suggestionButtons(page->suggestionPanel()).at(1), Qt::LeftButton);
        QCOMPARE(storedSymbols(*p.h.app).last(), second);
        QCOMPARE(p.manager.feedbackTone(), WatchFeedbackTone::Success);
        QVERIFY(page->suggestionPanel()->isHidden());
    }

    void rows()
    {
        const QStringList six = kThree + QStringList{u"sh600036"_s, u"sh600900"_s, u"gb_aapl"_s};
        PageHarness p(six);
        WatchlistRowsView *view = p.build()->rowsView();
        // Opens at the end of the list, quietly; the knob shows only while the list moves.
        QVERIFY(view->canScroll());
        QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
        QVERIFY(!view->isScrollerShown());
        view->verticalScrollBar()->setValue(0);
        QVERIFY(view->isScrollerShown());
        QTRY_VERIFY_WITH_TIMEOUT(!view->isScrollerShown(), 20000);
        // The knob drawn is the knob the pointer drags; a press below it pages.
        auto *scroller = view->findChild<OverlayScrollBar *>();
        QVERIFY(scroller);
        view->flashScroller();
        const QPoint knob = scroller->knobRect().center().toPoint();
        QTest::mousePress(scroller, Qt::LeftButton, {}, knob);
        QTest::mouseMove(scroller, knob + QPoint(0, 20));
        QTest::mouseRelease(scroller, Qt::LeftButton, {}, knob + QPoint(0, 20));
        const int dragged = view->verticalScrollBar()->value();
        QVERIFY(dragged > 0);
        QTest::mouseClick(scroller, Qt::LeftButton, {}, QPoint(knob.x(), scroller->height() - 3));
        QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());

        // (The rows themselves, their arrows off at the ends, are the golden images'.)
        QCOMPARE(rowsOf(view->document()).size(), six.size());

        PageHarness none(QStringList{});
        view = none.build()->rowsView();
        QVERIFY(!view->canScroll());
        auto *empty = view->document()->findChild<Panel *>(u"emptyWatchlist"_s);
        QVERIFY(empty);
        QCOMPARE(labelTexts(empty), QStringList{u"还没有自选股，先添加一只试试。"_s});
    }

    void rowButtonsMoveAndRemove()
    {
        PageHarness p;
        WatchlistPopoverPage *page = p.build();
        QSignalSpy changed(&p.manager, &WatchlistManager::watchlistChanged);
        QList<HoverPanel *> rows = rowsOf(page->rowsView()->document());
        QTest::mouseClick(rows.at(0)->findChild<FlatButton *>(u"moveDown"_s), Qt::LeftButton);
        QCOMPARE(storedSymbols(*p.h.app),
                 (QStringList{u"sz000001"_s, u"sh600519"_s, u"hk00700"_s}));
        // A disabled arrow does nothing.
        QTest::mouseClick(rows.at(0)->findChild<FlatButton *>(u"moveUp"_s), Qt::LeftButton);
        QTest::mouseClick(rows.at(2)->findChild<FlatButton *>(u"moveDown"_s), Qt::LeftButton);
        QCOMPARE(changed.count(), 1);

        page = p.build(); // what the shell does on watchlistChanged
        rows = rowsOf(page->rowsView()->document());
        QTest::mouseClick(rows.at(2)->findChild<FlatButton *>(u"remove"_s), Qt::LeftButton);
        QCOMPARE(storedSymbols(*p.h.app), (QStringList{u"sz000001"_s, u"sh600519"_s}));
        QCOMPARE(changed.count(), 2);
    }

    void sidebarUsesNarrowRowsAndShowsOutcomes()
    {
        PageHarness p;
        QWidget window;
        window.resize(380, 528 + 24);
        auto sidebar =
            std::make_unique<WatchlistSidebarView>(&window, QRectF(24, 24, 330, 528), p.manager);
        window.show();
        QCOMPARE(rowsOf(sidebar->rowsView()->document()).size(), 3);
        Label *feedback = sidebar->feedbackLine();
        QCOMPARE(feedback->text(), u"输入后按 Enter 添加，方向键可选择候选。"_s);

        struct Step
        {
            QString input;
            QString message;
            QString color;
        };
        const Step steps[] = {
            {u"600519"_s, u"贵州茅台 已在自选列表中。"_s, u"F6D98A"_s},
            {u"不存在的股票"_s, WatchlistManager::notFoundMessage(), u"F2A3A3"_s},
            {u"600036"_s, u"已添加 招商银行，下一轮刷新会同步行情。"_s, u"8FE6B2"_s},
        };
        for (const Step &step : steps) {
            p.manager.setInputText(step.input);
            QTest::mouseClick(sidebar->addButton(), Qt::LeftButton);
            QCOMPARE(feedback->text(), step.message);
            QCOMPARE(feedback->color(), Toolkit::hex(step.color));
            // A failed add's message stays readable beside "未找到匹配".
            QVERIFY(suggestionsClearOf(sidebar->suggestionPanel(), feedback));
            if (step.message == WatchlistManager::notFoundMessage())
                QVERIFY(sidebar->suggestionPanel()->findChild<Label *>(u"noMatch"_s)->isVisible());
        }
    }

    void failedSaveShowsOnThePage()
    {
        PageHarness p;
        WatchlistPopoverPage *page = p.build();
        QTest::keyClicks(page->inputField(), u"600036"_s);
        {
            FileSizeLimit limit(16);
            QTest::keyClick(page->inputField(), Qt::Key_Return);
        }
        QVERIFY(page->fileNoticeLine()->isVisible());
        QVERIFY(page->suggestionPanel()->isVisible());
        QVERIFY(suggestionsClearOf(page->suggestionPanel(), page->fileNoticeLine()));
        QCOMPARE(page->fileNoticeLine()->text(),
                 WatchlistManager::saveFailedMessage(JsonFile::WriteFailure::Incomplete));
        QCOMPARE(page->inputField()->text(), u"600036"_s);
        // (What a failed add keeps and retries is the manager's test.) A save that works
        // takes the notice away.
        QTest::keyClick(page->inputField(), Qt::Key_Return);
        QVERIFY(page->fileNoticeLine()->isHidden());

        // A list file that cannot be read is named before any change is made to it.
        QVERIFY(writeBytes(p.h.app->config().watchlistPath(), "[{\"symbol\": \"sh600519\"},]"));
        page = p.build();
        QVERIFY(page->fileNoticeLine()->isVisible());
        QCOMPARE(page->fileNoticeLine()->text(), WatchlistManager::unreadableNotice());
    }

    void managerPageInThePopover()
    {
        ManagerShell s;
        // From the quick-actions menu: a fresh input that waits for a click before taking keys.
        s.shell->watchlistManager().setInputText(u"stale"_s);
        s.shell->actions().action(Command::ManageWatchlist)->trigger();
        QVERIFY(s.shell->isPopoverShown() && s.shell->presenter().page() == PopoverPage::Manager);
        WatchlistPopoverPage *before = s.managerPage();
        QCOMPARE(before->inputField()->text(), QString());
        QVERIFY(!s.shell->watchlistManager().hasInputChanged());
        QTRY_VERIFY(!before->inputField()->hasFocus());

        // Adding shows the new row on the same page and starts the next refresh.
        QTest::keyClicks(before->inputField(), u"600036"_s);
        QTest::keyClick(before->inputField(), Qt::Key_Return);
        WatchlistPopoverPage *after = s.managerPage();
        QCOMPARE(after, before);
        const QList<HoverPanel *> rows = rowsOf(after->rowsView()->document());
        QCOMPARE(rows.size(), 4);
        QVERIFY(labelTexts(rows.last()).contains(u"招商银行"_s));
        QVERIFY(s.h.app->isRefreshing());

        // Back to the home page, and from its "管理" button into the manager again.
        QSignalSpy exited(s.shell.get(), &AppShell::watchlistManagerExited);
        QTest::mouseClick(after->backButton(), Qt::LeftButton);
        QTRY_VERIFY(!(s.shell->presenter().page() == PopoverPage::Manager));
        QCOMPARE(exited.count(), 1);
        QTRY_VERIFY(qobject_cast<HomePage *>(s.shell->popover().content()));
        auto *home = qobject_cast<HomePage *>(s.shell->popover().content());
        QTest::mouseClick(home->manageButton(), Qt::LeftButton);
        QTRY_VERIFY(s.managerPage());
        QVERIFY(s.shell->isPopoverShown());
    }

    void refreshWhileTypingKeepsFieldCaretAndSuggestions()
    {
        ManagerShell s;
        s.h.quietRemoteSearch();
        s.shell->openWatchlistManager();
        WatchlistPopoverPage *page = s.managerPage();
        WatchInputField *field = page->inputField();
        QVERIFY(QTest::qWaitForWindowActive(&s.shell->popover()));
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClicks(field, u"600"_s);
        QTest::keyClick(field, Qt::Key_Down);
        field->setCursorPosition(1);
        const QList<HoverPanel *> rows = rowsOf(page->rowsView()->document());

        QVERIFY(s.h.refreshAndWait());
        QCOMPARE(s.managerPage(), page);
        QCOMPARE(rowsOf(page->rowsView()->document()), rows);
        QCOMPARE(field->text(), u"600"_s);
        QVERIFY(field->hasFocus());
        QCOMPARE(field->cursorPosition(), 1);
        QVERIFY(page->suggestionPanel()->isVisible());
        QCOMPARE(s.shell->watchlistManager().suggestions().size(), 10);
        QCOMPARE(s.shell->watchlistManager().selectedSuggestionIndex(), 1);
    }
};

QTEST_MAIN(TestWatchlistManagerPage)
#include "tst_watchlistmanagerpage.moc"
