#include "ConfigFixture.h"
#include "TestHttpServer.h"
#include "filters/SortedListModel.h"
#include "run/TestRun.h"
#include "run/ui/TestFrame.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

// The frame "Test this configuration" against a real server on 127.0.0.1.
class TestTestFrame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void initialTexts_data();
    void initialTexts();
    void verdictReportsEveryStatusEntry();
    void recipSentenceFollowsTheContentTypeSentence();
    void previousEmailIsKept();
    void failedFetchShowsNoOldPage();
    void testRequestedElsewhereFillsTheBoxAndRuns();

private:
    // Types url into the Test URL box, presses "Test" and waits for the texts.
    static bool runTest(ConfigFixture& f, const QString& url);

    TestHttpServer m_server;
};

namespace {

const QByteArray Page = "<html><head><title>Online Shop</title>\r\n"
                        "<meta name=\"description\" content=\"Fine goods\"></head>\r\n"
                        "<body>Write to sales@shop.example.org</body></html>\r\n";

QString found(const char* entry)
{
    return QString::fromLatin1(entry) + QLatin1String(" header found! We will try to add this URL to tab 4.");
}

QString notFound(const char* entry)
{
    return QString::fromLatin1(entry) +
           QLatin1String(" header not found. As per rule, that page wont be added to tab 4.");
}

} // namespace

void TestTestFrame::initTestCase()
{
    m_server.route(QStringLiteral("/"), TestHttpResponse::html(Page));
}

bool TestTestFrame::runTest(ConfigFixture& f, const QString& url)
{
    auto* box = f.find<QLineEdit>(QStringLiteral("Text2"));
    box->selectAll();
    QTest::keyClicks(box, url);
    if (f.settings().text(Key::TestURL) != url)
        return false;
    auto* frame = f.find<TestFrame>(QStringLiteral("Frame4"));
    QSignalSpy done(frame, &TestFrame::testFinished);
    f.click(QStringLiteral("Command15"));
    // The fetch is in flight: the pointer is the arrow with hourglass meanwhile.
    const QCursor* pointer = QGuiApplication::overrideCursor();
    if (!pointer || pointer->shape() != Qt::BusyCursor)
        return false;
    return done.wait(20000) && QGuiApplication::overrideCursor() == nullptr;
}

void TestTestFrame::initialTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("source") << "RichTextBox1"
                            << "source"
                            << "Source code";
    QTest::newRow("headers") << "Text32"
                             << "headers"
                             << "";
    QTest::newRow("verdict") << "Label18"
                             << ""
                             << "comments";
    QTest::newRow("title") << "Text3"
                           << "title"
                           << "Title";
    QTest::newRow("email") << "Text4"
                           << "email"
                           << "Email";
    QTest::newRow("description") << "Text7"
                                 << "description"
                                 << "Description";
}

void TestTestFrame::initialTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, tooltip);
    ConfigFixture f;
    QWidget* w = f.find(name);
    QVERIFY(w);
    QString shown;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w))
        shown = edit->toPlainText();
    else if (auto* line = qobject_cast<QLineEdit*>(w))
        shown = line->text();
    else if (auto* label = qobject_cast<QLabel*>(w))
        shown = label->text();
    QCOMPARE(shown, text);
    QCOMPARE(w->toolTip(), tooltip);
    QCOMPARE(f.find<QPushButton>(QStringLiteral("Command15"))->text(), QStringLiteral("Test"));
    auto* headers = f.find<QPlainTextEdit>(QStringLiteral("Text32"));
    QCOMPARE(headers->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(headers->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(f.find<QLabel>(QStringLiteral("Label18"))->wordWrap());
}

void TestTestFrame::verdictReportsEveryStatusEntry()
{
    ConfigFixture f;
    f.workspace.validStatus().setEntries({QStringLiteral("404 Not Found"), QStringLiteral("200 OK")});
    QVERIFY(f.find<QCheckBox>(QStringLiteral("Check5"))->isChecked());
    QVERIFY(!f.find<QCheckBox>(QStringLiteral("Check4"))->isChecked());
    QVERIFY(runTest(f, m_server.url().toString()));

    QCOMPARE(f.find<QLabel>(QStringLiteral("Label18"))->text(),
             found("200 OK") + notFound("404 Not Found") +
                 QLatin1String(" Content-Type: text/html found! We will try to add this URL to tab 4."));
    QCOMPARE(f.find<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText(), QStringLiteral("Online Shop"));
    QCOMPARE(f.find<QLineEdit>(QStringLiteral("Text4"))->text(), QStringLiteral("sales@shop.example.org"));
    QCOMPARE(f.find<QPlainTextEdit>(QStringLiteral("Text7"))->toPlainText(), QStringLiteral("Fine goods"));
    QVERIFY(
        f.find<QPlainTextEdit>(QStringLiteral("RichTextBox1"))->toPlainText().contains("<title>Online Shop"));
    QVERIFY(f.find<QPlainTextEdit>(QStringLiteral("Text32"))->toPlainText().startsWith("HTTP/1.1 200 OK"));
}

void TestTestFrame::recipSentenceFollowsTheContentTypeSentence()
{
    ConfigFixture f;
    f.find<QCheckBox>(QStringLiteral("Check4"))->click();
    QVERIFY(runTest(f, m_server.url().toString()));
    QCOMPARE(f.find<QLabel>(QStringLiteral("Label18"))->text(),
             QLatin1String(" Content-Type: text/html found! We will try to add this URL to tab 4.") +
                 QLatin1String("No Recip pattern was found. As per rule, that page wont be added to tab 4."));
    QVERIFY(f.find<QLabel>(QStringLiteral("Label18"))->text().contains("tab 4.No Recip pattern"));
}

void TestTestFrame::previousEmailIsKept()
{
    ConfigFixture f;
    auto* email = f.find<QLineEdit>(QStringLiteral("Text4"));
    email->selectAll();
    QTest::keyClicks(email, QStringLiteral("old@example.net"));
    // Only an edited links.ini leaves the e-mail group without a selection.
    QVERIFY(f.write(QStringLiteral("links.ini"), "[Email]\r\nEmailOption1=False\r\nEmailRegEx3=[a-z.]+\r\n"
                                                 "[Title]\r\nTitleRegEx1=<title>\r\nTitleRegEx2=(.*)\r\n"
                                                 "TitleRegEx3=</title>\r\n"));
    f.click(QStringLiteral("Command36"));
    for (const char* name : {"Option1", "Option2", "Option3"})
        QVERIFY2(!f.find<QAbstractButton>(QString::fromLatin1(name))->isChecked(), name);

    QVERIFY(runTest(f, m_server.url().toString()));
    QCOMPARE(email->text(), QStringLiteral("old@example.net"));
    QCOMPARE(f.find<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText(), QStringLiteral("Online Shop"));
}

void TestTestFrame::failedFetchShowsNoOldPage()
{
    ConfigFixture f;
    f.workspace.validStatus().setEntries({QStringLiteral("200 OK")});
    QVERIFY(runTest(f, m_server.url().toString()));
    QVERIFY(!f.find<QPlainTextEdit>(QStringLiteral("RichTextBox1"))->toPlainText().isEmpty());

    // Port 1 on the loopback refuses the connection.
    QVERIFY(runTest(f, QStringLiteral("http://127.0.0.1:1/")));
    QCOMPARE(f.find<QPlainTextEdit>(QStringLiteral("RichTextBox1"))->toPlainText(), QString());
    QCOMPARE(f.find<QPlainTextEdit>(QStringLiteral("Text32"))->toPlainText(), QString());
    QCOMPARE(f.find<QLabel>(QStringLiteral("Label18"))->text(),
             notFound("200 OK") +
                 QLatin1String(
                     " Content-Type: text/html not found. As per rule, that page wont be added to tab 4."));
    QCOMPARE(f.find<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText(), QString());
}

// "Test this URL" in the link list or the data area: the URL lands in the
// box and in the setting behind it, and the test runs on it.
void TestTestFrame::testRequestedElsewhereFillsTheBoxAndRuns()
{
    ConfigFixture f;
    auto* frame = f.find<TestFrame>(QStringLiteral("Frame4"));
    QSignalSpy done(frame, &TestFrame::testFinished);
    const QString url = m_server.url().toString();
    f.workspace.requestTest(url);
    QCOMPARE(f.find<QLineEdit>(QStringLiteral("Text2"))->text(), url);
    QCOMPARE(f.settings().text(Key::TestURL), url);
    QVERIFY(done.wait(20000));
    QCOMPARE(f.find<QPlainTextEdit>(QStringLiteral("Text3"))->toPlainText(), QStringLiteral("Online Shop"));
}

int runTestFrameTests(int argc, char** argv)
{
    TestTestFrame test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_TestFrame.moc"
