#include "TestFiles.h"
#include "partners/PartnerMail.h"
#include "partners/PartnerMailTemplate.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class MailTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mailto_data();
    void mailto();
    void placeholders();
    void noAddress();
    void templateKeepsItsLines();
};

void MailTests::mailto_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("url");

    QTest::newRow("blanks, & and ?") << "partner@example.org"
                                     << "Links & more?"
                                     << "Is it there? Yes & no"
                                     << "mailto:partner@example.org?subject=Links%20%26%20more%3F&body=Is%"
                                        "20it%20there%3F%20Yes%20%26%20no";
    QTest::newRow("line breaks of every kind")
        << "a@example.org"
        << "x"
        << "Hello,\nbye\r\nnow\rend"
        << "mailto:a@example.org?subject=x&body=Hello%2C%0D%0Abye%0D%0Anow%0D%0Aend";
    QTest::newRow("non-ASCII as UTF-8")
        << "a@example.org"
        << "Grüße"
        << "Ça va — 日本"
        << "mailto:a@example.org?subject=Gr%C3%BC%C3%9Fe&body=%C3%87a%20va%20%E2%80%94%20%E6%97%A5%E6%9C%AC";
    QTest::newRow("plus, equals, percent, hash")
        << " links+swap@example.org "
        << "1+1=2"
        << "100% #1"
        << "mailto:links+swap@example.org?subject=1%2B1%3D2&body=100%25%20%231";
    QTest::newRow("the address as the page had it") << "mailto:web@example.org"
                                                    << "a-b_c.d~e"
                                                    << ""
                                                    << "mailto:web@example.org?subject=a-b_c.d~e";
}

void MailTests::mailto()
{
    QFETCH(QString, to);
    QFETCH(QString, subject);
    QFETCH(QString, body);
    QFETCH(QString, url);
    const QString made = PartnerMail::mailtoUrl(to, subject, body);
    QCOMPARE(made, url);
    // The desktop gets it through QUrl: it must come out of there unchanged.
    QCOMPARE(QString::fromLatin1(QUrl(made).toEncoded()), url);
}

void MailTests::placeholders()
{
    PartnerMailTemplate mail;
    mail.setSubject(QStringLiteral("About\n{partner_page}"));
    mail.setBody(QStringLiteral("{my_site} on {date}: {change} {unknown}"));
    PartnerMailFacts facts;
    facts.email = QStringLiteral("x@p.example");
    facts.partnerPage = QStringLiteral("http://p.example/?q={date}");
    facts.mySite = QStringLiteral("example.com");
    facts.change = QStringLiteral("now nofollow");
    facts.date = QDate(2025, 3, 1);
    const PartnerMailDraft draft = PartnerMail::compose(mail, facts);
    QCOMPARE(draft.url,
             QStringLiteral("mailto:x@p.example?subject=About%20http%3A%2F%2Fp.example%2F%3Fq%3D%7Bdate%7D"
                            "&body=example.com%20on%202025-03-01%3A%20now%20nofollow%20%7Bunknown%7D"));
}

void MailTests::noAddress()
{
    PartnerMailFacts facts;
    facts.email = QStringLiteral("  ");
    facts.partnerPage = QStringLiteral("http://p.example/");
    const PartnerMailDraft draft = PartnerMail::compose(PartnerMailTemplate::defaults(), facts);
    QCOMPARE(draft.url, QString());
    QCOMPARE(draft.message, QStringLiteral("No e-mail address for this partner"));
}

// An INI value is one line: the body's line breaks, and a backslash that is
// no line break, must come back as they were.
void MailTests::templateKeepsItsLines()
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("preferences.ini");
    writeBytes(path, "[Run]\r\nConnections=4\r\n");
    PartnerMailTemplate mail;
    mail.setSubject(QStringLiteral("Our link"));
    mail.setBody(QStringLiteral("Hello,\r\n\r\nsee C:\\links\\new\nBye"));
    QVERIFY(mail.save(path).ok);
    QCOMPARE(readBytes(path),
             QByteArray("[Run]\r\nConnections=4\r\n\r\n[Partners]\r\nMailSubject=Our link\r\n"
                        "MailBody=Hello,\\n\\nsee C:\\\\links\\\\new\\nBye\r\n"));
    const PartnerMailTemplate back = PartnerMailTemplate::load(path);
    QCOMPARE(back.subject(), QStringLiteral("Our link"));
    QCOMPARE(back.body(), QStringLiteral("Hello,\n\nsee C:\\links\\new\nBye"));
}

int runMailTests(int argc, char** argv)
{
    MailTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_Mail.moc"
