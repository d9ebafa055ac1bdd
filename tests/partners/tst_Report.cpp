#include "partners/PartnerReport.h"

#include <QTest>

class ReportTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textFromPagesIsNoMarkup();
};

namespace {

PartnerReport sample()
{
    PartnerReport report;
    report.title = QStringLiteral("Partners of <me>");
    report.summary = QStringLiteral("2 partners: 1 kept, 1 now nofollow");
    report.svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg width=\"1\"><rect/></svg>");
    PartnerLine hostile;
    hostile.partnerPage = QStringLiteral("javascript:alert(1)");
    hostile.state = QStringLiteral("nofollow");
    hostile.since = QDate(2025, 1, 6);
    hostile.anchorText = QStringLiteral("<b>\"Tom's\" & Jerry</b>");
    hostile.lastChecked = QDate(2025, 3, 3);
    hostile.email = QStringLiteral("a@b.org");
    hostile.change = QStringLiteral("=HYPERLINK(\"x\")");
    PartnerLine plain;
    plain.partnerPage = QStringLiteral("http://p.example/?a=1&b=<2>");
    plain.state = QStringLiteral("followed");
    plain.anchorText = QStringLiteral("Best links");
    plain.lastChecked = QDate(2025, 3, 3);
    plain.change = QStringLiteral("kept");
    report.lines = {hostile, plain};
    return report;
}

} // namespace

void ReportTests::textFromPagesIsNoMarkup()
{
    const PartnerReport report = sample();
    const QByteArray html = report.html();
    QVERIFY(html.contains("<title>Partners of &lt;me&gt;</title>"));
    QVERIFY(html.contains("<td>&lt;b&gt;&quot;Tom&#39;s&quot; &amp; Jerry&lt;/b&gt;</td>"));
    QVERIFY(!html.contains("<b>"));
    // Only a web address becomes a link: a saved report must not run a script.
    QVERIFY(html.contains("<tr><td class=\"page\">javascript:alert(1)</td>"));
    QVERIFY(html.contains(
        "<td class=\"page\"><a "
        "href=\"http://p.example/?a=1&amp;b=%3C2%3E\">http://p.example/?a=1&amp;b=&lt;2&gt;</a></td>"));
    // The picture inline, without the XML declaration that means nothing in HTML.
    QVERIFY(html.contains("<figure>\n<svg width=\"1\"><rect/></svg>\n</figure>"));
    QVERIFY(!html.contains("<?xml"));

    QCOMPARE(
        report.csv(),
        QByteArray(
            "partner_page,state,since,anchor_text,last_checked,email,change\r\n"
            "javascript:alert(1),nofollow,2025-01-06,\"<b>\"\"Tom's\"\" & Jerry</b>\",2025-03-03,a@b.org,"
            "\"'=HYPERLINK(\"\"x\"\")\"\r\n"
            "http://p.example/?a=1&b=<2>,followed,,Best links,2025-03-03,,kept\r\n"));
}

int runReportTests(int argc, char** argv)
{
    ReportTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_Report.moc"
