#include "filters/SortedListModel.h"
#include "links/LinkHarvester.h"
#include "links/LinkListOps.h"

#include <QTest>

Q_DECLARE_METATYPE(PageAnchors)

namespace {

PageAnchors pageWith(const QStringList& hrefs)
{
    PageAnchors page;
    page.hasDocument = true;
    page.hrefs = hrefs;
    return page;
}

FrameAnchors frame(const QStringList& hrefs, bool readable = true)
{
    FrameAnchors f;
    f.readable = readable;
    f.hrefs = hrefs;
    return f;
}

} // namespace

class LinkRulesTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unwrap_data();
    void unwrap();
    void typedLink_data();
    void typedLink();
    void framesRule_data();
    void framesRule();
    void harvestKeepsTheFirstOfEqualTexts();
    void emptyTargetsLeaveOneEmptyEntry();
    void typedLinkIsNotDeduplicated();
    void badUrls_data();
    void badUrls();
    void badUrlsKeepOrderOfEqualTexts();
};

void LinkRulesTests::unwrap_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("expected");

    QTest::newRow("tracking link carrying http") << "http://track.example/r?u=http://real.example/page.html"
                                                 << "http://real.example/page.html";
    QTest::newRow("tracking link carrying ftp") << "http://track.example/r?u=ftp://files.example/a.zip"
                                                << "ftp://files.example/a.zip";
    QTest::newRow("https kept whole") << "https://secure.example/a?b=c"
                                      << "https://secure.example/a?b=c";
    QTest::newRow("https carrying http") << "https://t.example/?u=http://x.example/"
                                         << "http://x.example/";
    QTest::newRow("ftp carrying http") << "ftp://a.example/?x=http://b.example/"
                                       << "http://b.example/";
    QTest::newRow("later of the two wins") << "http://a/?x=ftp://b/?y=http://c/"
                                           << "http://c/";
    QTest::newRow("ftp after two http") << "http://a/?x=http://b/?y=ftp://c/"
                                        << "ftp://c/";
    QTest::newRow("capitals are not an address") << "http://a.example/?u=HTTP://B.EXAMPLE/"
                                                 << "http://a.example/?u=HTTP://B.EXAMPLE/";
    QTest::newRow("encoded address stays") << "http://a.example/?u=http%3A%2F%2Fb"
                                           << "http://a.example/?u=http%3A%2F%2Fb";
    QTest::newRow("mail target") << "mailto:someone@example.com"
                                 << "mailto:someone@example.com";
    QTest::newRow("script target") << "javascript:void(0)"
                                   << "javascript:void(0)";
    QTest::newRow("empty") << ""
                           << "";
}

void LinkRulesTests::unwrap()
{
    QFETCH(QString, href);
    QFETCH(QString, expected);
    QCOMPARE(LinkHarvester::unwrapEmbeddedUrl(href), expected);
}

void LinkRulesTests::typedLink_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("untouched prompt") << "http://" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("http address") << "http://www.example.com/" << true;
    QTest::newRow("https address") << "https://www.example.com/" << true;
    QTest::newRow("ftp address") << "ftp://files.example.com/" << false;
    QTest::newRow("host starting with w") << "www.example.com" << true;
    QTest::newRow("host starting with e") << "example.com" << false;
    QTest::newRow("capitals") << "HTTP://WWW.EXAMPLE.COM/" << false;
    QTest::newRow("prefix of the prompt") << "http:/" << false;
    QTest::newRow("h then a later letter") << "hz" << true;
    QTest::newRow("leading blank") << " http://www.example.com/" << false;
}

void LinkRulesTests::typedLink()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(LinkListOps::acceptsTypedLink(text), accepted);

    SortedListModel links;
    links.add(QStringLiteral("http://kept.example/"));
    LinkListOps ops(links);
    QCOMPARE(ops.addTypedLink(text, false), accepted);
    QCOMPARE(links.count(), accepted ? 2 : 1);
    if (accepted)
        QVERIFY(links.entries().contains(text));
}

void LinkRulesTests::framesRule_data()
{
    QTest::addColumn<PageAnchors>("page");
    QTest::addColumn<QStringList>("expected");

    const QStringList own{"http://own/1", "http://own/2"};

    QTest::newRow("no document") << PageAnchors() << QStringList();
    QTest::newRow("no frames") << pageWith(own) << own;

    PageAnchors oneFrame = pageWith(own);
    oneFrame.frameCount = 1;
    oneFrame.frames = {frame({"http://inner/1"})};
    QTest::newRow("one inline frame: the page itself") << oneFrame << own;

    PageAnchors three = pageWith(own);
    three.frameCount = 3;
    three.frames = {frame({"http://f0/a", "http://f0/b"}), frame({"http://f1/a"}), frame({"http://f2/a"})};
    QTest::newRow("three frames: frames in index order, not the page")
        << three << QStringList{"http://f0/a", "http://f0/b", "http://f1/a", "http://f2/a"};

    PageAnchors unreadable = three;
    unreadable.frames[1] = frame({"http://secret/"}, false);
    QTest::newRow("unreadable frame adds nothing")
        << unreadable << QStringList{"http://f0/a", "http://f0/b", "http://f2/a"};

    PageAnchors twoEmpty = pageWith(own);
    twoEmpty.frameCount = 2;
    twoEmpty.frames = {frame({}), frame({}, false)};
    QTest::newRow("two empty frames: nothing") << twoEmpty << QStringList();

    PageAnchors shortList = three;
    shortList.frameCount = 5;
    QTest::newRow("count beyond the frames read")
        << shortList << QStringList{"http://f0/a", "http://f0/b", "http://f1/a", "http://f2/a"};

    PageAnchors unwrapped = pageWith({"http://t/?u=http://real/", "", "#top"});
    QTest::newRow("targets are unwrapped, nothing filtered")
        << unwrapped << QStringList{"http://real/", "", "#top"};
}

void LinkRulesTests::framesRule()
{
    QFETCH(PageAnchors, page);
    QFETCH(QStringList, expected);
    QCOMPARE(LinkHarvester::harvestPage(page), expected);
}

void LinkRulesTests::harvestKeepsTheFirstOfEqualTexts()
{
    SortedListModel links;
    links.add(QStringLiteral("http://SITE.example/"));
    LinkListOps ops(links);
    ops.addHarvest(pageWith({"http://site.example/", "http://Site.example/"}));
    QCOMPARE(links.entries(), QStringList{"http://SITE.example/"});

    SortedListModel fresh;
    LinkListOps freshOps(fresh);
    freshOps.addHarvest(pageWith({"http://Site.example/", "http://site.example/"}));
    QCOMPARE(fresh.entries(), QStringList{"http://Site.example/"});
}

void LinkRulesTests::emptyTargetsLeaveOneEmptyEntry()
{
    SortedListModel links;
    LinkListOps ops(links);
    ops.addHarvest(pageWith({"", "http://a/", ""}));
    QCOMPARE(links.entries(), (QStringList{"", "http://a/"}));
}

void LinkRulesTests::typedLinkIsNotDeduplicated()
{
    SortedListModel links;
    LinkListOps ops(links);
    const QString url = QStringLiteral("http://t/?u=http://inner/");
    QVERIFY(ops.addTypedLink(url, false));
    QVERIFY(ops.addTypedLink(url, false));
    QCOMPARE(links.entries(), (QStringList{url, url}));
}

void LinkRulesTests::badUrls_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<QStringList>("expected");

    const QStringList five{"http://a.example/", "http://c.example/", "http://casino.example/",
                           "http://d.example/CASINO", "http://e.example/"};
    QTest::newRow("invalid pattern after a valid one")
        << five << QStringList{"zzz", "(unclosed"} << QStringList();
    QTest::newRow("only empty patterns") << five << QStringList{"", ""} << five;
    QTest::newRow("empty list") << QStringList() << QStringList{"*"} << QStringList();
    QTest::newRow("regular expression")
        << five << QStringList{R"(^http://[cd]\.)"}
        << QStringList{"http://a.example/", "http://casino.example/", "http://e.example/"};
}

void LinkRulesTests::badUrls()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, patterns);
    QFETCH(QStringList, expected);

    SortedListModel links;
    links.addMany(entries);
    LinkListOps ops(links);
    QCOMPARE(ops.removeBadUrlMatches(patterns), int(entries.size() - expected.size()));
    QCOMPARE(links.entries(), expected);
}

void LinkRulesTests::badUrlsKeepOrderOfEqualTexts()
{
    SortedListModel links;
    links.add(QStringLiteral("http://b/"));
    links.add(QStringLiteral("http://B/"));
    links.add(QStringLiteral("http://x/"));
    LinkListOps ops(links);
    QCOMPARE(ops.removeBadUrlMatches({QStringLiteral("x")}), 1);
    QCOMPARE(links.entries(), (QStringList{"http://b/", "http://B/"}));
}

QTEST_GUILESS_MAIN(LinkRulesTests)

#include "tst_LinkRules.moc"
