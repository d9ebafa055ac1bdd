#include "linkback/LinkBackChange.h"

#include <QTest>

Q_DECLARE_METATYPE(LinkBack)

namespace {

// "-" for no previous check; else "verdict|status|final address".
std::optional<LinkBackCheck> check(const QString& text)
{
    if (text == u"-")
        return std::nullopt;
    const QStringList parts = text.split(u'|');
    LinkBackCheck c;
    c.verdict = *LinkBackVerdict::fromName(parts.at(0));
    c.status = parts.at(1).toInt();
    c.reached = c.status != 0;
    c.finalUrl = parts.at(2);
    return c;
}

} // namespace

class ChangeTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kinds_data();
    void kinds();
    void summary_data();
    void summary();
    void verdictNames();
};

void ChangeTests::kinds_data()
{
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("today");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("shown");

    const QString page = QStringLiteral("http://p.example/links.html");
    const auto row = [&](const char* name, const QString& previous, const QString& today, const char* change,
                         const char* shown = nullptr) {
        QTest::newRow(name) << previous << today << change << (shown ? shown : change);
    };
    row("kept", "followed|200|" + page, "followed|200|" + page, "kept");
    row("kept, other spelling", "followed|200|" + page, "followed|200|HTTP://P.EXAMPLE:80/links.html#x",
        "kept");
    row("first check", "-", "followed|200|" + page, "first check");
    row("first check without a link", "-", "no link|200|" + page, "first check");
    row("first check after a gone page only", "followed|404|" + page, "followed|200|" + page, "first check");
    row("a file now", "followed|200|" + page, "not a web page|200|" + page, "page gone");
    row("new, was nofollow", "nofollow|200|" + page, "followed|200|" + page, "new");
    row("new, was none", "no link|200|" + page, "followed|200|" + page, "new");
    row("moved", "followed|200|" + page, "followed|200|http://p.example/partners.html", "moved");
    row("canonical elsewhere", "followed|200|" + page, "canonical elsewhere|200|" + page, "moved");
    row("still canonical elsewhere", "canonical elsewhere|200|" + page, "canonical elsewhere|200|" + page,
        "unchanged", "still canonical elsewhere");
    row("lost", "followed|200|" + page, "no link|200|" + page, "lost");
    row("lost into a comment", "followed|200|" + page, "only in a comment|200|" + page, "lost");
    row("lost, was hidden", "hidden|200|" + page, "no link|200|" + page, "lost");
    row("still none", "no link|200|" + page, "no link|200|" + page, "unchanged", "still no link");
    row("a comment is still none", "no link|200|" + page, "only in a comment|200|" + page, "unchanged",
        "still no link");
    row("now nofollow", "followed|200|" + page, "nofollow|200|" + page, "now nofollow");
    row("still nofollow", "nofollow|200|" + page, "nofollow|200|" + page, "unchanged", "still nofollow");
    row("now noindex", "followed|200|" + page, "noindex|200|" + page, "now noindex");
    row("still noindex", "noindex|200|" + page, "noindex|200|" + page, "unchanged", "still noindex");
    row("now hidden", "followed|200|" + page, "hidden|200|" + page, "now hidden");
    row("now hidden, was none", "no link|200|" + page, "hidden|200|" + page, "now hidden");
    row("still hidden", "hidden|200|" + page, "hidden|200|" + page, "unchanged", "still hidden");
    row("now blocked", "followed|200|" + page, "blocked by robots.txt|200|" + page, "now blocked");
    row("still blocked", "blocked by robots.txt|200|" + page, "blocked by robots.txt|200|" + page,
        "unchanged", "still blocked by robots.txt");
    row("page gone 404", "followed|200|" + page, "page gone|404|" + page, "page gone");
    row("page gone 410, first check", "-", "page gone|410|" + page, "page gone");
    row("unreachable", "followed|200|" + page, "no link|0|" + page, "unreachable");
    row("server error", "followed|200|" + page, "page gone|503|" + page, "unreachable");
    row("too many requests", "followed|200|" + page, "page gone|429|" + page, "unreachable");
}

void ChangeTests::kinds()
{
    QFETCH(QString, previous);
    QFETCH(QString, today);
    QFETCH(QString, change);
    QFETCH(QString, shown);
    const LinkBackChange found = LinkBackChanges::compare(check(previous), *check(today));
    QCOMPARE(LinkBackChanges::name(found), change);
    QCOMPARE(LinkBackChanges::shownName(found, *check(today)), shown);
}

void ChangeTests::summary_data()
{
    QTest::addColumn<QList<LinkBackChange>>("changes");
    QTest::addColumn<QString>("line");

    using C = LinkBackChange;
    QList<C> partners;
    partners.fill(C::Kept, 198);
    partners += QList<C>(5, C::PageGone);
    partners += QList<C>(6, C::Lost);
    partners += QList<C>{C::Unchanged, C::NowNofollow, C::NowNofollow};
    QTest::newRow("the usual")
        << partners
        << "212 partners: 198 kept, 6 lost, 2 now nofollow, 5 gone, 1 unchanged without "
           "a followed link";
    QTest::newRow("every kind")
        << QList<C>{C::Unchanged,   C::FirstCheck, C::Unreachable, C::NowBlocked, C::NowHidden, C::NowNoindex,
                    C::NowNofollow, C::Lost,       C::Moved,       C::New,        C::Kept,      C::PageGone}
        << "12 partners: 1 kept, 1 new, 1 moved, 1 lost, 1 now nofollow, 1 now noindex, 1 "
           "now hidden, 1 now blocked, 1 gone, 1 unreachable, 1 first check, 1 unchanged "
           "without a followed link";
    QTest::newRow("first checks") << QList<C>{C::FirstCheck, C::FirstCheck} << "2 partners: 2 first checks";
    QTest::newRow("one") << QList<C>{C::New} << "1 partner: 1 new";
    QTest::newRow("none") << QList<C>{} << "0 partners";
}

void ChangeTests::summary()
{
    QFETCH(QList<LinkBackChange>, changes);
    QFETCH(QString, line);
    QCOMPARE(LinkBackChanges::summary(changes), line);
}

void ChangeTests::verdictNames()
{
    const QStringList names{"followed",
                            "page gone",
                            "not a web page",
                            "no link",
                            "only in a comment",
                            "hidden",
                            "nofollow",
                            "noindex",
                            "blocked by robots.txt",
                            "canonical elsewhere"};
    for (const QString& name : names)
        QCOMPARE(LinkBackVerdict::name(*LinkBackVerdict::fromName(name)), name);
    QVERIFY(!LinkBackVerdict::fromName(QStringLiteral("Followed")));
}

int runChangeTests(int argc, char** argv)
{
    ChangeTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_Change.moc"
