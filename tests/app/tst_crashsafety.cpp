// SPDX-License-Identifier: GPL-3.0-or-later
// The program may die at any instant (a crash, a kill, a power cut of the session): every
// file it keeps must then be either its old content or its new one, never a mixture or a
// truncation, and the decision-sample log may lose at most the lines of the batch being
// written, never one whose append was confirmed. A writer process saves every kind of file in
// a loop through the application's own classes and is killed with SIGKILL at random moments,
// hundreds of times, each time checking what is left.
#include "CrashWriterScript.h"
#include "FileBytes.h"
#include "RecordingNotifier.h"

#include "app/KestrumApp.h"

#include "config/ConfigStore.h"
#include "config/JsonFile.h"
#include "intraday/IntradayStore.h"
#include "model/Clock.h"
#include "strategy/BoardTags.h"
#include "strategy/DailyCache.h"
#include "strategy/DecisionSampleLog.h"
#include "strategy/StrategyStore.h"

#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// What the writers reported before they were killed (-1: nothing yet): the newest version
// begun and the newest all four files reached, the newest sample begun and appended.
struct Confirmed
{
    qint64 begunVersion = -1;
    qint64 version = -1;
    qint64 begunSeq = -1;
    qint64 seq = -1;
    qint64 passSeq = -1; // the newest sample whose moment had its outcome pass completed
};

Confirmed parseReports(const QByteArray &out, Confirmed c)
{
    const QHash<char, qint64 *> fields{{'b', &c.begunVersion},
                                       {'v', &c.version},
                                       {'a', &c.begunSeq},
                                       {'s', &c.seq},
                                       {'p', &c.passSeq}};
    for (const QByteArray &line : out.split('\n')) {
        if (qint64 *field = line.size() > 2 ? fields.value(line.at(0)) : nullptr)
            *field = std::max(*field, line.mid(2).toLongLong());
    }
    return c;
}

// Everything the directory holds after a kill, checked against what the writer wrote.
class Inspector
{
public:
    explicit Inspector(const QString &appDir)
        : m_clock(CrashScript::momentOf(0))
        , m_config(appDir, QString())
        , m_strategy(m_config, m_clock)
        , m_daily(m_strategy)
        , m_boards(m_strategy)
        , m_log(m_strategy, m_intraday, m_daily, m_boards, DecisionSampleLog::DecisionReader())
    {}

    // Empty when every file is whole and one the writer wrote, no older than `confirmed`.
    QString problem(const Confirmed &confirmed, qint64 *lines)
    {
        const auto dailyCache = [this](qint64 v) {
            return CrashScript::dailyCacheFor(
                v, m_strategy.strategyISOStringForDate(CrashScript::momentOf(v)));
        };
        const QString problem =
            fileProblem(m_config.watchlistPath(), confirmed,
                        [](qint64 v) { return QJsonDocument(CrashScript::watchlistFor(v)); }) +
            fileProblem(m_config.settingsPath(), confirmed,
                        [](qint64 v) { return QJsonDocument(CrashScript::settingsFor(v)); }) +
            fileProblem(m_strategy.dailyCacheURL(), confirmed,
                        [&](qint64 v) { return QJsonDocument(dailyCache(v)); }) +
            fileProblem(m_strategy.boardMapURL(), confirmed,
                        [](qint64 v) { return QJsonDocument(CrashScript::boardMapFor(v)); });
        return problem.isEmpty() ? logProblem(confirmed, lines) : problem;
    }

    DecisionSampleLog &log() { return m_log; }

private:
    // The file is exactly one version the writer wrote: at least the one finished, at most
    // the one begun, and never older than the one it held after the previous kill.
    QString fileProblem(const QString &path, const Confirmed &confirmed,
                        const std::function<QJsonDocument(qint64)> &written)
    {
        const QString name = QFileInfo(path).fileName();
        if (!QFile::exists(path))
            return confirmed.version < 0 ? QString() : name + u" is gone"_s;
        const std::optional<QJsonDocument> doc = JsonFile::read(path);
        if (!doc)
            return name + u" does not parse"_s;
        qint64 &seen = m_seen[name];
        for (qint64 v = std::max({confirmed.version, seen, qint64(0)}); v <= confirmed.begunVersion;
             ++v) {
            if (*doc == written(v)) {
                seen = v;
                return QString();
            }
        }
        return name + u" is none of versions %1 to %2"_s.arg(std::max(confirmed.version, seen))
                          .arg(confirmed.begunVersion);
    }

    QString logProblem(const Confirmed &confirmed, qint64 *lineCount) const
    {
        if (!QFile::exists(m_strategy.decisionSamplesURL()))
            return confirmed.seq < 0 ? QString() : u"the sample log is gone"_s;
        const QByteArray bytes = TestSupport::readBytes(m_strategy.decisionSamplesURL());
        // Every complete line parses; only a last line without its line feed may be torn.
        const QList<QByteArray> pieces = bytes.split('\n');
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
            if (!QJsonDocument::fromJson(pieces.at(i)).isObject())
                return u"line %1 of the sample log does not parse"_s.arg(i + 1);
        }
        // The samples, with a tail replacement the kill interrupted taken as done (the next
        // use of the log finishes it): 0, 1, 2, ... with none missing, the confirmed one in.
        const QList<QJsonObject> records = m_log.decisionSampleRecords();
        *lineCount = records.size();
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (records.at(i).value(u"seq"_s).toDouble(-1) != double(i))
                return u"sample %1 is out of place"_s.arg(i);
        }
        const qint64 last = records.size() - 1;
        if (last < confirmed.seq || last > confirmed.begunSeq)
            return u"the log ends at sample %1 (appended %2, begun %3)"_s.arg(last)
                .arg(confirmed.seq)
                .arg(confirmed.begunSeq);
        // Outcomes once given are never lost: the last completed pass gave every sample 15
        // minutes older its 15-minute outcome, and so on.
        for (const QJsonObject &record : records) {
            const qint64 seq = qint64(record.value(u"seq"_s).toDouble());
            const QJsonObject future = record.value(u"future"_s).toObject();
            for (const auto &[key, minutes] :
                 {std::pair{u"after15m"_s, 15}, std::pair{u"after30m"_s, 30},
                  std::pair{u"after60m"_s, 60}}) {
                if (confirmed.passSeq - seq >= minutes && !future.value(key).isObject())
                    return u"sample %1 lost its %2 outcome"_s.arg(seq).arg(key);
            }
        }
        return QString();
    }

    ManualClock m_clock;
    ConfigStore m_config;
    StrategyStore m_strategy;
    DailyCache m_daily;
    BoardTags m_boards;
    IntradayStore m_intraday;
    DecisionSampleLog m_log;
    QHash<QString, qint64> m_seen; // file name -> version found after the previous kill
};

bool isLeftoverTemporary(const QString &relative)
{
    static const QRegularExpression pattern(
        uR"(^(strategy/)?(watchlist\.json|settings\.json|daily_cache\.json|board_map\.json|decision_samples\.jsonl|decision_samples\.jsonl\.outcomes)\.[A-Za-z0-9]{6}$)"_s);
    return pattern.match(relative).hasMatch();
}

// Only the files the program keeps, and the temporary files of the atomic writes a kill
// interrupted (counted in `leftovers`; the next launch removes them).
QStringList strayFiles(const QString &appDir, int *leftovers = nullptr)
{
    const QStringList kept =
        u"watchlist.json settings.json strategy/daily_cache.json strategy/board_map.json "
        u"strategy/decision_samples.jsonl strategy/decision_samples.jsonl.tail "
        u"strategy/decision_samples.jsonl.outcomes"_s.split(u' ');
    QStringList stray;
    QDirIterator it(appDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(appDir).relativeFilePath(it.next());
        if (leftovers && isLeftoverTemporary(relative))
            ++*leftovers;
        else if (!kept.contains(relative))
            stray << relative;
    }
    return stray;
}

} // namespace

class tst_CrashSafety : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedWriterLeavesWholeFiles();
};

void tst_CrashSafety::killedWriterLeavesWholeFiles()
{
    const QString writer = TestSupport::buildPath(u"tests/kestrum-test-writer"_s);
    QVERIFY2(QFile::exists(writer), qPrintable(writer));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString appDir = dir.path() + u"/Kestrum"_s;

    // KESTRUM_CRASH_KILLS runs it longer; KESTRUM_CRASH_SEED repeats a run.
    const int kills = qEnvironmentVariableIsSet("KESTRUM_CRASH_KILLS")
                          ? qEnvironmentVariableIntValue("KESTRUM_CRASH_KILLS")
                          : 200;
    const quint32 seed = qEnvironmentVariableIsSet("KESTRUM_CRASH_SEED")
                             ? quint32(qEnvironmentVariableIntValue("KESTRUM_CRASH_SEED"))
                             : QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("seed %u, %d kills", seed, kills);

    Inspector inspector(appDir);
    Confirmed confirmed;
    qint64 samples = 0;
    int leftoversBefore = 0;
    for (int run = 0; run < kills; ++run) {
        QProcess process;
        process.start(writer, {appDir, QString::number(confirmed.begunVersion + 1)});
        QVERIFY2(process.waitForStarted(TestSupport::kPatienceMs),
                 qPrintable(process.errorString()));
        // Anywhere in its first few loops, mostly inside a write of one file or another: after
        // a random number of the steps it reports ("ready" first), at whatever pace it runs.
        const qsizetype steps = 1 + random.bounded(1, 40);
        QByteArray out;
        while (out.count('\n') < steps) {
            QVERIFY2(
                process.waitForReadyRead(TestSupport::kPatienceMs),
                qPrintable(u"run %1: no progress (exit %2)"_s.arg(run).arg(process.exitCode())));
            out += process.readAllStandardOutput();
        }
        QThread::usleep(random.bounded(0, 2000));
        process.kill(); // SIGKILL
        QVERIFY(process.waitForFinished(TestSupport::kPatienceMs));
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        out += process.readAllStandardOutput();
        confirmed = parseReports(out, confirmed);

        const QString problem = inspector.problem(confirmed, &samples);
        QVERIFY2(problem.isEmpty(),
                 qPrintable(u"seed %1, run %2: "_s.arg(seed).arg(run) + problem));
        leftoversBefore = 0;
        const QStringList stray = strayFiles(appDir, &leftoversBefore);
        QVERIFY2(stray.isEmpty(), qPrintable(stray.join(u", "_s)));
    }
    qInfo("%lld versions, %lld samples", confirmed.version + 1, samples);
    QVERIFY(confirmed.version > kills / 4); // the writer did get on with its work
    QVERIFY(confirmed.seq > kills / 4);

    // The next start finishes whatever the last kill interrupted: the log on disk is whole
    // again, line for line, with every sample.
    inspector.log().loadPendingDecisionSamples();
    QList<QByteArray> lines =
        TestSupport::readBytes(appDir + u"/strategy/decision_samples.jsonl"_s).split('\n');
    lines.removeLast(); // empty, or a line a kill cut short (the next append removes it)
    QCOMPARE(lines.size(), samples);
    for (const QByteArray &line : std::as_const(lines))
        QVERIFY(QJsonDocument::fromJson(line).isObject());

    // The application, once it holds the single-instance lock, clears the temporary files
    // the kills left, and nothing else.
    RecordingNotifier notifier;
    QSettings preferences(dir.path() + u"/preferences.ini"_s, QSettings::IniFormat);
    KestrumAppOptions options;
    options.appDirectory = appDir;
    options.notifier = &notifier;
    options.preferences = &preferences;
    KestrumApp app(options);
    QCOMPARE(app.removeLeftoverTemporaryFiles(), leftoversBefore);
    int leftovers = 0;
    // (The controller puts its copy of the stock catalog in place when it opens the directory.)
    QCOMPARE(strayFiles(appDir, &leftovers), QStringList{u"cache/market/tdx_stock_catalog.json"_s});
    QCOMPARE(leftovers, 0);
    QCOMPARE(inspector.problem(confirmed, &samples), QString());
}

QTEST_GUILESS_MAIN(tst_CrashSafety)
#include "tst_crashsafety.moc"
