// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellHarness.h"

#include "ui/AISettingsPage.h"
#include "ui/FlatButton.h"
#include "ui/HomePage.h"
#include "ui/Label.h"
#include "ui/PopoverWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

struct SettingsHarness : ShellHarness
{
    SettingsHarness()
        : ShellHarness({u"sh600519"_s, u"sz000001"_s})
    {
        h.app->aiSettings().setValidationTimeoutMs(kPatienceMs);
    }
    AISettingsPage *page() const
    {
        return qobject_cast<AISettingsPage *>(shell->popover().content());
    }
    QString chatBaseURL() const { return h.market.baseUrl().toString() + u"/v1"_s; }
    int chatRequests() const { return h.requestCount(MarketSimulator::chatRouteName()); }
    // Fills the page as a user would for the simulated service.
    void fill(const QString &key)
    {
        AISettingsPage *p = page();
        p->enabledCheckbox()->setChecked(true);
        p->providerPopup()->setCurrentIndex(p->providerPopup()->findData(u"custom"_s));
        p->baseURLInput()->setText(chatBaseURL() + u"///"_s);
        p->modelInput()->setText(u"sim-chat"_s);
        p->keyInput()->setText(key);
    }
    // Opens the page over the home page of a refreshed popover.
    bool openFromHome()
    {
        if (!h.refreshAndWait())
            return false;
        status->click();
        shell->openAISettings();
        return page() != nullptr;
    }
};

} // namespace

Q_DECLARE_METATYPE(SimChatAnswer)

class TestAISettingsPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageShowsStoredSettings()
    {
        SettingsHarness s;
        s.settings().aiAPIKey = u"sk-stored"_s;
        s.settings().aiProvider.clear();
        s.settings().aiBaseURL = u"https://api.deepseek.com/v1"_s;
        s.settings().aiModel = u"deepseek-chat"_s;
        // Opened with the popover closed (from the menu): it opens on the page, pinned.
        s.shell->openAISettings();
        QVERIFY(s.shell->isPopoverShown());
        QVERIFY(s.shell->popover().isPinned());
        AISettingsPage *page = s.page();
        QVERIFY(page);
        QVERIFY(!page->enabledCheckbox()->isChecked());

        QComboBox *popup = page->providerPopup();
        QStringList titles;
        for (int i = 0; i < popup->count(); ++i)
            titles << popup->itemText(i);
        QCOMPARE(titles, (QStringList{u"通义千问"_s, u"DeepSeek"_s, u"Kimi"_s, u"OpenAI"_s,
                                      u"自定义服务"_s}));
        QCOMPARE(popup->currentData().toString(), u"deepseek"_s); // recognised from the URL
        QCOMPARE(page->keyInput()->text(), u"sk-stored"_s);
        QCOMPARE(page->keyInput()->echoMode(), QLineEdit::Password);
    }

    void refreshesDoNotRebuildThePage()
    {
        SettingsHarness s;
        QVERIFY(s.openFromHome());
        AISettingsPage *page = s.page();
        page->keyInput()->setText(u"sk-half-typed"_s);
        QVERIFY(s.h.refreshAndWait());
        s.shell->refreshPopoverIfVisible();
        QCOMPARE(s.page(), page);
        QCOMPARE(page->keyInput()->text(), u"sk-half-typed"_s);
    }

    void connectionTest_data()
    {
        QTest::addColumn<SimChatAnswer>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("color");
        QTest::newRow("success") << SimChatAnswer::text(u"OK"_s)
                                 << u"连接成功，当前 AI 设置可用。"_s << u"8FE6B2"_s;
        QTest::newRow("server error") << SimChatAnswer::error(500, u"server_error"_s, u"busy"_s)
                                      << u"测试失败：server_error：busy"_s << u"F6D98A"_s;
    }

    void connectionTest()
    {
        QFETCH(SimChatAnswer, answer);
        QFETCH(QString, message);
        QFETCH(QString, color);
        SettingsHarness s;
        s.shell->openAISettings();
        AISettingsPage *page = s.page();
        s.fill(u"sk-test"_s);
        s.h.market.simulator.enqueueChatAnswer(answer.delayedBy(300));

        QTest::mouseClick(page->testButton(), Qt::LeftButton);
        // In flight: the same page, its button disabled, the line saying so.
        QCOMPARE(s.page(), page);
        QCOMPARE(page->testButton()->text(), u"测试中"_s);
        QVERIFY(!page->testButton()->isEnabled());
        QCOMPARE(page->statusLabel()->text(), u"正在测试连接..."_s);
        // Typing goes on while the test runs and survives its answer.
        page->modelInput()->setText(u"sim-chat-2"_s);

        QTRY_COMPARE_WITH_TIMEOUT(page->statusLabel()->text(), message, kPatienceMs);
        QCOMPARE(s.page(), page);
        QCOMPARE(hexOf(page->statusLabel()->color()), color);
        QVERIFY(page->testButton()->isEnabled());
        QCOMPARE(page->modelInput()->text(), u"sim-chat-2"_s);
        QCOMPARE(s.chatRequests(), 1);
        QCOMPARE(s.h.market.server().requests(MarketSimulator::chatRouteName()).first().path,
                 u"/v1/chat/completions"_s);
        // Testing does not save.
        QCOMPARE(s.stored().value(u"aiAPIKey"_s).toString(), QString());
    }

    void choosingAProviderFillsItsFields()
    {
        SettingsHarness s;
        s.shell->openAISettings();
        AISettingsPage *page = s.page();
        QComboBox *popup = page->providerPopup();
        const int deepseek = popup->findData(u"deepseek"_s);
        popup->setCurrentIndex(deepseek);
        Q_EMIT popup->activated(deepseek);
        QCOMPARE(page->baseURLInput()->text(), u"https://api.deepseek.com/v1"_s);
        QCOMPARE(page->modelInput()->text(), u"deepseek-chat"_s);
        // A custom service keeps what is in the fields.
        const int custom = popup->findData(u"custom"_s);
        popup->setCurrentIndex(custom);
        Q_EMIT popup->activated(custom);
        QCOMPARE(page->baseURLInput()->text(), u"https://api.deepseek.com/v1"_s);
        QCOMPARE(s.settings().aiProvider, u"custom"_s);
        QCOMPARE(s.page(), page);
    }

    void savingStoresAndLeaves()
    {
        SettingsHarness s;
        QVERIFY(s.openFromHome());
        s.fill(u"  sk-saved  "_s);
        s.page()->modelInput()->clear();
        QTest::mouseClick(s.page()->saveButton(), Qt::LeftButton);

        QTRY_VERIFY_WITH_TIMEOUT(!(s.shell->presenter().page() == PopoverPage::AISettings),
                                 kPatienceMs);
        const QJsonObject saved = s.stored();
        QCOMPARE(saved.value(u"aiAPIKey"_s).toString(), u"sk-saved"_s);
        QCOMPARE(saved.value(u"aiBaseURL"_s).toString(), s.chatBaseURL() + u"///"_s);
        QCOMPARE(saved.value(u"aiModel"_s).toString(), u"gpt-4o-mini"_s);
        QCOMPARE(s.h.app->aiSettings().pageState().validationMessage.value_or(QString()),
                 u"设置已保存到本机，自动观察已开启。"_s);

        // Back on the home page, transient again, with the status line telling.
        auto *home = qobject_cast<HomePage *>(s.shell->popover().content());
        QVERIFY(home && !s.shell->popover().isPinned());
        QCOMPARE(home->findChild<Label *>(u"lastStatus"_s)->text(), u"AI 设置已保存"_s);
        QCOMPARE(s.chatRequests(), 0);
    }

    void leavingClearsTheFeedback()
    {
        SettingsHarness s;
        QVERIFY(s.openFromHome());
        // Testing without a key sends nothing and says why.
        s.fill(QString());
        QTest::mouseClick(s.page()->testButton(), Qt::LeftButton);
        QCOMPARE(s.page()->statusLabel()->text(), u"请先填写 API Key。"_s);
        QCOMPARE(hexOf(s.page()->statusLabel()->color()), u"F6D98A"_s);
        QCOMPARE(s.chatRequests(), 0);

        QTest::mouseClick(s.page()->backButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!(s.shell->presenter().page() == PopoverPage::AISettings),
                                 kPatienceMs);
        QVERIFY(!s.h.app->aiSettings().pageState().validationMessage.has_value());
        // Nothing typed on the page was saved.
        QVERIFY(!s.stored().value(u"aiBaseURL"_s).toString().startsWith(s.chatBaseURL()));
    }
};

QTEST_MAIN(TestAISettingsPage)
#include "tst_aisettingspage.moc"
