#include "linkback/MySites.h"
#include "linkback/WebUrl.h"

#include <QTest>

class SitesTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void covers_data();
    void covers();
    void badEntries_data();
    void badEntries();
    void resolve_data();
    void resolve();
};

void SitesTests::covers_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("covered");

    QTest::newRow("bare host") << "example.com"
                               << "http://example.com/" << true;
    QTest::newRow("www twin, https") << "example.com"
                                     << "https://www.example.com/page" << true;
    QTest::newRow("www entry covers bare") << "www.example.com"
                                           << "http://example.com/" << true;
    QTest::newRow("other subdomain") << "example.com"
                                     << "http://blog.example.com/" << false;
    QTest::newRow("suffix trick") << "example.com"
                                  << "http://example.com.evil.org/" << false;
    QTest::newRow("prefix trick") << "example.com"
                                  << "http://notexample.com/" << false;
    QTest::newRow("trailing dots, letter case") << "EXAMPLE.com."
                                                << "http://example.COM./x" << true;
    QTest::newRow("unicode entry, ascii link")
        << QString::fromUtf8("bücher.de") << "http://xn--bcher-kva.de/" << true;
    QTest::newRow("ascii entry, unicode link")
        << "xn--bcher-kva.de" << QString::fromUtf8("https://BÜCHER.de/") << true;
    QTest::newRow("port entry") << "example.com:8080"
                                << "http://example.com:8080/" << true;
    QTest::newRow("port entry, default port") << "example.com:8080"
                                              << "http://example.com/" << false;
    QTest::newRow("other port") << "example.com"
                                << "http://example.com:8080/" << false;
    QTest::newRow("default port written") << "example.com"
                                          << "https://example.com:443/" << true;
    QTest::newRow("prefix entry") << "https://example.com/blog/"
                                  << "http://www.example.com/blog/post" << true;
    QTest::newRow("prefix entry, bare folder") << "https://example.com/blog/"
                                               << "http://example.com/blog" << true;
    QTest::newRow("prefix entry, other path") << "https://example.com/blog/"
                                              << "http://example.com/shop/" << false;
    QTest::newRow("javascript") << "example.com"
                                << "javascript:location='http://example.com/'" << false;
    QTest::newRow("ftp") << "example.com"
                         << "ftp://example.com/" << false;
    QTest::newRow("user info") << "example.com"
                               << "http://user@example.com/" << true;
    QTest::newRow("short IPv4") << "127.0.0.1:8080"
                                << "http://127.1:8080/" << true;
    QTest::newRow("percent-encoded host") << "example.com"
                                          << "http://%65xample.com/" << true;
}

void SitesTests::covers()
{
    QFETCH(QString, entry);
    QFETCH(QString, url);
    QFETCH(bool, covered);
    QString message;
    const MySites sites = MySites::parse({entry});
    QCOMPARE(sites.sites().size(), 1);
    QCOMPARE(sites.covers(url), covered);
}

void SitesTests::badEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("message");

    const QString empty = QStringLiteral("A site entry is empty: give a host name such as example.com or an "
                                         "address such as https://example.com/.");
    QTest::newRow("empty") << "" << empty;
    QTest::newRow("blanks") << "   " << empty;
    QTest::newRow("blank inside") << "exa mple.com"
                                  << "\"exa mple.com\" is not a host name or a web address.";
    QTest::newRow("port too large") << "example.com:99999"
                                    << "\"example.com:99999\" is not a host name or a web address.";
    QTest::newRow("scheme only") << "http://"
                                 << "\"http://\" is not a host name or a web address.";
    QTest::newRow("dot") << "."
                         << "\".\" is not a host name or a web address.";
    QTest::newRow("ftp") << "ftp://example.com"
                         << "\"ftp://example.com\" is not a web address: only http:// and https:// addresses "
                            "or host names can be sites.";
    QTest::newRow("query") << "example.com/?x=1"
                           << "\"example.com/?x=1\" has a query (\"?\"); give the site's host name or the "
                              "start of its addresses.";
}

void SitesTests::badEntries()
{
    QFETCH(QString, entry);
    QFETCH(QString, message);
    QStringList messages;
    const MySites sites = MySites::parse({entry, QStringLiteral("example.org")}, &messages);
    QCOMPARE(messages, QStringList{message});
    // The good entry beside it still counts.
    QCOMPARE(sites.sites().size(), 1);
    QVERIFY(sites.covers(QStringLiteral("http://example.org/")));
}

void SitesTests::resolve_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("resolved"); // "" when the target does not resolve

    QTest::newRow("encoded letter decoded") << "x%41y%7e%2F"
                                            << "http://www.example.com/dir/xAy~%2F";
    QTest::newRow("protocol-relative") << "//Other.COM:443/p"
                                       << "http://other.com:443/p";
    QTest::newRow("parent") << "../up"
                            << "http://www.example.com/up";
    QTest::newRow("above the root") << "../../../up"
                                    << "http://www.example.com/up";
    QTest::newRow("query only") << "?q"
                                << "http://www.example.com/dir/page.html?q";
    QTest::newRow("fragment only") << "#top"
                                   << "http://www.example.com/dir/page.html?q=1#top";
    QTest::newRow("empty") << ""
                           << "http://www.example.com/dir/page.html?q=1";
    QTest::newRow("upper case, no path") << "HTTP://EXAMPLE.COM"
                                         << "http://example.com/";
    QTest::newRow("international") << QString::fromUtf8("https://bücher.de/ü?ä")
                                   << "https://xn--bcher-kva.de/%C3%BC?%C3%A4";
    QTest::newRow("javascript") << "javascript:void(0)"
                                << "javascript:void(0)";
    QTest::newRow("data") << "data:text/html,<b>x</b>"
                          << "data:text/html,<b>x</b>";
    QTest::newRow("tabs and breaks") << " \thttp://exa\r\nmple.com/ "
                                     << "http://example.com/";
    QTest::newRow("same scheme, relative") << "http:page2"
                                           << "http://www.example.com/dir/page2";
    QTest::newRow("backslashes") << "\\\\evil.org\\x"
                                 << "http://evil.org/x";
    QTest::newRow("blank in host") << "http://exa mple.com/"
                                   << "";
    QTest::newRow("default port dropped") << "https://example.com:443/"
                                          << "https://example.com/";
    QTest::newRow("blank and quote in path") << "/a b/c\"d"
                                             << "http://www.example.com/a%20b/c%22d";
    QTest::newRow("dot segments encoded") << "/a/%2e%2E/b/."
                                          << "http://www.example.com/b/";
    QTest::newRow("hex IPv4") << "http://0x7f.1/"
                              << "http://127.0.0.1/";
    QTest::newRow("trailing dot kept") << "http://Example.com./"
                                       << "http://example.com./";
}

void SitesTests::resolve()
{
    QFETCH(QString, href);
    QFETCH(QString, resolved);
    const WebUrl base = WebUrl::parse(QStringLiteral("http://www.Example.com:80/dir/page.html?q=1#f"));
    QVERIFY(base.isValid());
    QCOMPARE(base.resolved(href).toString(), resolved);
}

int runSitesTests(int argc, char** argv)
{
    SitesTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_Sites.moc"
