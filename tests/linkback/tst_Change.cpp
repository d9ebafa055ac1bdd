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

    const QString page = QStringLiteral("http://p.example/links.html");
    QTest::newRow("kept") << "followed|200|" + page << "followed|200|" + page << "kept";
    QTest::newRow("kept, other spelling")
        << "followed|200|" + page << "followed|200|HTTP://P.EXAMPLE:80/links.html#x"
        << "kept";
    QTest::newRow("new, first check") << "-"
                                      << "followed|200|" + page << "new";
    QTest::newRow("new, was nofollow") << "nofollow|200|" + page << "followed|200|" + page << "new";
    QTest::newRow("new, page was gone") << "followed|404|" + page << "followed|200|" + page << "new";
    QTest::newRow("moved") << "followed|200|" + page << "followed|200|http://p.example/partners.html"
                           << "moved";
    QTest::newRow("canonical elsewhere")
        << "followed|200|" + page << "canonical elsewhere|200|" + page << "moved";
    QTest::newRow("lost") << "followed|200|" + page << "no link|200|" + page << "lost";
    QTest::newRow("lost into a comment")
        << "followed|200|" + page << "only in a comment|200|" + page << "lost";
    QTest::newRow("lost, hidden") << "followed|200|" + page << "hidden|200|" + page << "lost";
    QTest::newRow("still none") << "no link|200|" + page << "no link|200|" + page << "lost";
    QTest::newRow("now nofollow") << "followed|200|" + page << "nofollow|200|" + page << "now nofollow";
    QTest::newRow("now noindex") << "followed|200|" + page << "noindex|200|" + page << "now noindex";
    QTest::newRow("now blocked") << "followed|200|" + page << "blocked by robots.txt|200|" + page
                                 << "now blocked";
    QTest::newRow("page gone 404") << "followed|200|" + page << "no link|404|" + page << "page gone";
    QTest::newRow("page gone 410, first check") << "-"
                                                << "no link|410|" + page << "page gone";
    QTest::newRow("unreachable") << "followed|200|" + page << "no link|0|" + page << "unreachable";
    QTest::newRow("server error") << "followed|200|" + page << "followed|503|" + page << "unreachable";
    QTest::newRow("too many requests") << "followed|200|" + page << "no link|429|" + page << "unreachable";
}

void ChangeTests::kinds()
{
    QFETCH(QString, previous);
    QFETCH(QString, today);
    QFETCH(QString, change);
    QCOMPARE(LinkBackChanges::name(LinkBackChanges::compare(check(previous), *check(today))), change);
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
    partners += QList<C>(3, C::NowNofollow);
    QTest::newRow("the usual") << partners << "212 partners: 198 kept, 6 lost, 3 nofollow, 5 gone";
    QTest::newRow("every kind") << QList<C>{C::Unreachable, C::NowBlocked, C::NowNoindex,
                                            C::NowNofollow, C::Lost,       C::Moved,
                                            C::New,         C::Kept,       C::PageGone}
                                << "9 partners: 1 kept, 1 new, 1 moved, 1 lost, 1 nofollow, 1 noindex, 1 "
                                   "blocked, 1 gone, 1 unreachable";
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
    const QStringList names{"followed", "no link", "only in a comment",     "hidden",
                            "nofollow", "noindex", "blocked by robots.txt", "canonical elsewhere"};
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
