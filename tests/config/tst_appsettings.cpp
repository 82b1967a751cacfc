#include "config/AppSettings.h"
#include "config/ConfigStore.h"
#include "config/JsonFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QJsonObject parse(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}
} // namespace

class tst_AppSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void enumerations_data();
    void enumerations();
    void legacyPreset_data();
    void legacyPreset();
    void legacyFileConvertsOnFirstSave();
    void valuesOfTheWrongKind();
    void unsetFieldsAreWrittenValid();
};

void tst_AppSettings::enumerations_data()
{
    QTest::addColumn<QByteArray>("json");
    // Loaded display mode and section and sort, each followed by what is written back.
    QTest::addColumn<QString>("expected");
    QTest::newRow("summary") << QByteArray(R"({"displayMode": "summary"})")
                             << u"2 summary overview overview original original"_s;
    QTest::newRow("first") << QByteArray(R"({"displayMode": "first", "mainSection": "ai"})")
                           << u"1 first ai ai original original"_s;
    QTest::newRow("unknown words and wrong types")
        << QByteArray(R"({"displayMode": "Summary", "mainSection": ["ai"],
                          "mainWatchlistSortMode": "alpha"})")
        << u"0 rotate overview overview original original"_s;
    QTest::newRow("valid words")
        << QByteArray(R"({"mainSection": "watchlist", "mainWatchlistSortMode": "priority"})")
        << u"0 rotate watchlist watchlist priority priority"_s;
}

void tst_AppSettings::enumerations()
{
    QFETCH(QByteArray, json);
    const AppSettings s = AppSettings::fromJson(QJsonDocument::fromJson(json).object());
    const QJsonObject saved = s.toJson();
    QTEST(QStringList({QString::number(s.displayMode), saved.value(u"displayMode"_s).toString(),
                       s.mainSection, saved.value(u"mainSection"_s).toString(),
                       s.mainWatchlistSortMode, saved.value(u"mainWatchlistSortMode"_s).toString()})
              .join(u' '),
          "expected");
}

void tst_AppSettings::legacyPreset_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("preset");
    QTest::newRow("defense") << QByteArray(R"({"alertPreset": "defense"})") << u"conservative"_s;
    QTest::newRow("focus") << QByteArray(R"({"alertPreset": "focus"})") << u"standard"_s;
    QTest::newRow("observe") << QByteArray(R"({"alertPreset": "observe"})") << u"sensitive"_s;
    QTest::newRow("current key kept") << QByteArray(R"({"alertPreset": "conservative",
        "alertPercent": 3})") << u"conservative"_s;
    QTest::newRow("percent as text") << QByteArray(R"({"alertPercent": "2.5"})") << u"standard"_s;
    QTest::newRow("signal switch")
        << QByteArray(R"({"alertVolumeSpikeEnabled": 1})") << u"standard"_s;
    QTest::newRow("all neutral") << QByteArray(R"({"alertPercent": 0, "alertDirectionMask": 3,
        "alertBreakoutEnabled": false, "alertBreakBelowAverageEnabled": false,
        "alertVolumeSpikeEnabled": false})")
                                 << u"off"_s;
    QTest::newRow("preset not a string") << QByteArray(R"({"alertPreset": 7})") << u"off"_s;
}

void tst_AppSettings::legacyPreset()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, preset);
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    QCOMPARE(alertPresetFromLegacySettings(object), preset);
    QCOMPARE(AppSettings::fromJson(object).alertPreset, preset);
}

void tst_AppSettings::legacyFileConvertsOnFirstSave()
{
    QTemporaryDir dir;
    ConfigStore store(dir.path(), QString());
    store.ensureConfig();
    QVERIFY(store.saveSettings(parse(R"({"alertPercent": 2.5, "alertDirectionMask": 1,
        "alertBreakoutEnabled": true})")));
    const AppSettings loaded = AppSettings::fromJson(store.loadSettings());
    QCOMPARE(loaded.alertPreset, u"standard"_s);
    QCOMPARE(loaded.alertPercent, 2.5); // kept in memory until the next reload
    QCOMPARE(loaded.alertDirectionMask, 1);
    QVERIFY(store.saveSettings(loaded.toJson()));

    const QJsonObject saved = JsonFile::read(store.settingsPath())->object();
    QCOMPARE(saved.value(u"alertPreset"_s).toString(), u"standard"_s);
    QCOMPARE(saved.value(u"alertPercent"_s).toDouble(), 0.0);
    QCOMPARE(saved.value(u"alertDirectionMask"_s).toInt(), 3);
    QCOMPARE(saved.value(u"alertBreakoutEnabled"_s).toBool(), false);
    QCOMPARE(AppSettings::fromJson(saved).alertPreset, u"standard"_s);
}

void tst_AppSettings::valuesOfTheWrongKind()
{
    const AppSettings s = AppSettings::fromJson(parse(R"({"aiEnabled": 1, "openDesktopOnLaunch": 0,
        "mainWindowAlwaysOnTop": "true", "alertDirectionMask": "2", "aiInsights": ["a"],
        "aiInsightDates": {"sh600519": "2026-04-28", "bad": 3}, "aiProvider": 5,
        "aiBaseURL": null, "aiModel": ["x"], "aiAPIKey": 12, "mainDetailSymbol": {},
        "mainWindowFrame": 1, "aiAutoGeneratedKeys":
        ["sh600519|2026-04-28", "sh600519|2026-04-28", 4, "gb_aapl|2026-04-27"]})"));
    // Booleans: true and non-zero numbers only; numbers may be numeric text.
    QVERIFY(s.aiEnabled && !s.openDesktopOnLaunch && !s.mainWindowAlwaysOnTop);
    QCOMPARE(s.alertDirectionMask, 2);
    QVERIFY(s.aiInsights.isEmpty());
    QCOMPARE(s.aiInsightDates.size(), 1);
    QCOMPARE(QStringList({s.aiProvider, s.aiBaseURL, s.aiModel, s.aiAPIKey, s.mainDetailSymbol,
                          s.mainWindowFrameString}),
             (QStringList{u"openai"_s, u"https://api.openai.com/v1"_s, u"gpt-4o-mini"_s, QString(),
                          QString(), QString()}));
    const QJsonObject saved = s.toJson();
    QCOMPARE(saved.value(u"aiInsights"_s), QJsonValue(QJsonObject()));
    QCOMPARE(saved.value(u"aiAutoGeneratedKeys"_s).toArray().size(), 2); // repeats collapse

    QCOMPARE(AppSettings::fromJson(parse("{}")).alertDirectionMask, 3);
    QCOMPARE(AppSettings::fromJson(parse(R"({"alertDirectionMask": 0})")).alertDirectionMask, 0);
    QCOMPARE(AppSettings::fromJson(parse(R"({"alertDirectionMask": "x"})")).alertDirectionMask, 0);
}

void tst_AppSettings::unsetFieldsAreWrittenValid()
{
    AppSettings unset;
    unset.aiProvider.clear();
    unset.aiBaseURL = u"https://api.deepseek.com/v1"_s;
    unset.alertPreset.clear();
    const QJsonObject saved = unset.toJson();
    QCOMPARE(saved.value(u"aiProvider"_s).toString(), u"deepseek"_s);
    QCOMPARE(saved.value(u"alertPreset"_s).toString(), u"off"_s);
}

QTEST_GUILESS_MAIN(tst_AppSettings)
#include "tst_appsettings.moc"
