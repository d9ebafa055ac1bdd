#include "TestFiles.h"
#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "filters/StatusCodes.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

void select(SortedListModel& list, const QList<int>& rows)
{
    for (const int r : rows)
        list.selectionModel()->select(list.index(r), QItemSelectionModel::Select);
}

} // namespace

class TestFilterLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_tmp.emplace();
        QVERIFY(m_tmp->isValid());
    }

    void addKeepsSortedOrder_data();
    void addKeepsSortedOrder();
    void addManyEqualsOneAddAfterAnother_data();
    void addManyEqualsOneAddAfterAnother();
    void removeSelected_data();
    void removeSelected();
    void currentEntryAndCount();

    void saveThenLoad_data();
    void saveThenLoad();
    void load_data();
    void load();
    void failedLoad_data();
    void failedLoad();
    void saveWithEmptyPathTouchesNothing();
    void failedSaveKeepsOldFile();

    void availableStatusCodes();
    void shippedStatusFileHoldsOk();

private:
    QString path(const QString& name) const { return m_tmp->filePath(name); }
    std::optional<QTemporaryDir> m_tmp;
};

void TestFilterLists::addKeepsSortedOrder_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("capital A above lower b") << QStringList{"bad", "Apple"} << QStringList{"Apple", "bad"};
    QTest::newRow("duplicates kept") << QStringList{"x", "y", "x"} << QStringList{"x", "x", "y"};
    QTest::newRow("equal but for case: first added first")
        << QStringList{"abc", "ABC", "Abc"} << QStringList{"abc", "ABC", "Abc"};
    QTest::newRow("three blanks is an entry") << QStringList{"a", "   "} << QStringList{"   ", "a"};
    QTest::newRow("status lines by code")
        << QStringList{"404 Not Found", "200 OK"} << QStringList{"200 OK", "404 Not Found"};
    QTest::newRow("prefix before longer")
        << QStringList{"casino2", "Casino"} << QStringList{"Casino", "casino2"};
}

void TestFilterLists::addKeepsSortedOrder()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, order);
    SortedListModel list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const QString& text : added)
        list.add(text);
    QCOMPARE(list.entries(), order);
    QCOMPARE(list.rowCount(), order.size());
    QCOMPARE(list.data(list.index(0)).toString(), order.first());
}

void TestFilterLists::addManyEqualsOneAddAfterAnother_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("added");

    QTest::newRow("into empty") << QStringList{} << QStringList{"b", "A", "a", "B", "a"};
    QTest::newRow("ties with old entries") << QStringList{"a", "B", "c"} << QStringList{"A", "b", "C", "a"};
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many.append(QStringLiteral("http://Site%1.example/%2").arg(i * 7919 % 613).arg(i % 3 ? "p" : "P"));
    QTest::newRow("harvest with case variants") << QStringList{"http://site5.example/p"} << many;
}

void TestFilterLists::addManyEqualsOneAddAfterAnother()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, added);
    SortedListModel one;
    SortedListModel many;
    QAbstractItemModelTester tester(&many, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const QString& text : existing) {
        one.add(text);
        many.add(text);
    }
    for (const QString& text : added)
        one.add(text);
    QSignalSpy counts(&many, &SortedListModel::countChanged);
    many.addMany(added);
    QCOMPARE(many.entries(), one.entries());
    QCOMPARE(counts.size(), 1);
    QCOMPARE(counts.first().first().toInt(), existing.size() + added.size());
}

void TestFilterLists::removeSelected_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("kept");

    QTest::newRow("nothing selected") << 4 << QList<int>{} << QList<int>{0, 1, 2, 3};
    QTest::newRow("first and last") << 5 << QList<int>{0, 4} << QList<int>{1, 2, 3};
    QTest::newRow("a run") << 5 << QList<int>{1, 2, 3} << QList<int>{0, 4};
    QTest::newRow("all") << 3 << QList<int>{0, 1, 2} << QList<int>{};
    QList<int> everyOther;
    QList<int> rest;
    for (int r = 0; r < 200; ++r)
        (r % 2 ? everyOther : rest).append(r);
    QTest::newRow("scattered over a long list") << 200 << everyOther << rest;
}

void TestFilterLists::removeSelected()
{
    QFETCH(int, size);
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, kept);
    SortedListModel list;
    QStringList texts;
    for (int i = 0; i < size; ++i)
        texts.append(QStringLiteral("entry %1").arg(i, 4, 10, QLatin1Char('0')));
    list.setEntries(texts);
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    select(list, selected);
    QCOMPARE(list.selectedRows(), selected);

    list.removeSelectedItems();
    QStringList expected;
    for (const int r : kept)
        expected.append(texts[r]);
    QCOMPARE(list.entries(), expected);
    QVERIFY(list.selectedRows().isEmpty());
}

void TestFilterLists::currentEntryAndCount()
{
    SortedListModel list;
    QSignalSpy counts(&list, &SortedListModel::countChanged);
    QCOMPARE(list.currentRow(), -1);
    list.addMany({"c", "a", "b"});
    list.selectionModel()->setCurrentIndex(list.index(1), QItemSelectionModel::NoUpdate);
    QCOMPARE(list.currentRow(), 1);
    // The current entry follows its text when an entry goes in above it.
    list.add("0");
    QCOMPARE(list.at(list.currentRow()), QStringLiteral("b"));
    list.removeAt(0);
    list.clear();
    QCOMPARE(list.currentRow(), -1);
    QList<int> seen;
    for (const auto& args : counts)
        seen.append(args.first().toInt());
    QCOMPARE(seen, (QList<int>{3, 4, 3, 0}));
}

void TestFilterLists::saveThenLoad_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("order and duplicates")
        << QStringList{"Apple", "bad", "bad"} << QByteArray("Apple\r\nbad\r\nbad\r\n");
    QTest::newRow("blanks are not trimmed") << QStringList{"   ", " x "} << QByteArray("   \r\n x \r\n");
    QTest::newRow("empty list, empty file") << QStringList{} << QByteArray();
    QTest::newRow("not ascii") << QStringList{QStringLiteral("caf\u00E9"), QStringLiteral("\u20AC")}
                               << QByteArray("caf\xC3\xA9\r\n\xE2\x82\xAC\r\n");
}

void TestFilterLists::saveThenLoad()
{
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, bytes);
    const SaveOutcome outcome = SaveListToFile(path("list.txt"), entries);
    QVERIFY(outcome.ok);
    QCOMPARE(readBytes(path("list.txt")), bytes);

    SortedListModel list;
    list.add("old entry");
    QVERIFY(LoadListFromFile(list, path("list.txt"), MissingListFile::KeepList));
    QCOMPARE(list.entries(), entries);
}

void TestFilterLists::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("empty lines skipped") << QByteArray("\r\nb\r\n\r\n\r\na\r\n\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf and cr line ends") << QByteArray("b\na\rc") << QStringList{"a", "b", "c"};
    QTest::newRow("hand-edited order sorted")
        << QByteArray("404\r\n200 OK\r\n") << QStringList{"200 OK", "404"};
    QTest::newRow("windows-1252") << QByteArray("\x80uro\r\n") << QStringList{QStringLiteral("\u20ACuro")};
    QTest::newRow("only empty lines") << QByteArray("\r\n\r\n") << QStringList{};
}

void TestFilterLists::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    writeBytes(path("list.txt"), bytes);
    for (const MissingListFile variant : {MissingListFile::KeepList, MissingListFile::EmptyList}) {
        SortedListModel list;
        list.add("old entry");
        QVERIFY(LoadListFromFile(list, path("list.txt"), variant));
        QCOMPARE(list.entries(), entries);
    }
}

void TestFilterLists::failedLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("variant");
    QTest::addColumn<QStringList>("after");

    const QStringList old{"kept"};
    QTest::newRow("missing file keeps") << "absent.txt" << int(MissingListFile::KeepList) << old;
    QTest::newRow("empty name keeps") << "" << int(MissingListFile::KeepList) << old;
    QTest::newRow("missing headers.txt empties")
        << "headers.txt" << int(MissingListFile::EmptyList) << QStringList{};
}

void TestFilterLists::failedLoad()
{
    QFETCH(QString, name);
    QFETCH(int, variant);
    QFETCH(QStringList, after);
    SortedListModel list;
    list.add("kept");
    // The program folder, a separator and the name: an empty name names the folder.
    QVERIFY(!LoadListFromFile(list, m_tmp->path() + "/" + name, MissingListFile(variant)));
    QCOMPARE(list.entries(), after);
}

void TestFilterLists::saveWithEmptyPathTouchesNothing()
{
    const SaveOutcome outcome = SaveListToFile(QString(), {"a"});
    QVERIFY(outcome.ok);
    QVERIFY(outcome.path.isEmpty());
    QVERIFY(QDir(m_tmp->path()).isEmpty());
}

void TestFilterLists::failedSaveKeepsOldFile()
{
    writeBytes(path("old.txt"), "old\r\n");
    // An empty file-name field makes the path the folder itself.
    const SaveOutcome intoFolder = SaveListToFile(m_tmp->path() + "/", {"a"});
    QVERIFY(!intoFolder.ok);
    QVERIFY(!intoFolder.error.isEmpty());
    const SaveOutcome belowFile = SaveListToFile(path("old.txt/list.txt"), {"a"});
    QVERIFY(!belowFile.ok);
    QCOMPARE(belowFile.path, path("old.txt/list.txt"));
    QCOMPARE(readBytes(path("old.txt")), QByteArray("old\r\n"));
    QCOMPARE(QDir(m_tmp->path()).entryList(QDir::Files), QStringList{"old.txt"});
}

void TestFilterLists::availableStatusCodes()
{
    const QStringList& codes = StatusCodes::available();
    QCOMPARE(codes.size(), StatusCodes::Count);
    QCOMPARE(codes.first(), QStringLiteral("100 Continue"));
    QCOMPARE(codes.at(2), QStringLiteral("200 OK"));
    QVERIFY(codes.contains("203 Non-Authoritative Information"));
    QVERIFY(codes.contains("306 (Unused)"));
    QVERIFY(codes.contains("414 Request-URI Too Long"));
    QCOMPARE(codes.last(), QStringLiteral("505 HTTP Version Not Supported"));
    // Ascending by code, which is also the order of the Valid list.
    SortedListModel valid;
    valid.addMany(codes);
    QCOMPARE(valid.entries(), codes);
}

void TestFilterLists::shippedStatusFileHoldsOk()
{
    SortedListModel valid;
    const QString shipped = qEnvironmentVariable("QM_TEST_SOURCE_DIR") + "/data/headers.txt";
    QVERIFY(LoadListFromFile(valid, shipped, MissingListFile::EmptyList));
    QCOMPARE(valid.entries(), QStringList{"200 OK"});
    QCOMPARE(readBytes(shipped), QByteArray("200 OK\r\n"));
}

QTEST_GUILESS_MAIN(TestFilterLists)
#include "tst_filters.moc"
