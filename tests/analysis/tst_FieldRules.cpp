#include "SettingsKeys.h"
#include "analysis/FieldRules.h"
#include "settings/Settings.h"

#include <QTest>

namespace {

// Find, strip start and end, remove line breaks: the batch run's chain.
QString extract(const Settings& settings, Field field, const QString& page)
{
    return StripLineBreaks(
        StripStartEnd(settings.snapshot(), field, FindField(settings.snapshot(), field, page)));
}

QString stem(Field field)
{
    return field == Field::Title ? QStringLiteral("Title") : QStringLiteral("Description");
}

} // namespace

class FieldRulesTests : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultTitle_data();
    void defaultTitle();
    void defaultDescription_data();
    void defaultDescription();
    void startAndEndPartsRemovedEverywhere();
    void invalidAndEmptyPatterns_data();
    void invalidAndEmptyPatterns();
    void badWords_data();
    void badWords();
    void fallback_data();
    void fallback();
    void caseMode_data();
    void caseMode();
    void caseThenReplace_data();
    void caseThenReplace();
    void email_data();
    void email();
    void noEmailOption();
};

void FieldRulesTests::defaultTitle_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "<html><head><title>Hello there</title></head>"
                           << "Hello there";
    QTest::newRow("upper-case tags") << "<HTML><HEAD><TITLE>Shop</TITLE></HEAD>"
                                     << "Shop";
    QTest::newRow("mixed-case tags") << "<Title>Mixed</tItLe>"
                                     << "Mixed";
    QTest::newRow("two titles on one line") << "<title>A</title><title>B</title>"
                                            << "AB";
    QTest::newRow("two titles on two lines: the later")
        << "<title>First</title>\r\n<body>\r\n<title>Second</title>\r\n"
        << "Second";
    QTest::newRow("title over two lines is not found") << "<title>Hello\r\nWorld</title>"
                                                       << "";
    QTest::newRow("no title") << "<html><body>none</body></html>"
                              << "";
    QTest::newRow("blanks are kept") << "<title>  spaced  </title>"
                                     << "  spaced  ";
    QTest::newRow("entities are not decoded") << "<title>A &amp; B</title>"
                                              << "A &amp; B";
}

void FieldRulesTests::defaultTitle()
{
    QFETCH(QString, page);
    QFETCH(QString, expected);
    Settings settings;
    QCOMPARE(extract(settings, Field::Title, page), expected);
}

void FieldRulesTests::defaultDescription_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("expected");

    QTest::newRow("double quotes") << "<meta name=\"description\" content=\"Best links\">\r\n"
                                   << "Best links";
    QTest::newRow("apostrophe removed") << "<meta name=\"description\" content=\"We don't sell links\">"
                                        << "We dont sell links";
    QTest::newRow("single quotes") << "<meta name='description' content='It works'>"
                                   << "It works";
    QTest::newRow("no quotes") << "<meta name=description content=Plain words>"
                               << "Plain words";
    QTest::newRow("upper case") << "<META NAME=\"Description\" CONTENT=\"Shouted\">"
                                << "Shouted";
    QTest::newRow("content before name is not found") << "<meta content=\"Hidden\" name=\"description\">"
                                                      << "";
    QTest::newRow("two lines are joined") << "<meta name=\"description\" content=\"line one\r\nline two\">"
                                          << "line oneline two";
    QTest::newRow("the last of two")
        << "<meta name=\"description\" content=\"one\">\r\n<meta name=\"description\" content=\"two\">"
        << "two";
    QTest::newRow("keywords are not a description") << "<meta name=\"keywords\" content=\"a, b\">"
                                                    << "";
}

void FieldRulesTests::defaultDescription()
{
    QFETCH(QString, page);
    QFETCH(QString, expected);
    Settings settings;
    QCOMPARE(extract(settings, Field::Description, page), expected);
}

void FieldRulesTests::startAndEndPartsRemovedEverywhere()
{
    Settings settings;
    // Not only the leading start tag and the trailing end tag go.
    QCOMPARE(
        StripStartEnd(settings.snapshot(), Field::Title, QStringLiteral("<title>a<TITLE>b</title>c</Title>")),
        QStringLiteral("abc"));
    // The default end part of the description takes every quote and apostrophe.
    QCOMPARE(StripStartEnd(settings.snapshot(), Field::Description, QStringLiteral("say \"it's\" 'here'")),
             QStringLiteral("say its here"));
}

void FieldRulesTests::invalidAndEmptyPatterns_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("middle");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("found");
    QTest::addColumn<QString>("stripped");

    const QString page = QStringLiteral("<b>x</b>");
    QTest::newRow("invalid middle: nothing found") << "<b>"
                                                   << "(.*"
                                                   << "</b>" << page << ""
                                                   << "x";
    QTest::newRow("invalid start alone, valid joined") << "<b>("
                                                       << ".*"
                                                       << ")</b>" << page << "<b>x</b>"
                                                       << "<b>x</b>";
    QTest::newRow("empty start and end remove nothing") << ""
                                                        << "<b>.*</b>"
                                                        << "" << page << page << page;
    QTest::newRow("all empty: empty text") << ""
                                           << ""
                                           << "" << page << "" << page;
}

// Find on the page, and the start and end strip applied to the whole page as a stand-in title.
void FieldRulesTests::invalidAndEmptyPatterns()
{
    QFETCH(QString, start);
    QFETCH(QString, middle);
    QFETCH(QString, end);
    QFETCH(QString, page);
    QFETCH(QString, found);
    QFETCH(QString, stripped);
    Settings settings;
    for (Field field : {Field::Title, Field::Description}) {
        settings.setText(keyNamed(stem(field) + "RegEx1"), start);
        settings.setText(keyNamed(stem(field) + "RegEx2"), middle);
        settings.setText(keyNamed(stem(field) + "RegEx3"), end);
        QCOMPARE(FindField(settings.snapshot(), field, page), found);
        QCOMPARE(StripStartEnd(settings.snapshot(), field, page), stripped);
    }
}

void FieldRulesTests::badWords_data()
{
    QTest::addColumn<int>("option"); // 1 do not add, 2 replace, 4 ignore
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<int>("hits");

    QTest::newRow("replace two entries, case ignored")
        << 2 << "xxx" << QStringList{"cheap", "pills"} << "Cheap Pills Here"
        << "xxx xxx Here" << false << 2;
    QTest::newRow("replacement replaced again by a later entry")
        << 2 << "***" << QStringList{"cheap", "\\*"} << "cheap deals"
        << "********* deals" << false << 2;
    QTest::newRow("earlier replacement hides a later entry")
        << 2 << "ok" << QStringList{"bad", "bad word"} << "a bad word"
        << "a ok word" << false << 1;
    QTest::newRow("do not add: text kept") << 1 << "" << QStringList{"cheap"} << "Cheap Links"
                                           << "Cheap Links" << true << 1;
    QTest::newRow("do not add: every matching entry counts")
        << 1 << "" << QStringList{"cheap", "links", "none"} << "Cheap Links"
        << "Cheap Links" << true << 2;
    QTest::newRow("ignore") << 4 << "x" << QStringList{"cheap"} << "Cheap Links"
                            << "Cheap Links" << false << 1;
    QTest::newRow("empty entries skipped") << 1 << "" << QStringList{"", "zzz", ""} << "Cheap Links"
                                           << "Cheap Links" << false << 0;
    QTest::newRow("invalid entry refuses") << 1 << "" << QStringList{"(cheap"} << "Links"
                                           << "Links" << true << 1;
    QTest::newRow("invalid entry replaces nothing")
        << 2 << "x" << QStringList{"(cheap", "links"} << "cheap links"
        << "cheap x" << false << 2;
    QTest::newRow("empty text, no match") << 1 << "" << QStringList{"cheap"} << ""
                                          << "" << false << 0;
}

void FieldRulesTests::badWords()
{
    QFETCH(int, option);
    QFETCH(QString, replacement);
    QFETCH(QStringList, words);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, refuse);
    QFETCH(int, hits);
    for (Field field : {Field::Title, Field::Description}) {
        Settings settings;
        settings.setSelected(keyNamed(stem(field) + "BadWords" + QString::number(option)), true);
        settings.setText(keyNamed(stem(field) + "BadWords3"), replacement);
        const BadWordsOutcome outcome = ApplyBadWords(settings.snapshot(), field, text, words);
        QCOMPARE(outcome.text, expected);
        QCOMPARE(outcome.refuse, refuse);
        QCOMPARE(outcome.hits, hits);
    }
}

void FieldRulesTests::fallback_data()
{
    QTest::addColumn<int>("option"); // 1 domain, 2 empty, 3 text, 0 none selected
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("expected");

    QTest::newRow("found text stays") << 1 << "Found"
                                      << "Found";
    QTest::newRow("blanks count as text") << 1 << " "
                                          << " ";
    QTest::newRow("domain") << 1 << ""
                            << "www.example.com";
    QTest::newRow("leave empty") << 2 << ""
                                 << "";
    QTest::newRow("fixed text") << 3 << ""
                                << "Cheap Links";
    QTest::newRow("fixed text only when empty") << 3 << "Found"
                                                << "Found";
    QTest::newRow("none selected") << 0 << ""
                                   << "";
}

void FieldRulesTests::fallback()
{
    QFETCH(int, option);
    QFETCH(QString, cell);
    QFETCH(QString, expected);
    for (Field field : {Field::Title, Field::Description}) {
        Settings settings;
        settings.setText(keyNamed(stem(field) + "NoTitle4"), QStringLiteral("Cheap Links"));
        if (option == 0) {
            for (int i = 1; i <= 3; ++i)
                settings.setSelected(keyNamed(stem(field) + "NoTitle" + QString::number(i)), false);
        } else {
            settings.setSelected(keyNamed(stem(field) + "NoTitle" + QString::number(option)), true);
        }
        QCOMPARE(ApplyFallback(settings.snapshot(), field, cell, QStringLiteral("www.example.com")),
                 expected);
    }
    Settings settings;
    QCOMPARE(ApplyFallback(settings.snapshot(), Field::Email, QString(), QStringLiteral("www.example.com")),
             QString());
}

void FieldRulesTests::caseMode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected");

    const int proper = int(CaseMode::Proper);
    QTest::newRow("proper") << "hello WORLD" << proper << "Hello World";
    QTest::newRow("proper, punctuation joins") << "jean-luc o'neil" << proper << "Jean-luc O'neil";
    QTest::newRow("proper, slash and dot") << "www.example.com/a b" << proper << "Www.example.com/a B";
    QTest::newRow("proper, control separators")
        << QStringLiteral("a\tb\nc\vd\fe\rf") + QChar(0) + u'g' << proper
        << QStringLiteral("A\tB\nC\vD\fE\rF") + QChar(0) + u'G';
    QTest::newRow("proper, blanks at the ends") << "  two  words " << proper << "  Two  Words ";
    QTest::newRow("proper, quote starts a word") << "\"quoted\" text" << proper << "\"quoted\" Text";
    QTest::newRow("proper, non-ASCII")
        << QString::fromUtf8("élan ÉCOLE") << proper << QString::fromUtf8("Élan École");
    QTest::newRow("proper, empty") << "" << proper << "";
    QTest::newRow("lower") << "MiXeD Ünïcode" << int(CaseMode::Lower) << "mixed ünïcode";
    QTest::newRow("upper") << "MiXeD ünïcode" << int(CaseMode::Upper) << "MIXED ÜNÏCODE";
    QTest::newRow("unchanged") << "MiXeD" << int(CaseMode::Unchanged) << "MiXeD";
}

void FieldRulesTests::caseMode()
{
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QString, expected);
    QCOMPARE(ApplyCaseMode(text, CaseMode(mode)), expected);
}

// Fallback, case and replace of the batch run's title, and their description and e-mail twins.
void FieldRulesTests::caseThenReplace_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("caps");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replaceWith");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("expected");

    const int title = int(Field::Title);
    const int description = int(Field::Description);
    const int email = int(Field::Email);
    QTest::newRow("title replace heeds case") << title << 1 << "shop"
                                              << "Store"
                                              << "Online Shop"
                                              << "Online Shop";
    QTest::newRow("title replace, same case") << title << 1 << "Shop"
                                              << "Store"
                                              << "Online Shop"
                                              << "Online Store";
    QTest::newRow("upper case hides a lower-case title pattern") << title << 4 << "shop"
                                                                 << "Store"
                                                                 << "online shop"
                                                                 << "ONLINE SHOP";
    QTest::newRow("proper case then replace") << title << 2 << "Shop"
                                              << "Store"
                                              << "online shop"
                                              << "Online Store";
    QTest::newRow("proper case on the fallback text") << title << 2 << "zzz"
                                                      << ""
                                                      << ""
                                                      << "Cheap Links";
    QTest::newRow("description replace ignores case") << description << 1 << "shop"
                                                      << "Store"
                                                      << "Online Shop"
                                                      << "Online Store";
    QTest::newRow("description lower then replace") << description << 3 << "SHOP"
                                                    << "store"
                                                    << "Online Shop"
                                                    << "online store";
    QTest::newRow("email upper then replace ignoring case") << email << 4 << "@example"
                                                            << "@mail"
                                                            << "me@example.com"
                                                            << "ME@mail.COM";
    QTest::newRow("invalid replace pattern") << description << 1 << "("
                                             << "x"
                                             << "Online Shop"
                                             << "Online Shop";
}

void FieldRulesTests::caseThenReplace()
{
    QFETCH(int, field);
    QFETCH(int, caps);
    QFETCH(QString, find);
    QFETCH(QString, replaceWith);
    QFETCH(QString, cell);
    QFETCH(QString, expected);
    const Field f = Field(field);
    const QString s = f == Field::Email ? QStringLiteral("Email") : stem(f);
    Settings settings;
    settings.setSelected(keyNamed(s + "Caps" + QString::number(caps)), true);
    settings.setFlag(keyNamed(s + "Replace1"), FlagState::On);
    settings.setText(keyNamed(s + "Replace2"), find);
    settings.setText(keyNamed(s + "Replace3"), replaceWith);
    if (f != Field::Email) {
        settings.setSelected(keyNamed(s + "NoTitle3"), true);
        settings.setText(keyNamed(s + "NoTitle4"), QStringLiteral("cheap links"));
    }
    QString result = ApplyFallback(settings.snapshot(), f, cell, QString());
    result = ApplyFieldCase(settings.snapshot(), f, result);
    result = ApplyFieldReplace(settings.snapshot(), f, result, f == Field::Title);
    QCOMPARE(result, expected);

    // A replace box that is not ticked, or only greyed, does nothing.
    for (auto state : {FlagState::Off, FlagState::Greyed}) {
        settings.setFlag(keyNamed(s + "Replace1"), state);
        QCOMPARE(ApplyFieldReplace(settings.snapshot(), f, cell, false), cell);
    }
}

void FieldRulesTests::email_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("expected");

    const QString two =
        QStringLiteral("<p>info@first.com</p>\r\n<a href=\"mailto:Sales@Second.org\">mail</a>");
    const QString none = QStringLiteral("<p>no address here</p>");
    QTest::newRow("1: the last address") << 1 << two << "www.example.com"
                                         << "Sales@Second.org";
    QTest::newRow("1: nothing found") << 1 << none << "www.example.com"
                                      << "";
    QTest::newRow("2: prefix and domain, page ignored") << 2 << two << "www.example.com"
                                                        << "webmaster@www.example.com";
    QTest::newRow("2: empty domain") << 2 << two << ""
                                     << "webmaster@";
    QTest::newRow("3: address found") << 3 << two << "www.example.com"
                                      << "Sales@Second.org";
    QTest::newRow("3: falls back") << 3 << none << "www.example.com"
                                   << "webmaster@www.example.com";
}

void FieldRulesTests::email()
{
    QFETCH(int, option);
    QFETCH(QString, page);
    QFETCH(QString, domain);
    QFETCH(QString, expected);
    Settings settings;
    settings.setSelected(keyNamed("EmailOption" + QString::number(option)), true);
    QCOMPARE(ExtractEmail(settings.snapshot(), page, domain), std::optional<QString>(expected));
}

void FieldRulesTests::noEmailOption()
{
    Settings settings;
    settings.setSelected(Key::EmailOption1, false);
    QCOMPARE(ExtractEmail(settings.snapshot(), QStringLiteral("a@b.com"), QStringLiteral("b.com")),
             std::nullopt);
    settings.setSelected(Key::EmailOption3, true);
    settings.setText(Key::EmailRegEx1, QStringLiteral("(["));
    QCOMPARE(ExtractEmail(settings.snapshot(), QStringLiteral("a@b.com"), QStringLiteral("b.com")),
             std::optional<QString>(QStringLiteral("webmaster@b.com")));
}

int runFieldRulesTests(int argc, char** argv)
{
    FieldRulesTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_FieldRules.moc"
