// SPDX-License-Identifier: GPL-3.0-or-later
// The crash-safe JSON-lines store: appends torn at any byte, tail replacements a crash
// interrupted, short writes, rotation, and an index read newest-first that ends up the same
// as one read whole.
#include "FileBytes.h"
#include "TestSupport.h"

#include "config/JsonLinesFile.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace TestSupport;

namespace {

// Records {"k": key, "t": stamp, "f": {"n": flags}}; "t" is the moment, "f" what the owner
// notes.
void describe(const QJsonObject &record, JsonLinesFile::Line &line)
{
    line.key = record.value(u"k"_s).toString();
    line.stamp = qint64(record.value(u"t"_s).toDouble());
    line.flags = record.value(u"f"_s).toObject().value(u"n"_s).toInt();
}

QJsonObject rec(qint64 stamp, int flags = 0, const QString &key = u"a"_s)
{
    return QJsonObject{
        {u"k"_s, key}, {u"t"_s, double(stamp)}, {u"f"_s, QJsonObject{{u"n"_s, flags}}}};
}

QByteArray line(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray lines(std::initializer_list<QJsonObject> records)
{
    QByteArray bytes;
    for (const QJsonObject &r : records)
        bytes += line(r);
    return bytes;
}

// Everything the index says, to compare two of them.
QStringList dump(const JsonLinesFile &file)
{
    QStringList out{u"irregular %1"_s.arg(file.firstIrregularLine())};
    for (const qsizetype i : file.flaggedLines())
        out << u"flagged %1"_s.arg(i);
    for (const JsonLinesFile::Line &l : file.lines())
        out << u"%1+%2 %3%4 %5 %6 %7"_s.arg(l.offset)
                   .arg(l.length)
                   .arg(int(l.record))
                   .arg(int(l.canonical))
                   .arg(l.key)
                   .arg(l.stamp)
                   .arg(l.flags);
    return out;
}

} // namespace

class tst_JsonLinesFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void appendTornAtAnyByte();
    void rotation_data();
    void rotation();
    void replaceTailKeepsTheHead();
    void interruptedTailRewriteIsFinished_data();
    void interruptedTailRewriteIsFinished();
    void failedWritesLeaveTheFileWhole();
    void newestFirstLoad_data();
    void newestFirstLoad();

private:
    QString path() const { return m_dir->path() + u"/log.jsonl"_s; }
    std::unique_ptr<JsonLinesFile> store(qint64 rotation = 0)
    {
        return std::make_unique<JsonLinesFile>(path(),
                                               JsonLinesFile::Rotation{rotation,
                                                                       [this] {
                                                                           return archive();
                                                                       }},
                                               describe);
    }
    QString archive() const { return m_dir->path() + u"/log.archive.jsonl"_s; }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_JsonLinesFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// A kill during a batch append leaves the batch cut at some byte: the next append keeps every
// whole line (ending one that lacks only its line feed) and removes the cut one.
void tst_JsonLinesFile::appendTornAtAnyByte()
{
    const QByteArray before = lines({rec(1), rec(2)});
    const QByteArray batch = lines({rec(3, 1), rec(4, 0, u"中文"_s), rec(5, 2)});
    const QJsonObject next = rec(6);
    for (qsizetype cut = 0; cut <= batch.size(); ++cut) {
        QVERIFY(writeBytes(path(), before + batch.first(cut)));
        auto file = store();
        file->load();
        QVERIFY(file->append({next}));
        const QByteArray whole =
            cut == 0 ? QByteArray() : batch.first(batch.lastIndexOf('\n', cut - 1) + 1);
        QByteArray expected = before + whole;
        // A last line cut just before its line feed is whole: it stays, ended.
        if (cut > 0 && cut < batch.size() && batch.at(cut) == '\n')
            expected = before + batch.first(cut + 1);
        QCOMPARE(readBytes(path()), expected + line(next));
        // The index agrees with the file read afresh.
        const QStringList indexed = dump(*file);
        file->load();
        QCOMPARE(dump(*file), indexed);
    }
    // A last line that no append began (a hand edit) is kept aside before it goes.
    QVERIFY(writeBytes(path(), before + "hand-written note"));
    QVERIFY(store()->append({next}));
    QCOMPARE(readBytes(path()), before + line(next));
    const QStringList copies = QDir(m_dir->path()).entryList({u"log.jsonl.unreadable-*"_s});
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readBytes(m_dir->filePath(copies.first())), "hand-written note"_ba);
}

void tst_JsonLinesFile::rotation_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("archived"); // the archive is there already
    QTest::addColumn<bool>("rotated");
    QTest::newRow("exactly the limit") << qint64(100) << false << false;
    QTest::newRow("one byte more") << qint64(101) << false << true;
    QTest::newRow("blocked by an archive") << qint64(101) << true << false;
}

void tst_JsonLinesFile::rotation()
{
    QFETCH(qint64, size);
    QFETCH(bool, archived);
    QFETCH(bool, rotated);
    QByteArray bytes(size, 'x');
    bytes[size - 1] = '\n';
    QVERIFY(writeBytes(path(), bytes));
    if (archived)
        QVERIFY(writeBytes(archive(), "earlier\n"));
    auto file = store(100);
    QVERIFY(file->append({rec(1, 1)}));
    QCOMPARE(readBytes(archive()), rotated ? bytes : archived ? "earlier\n"_ba : QByteArray());
    QCOMPARE(readBytes(path()), rotated ? line(rec(1, 1)) : bytes + line(rec(1, 1)));
    QCOMPARE(file->records().size(), 1);
    QCOMPARE(file->flaggedLines().size(), 1);
}

// Lines from the first changed one on are written again; those before keep their bytes and
// the file its inode; a line that is not a record goes, kept aside first.
void tst_JsonLinesFile::replaceTailKeepsTheHead()
{
    QByteArray head;
    for (int i = 0; i < 200; ++i)
        head += line(rec(i));
    // The same edit of a compact line, of one written by hand (member last), and of one where
    // the member's name also appears in strings and deeper down.
    QJsonObject decoy = rec(203, 1);
    decoy.insert(u"d"_s, QJsonArray{u"}\\\"]"_s, QJsonObject{{u"f"_s, QJsonObject{{u"n"_s, 7}}}}});
    decoy.insert(u"e"_s, u"\"f\":{\"n\":9}"_s);
    QJsonObject decoyDone = decoy;
    decoyDone.insert(u"f"_s, QJsonObject{{u"n"_s, 0}});
    const QByteArray changed =
        line(rec(200, 1)) + "{ \"t\": 202, \"k\": \"a\", \"f\": {\"n\": 1} }\n" + line(decoy);
    const QByteArray rest = "not json\n"_ba + line(rec(201));
    QVERIFY(writeBytes(path(), head + changed + rest));
    const quint64 inode = inodeOf(path());
    auto file = store();
    file->load();
    QCOMPARE(file->flaggedLines(), (QVector<qsizetype>{200, 201, 202}));
    QCOMPARE(file->firstIrregularLine(), 201);
    auto tail = file->prepareTail(
        200, [](const JsonLinesFile::Line &l) { return l.flags != 0; }, u"f"_s,
        [](JsonLinesFile::Line &l, const QJsonObject &value) {
            l.flags = 0;
            return QJsonObject{{u"n"_s, value.value(u"n"_s).toInt() - 1}};
        });
    QVERIFY(tail);
    QVERIFY(file->replaceTail(std::move(*tail)));
    QCOMPARE(inodeOf(path()), inode);
    QCOMPARE(readBytes(path()),
             head + line(rec(200)) + line(rec(202)) + line(decoyDone) + line(rec(201)));
    QVERIFY(readBytes(file->journalPath()).startsWith("kestrum-done "));
    QCOMPARE(file->flaggedLines(), QVector<qsizetype>());
    QCOMPARE(file->firstIrregularLine(), -1);
    const QStringList copies = QDir(m_dir->path()).entryList({u"log.jsonl.unreadable-*"_s});
    QCOMPARE(copies.size(), 1);
    QCOMPARE(readBytes(m_dir->filePath(copies.first())), "not json\n"_ba);
    // The index follows the new tail.
    const QStringList indexed = dump(*file);
    file->load();
    QCOMPARE(dump(*file), indexed);
}

void tst_JsonLinesFile::interruptedTailRewriteIsFinished_data()
{
    QTest::addColumn<int>("cut");        // bytes of the new tail in the file when the crash came
    QTest::addColumn<int>("journalCut"); // bytes missing from the journal's end
    QTest::addColumn<bool>("applies");   // the journal is whole and fits the file
    QTest::newRow("before the file was touched") << -1 << 0 << true;
    QTest::newRow("file cut at the offset") << 0 << 0 << true;
    QTest::newRow("new tail half written") << 12 << 0 << true;
    QTest::newRow("journal half written") << -1 << 10 << false;
    QTest::newRow("journal of another file") << -2 << 0 << false;
}

void tst_JsonLinesFile::interruptedTailRewriteIsFinished()
{
    QFETCH(int, cut);
    QFETCH(int, journalCut);
    QFETCH(bool, applies);
    const QByteArray head = line(rec(1));
    const QByteArray oldTail = line(rec(2, 1));
    const QByteArray newTail = line(rec(2, 0));
    QByteArray onDisk = head + oldTail;
    if (cut == 0)
        onDisk = head;
    else if (cut > 0)
        onDisk = head + newTail.first(cut);
    QVERIFY(writeBytes(path(), onDisk));
    const qint64 offset = cut == -2 ? onDisk.size() + 100 : head.size();
    // Followed by the stale end of an earlier, longer tail, as the reused journal has it.
    const QByteArray journal =
        "kestrum-tail " + QByteArray::number(offset).rightJustified(20, '0') + ' ' +
        QByteArray::number(newTail.size()).rightJustified(20, '0') + ' ' +
        QCryptographicHash::hash(newTail, QCryptographicHash::Sha1).toHex() + '\n' + newTail;
    auto file = store();
    QVERIFY(writeBytes(file->journalPath(),
                       journalCut ? journal.chopped(journalCut) : journal + line(rec(9))));

    // Readers see the finished state before anything finishes it...
    QCOMPARE(file->records().size(), applies ? 2 : QByteArray(onDisk).count('\n'));
    // ...and the next use of the file finishes it on disk (or, cut short, never started it).
    file->load();
    QVERIFY(
        readBytes(file->journalPath()).startsWith(journalCut ? "kestrum-tail " : "kestrum-done "));
    QCOMPARE(readBytes(path()), applies ? head + newTail : onDisk);
    QVERIFY(file->append({rec(3)}));
    QCOMPARE(file->records().last(), rec(3));
}

// A short write, or a record JSON cannot hold (non-finite numbers), leaves the file as it
// was; a batch or a rewrite leaves out only what cannot be written.
void tst_JsonLinesFile::failedWritesLeaveTheFileWhole()
{
    const double inf = std::numeric_limits<double>::infinity();
    auto file = store();
    QVERIFY(!file->append({QJsonObject{{u"p"_s, std::numeric_limits<double>::quiet_NaN()}}}));
    QVERIFY(!file->append({QJsonObject{{u"n"_s, QJsonArray{QJsonObject{{u"x"_s, inf}}}}}}));
    QVERIFY(!QFile::exists(path()));
    QVERIFY(file->append({QJsonObject{{u"b"_s, inf}}, QJsonObject{{u"a"_s, 1}}}));
    QCOMPARE(readBytes(path()), "{\"a\":1}\n"_ba);
    QVERIFY(file->rewrite({rec(1, 1), QJsonObject{{u"b"_s, inf}}}));
    const QByteArray existing = line(rec(1, 1));
    QCOMPARE(readBytes(path()), existing);
    {
        // Room for a few bytes of the batch only.
        const FileSizeLimit limit(existing.size() + 10);
        QVERIFY(!file->append({rec(2), rec(3)}));
        file->sync();
        auto tail = file->prepareTail(
            0, [](const JsonLinesFile::Line &) { return true; }, u"f"_s,
            [](JsonLinesFile::Line &, const QJsonObject &) {
                return QJsonObject{{u"more"_s, QString(200, u'x')}};
            });
        QVERIFY(tail);
        QVERIFY(!file->replaceTail(std::move(*tail)));
    }
    QCOMPARE(readBytes(path()), existing);
    QVERIFY(file->append({rec(2)}));
    QCOMPARE(readBytes(path()), existing + line(rec(2)));
}

// Read back to the first record older than `since` (100), then the older lines a slice at a
// time: the same index as a whole read, also with an append in between.
void tst_JsonLinesFile::newestFirstLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("newest"); // lines indexed before the older ones are read
    const QByteArray old = lines({rec(10, 1), rec(20), rec(30, 4)});
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("all new") << lines({rec(100, 1), rec(150), rec(200, 2)}) << 3;
    QTest::newRow("all old") << old << 0;
    QTest::newRow("old then new") << old + lines({rec(100, 1), rec(120)}) << 2;
    QTest::newRow("unstamped lines stay with the new")
        << old + "\n{\"k\":\"b\"}\n[1]\n"_ba + line(rec(120)) << 4;
    QTest::newRow("damage among the old")
        << "garbage\n\n"_ba + old + "{\"k\"\n"_ba + line(rec(130)) << 2;
    QTest::newRow("out of order") << lines({rec(120), rec(10, 1), rec(130, 2)}) << 1;
    QTest::newRow("no final line feed") << old + line(rec(110)) + "{\"t\":5}"_ba << 2;
    QTest::newRow("only an old line without its feed") << "{\"t\":5}"_ba << 1;
    QTest::newRow("long lines across slices")
        << line(QJsonObject{{u"t"_s, 1}, {u"pad"_s, QString(5000, u'x')}}) + old +
               line(QJsonObject{{u"t"_s, 101}, {u"pad"_s, QString(300000, u'y')}})
        << 1;
}

void tst_JsonLinesFile::newestFirstLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, newest);
    if (!bytes.isEmpty())
        QVERIFY(writeBytes(path(), bytes));
    auto whole = store();
    for (const bool appendBetween : {false, true}) {
        if (!bytes.isEmpty())
            QVERIFY(writeBytes(path(), bytes));
        whole->load();
        auto partial = store();
        partial->load(100);
        QCOMPARE(partial->lines().size(), newest);
        if (appendBetween) {
            QVERIFY(partial->append({rec(300, 1)}));
            whole->load();
        }
        int slices = 0;
        while (partial->loadOlderLines(4096))
            QVERIFY(++slices < 1000);
        QCOMPARE(dump(*partial), dump(*whole));
        QVERIFY(!partial->loadOlderLines(4096));
    }
}

QTEST_GUILESS_MAIN(tst_JsonLinesFile)
#include "tst_jsonlinesfile.moc"
