#include "linkback/LinkBackVerdict.h"
#include "linkback/LinkProof.h"

#include <QTest>

Q_DECLARE_METATYPE(RobotsAccess)

namespace {

const QString kPageUrl = QStringLiteral("http://partner.example/links.html");
const QString kHeader = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n");

QString page(const QString& head, const QString& body)
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html><head><title>Partners</title>") + head +
           QStringLiteral("</head><body>\r\n<p>Our partners:</p>\r\n") + body +
           QStringLiteral("\r\n</body></html>\r\n");
}

MySites mySite()
{
    return MySites::parse({QStringLiteral("example.com")});
}

LinkBackVerdict verdictOf(const QString& html, const QString& header = kHeader,
                          RobotsAccess robots = RobotsAccess::Allowed)
{
    return LinkBackVerdict::decide(LinkProof::examine(kPageUrl, header, html, mySite()), robots);
}

} // namespace

class ProofTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void verdicts_data();
    void verdicts();
    void linkText_data();
    void linkText();
    void evidenceIsCutAt300();
    void siteGivenAsAFolder();
    void allLinksMode();
    void manyAnchors();
    void deepNesting();
    void hugePage();
    void limitsStopTheParser();
    void binaryPage();
};

void ProofTests::verdicts_data()
{
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("header");
    QTest::addColumn<RobotsAccess>("robots");
    QTest::addColumn<QString>("line");

    const QString link = QStringLiteral("<a href=\"https://example.com/\">Example</a>");
    const QString ok = kHeader;
    const RobotsAccess open = RobotsAccess::Allowed;

    QTest::newRow("followed") << "" << link << ok << open
                              << "Link back: followed — <a href=\"https://example.com/\">Example</a>";
    QTest::newRow("no link") << ""
                             << "<a href=\"https://other.org/\">Other</a>" << ok << open
                             << "Link back: no link";
    QTest::newRow("only in a comment")
        << ""
        << "<!-- <a href=\"https://example.com/\">Example</a> -->" << ok << open
        << "Link back: only in a comment — <a href=\"https://example.com/\">Example</a>";
    QTest::newRow("hidden attribute")
        << ""
        << "<div hidden><a href=\"https://example.com/\">Example</a></div>" << ok << open
        << "Link back: hidden — <a href=\"https://example.com/\">Example</a>";
    QTest::newRow("display none above")
        << ""
        << "<div style=\"color: red; DISPLAY : none !important\"><p><a "
           "href=\"https://example.com/\">Example</a>"
        << ok << open << "Link back: hidden — <a href=\"https://example.com/\">Example</a>";
    QTest::newRow("visibility hidden on the link")
        << ""
        << "<a style=\"visibility:hidden\" href=\"https://example.com/\">Example</a>" << ok << open
        << "Link back: hidden — <a style=\"visibility:hidden\" href=\"https://example.com/\">Example</a>";
    QTest::newRow("visibility given back")
        << ""
        << "<div style=\"visibility:hidden\"><a style=\"visibility: visible\" "
           "href=\"https://example.com/\">E</a></div>"
        << ok << open
        << "Link back: followed — <a style=\"visibility: visible\" href=\"https://example.com/\">E</a>";
    // Inline style as a browser reads it.
    const auto styled = [](const QString& style) {
        return "<a style=\"" + style + "\" href=\"https://example.com/\">E</a>";
    };
    const auto inStyled = [](const QString& outer, const QString& inner) {
        return "<div style=\"" + outer + "\"><a style=\"" + inner +
               "\" href=\"https://example.com/\">E</a></div>";
    };
    QTest::newRow("an invalid display counts for nothing")
        << "" << styled("display:none;display:bogus") << ok << open
        << "Link back: hidden — " + styled("display:none;display:bogus");
    QTest::newRow("important beats a later display")
        << "" << styled("display: none !important; display: inline") << ok << open
        << "Link back: hidden — " + styled("display: none !important; display: inline");
    QTest::newRow("another bang drops the declaration")
        << "" << styled("display: none !ie") << ok << open
        << "Link back: followed — " + styled("display: none !ie");
    QTest::newRow("escaped display") << "" << styled("display:\\6e one") << ok << open
                                     << "Link back: hidden — " + styled("display:\\6e one");
    QTest::newRow("visibility initial in a hidden block")
        << "" << inStyled("visibility:hidden", "visibility:initial") << ok << open
        << "Link back: followed — " + styled("visibility:initial");
    QTest::newRow("visibility unset in a hidden block")
        << "" << inStyled("visibility:hidden", "visibility:unset") << ok << open
        << "Link back: hidden — " + styled("visibility:unset");
    QTest::newRow("visibility revert in a hidden block")
        << "" << inStyled("visibility:hidden", "visibility:revert") << ok << open
        << "Link back: hidden — " + styled("visibility:revert");
    QTest::newRow("a display shows a hidden element")
        << ""
        << "<span hidden style=\"display:inline\">" + link + "</span>" << ok << open
        << "Link back: followed — " + link;
    QTest::newRow("display from an inherited custom property")
        << "" << inStyled("--gone:none", "display:var(--gone)") << ok << open
        << "Link back: hidden — " + styled("display:var(--gone)");
    QTest::newRow("only in noscript")
        << ""
        << "<noscript><a href=\"https://example.com/\">Example</a></noscript>" << ok << open
        << "Link back: hidden — <a href=\"https://example.com/\">Example</a>";
    QTest::newRow("a hidden and a shown link")
        << ""
        << "<span hidden><a href=\"https://example.com/a\">A</a></span> <a "
           "href=\"https://example.com/b\">B</a>"
        << ok << open << "Link back: followed — <a href=\"https://example.com/b\">B</a>";
    QTest::newRow("nofollow")
        << ""
        << "<a href=\"https://example.com/\" rel=\"nofollow\">Example</a>" << ok << open
        << "Link back: nofollow — <a href=\"https://example.com/\" rel=\"nofollow\">Example</a>";
    QTest::newRow("sponsored")
        << ""
        << "<a rel=\"noopener Sponsored\" href=\"https://example.com/\">E</a>" << ok << open
        << "Link back: nofollow — <a rel=\"noopener Sponsored\" href=\"https://example.com/\">E</a>";
    QTest::newRow("ugc") << ""
                         << "<a rel=ugc href=https://example.com/>E</a>" << ok << open
                         << "Link back: nofollow — <a rel=ugc href=https://example.com/>E</a>";
    QTest::newRow("nofollow, then followed")
        << ""
        << "<a rel=nofollow href=\"https://example.com/a\">A</a><a href=\"https://example.com/b\">B</a>" << ok
        << open << "Link back: followed — <a href=\"https://example.com/b\">B</a>";
    QTest::newRow("hidden before nofollow")
        << ""
        << "<a hidden rel=nofollow href=\"https://example.com/\">E</a>" << ok << open
        << "Link back: hidden — <a hidden rel=nofollow href=\"https://example.com/\">E</a>";
    QTest::newRow("meta robots nofollow") << "<meta name=\"robots\" content=\"index, nofollow\">" << link
                                          << ok << open << "Link back: nofollow — " + link;
    QTest::newRow("meta robots noindex") << "<META NAME=\"Robots\" CONTENT=\"NOINDEX\">" << link << ok << open
                                         << "Link back: noindex — " + link;
    QTest::newRow("meta googlebot none") << "<meta name=\"googlebot\" content=\"none\">" << link << ok << open
                                         << "Link back: nofollow — " + link;
    QTest::newRow("meta for another crawler") << "<meta name=\"bingbot\" content=\"noindex\">" << link << ok
                                              << open << "Link back: followed — " + link;
    QTest::newRow("X-Robots-Tag") << "" << link << kHeader + "X-Robots-Tag: noindex\r\n"
                                  << open << "Link back: noindex — " + link;
    QTest::newRow("X-Robots-Tag for googlebot")
        << "" << link << kHeader + "x-robots-tag: googlebot: noindex, nofollow\r\n"
        << open << "Link back: nofollow — " + link;
    QTest::newRow("X-Robots-Tag for another crawler")
        << "" << link << kHeader + "X-Robots-Tag: otherbot: noindex\r\n"
        << open << "Link back: followed — " + link;
    QTest::newRow("X-Robots-Tag with a value")
        << "" << link << kHeader + "X-Robots-Tag: max-snippet: 20, noindex\r\n"
        << open << "Link back: noindex — " + link;
    QTest::newRow("blocked by robots.txt")
        << "" << link << ok << RobotsAccess::Disallowed << "Link back: blocked by robots.txt — " + link;
    QTest::newRow("robots.txt not read yet")
        << "" << link << ok << RobotsAccess::Unknown << "Link back: followed — " + link;
    QTest::newRow("noindex before blocked") << "<meta name=robots content=noindex>" << link << ok
                                            << RobotsAccess::Disallowed << "Link back: noindex — " + link;
    QTest::newRow("canonical elsewhere")
        << "<link rel=\"canonical\" href=\"https://partner.example/other.html\">" << link << ok << open
        << "Link back: canonical elsewhere — " + link;
    QTest::newRow("canonical is this page") << "<link rel=canonical href=\"/links.html#top\">" << link << ok
                                            << open << "Link back: followed — " + link;
    QTest::newRow("canonical, https twin")
        << "<link rel=canonical href=\"https://PARTNER.example:443/links.html\">" << link << ok << open
        << "Link back: followed — " + link;
    QTest::newRow("blocked before canonical")
        << "<link rel=canonical href=\"/other.html\">" << link << ok << RobotsAccess::Disallowed
        << "Link back: blocked by robots.txt — " + link;
    QTest::newRow("entities in the target")
        << ""
        << "<a href=\"https&#58;//example&period;com/\">E</a>" << ok << open
        << "Link back: followed — <a href=\"https&#58;//example&period;com/\">E</a>";
    // Spellings a browser rewrites into the site's address: each must reach
    // the parser, whatever quick look comes before it.
    QTest::newRow("named reference in the host")
        << ""
        << "<a href=\"http://example&period;com/\">E</a>" << ok << open
        << "Link back: followed — <a href=\"http://example&period;com/\">E</a>";
    QTest::newRow("numeric reference in the host")
        << ""
        << "<a href=\"http://exa&#109;ple.com/\">E</a>" << ok << open
        << "Link back: followed — <a href=\"http://exa&#109;ple.com/\">E</a>";
    QTest::newRow("percent in the host") << ""
                                         << "<a href=\"http://%65xample.com/\">E</a>" << ok << open
                                         << "Link back: followed — <a href=\"http://%65xample.com/\">E</a>";
    QTest::newRow("line break in the host") << ""
                                            << "<a href=\"http://exa\r\nmple.com/\">E</a>" << ok << open
                                            << "Link back: followed — <a href=\"http://exa mple.com/\">E</a>";
    QTest::newRow("full-width letters")
        << "" << QString::fromUtf8("<a href=\"http://\uFF25XAMPLE\u3002com/\">E</a>") << ok << open
        << QString::fromUtf8("Link back: followed — <a href=\"http://\uFF25XAMPLE\u3002com/\">E</a>");
    QTest::newRow("backslashes") << ""
                                 << "<a href=\"https:\\\\EXAMPLE.com\\\">E</a>" << ok << open
                                 << "Link back: followed — <a href=\"https:\\\\EXAMPLE.com\\\">E</a>";
    QTest::newRow("quote in the text before")
        << ""
        << "<p>say href=\"x <a href=\"https://example.com/\">E</a> \"</p>" << ok << open
        << "Link back: followed — <a href=\"https://example.com/\">E</a>";
    QTest::newRow("base") << "<base href=\"https://www.example.com/\">"
                          << "<a href=\"about.html\">About</a>" << ok << open
                          << "Link back: followed — <a href=\"about.html\">About</a>";
    QTest::newRow("protocol-relative") << ""
                                       << "<a href=\"//WWW.EXAMPLE.COM/x\">X</a>" << ok << open
                                       << "Link back: followed — <a href=\"//WWW.EXAMPLE.COM/x\">X</a>";
    QTest::newRow("image map")
        << ""
        << "<map name=m><area shape=rect coords=0,0,9,9 href=\"https://example.com/\" alt=Ex></map>" << ok
        << open
        << "Link back: followed — <area shape=rect coords=0,0,9,9 href=\"https://example.com/\" alt=Ex>";
    QTest::newRow("javascript target") << ""
                                       << "<a href=\"javascript:location='https://example.com/'\">E</a>" << ok
                                       << open << "Link back: no link";
    QTest::newRow("data target") << ""
                                 << "<a href=\"data:text/html,<a href=https://example.com/>E</a>\">E</a>"
                                 << ok << open << "Link back: no link";
    QTest::newRow("written by a script")
        << ""
        << "<script>document.write('<a href=\"https://example.com/\">E</a>')</script>" << ok << open
        << "Link back: no link";
    QTest::newRow("script that opens a comment and names a script")
        << ""
        << "<script><!-- document.write(\"<script>x</script>\"); <a href=\"https://example.com/\">E</a> "
           "--></script>"
        << ok << open << "Link back: no link";
    QTest::newRow("display none far above, words between")
        << ""
        << "<div class=\"box\" style=\"display: none\" id=\"partners\"><p>Our partners and friends</p> "
           "listed here <span title=\"x\">for years</span> <a href=\"https://example.com/\">Example</a></div>"
        << ok << open << "Link back: hidden — <a href=\"https://example.com/\">Example</a>";
    QTest::newRow("inside a textarea") << ""
                                       << "<textarea><a href=\"https://example.com/\">E</a></textarea>" << ok
                                       << open << "Link back: no link";
    QTest::newRow("template content") << ""
                                      << "<template><a href=\"https://example.com/\">E</a></template>" << ok
                                      << open << "Link back: no link";
    QTest::newRow("end tag left out") << ""
                                      << "<p><a href=\"https://example.com/\">Example</p>" << ok << open
                                      << "Link back: followed — <a href=\"https://example.com/\">Example</a>";
    QTest::newRow("malformed tag") << ""
                                   << "<a href=\"https://example.com/\"<b>x</a>" << ok << open
                                   << "Link back: followed — <a href=\"https://example.com/\"<b>x</a>";
    QTest::newRow("markup over lines")
        << ""
        << "<a\r\n   href=\"https://example.com/\"\r\n>Example</a>" << ok << open
        << "Link back: followed — <a href=\"https://example.com/\" >Example</a>";
    QTest::newRow("comment and hidden link")
        << ""
        << "<!-- <a href=https://example.com/>old</a> --><a hidden href=https://example.com/>new</a>" << ok
        << open << "Link back: hidden — <a hidden href=https://example.com/>new</a>";
    QTest::newRow("unclosed comment")
        << ""
        << "<!-- <a href=\"https://example.com/\">E</a>" << ok << open
        << "Link back: only in a comment — <a href=\"https://example.com/\">E</a>";
}

void ProofTests::verdicts()
{
    QFETCH(QString, head);
    QFETCH(QString, body);
    QFETCH(QString, header);
    QFETCH(RobotsAccess, robots);
    QFETCH(QString, line);
    QCOMPARE(verdictOf(page(head, body), header, robots).testRunLine(), line);
}

void ProofTests::linkText_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("text");

    QTest::newRow("text") << "<a href=\"https://example.com/\">  Example\r\n  site </a>"
                          << "Example site";
    QTest::newRow("entities") << "<a href=\"https://example.com/\">Fish &amp; Chips&nbsp;&#x21;</a>"
                              << QString::fromUtf8("Fish & Chips\u00a0!").simplified();
    QTest::newRow("image alt")
        << "<a href=\"https://example.com/\"><img src=b.png alt=\"Example banner\"></a>"
        << "Example banner";
    QTest::newRow("nested markup") << "<a href=\"https://example.com/\"><b>Ex</b><i>ample</i></a>"
                                   << "Example";
    QTest::newRow("area alt") << "<map><area href=\"https://example.com/\" alt=\"Home\"></map>"
                              << "Home";
    // The end tag inside the cell closes nothing: the link goes on after it.
    QTest::newRow("end tag the parser ignores")
        << "<a href=\"https://example.com/\">Example <table><tr><td></a>cell words</td></tr></table> "
           "more words</a>"
        << "Example cell words more words";
}

void ProofTests::linkText()
{
    QFETCH(QString, body);
    QFETCH(QString, text);
    const LinkProofResult proof = LinkProof::examine(kPageUrl, kHeader, page({}, body), mySite());
    QCOMPARE(proof.links.size(), 1);
    QCOMPARE(proof.links.first().text, text);
}

void ProofTests::evidenceIsCutAt300()
{
    const QString longText(400, u'x');
    const LinkBackVerdict v = verdictOf(page({}, "<a href=\"https://example.com/\">" + longText + "</a>"));
    QCOMPARE(v.kind, LinkBack::Followed);
    QCOMPARE(v.evidence.size(), 300);
    QCOMPARE(v.evidence,
             QStringLiteral("<a href=\"https://example.com/\">") + QString(268, u'x') + QChar(0x2026));
}

void ProofTests::siteGivenAsAFolder()
{
    // A page elsewhere on the user's own host links into the folder with a
    // relative target.
    const MySites blog = MySites::parse({QStringLiteral("https://example.com/blog/")});
    const QString html = page({}, "<a href=\"/shop/\">Shop</a> <a href=\"/blog/post\">Post</a>");
    const LinkProofResult proof =
        LinkProof::examine(QStringLiteral("https://www.example.com/shop/partners.html"), kHeader, html, blog);
    QCOMPARE(LinkBackVerdict::decide(proof, RobotsAccess::Allowed).testRunLine(),
             QStringLiteral("Link back: followed — <a href=\"/blog/post\">Post</a>"));
}

void ProofTests::allLinksMode()
{
    const QString html =
        page({}, "<a name=top>no target</a><a href=\"/x\">x</a><a href=\"mailto:a@b.example\">m</a>"
                 "<noscript><a href=\"/n\">n</a></noscript><!-- <a href=\"/c\">c</a> -->"
                 "<a href=\" http://exa mple.example/\">invalid</a>");
    const LinkProofResult proof =
        LinkProof::examine(kPageUrl, kHeader, html, MySites(), LinkProof::Scope::AllLinks);
    QStringList seen;
    for (const ProofLink& link : proof.links)
        seen << link.target + (link.inNoscript ? " noscript" : "") + (link.inComment ? " comment" : "");
    QCOMPARE(seen, (QStringList{"", "http://partner.example/x", "mailto:a@b.example",
                                "http://partner.example/n noscript", " http://exa mple.example/",
                                "http://partner.example/c comment"}));
    // The user's sites are not asked in this mode, and none is set.
    QCOMPARE(LinkProof::examine(kPageUrl, kHeader, html, MySites()).links.size(), 0);
}

void ProofTests::manyAnchors()
{
    QString body;
    body.reserve(100000 * 40);
    for (int i = 0; i < 100000; ++i)
        body += QStringLiteral("<a href=\"http://s%1.other.org/\">%1</a>\r\n").arg(i);
    body += QStringLiteral("<a href=\"https://example.com/\">Example</a>");
    const LinkProofResult proof = LinkProof::examine(kPageUrl, kHeader, page({}, body), mySite());
    QCOMPARE(LinkBackVerdict::decide(proof, RobotsAccess::Allowed).testRunLine(),
             QStringLiteral("Link back: followed — <a href=\"https://example.com/\">Example</a>"));
    const LinkProofResult all =
        LinkProof::examine(kPageUrl, kHeader, page({}, body), MySites(), LinkProof::Scope::AllLinks);
    QCOMPARE(all.links.size(), 100001);
}

void ProofTests::deepNesting()
{
    const QString open = QStringLiteral("<div>").repeated(10000);
    const QString link = QStringLiteral("<a href=\"https://example.com/\">Example</a>");
    QCOMPARE(verdictOf(page({}, open + link)).kind, LinkBack::Followed);
    QCOMPARE(verdictOf(page({}, "<section style=\"display:none\">" + open + link)).kind, LinkBack::Hidden);
    // Nested inline elements and unclosed formatting elements, each their own road in the parser.
    QCOMPARE(verdictOf(page({}, QStringLiteral("<span>").repeated(10000) + link)).kind, LinkBack::Followed);
    QCOMPARE(verdictOf(page({}, QStringLiteral("<b><i>").repeated(5000) + link)).kind, LinkBack::Followed);
}

void ProofTests::hugePage()
{
    // 16 MiB of text, the fetcher's size limit, with the link at the very end.
    QString body = QStringLiteral("<p>");
    const QString words = QStringLiteral("garden tools and the best partner resources for you ");
    body.reserve(16 * 1024 * 1024 + 100);
    while (body.size() < 16 * 1024 * 1024)
        body += words;
    body += QStringLiteral("<a href=\"https://example.com/\">Example</a>");
    QCOMPARE(verdictOf(page({}, body)).kind, LinkBack::Followed);
}

void ProofTests::limitsStopTheParser()
{
    const QString html =
        page({}, QStringLiteral("<p><a href=\"https://example.com/\">E</a></p>").repeated(20000));
    GumboArena::Limits small;
    small.memoryBytes = 1 << 20;
    LinkProofResult proof =
        LinkProof::examine(kPageUrl, kHeader, html, mySite(), LinkProof::Scope::MySites, small);
    QVERIFY(!proof.complete);
    QCOMPARE(LinkBackVerdict::decide(proof, RobotsAccess::Allowed).testRunLine(),
             QStringLiteral("Link back: no link — (the page is too large or too deeply nested to be read)"));

    GumboArena::Limits cancelled;
    cancelled.cancelled = [] { return true; };
    proof = LinkProof::examine(kPageUrl, kHeader, html, mySite(), LinkProof::Scope::MySites, cancelled);
    QVERIFY(!proof.complete);

    // Block elements nested 200,000 deep cost the parser time in the square of
    // the depth; the processor-time limit ends that.
    GumboArena::Limits quick;
    quick.cpuMilliseconds = 300;
    proof = LinkProof::examine(
        kPageUrl, kHeader, QStringLiteral("<div>").repeated(200000) + "<a href=https://example.com/>E</a>",
        mySite(), LinkProof::Scope::MySites, quick);
    QVERIFY(!proof.complete);
}

void ProofTests::binaryPage()
{
    QByteArray bytes(1 << 20, '\0');
    quint32 state = 12345;
    for (char& b : bytes) {
        state = state * 1103515245 + 12345;
        b = char(state >> 24);
    }
    // The link first: random bytes may open a tag or a quote that never ends.
    const QString text = "<a href=https://example.com/>E</a>" + QString::fromLatin1(bytes);
    QCOMPARE(verdictOf(text).kind, LinkBack::Followed);
}

int runProofTests(int argc, char** argv)
{
    ProofTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_Proof.moc"
