#include "SettingsKeys.h"
#include "analysis/AcceptanceChecks.h"
#include "analysis/PageAnalysis.h"
#include "settings/Settings.h"

#include <QTest>

namespace {

const QString kOkHeader = QStringLiteral("HTTP/1.1 200 OK\r\nServer: test\r\nContent-Type: text/html; "
                                         "charset=utf-8\r\nContent-Length: 10\r\n");

const QString kPage =
    QStringLiteral("<!DOCTYPE html>\r\n<HTML><HEAD>\r\n<TITLE>Cheap Garden Tools</TITLE>\r\n"
                   "<meta name=\"description\" content=\"Spades, rakes\r\nand hoes you'll "
                   "love\">\r\n</HEAD><BODY>\r\n<p>Contact sales@garden.example.org or "
                   "<a href=\"mailto:help@garden.example.org\">help</a>.</p>\r\n"
                   "<a href=\"http://www.example.com/links.html\">Example</a>\r\n"
                   "</BODY></HTML>\r\n");

} // namespace

class PageAnalysisTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contentType_data();
    void contentType();
    void status_data();
    void status();
    void recip_data();
    void recip();
    void defaultsOnARealisticPage();
    void everyCheckRuns_data();
    void everyCheckRuns();
    void badWordInDescriptionRefuses();
    void fallbackNeverTestedForBadWords();
    void pageWithoutFieldsStillAccepted();
    void titleReplaceHeedsCaseOnlyForTitle();
    void catastrophicPatternsTakeTheFailureBranch();
    void refusalReason_data();
    void refusalReason();
};

void PageAnalysisTests::contentType_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("expected");

    const int on = int(FlagState::On);
    QTest::newRow("charset parameter")
        << on << "HTTP/1.1 200 OK\r\nContent-type: TEXT/HTML; charset=utf-8\r\n"
        << true;
    QTest::newRow("no blank after the colon") << on << "HTTP/1.1 200 OK\r\nContent-Type:text/html\r\n"
                                              << false;
    QTest::newRow("image") << on << "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n" << false;
    QTest::newRow("image, check off")
        << int(FlagState::Off) << "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n"
        << true;
    QTest::newRow("image, check greyed")
        << int(FlagState::Greyed) << "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n"
        << true;
    QTest::newRow("empty header block") << on << "" << false;
}

void PageAnalysisTests::contentType()
{
    QFETCH(int, flag);
    QFETCH(QString, header);
    QFETCH(bool, expected);
    Settings settings;
    settings.setFlag(Key::ContentTypeCheck, FlagState(flag));
    QCOMPARE(CheckContentType(settings.snapshot(), header), expected);
}

void PageAnalysisTests::status_data()
{
    QTest::addColumn<QStringList>("valid");
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("expected");

    const QString ok10 = QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n");
    const QString missing = QStringLiteral("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n");
    QTest::newRow("empty list accepts") << QStringList{} << missing << true;
    QTest::newRow("200 OK refuses 404") << QStringList{"200 OK"} << missing << false;
    QTest::newRow("200 OK accepts HTTP/1.0") << QStringList{"200 OK"} << ok10 << true;
    QTest::newRow("second entry matches") << QStringList{"301 Moved Permanently", "200 OK"} << ok10 << true;
    QTest::newRow("first entry matches") << QStringList{"200 OK", "301 Moved Permanently"} << ok10 << true;
    QTest::newRow("none of several") << QStringList{"200 OK", "301 Moved Permanently"} << missing << false;
    QTest::newRow("empty entry matches everything") << QStringList{"200 OK", ""} << missing << true;
    QTest::newRow("invalid entry accepts") << QStringList{"200 (OK"} << missing << true;
    QTest::newRow("empty header block") << QStringList{"200 OK"} << "" << false;
    QTest::newRow("pattern entry") << QStringList{"HTTP/1\\.[01] 2\\d\\d"} << ok10 << true;
}

void PageAnalysisTests::status()
{
    QFETCH(QStringList, valid);
    QFETCH(QString, header);
    QFETCH(bool, expected);
    QCOMPARE(CheckStatus(valid, header), expected);
}

void PageAnalysisTests::recip_data()
{
    QTest::addColumn<bool>("use");
    QTest::addColumn<QString>("pattern"); // "*" keeps the default
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("expected");

    const QString linked = QStringLiteral("<p><a class=\"x\" href=\"http://www.example.com/\">Us</a></p>");
    const QString split = QStringLiteral("<p><a class=\"x\"\r\nhref=\"http://www.example.com/\">Us</a></p>");
    QTest::newRow("off") << false << "*"
                         << "<p>nothing</p>" << true;
    QTest::newRow("link present") << true << "*" << linked << true;
    QTest::newRow("link missing") << true << "*"
                                  << "<p><a href=\"http://other.org/\">x</a></p>" << false;
    QTest::newRow("link over two lines") << true << "*" << split << false;
    QTest::newRow("invalid pattern accepts") << true << "<a("
                                             << "<p>nothing</p>" << true;
    QTest::newRow("empty pattern accepts") << true << ""
                                           << "<p>nothing</p>" << true;
}

void PageAnalysisTests::recip()
{
    QFETCH(bool, use);
    QFETCH(QString, pattern);
    QFETCH(QString, page);
    QFETCH(bool, expected);
    Settings settings;
    settings.setFlag(Key::UseRecip, use ? FlagState::On : FlagState::Off);
    if (pattern != QLatin1String("*"))
        settings.setText(Key::Reciptext, pattern);
    QCOMPARE(CheckRecip(settings.snapshot(), page), expected);
}

void PageAnalysisTests::defaultsOnARealisticPage()
{
    Settings settings;
    const PageVerdict verdict =
        AnalysePage(settings.snapshot(), kPage, kOkHeader, {}, {QStringLiteral("200 OK")});
    QVERIFY(verdict.accepted());
    QCOMPARE(verdict.title, QStringLiteral("Cheap Garden Tools"));
    QCOMPARE(verdict.description, QStringLiteral("Spades, rakesand hoes youll love"));

    const ResultRow cells =
        FillRowCells(settings.snapshot(), verdict, QStringLiteral("http://www.garden.example.org/"), kPage);
    QCOMPARE(RowUrlDomain(settings.snapshot(), QStringLiteral("http://www.garden.example.org/")),
             QStringLiteral("www.garden.example.org"));
    QCOMPARE(cells.title, QStringLiteral("Cheap Garden Tools"));
    QCOMPARE(cells.email, QStringLiteral("help@garden.example.org"));
    QCOMPARE(cells.description, QStringLiteral("Spades, rakesand hoes youll love"));
}

// Each row refuses the page by one check; the bad-word replacement must still
// have run on the title, since no check cuts the others short.
void PageAnalysisTests::everyCheckRuns_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QStringList>("valid");
    QTest::addColumn<bool>("useRecip");
    QTest::addColumn<bool>("contentTypeOk");
    QTest::addColumn<bool>("statusOk");
    QTest::addColumn<bool>("addOk");

    const QString image = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n");
    QTest::newRow("content type") << image << QStringList{"200 OK"} << false << false << true << true;
    QTest::newRow("status") << kOkHeader << QStringList{"404"} << false << true << false << true;
    QTest::newRow("recip") << kOkHeader << QStringList{} << true << true << true << false;
    QTest::newRow("all three") << image << QStringList{"404"} << true << false << false << false;
}

void PageAnalysisTests::everyCheckRuns()
{
    QFETCH(QString, header);
    QFETCH(QStringList, valid);
    QFETCH(bool, useRecip);
    QFETCH(bool, contentTypeOk);
    QFETCH(bool, statusOk);
    QFETCH(bool, addOk);
    Settings settings;
    settings.setFlag(Key::UseRecip, useRecip ? FlagState::On : FlagState::Off);
    settings.setText(Key::Reciptext, QStringLiteral("partner\\.example"));
    settings.setSelected(Key::TitleBadWords2, true);
    settings.setText(Key::TitleBadWords3, QStringLiteral("xxx"));
    const PageVerdict verdict =
        AnalysePage(settings.snapshot(), kPage, header, {QStringLiteral("cheap")}, valid);
    QCOMPARE(verdict.contentTypeOk, contentTypeOk);
    QCOMPARE(verdict.statusOk, statusOk);
    QCOMPARE(verdict.addOk, addOk);
    QVERIFY(!verdict.accepted());
    QCOMPARE(verdict.title, QStringLiteral("xxx Garden Tools"));
}

void PageAnalysisTests::badWordInDescriptionRefuses()
{
    Settings settings;
    settings.setSelected(Key::DescriptionBadWords1, true);
    const QStringList badWords{QStringLiteral("casino"), QStringLiteral("hoes")};
    const PageVerdict verdict =
        AnalysePage(settings.snapshot(), kPage, kOkHeader, badWords, {QStringLiteral("200 OK")});
    QVERIFY(verdict.contentTypeOk);
    QVERIFY(verdict.statusOk);
    QVERIFY(!verdict.addOk);
    QCOMPARE(verdict.description, QStringLiteral("Spades, rakesand hoes youll love"));
}

void PageAnalysisTests::fallbackNeverTestedForBadWords()
{
    Settings settings;
    settings.setSelected(Key::TitleNoTitle3, true);
    settings.setText(Key::TitleNoTitle4, QStringLiteral("Cheap Links"));
    settings.setSelected(Key::TitleBadWords1, true);
    const QString page = QStringLiteral("<html><body>no title</body></html>");
    const PageVerdict verdict =
        AnalysePage(settings.snapshot(), page, kOkHeader, {QStringLiteral("cheap")}, {});
    QVERIFY(verdict.accepted());
    const ResultRow cells =
        FillRowCells(settings.snapshot(), verdict, QStringLiteral("http://links.example.net/"), page);
    QCOMPARE(cells.title, QStringLiteral("Cheap Links"));
}

void PageAnalysisTests::pageWithoutFieldsStillAccepted()
{
    Settings settings;
    settings.setFlag(Key::ContentTypeCheck, FlagState::Off);
    settings.setSelected(Key::TitleNoTitle1, true);
    settings.setSelected(Key::DescriptionNoTitle3, true);
    settings.setText(Key::DescriptionNoTitle4, QStringLiteral("No description"));
    settings.setSelected(Key::EmailOption3, true);
    const PageVerdict verdict = AnalysePage(settings.snapshot(), QString(), QString(), {}, {});
    QVERIFY(verdict.accepted());
    const ResultRow cells =
        FillRowCells(settings.snapshot(), verdict, QStringLiteral("http://www.example.org"), QString());
    QCOMPARE(RowUrlDomain(settings.snapshot(), QStringLiteral("http://www.example.org")),
             QStringLiteral("www.example.org"));
    QCOMPARE(cells.title, QStringLiteral("www.example.org"));
    QCOMPARE(cells.email, QStringLiteral("webmaster@www.example.org"));
    QCOMPARE(cells.description, QStringLiteral("No description"));

    settings.setSelected(Key::EmailOption3, false);
    QCOMPARE(
        FillRowCells(settings.snapshot(), verdict, QStringLiteral("http://www.example.org"), QString()).email,
        QString());
}

void PageAnalysisTests::titleReplaceHeedsCaseOnlyForTitle()
{
    Settings settings;
    for (const QString& stem : {QStringLiteral("Title"), QStringLiteral("Description")}) {
        settings.setFlag(keyNamed(stem + "Replace1"), FlagState::On);
        settings.setText(keyNamed(stem + "Replace2"), QStringLiteral("shop"));
        settings.setText(keyNamed(stem + "Replace3"), QStringLiteral("Store"));
    }
    const QString page = QStringLiteral("<title>Online Shop</title>\r\n"
                                        "<meta name=\"description\" content=\"Online Shop\">");
    const PageVerdict verdict = AnalysePage(settings.snapshot(), page, kOkHeader, {}, {});
    const ResultRow cells =
        FillRowCells(settings.snapshot(), verdict, QStringLiteral("http://shop.example.com/"), page);
    QCOMPARE(cells.title, QStringLiteral("Online Shop"));
    QCOMPARE(cells.description, QStringLiteral("Online Store"));
}

void PageAnalysisTests::catastrophicPatternsTakeTheFailureBranch()
{
    // The back reference keeps this pattern on the backtracking engine, where
    // it reaches the count limits: undecided. No place may let the page in
    // because of that.
    const QString bomb = QStringLiteral("(a+)+\\1$");
    const QString page = QStringLiteral("<title>") + QString(100000, u'a') + QStringLiteral("b</title>");

    Settings settings;
    settings.setFlag(Key::UseRecip, FlagState::On);
    settings.setText(Key::Reciptext, bomb);
    settings.setSelected(Key::TitleBadWords1, true);
    const QString header = QString(100000, u'a') + u'b';
    PageVerdict verdict = AnalysePage(settings.snapshot(), page, header, {}, {bomb});
    QVERIFY(!verdict.statusOk); // not a valid status
    QVERIFY(!verdict.addOk);    // no reciprocal link
    QCOMPARE(verdict.title.size(), 100001);

    settings.setFlag(Key::UseRecip, FlagState::Off);
    verdict = AnalysePage(settings.snapshot(), page, kOkHeader, {bomb}, {});
    QVERIFY(!verdict.addOk); // the bad word counts as found

    settings.setSelected(Key::TitleBadWords2, true);
    settings.setText(Key::TitleBadWords3, QStringLiteral("x"));
    verdict = AnalysePage(settings.snapshot(), page, kOkHeader, {bomb}, {});
    QVERIFY(verdict.addOk);
    QCOMPARE(verdict.title.size(), 100001); // the replace left the title as it was

    settings.setText(Key::TitleRegEx2, bomb);
    QCOMPARE(AnalysePage(settings.snapshot(), page, kOkHeader, {}, {}).title, QString());

    settings.setText(Key::EmailRegEx3, bomb);
    settings.setSelected(Key::EmailOption2, true);
    const ResultRow cells = FillRowCells(settings.snapshot(), verdict, QString(100000, u'a') + u'b', page);
    QCOMPARE(RowUrlDomain(settings.snapshot(), QString(100000, u'a') + u'b'), QString());
    QCOMPARE(cells.email, QStringLiteral("webmaster@"));

    // Without the back reference the same shape is decided exactly.
    settings.setFlag(Key::UseRecip, FlagState::On);
    settings.setText(Key::Reciptext, QStringLiteral("(a+)+$"));
    QVERIFY(!CheckRecip(settings.snapshot(), page));
    settings.setText(Key::Reciptext, QStringLiteral("(a+)+b<"));
    QVERIFY(CheckRecip(settings.snapshot(), page));
}

// Each row fails the named check (and, where two fail, shows which one is
// named); the detail is what the check saw, word for word.
void PageAnalysisTests::refusalReason_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("useRecip");
    QTest::addColumn<QString>("badWordsRefuse"); // "title", "description", "both" or ""
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("sentence");

    using K = PageRefusal::Kind;
    const QString notFound = QStringLiteral("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n");
    const QString pdf = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type:  application/pdf \r\n");
    QTest::newRow("accepted") << kOkHeader << false << "" << int(K::None) << ""
                              << "";
    QTest::newRow("status line") << notFound << false << "" << int(K::StatusLine) << "HTTP/1.1 404 Not Found"
                                 << "status line not accepted: HTTP/1.1 404 Not Found";
    QTest::newRow("content type") << pdf << false << "" << int(K::ContentType) << "application/pdf"
                                  << "content type is not HTML: application/pdf";
    QTest::newRow("content type without a blank") << "HTTP/1.1 200 OK\r\ncontent-type:text/html\r\n"
                                                  << false << "" << int(K::ContentType) << "text/html"
                                                  << "content type is not HTML: text/html";
    QTest::newRow("no content type") << "HTTP/1.1 200 OK\r\nServer: x\r\n"
                                     << false << "" << int(K::ContentType) << ""
                                     << "content type is not HTML";
    QTest::newRow("status line before content type")
        << "HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/plain\r\n"
        << true << "both" << int(K::StatusLine) << "HTTP/1.1 500 Internal Server Error"
        << "status line not accepted: HTTP/1.1 500 Internal Server Error";
    QTest::newRow("reciprocal link") << kOkHeader << true << "both" << int(K::ReciprocalLink) << ""
                                     << "reciprocal link not found";
    QTest::newRow("title bad word") << kOkHeader << false << "title" << int(K::TitleBadWord) << "garden"
                                    << "bad word in the title: garden";
    QTest::newRow("title before description")
        << kOkHeader << false << "both" << int(K::TitleBadWord) << "garden"
        << "bad word in the title: garden";
    QTest::newRow("description bad word")
        << kOkHeader << false << "description" << int(K::DescriptionBadWord) << "hoes"
        << "bad word in the description: hoes";
}

void PageAnalysisTests::refusalReason()
{
    QFETCH(QString, header);
    QFETCH(bool, useRecip);
    QFETCH(QString, badWordsRefuse);
    QFETCH(int, kind);
    QFETCH(QString, detail);
    QFETCH(QString, sentence);
    Settings settings;
    settings.setFlag(Key::UseRecip, useRecip ? FlagState::On : FlagState::Off);
    settings.setText(Key::Reciptext, QStringLiteral("partner\\.example"));
    if (badWordsRefuse == QLatin1String("title") || badWordsRefuse == QLatin1String("both"))
        settings.setSelected(Key::TitleBadWords1, true);
    if (badWordsRefuse == QLatin1String("description") || badWordsRefuse == QLatin1String("both"))
        settings.setSelected(Key::DescriptionBadWords1, true);
    // "casino" matches nothing; "hoes" only the description.
    const QStringList badWords{QStringLiteral("casino"), QStringLiteral("hoes"), QStringLiteral("garden")};
    const PageVerdict verdict =
        AnalysePage(settings.snapshot(), kPage, header, badWords, {QStringLiteral("200 OK")});
    QCOMPARE(int(verdict.refusal.kind), kind);
    QCOMPARE(verdict.refusal.detail, detail);
    QCOMPARE(verdict.refusal.sentence(), sentence);
    QCOMPARE(verdict.refusal.refused(), !verdict.accepted());
}

int runPageAnalysisTests(int argc, char** argv)
{
    PageAnalysisTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_PageAnalysis.moc"
