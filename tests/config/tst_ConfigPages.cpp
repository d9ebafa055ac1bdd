#include "ConfigFixture.h"
#include "SettingsKeys.h"
#include "settings/SettingsDefaults.h"
#include "settings/ui/ConfigAreaBinding.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

// The settings pages: every field on screen, bound both ways to the record,
// "Save", "Load", "Default", the restore buttons and the help buttons.
class TestConfigPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFieldIsShownByItsControl();
    void captions_data();
    void captions();
    void pagesAndFrames();
    void choiceClearsOnlyItsGroup_data();
    void choiceClearsOnlyItsGroup();
    void typingReachesTheRecordAtOnce_data();
    void typingReachesTheRecordAtOnce();
    void flagClicks();
    void loadChangesTheControls();
    void loadWithoutFileEmptiesTextsOnly();
    void saveThenLoadGivesTheControlsBack();
    void failedSaveSaysSo();
    void defaultShowsAndHidesAllRestoreButtons();
    void restoreButtonWritesItsValue_data();
    void restoreButtonWritesItsValue();
    void helpButtons_data();
    void helpButtons();
    void mySitesAreKeptInThePreferences();
};

void TestConfigPages::everyFieldIsShownByItsControl()
{
    ConfigFixture f;
    for (const SettingsField& field : settingsFields()) {
        const QString key = QString::fromLatin1(field.key);
        const QString name = ConfigAreaBinding::controlName(keyNamed(key));
        QVERIFY2(!name.isEmpty(), field.key);
        switch (field.kind) {
        case FieldKind::Text: {
            auto* edit = f.find<QLineEdit>(name);
            QVERIFY2(edit, field.key);
            QCOMPARE(edit->text(), f.settings().text(keyNamed(key)));
            break;
        }
        case FieldKind::Choice: {
            auto* button = f.find<QRadioButton>(name);
            QVERIFY2(button, field.key);
            QCOMPARE(button->isChecked(), f.settings().isSelected(keyNamed(key)));
            break;
        }
        case FieldKind::Flag: {
            auto* box = f.find<QCheckBox>(name);
            QVERIFY2(box, field.key);
            QCOMPARE(box->isChecked(), f.settings().isOn(keyNamed(key)));
            break;
        }
        }
    }
}

void TestConfigPages::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* name, const char* caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption);
    };
    const char* caps[] = {
        "Do not change capitalization (default)", "Proper Case - Every First Letter Will Be Capitalized",
        "lower case - all letters will be lower case", "UPPER CASE - ALL LETTERS WILL BE CAPITALIZED"};
    const char* capsButtons[3][4] = {{"Option7", "Option4", "Option5", "Option6"},
                                     {"Option8", "Option9", "Option10", "Option11"},
                                     {"Option12", "Option13", "Option14", "Option15"}};
    for (const auto& group : capsButtons)
        for (int i = 0; i < 4; ++i)
            row(group[i], caps[i]);
    for (const char* check : {"Check1", "Check2", "Check3"})
        row(check, "Replace this:");
    row("Option18", "Use domain name of the web site as title");
    row("Option19", "Leave it empty (default)");
    row("Option20", "Use this text as Title:");
    row("Option23", "Use domain name of the web site as Description");
    row("Option24", "Leave it empty (default)");
    row("Option25", "Use this text as Description:");
    for (const char* o : {"Option21", "Option26"})
        row(o, "Do not add this URL to tab 4");
    for (const char* o : {"Option22", "Option27"})
        row(o, "Replace all Bad Words matches with this:");
    for (const char* o : {"Option28", "Option29"})
        row(o, "Ignore this rule (default)");
    row("Option1", "1");
    row("Option2", "2");
    row("Option3", "3    Use option 1, but if not found, then use option 2");
    row("Check4", "Add to tab 4 only if the above string is found");
    row("Check5",
        "Server must return \"Content-Type: text/html\" in the headers, otherwise URL wont go to tab 4. "
        "This option will ensure that binary files wont go to tab 4.");
    row("Command23", "Save");
    row("Command36", "Load");
    row("Command33", "Default");
    row("Command18", "?");
    row("Command16", "?");
}

void TestConfigPages::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    ConfigFixture f;
    auto* button = f.find<QAbstractButton>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
}

void TestConfigPages::pagesAndFrames()
{
    ConfigFixture f;
    auto* tabs = f.find<QTabWidget>(QStringLiteral("SSTab3"));
    QVERIFY(tabs);
    QStringList pages;
    for (int i = 0; i < tabs->count(); ++i)
        pages.append(tabs->tabText(i));
    QCOMPARE(pages, (QStringList{"Title", "Email", "Description", "Bad Words", "Bad URLs", "Misc."}));

    QStringList frames;
    for (QGroupBox* box : f.area.findChildren<QGroupBox*>())
        frames.append(box->title());
    for (const char* title :
         {"Caps", "If no Title found", "If Bad Words found", "If no Description found", "HTTP Status Codes",
          "Recip link checking", "ASCII output", "Test this configuration"})
        QVERIFY2(frames.contains(QString::fromLatin1(title)), title);
    QCOMPARE(frames.count(QStringLiteral("Caps")), 3);
    QCOMPARE(frames.count(QStringLiteral("If Bad Words found")), 2);
    QVERIFY(f.find<QGroupBox>(QStringLiteral("Frame4")));

    QVERIFY(f.find<QAbstractButton>(QStringLiteral("Command23"))->font().bold());
    QVERIFY(!f.find<QAbstractButton>(QStringLiteral("Command36"))->font().bold());
}

void TestConfigPages::choiceClearsOnlyItsGroup_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("cleared");
    QTest::newRow("Use this text as Title:")
        << "Option20"
        << "TitleNoTitle3" << QStringList{"TitleNoTitle1", "TitleNoTitle2"};
    QTest::newRow("e-mail option 3") << "Option3"
                                     << "EmailOption3" << QStringList{"EmailOption1", "EmailOption2"};
    QTest::newRow("description upper case")
        << "Option15"
        << "DescriptionCaps4" << QStringList{"DescriptionCaps1", "DescriptionCaps2", "DescriptionCaps3"};
}

void TestConfigPages::choiceClearsOnlyItsGroup()
{
    QFETCH(QString, button);
    QFETCH(QString, key);
    QFETCH(QStringList, cleared);
    ConfigFixture f;
    Settings& s = f.settings();
    const int index = int(keyNamed(key));
    QStringList before;
    for (int i = 0; i < FieldCount; ++i)
        before.append(s.snapshot().rawValue(Key(i)));

    auto* radio = f.find<QRadioButton>(button);
    QVERIFY(radio);
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));

    QVERIFY(s.isSelected(keyNamed(key)));
    QVERIFY(radio->isChecked());
    for (const QString& other : cleared) {
        QVERIFY2(!s.isSelected(keyNamed(other)), qPrintable(other));
        QVERIFY(!f.find<QRadioButton>(ConfigAreaBinding::controlName(keyNamed(other)))->isChecked());
    }
    // Every field outside the group is as it was.
    for (int i = 0; i < FieldCount; ++i) {
        const QString k = QString::fromLatin1(settingsFields()[i].key);
        if (i != index && !cleared.contains(k))
            QCOMPARE(s.snapshot().rawValue(Key(i)), before[i]);
    }
}

void TestConfigPages::typingReachesTheRecordAtOnce_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("key");
    QTest::newRow("title pattern") << "Text10"
                                   << "TitleRegEx1";
    QTest::newRow("test URL") << "Text2"
                              << "TestURL";
    QTest::newRow("bad words file") << "Text24"
                                    << "BadWordsFile";
    QTest::newRow("bad URLs file") << "Text28"
                                   << "BadDomainsFile";
    QTest::newRow("recip pattern") << "Text30"
                                   << "Reciptext";
    QTest::newRow("domain pattern on Misc.") << "Text14"
                                             << "EmailRegEx3";
    QTest::newRow("bad words replacement") << "Text27"
                                           << "DescriptionBadWords3";
}

void TestConfigPages::typingReachesTheRecordAtOnce()
{
    QFETCH(QString, box);
    QFETCH(QString, key);
    ConfigFixture f;
    auto* edit = f.find<QLineEdit>(box);
    QVERIFY(edit);
    const QString start = f.settings().text(keyNamed(key));
    edit->setCursorPosition(edit->text().size());
    QTest::keyClick(edit, Qt::Key_A);
    QCOMPARE(f.settings().text(keyNamed(key)), start + u'a');
    QTest::keyClicks(edit, QStringLiteral("(.*)"));
    QCOMPARE(f.settings().text(keyNamed(key)), start + QStringLiteral("a(.*)"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(f.settings().text(keyNamed(key)), start + QStringLiteral("a(.*"));

    // A long pattern is never cut by the box.
    const QString longText(40000, u'x');
    f.settings().setText(keyNamed(key), longText);
    QCOMPARE(edit->text(), longText);
}

void TestConfigPages::flagClicks()
{
    ConfigFixture f;
    auto* recip = f.find<QCheckBox>(QStringLiteral("Check4"));
    auto* contentType = f.find<QCheckBox>(QStringLiteral("Check5"));
    QVERIFY(recip && contentType);
    recip->click();
    QCOMPARE(f.settings().flag(Key::UseRecip), FlagState::On);
    recip->click();
    QCOMPARE(f.settings().flag(Key::UseRecip), FlagState::Off);
    QTest::mouseClick(contentType, Qt::LeftButton, {}, QPoint(contentType->width() / 2, 4));
    QCOMPARE(f.settings().flag(Key::ContentTypeCheck), FlagState::Off);
}

void TestConfigPages::loadChangesTheControls()
{
    ConfigFixture f;
    QVERIFY(f.write(QStringLiteral("links.ini"), "[Title]\r\n"
                                                 "TitleRegEx1=<h1>\r\n"
                                                 "TitleCaps1=False\r\nTitleCaps2=False\r\n"
                                                 "TitleCaps3=False\r\nTitleCaps4=False\r\n"
                                                 "TitleReplace1=2\r\n"
                                                 "[Email]\r\nEmailOption2=-1\r\n"
                                                 "[Recip]\r\nUseRecip=1\r\n"));
    f.click(QStringLiteral("Command36"));

    QCOMPARE(f.find<QLineEdit>(QStringLiteral("Text10"))->text(), QStringLiteral("<h1>"));
    QCOMPARE(f.find<QLineEdit>(QStringLiteral("Text9"))->text(), QString());
    for (const char* name : {"Option7", "Option4", "Option5", "Option6"})
        QVERIFY2(!f.find<QRadioButton>(QString::fromLatin1(name))->isChecked(), name);
    QVERIFY(f.find<QRadioButton>(QStringLiteral("Option2"))->isChecked());
    QVERIFY(!f.find<QRadioButton>(QStringLiteral("Option1"))->isChecked());
    QCOMPARE(f.find<QCheckBox>(QStringLiteral("Check4"))->checkState(), Qt::Checked);
    auto* replace = f.find<QCheckBox>(QStringLiteral("Check1"));
    QCOMPARE(replace->checkState(), Qt::PartiallyChecked);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);

    // A group left without a selection takes one again by a click.
    f.find<QRadioButton>(QStringLiteral("Option5"))->click();
    QVERIFY(f.settings().isSelected(Key::TitleCaps3));
    QVERIFY(f.find<QRadioButton>(QStringLiteral("Option5"))->isChecked());
    // The greyed box leaves its third state by a click and toggles from then on.
    replace->click();
    QCOMPARE(f.settings().flag(Key::TitleReplace1), FlagState::On);
    replace->click();
    QCOMPARE(f.settings().flag(Key::TitleReplace1), FlagState::Off);
    QCOMPARE(replace->checkState(), Qt::Unchecked);
}

void TestConfigPages::loadWithoutFileEmptiesTextsOnly()
{
    ConfigFixture f;
    f.click(QStringLiteral("Command36"));
    for (const char* name : {"Text2", "Text10", "Text6", "Text14", "Text30", "Text21", "Text22"})
        QVERIFY2(f.find<QLineEdit>(QString::fromLatin1(name))->text().isEmpty(), name);
    for (const char* name :
         {"Option7", "Option19", "Option28", "Option1", "Option8", "Option12", "Option24", "Option29"})
        QVERIFY2(f.find<QRadioButton>(QString::fromLatin1(name))->isChecked(), name);
    QVERIFY(f.find<QCheckBox>(QStringLiteral("Check5"))->isChecked());
}

void TestConfigPages::saveThenLoadGivesTheControlsBack()
{
    ConfigFixture f;
    auto* pattern = f.find<QLineEdit>(QStringLiteral("Text12"));
    pattern->selectAll();
    QTest::keyClicks(pattern, QStringLiteral("<h2>"));
    f.find<QRadioButton>(QStringLiteral("Option25"))->click();
    f.find<QCheckBox>(QStringLiteral("Check3"))->click();
    f.click(QStringLiteral("Command23"));
    QVERIFY(f.read(QStringLiteral("links.ini")).startsWith("[Test]"));
    QVERIFY(f.openBoxes().isEmpty());

    pattern->selectAll();
    QTest::keyClicks(pattern, QStringLiteral("changed"));
    f.find<QRadioButton>(QStringLiteral("Option23"))->click();
    f.find<QCheckBox>(QStringLiteral("Check3"))->click();

    f.click(QStringLiteral("Command36"));
    QCOMPARE(pattern->text(), QStringLiteral("<h2>"));
    QVERIFY(f.find<QRadioButton>(QStringLiteral("Option25"))->isChecked());
    QVERIFY(!f.find<QRadioButton>(QStringLiteral("Option23"))->isChecked());
    QVERIFY(f.find<QCheckBox>(QStringLiteral("Check3"))->isChecked());
}

void TestConfigPages::failedSaveSaysSo()
{
    ConfigFixture f;
    // A folder in the place of the file: nothing can be written there.
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("links.ini")));
    f.area.show();
    f.click(QStringLiteral("Command23"));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    const QList<QMessageBox*> boxes = f.openBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first()->windowTitle(), QStringLiteral("Quillmark"));
    QVERIFY2(boxes.first()->text().contains(QStringLiteral("links.ini")), qPrintable(boxes.first()->text()));
    f.closeBoxes();
}

void TestConfigPages::defaultShowsAndHidesAllRestoreButtons()
{
    ConfigFixture f;
    const QStringList names{"Command24", "Command25", "Command26", "Command27", "Command28",
                            "Command29", "Command30", "Command31", "Command32", "Command40",
                            "Command19", "Command17", "Command20", "Command11"};
    const auto shown = [&] {
        int n = 0;
        for (const QString& name : names)
            n += f.find<QAbstractButton>(name)->isHidden() ? 0 : 1;
        return n;
    };
    for (const QString& name : names)
        QVERIFY2(f.find<QAbstractButton>(name), qPrintable(name));
    QCOMPARE(shown(), 0);
    f.click(QStringLiteral("Command33"));
    QCOMPARE(shown(), 14);
    // The area is not on screen: the toggle goes by the buttons' own state.
    QVERIFY(!f.area.isVisible());
    f.click(QStringLiteral("Command26"));
    QCOMPARE(shown(), 14);
    f.click(QStringLiteral("Command33"));
    QCOMPARE(shown(), 0);

    // On screen each is a small dark mark over the top right corner of its field.
    f.click(QStringLiteral("Command33"));
    f.area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.area));
    auto* mark = f.find<QAbstractButton>(QStringLiteral("Command24"));
    auto* field = f.find<QLineEdit>(QStringLiteral("Text10"));
    QVERIFY(mark->isVisible());
    QCOMPARE(mark->parentWidget(), field);
    QCOMPARE(mark->size(), QSize(9, 13));
    QCOMPARE(mark->geometry().topRight(), QPoint(field->width() - 1, 0));
    QCOMPARE(mark->grab().toImage().pixelColor(4, 6), mark->palette().color(QPalette::ButtonText));
}

void TestConfigPages::restoreButtonWritesItsValue_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("Command24") << "Command24"
                               << "TitleRegEx1"
                               << "<title>";
    QTest::newRow("Command25") << "Command25"
                               << "TitleRegEx2"
                               << "(.*)";
    QTest::newRow("Command26") << "Command26"
                               << "TitleRegEx3"
                               << "</title>";
    QTest::newRow("Command27") << "Command27"
                               << "EmailRegEx1"
                               << "[A-Z0-9._%-]+@[A-Z0-9._%-]+\\.[A-Z]{2,6}";
    QTest::newRow("Command28") << "Command28"
                               << "EmailRegEx2"
                               << "webmaster@";
    QTest::newRow("Command29") << "Command29"
                               << "EmailRegEx3"
                               << "[A-Z0-9._%-]+\\.[A-Z]{2,6}";
    QTest::newRow("Command30") << "Command30"
                               << "DescriptionRegEx1"
                               << "<meta +name *=[\\\"']?description[\\\"']? *content=[\\\"']?";
    QTest::newRow("Command31") << "Command31"
                               << "DescriptionRegEx2"
                               << "([^<>\\\"]+)";
    QTest::newRow("Command32") << "Command32"
                               << "DescriptionRegEx3"
                               << "[\\\"']?";
    QTest::newRow("Command40") << "Command40"
                               << "Reciptext"
                               << QStringLiteral("<a(.*)href=\"http://(.*)") +
                                      QLatin1String(Defaults::PublisherDomain) +
                                      QStringLiteral("(.*)>(.*)</a>");
    QTest::newRow("Command19") << "Command19"
                               << "OutputASCIIFile"
                               << "database.txt";
    QTest::newRow("Command17") << "Command17"
                               << "OutputASCIIDelimeter"
                               << "|[@]|";
    QTest::newRow("Command20") << "Command20"
                               << "BadWordsFile"
                               << "badwords.txt";
    QTest::newRow("Command11") << "Command11"
                               << "BadDomainsFile"
                               << "baddomains.txt";
}

void TestConfigPages::restoreButtonWritesItsValue()
{
    QFETCH(QString, button);
    QFETCH(QString, key);
    QFETCH(QString, value);
    ConfigFixture f;
    Settings& s = f.settings();
    auto* field = f.find<QLineEdit>(ConfigAreaBinding::controlName(keyNamed(key)));
    QVERIFY(field);
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("something else"));
    QStringList before;
    for (int i = 0; i < FieldCount; ++i)
        before.append(s.snapshot().rawValue(Key(i)));

    f.click(QStringLiteral("Command33"));
    f.click(button);

    QCOMPARE(s.text(keyNamed(key)), value);
    QCOMPARE(field->text(), value);
    for (int i = 0; i < FieldCount; ++i)
        if (i != int(keyNamed(key)))
            QCOMPARE(s.snapshot().rawValue(Key(i)), before[i]);
    QVERIFY(!QFile::exists(f.path(QStringLiteral("links.ini"))));
}

void TestConfigPages::helpButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("Command18")
        << "Command18"
        << "Extracts the first email address it finds in the source. If no matches found, "
           "then no email will be used.";
    QTest::newRow("Command16")
        << "Command16"
        << "If checked, then this email pattern will be used for all URLs, even if there's "
           "an email found.";
}

void TestConfigPages::helpButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, text);
    ConfigFixture f;
    f.area.show();
    f.click(button);
    const QList<QMessageBox*> boxes = f.openBoxes();
    QCOMPARE(boxes.size(), 1);
    QMessageBox* box = boxes.first();
    QCOMPARE(box->text(), text);
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillmark"));
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    f.closeBoxes();
    QVERIFY(f.openBoxes().isEmpty());
}

int runConfigPagesTests(int argc, char** argv)
{
    TestConfigPages test;
    return QTest::qExec(&test, argc, argv);
}

// "My sites:" and its check box save to preferences.ini at once; an entry
// that is not a site is named under the box and left out.
void TestConfigPages::mySitesAreKeptInThePreferences()
{
    ConfigFixture f;
    auto* sites = f.find<QLineEdit>(QStringLiteral("MySitesBox"));
    auto* accept = f.find<QCheckBox>(QStringLiteral("AcceptOnlyFollowedBox"));
    auto* message = f.find<QLabel>(QStringLiteral("MySitesMessage"));
    QVERIFY(sites && accept && message);
    QVERIFY(!accept->isChecked());
    QVERIFY(message->text().isEmpty());
    sites->setText(QStringLiteral("exa mple.com,  example.org "));
    Q_EMIT sites->editingFinished();
    QCOMPARE(message->text(), QStringLiteral("\"exa mple.com\" is not a host name or a web address."));
    QCOMPARE(sites->toolTip(), message->text());
    accept->click();
    QFile file(f.path(QStringLiteral("preferences.ini")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray ini = file.readAll();
    QVERIFY2(ini.contains("[LinkBack]"), ini.constData());
    QVERIFY2(ini.contains("Sites=exa mple.com, example.org"), ini.constData());
    QVERIFY2(ini.contains("AcceptOnlyFollowed=1"), ini.constData());
    // links.ini is not touched.
    QVERIFY(!QFile::exists(f.path(QStringLiteral("links.ini"))));
    sites->setText(QStringLiteral("example.org"));
    Q_EMIT sites->editingFinished();
    QVERIFY(message->text().isEmpty());
}

#include "tst_ConfigPages.moc"
