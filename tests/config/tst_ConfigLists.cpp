#include "ConfigFixture.h"
#include "filters/SortedListModel.h"
#include "filters/ui/MenuListView.h"
#include "filters/ui/StatusCodesFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

// The bad-words and bad-URLs editors and the frame "HTTP Status Codes".
class TestConfigLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editors_data();
    void addSaveLoad_data() { editors_data(); }
    void addSaveLoad();
    void loadKeepsTheListWhenTheFileCannotBeRead_data() { editors_data(); }
    void loadKeepsTheListWhenTheFileCannotBeRead();
    void rightPressKeepsTheSelection_data() { editors_data(); }
    void rightPressKeepsTheSelection();
    void failedSaveSaysSo_data() { editors_data(); }
    void failedSaveSaysSo();

    void availableList();
    void selectRemoveSaveLoadValid();
    void loadWithoutHeadersFileEmptiesValid();
    void helpOpensTheStatusCodeSection();
};

namespace {

SortedListModel& listOf(ConfigFixture& f, const QString& list)
{
    return list == QLatin1String("List1") ? f.workspace.badWords() : f.workspace.badUrls();
}

void typeAndAdd(ConfigFixture& f, const QString& entryBox, const QString& addButton, const QString& text)
{
    auto* entry = f.find<QLineEdit>(entryBox);
    QTest::keyClicks(entry, text);
    f.click(addButton);
}

} // namespace

void TestConfigLists::editors_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("add");
    QTest::addColumn<QString>("fileBox");
    QTest::addColumn<QString>("load");
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("menuItem");
    QTest::addColumn<QString>("menuText");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("page");
    QTest::newRow("bad words") << "List1"
                               << "Text23"
                               << "Command4"
                               << "Text24"
                               << "Command22"
                               << "Command21"
                               << "mnupopup2"
                               << "mnuRemoveItems"
                               << "Remove Selected Item(s)"
                               << "Select and right-click the word(s) you wish to be removed from the list."
                               << 3;
    QTest::newRow("bad URLs") << "List2"
                              << "Text29"
                              << "Command39"
                              << "Text28"
                              << "Command38"
                              << "Command37"
                              << "mnupopup3"
                              << "mnuRemoveDomains"
                              << "Remove Selected Domain(s)"
                              << "Select and right-click the URLs you wish to be removed from the list." << 4;
}

void TestConfigLists::addSaveLoad()
{
    QFETCH(QString, list);
    QFETCH(QString, entry);
    QFETCH(QString, add);
    QFETCH(QString, fileBox);
    QFETCH(QString, load);
    QFETCH(QString, save);
    QFETCH(QString, hint);
    ConfigFixture f;
    SortedListModel& model = listOf(f, list);
    QCOMPARE(f.find<MenuListView>(list)->model(), &model);
    QCOMPARE(f.find<QPushButton>(add)->text(), QStringLiteral("Add"));
    QCOMPARE(f.find<QPushButton>(load)->text(), QStringLiteral("Load"));
    QCOMPARE(f.find<QPushButton>(save)->text(), QStringLiteral("Save"));
    QVERIFY(f.find<QPushButton>(save)->font().bold());
    bool hintShown = false;
    for (QLabel* label : f.area.findChildren<QLabel*>())
        hintShown |= label->text() == hint;
    QVERIFY(hintShown);

    typeAndAdd(f, entry, add, QStringLiteral("bonus"));
    typeAndAdd(f, entry, add, QStringLiteral("Adult"));
    typeAndAdd(f, entry, add, QStringLiteral("bonus"));
    typeAndAdd(f, entry, add, QStringLiteral("   "));
    f.click(add); // empty box: nothing
    QCOMPARE(model.entries(), (QStringList{"   ", "Adult", "bonus", "bonus"}));
    QVERIFY(f.find<QLineEdit>(entry)->text().isEmpty());

    QTest::keyClicks(f.find<QLineEdit>(fileBox), QStringLiteral("list.txt"));
    f.click(save);
    QCOMPARE(f.read(QStringLiteral("list.txt")), QByteArray("   \r\nAdult\r\nbonus\r\nbonus\r\n"));
    QVERIFY(f.openBoxes().isEmpty());

    model.clear();
    f.click(load);
    QCOMPARE(model.entries(), (QStringList{"   ", "Adult", "bonus", "bonus"}));

    QVERIFY(f.write(QStringLiteral("other.txt"), "zeta\r\n\r\n alpha\r\n\r\n"));
    auto* name = f.find<QLineEdit>(fileBox);
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("other.txt"));
    f.click(load);
    QCOMPARE(model.entries(), (QStringList{" alpha", "zeta"}));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestConfigLists::loadKeepsTheListWhenTheFileCannotBeRead()
{
    QFETCH(QString, list);
    QFETCH(QString, fileBox);
    QFETCH(QString, load);
    ConfigFixture f;
    SortedListModel& model = listOf(f, list);
    model.setEntries({QStringLiteral("one"), QStringLiteral("two")});
    f.click(load); // empty file name
    QCOMPARE(model.count(), 2);
    QTest::keyClicks(f.find<QLineEdit>(fileBox), QStringLiteral("missing.txt"));
    f.click(load);
    QCOMPARE(model.entries(), (QStringList{"one", "two"}));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestConfigLists::rightPressKeepsTheSelection()
{
    QFETCH(QString, list);
    QFETCH(QString, menu);
    QFETCH(QString, menuItem);
    QFETCH(QString, menuText);
    QFETCH(int, page);
    ConfigFixture f;
    SortedListModel& model = listOf(f, list);
    model.setEntries({"a", "b", "c", "d"});
    f.find<QTabWidget>(QStringLiteral("SSTab3"))->setCurrentIndex(page);
    f.area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.area));

    auto* view = f.find<MenuListView>(list);
    auto* popup = f.find<QMenu>(menu);
    QVERIFY(view && popup);
    QAction* remove = popup->findChild<QAction*>(menuItem);
    QVERIFY(remove);
    QCOMPARE(remove->text(), menuText);

    // Nothing selected: the item removes nothing.
    remove->trigger();
    QCOMPARE(model.count(), 4);

    // First and last selected by the user, then a right press on another entry.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(model.index(0)).center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      view->visualRect(model.index(3)).center());
    QCOMPARE(model.selectedRows(), (QList<int>{0, 3}));
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, view->visualRect(model.index(1)).center());
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, view->visualRect(model.index(1)).center());
    QCOMPARE(model.selectedRows(), (QList<int>{0, 3}));
    QVERIFY(popup->isVisible());
    remove->trigger();
    popup->hide();
    QCOMPARE(model.entries(), (QStringList{"b", "c"}));
}

void TestConfigLists::failedSaveSaysSo()
{
    QFETCH(QString, fileBox);
    QFETCH(QString, save);
    ConfigFixture f;
    f.area.show();
    QTest::keyClicks(f.find<QLineEdit>(fileBox), QStringLiteral("no-such-folder/list.txt"));
    f.click(save);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    const QList<QMessageBox*> boxes = f.openBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first()->windowTitle(), QStringLiteral("Quillmark"));
    QVERIFY2(boxes.first()->text().contains(QStringLiteral("no-such-folder/list.txt")),
             qPrintable(boxes.first()->text()));
    f.closeBoxes();
}

void TestConfigLists::availableList()
{
    ConfigFixture f;
    auto* available = f.find<QListWidget>(QStringLiteral("List4"));
    QVERIFY(available);
    QCOMPARE(available->count(), 41);
    QCOMPARE(available->item(0)->text(), QStringLiteral("100 Continue"));
    QCOMPARE(available->item(21)->text(), QStringLiteral("404 Not Found"));
    QCOMPARE(available->item(40)->text(), QStringLiteral("505 HTTP Version Not Supported"));
    QCOMPARE(available->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(f.find<MenuListView>(QStringLiteral("List3"))->selectionMode(),
             QAbstractItemView::ExtendedSelection);

    const QString explanation = "Select status codes you wish to be valid. URLs that return valid status "
                                "codes will be added to tab4. "
                                "If there's no items in the Valid column, then this feature will not be "
                                "used. Usually you need to set "
                                "only one header \"200 OK\", but you can select multiple headers as well for "
                                "either debugging, testing, "
                                "hacking, or whatever other reason you may have.";
    QLabel* label = nullptr;
    for (QLabel* l : f.area.findChildren<QLabel*>())
        if (l->text() == explanation)
            label = l;
    QVERIFY(label);
    QCOMPARE(label->foregroundRole(), QPalette::Highlight);

    const QList<std::pair<const char*, const char*>> buttons{{"Command6", "<-- Select"},
                                                             {"Command7", "Remove -->"},
                                                             {"Command9", "Save"},
                                                             {"Command42", "Load"},
                                                             {"Command5", "?"}};
    for (const auto& [name, text] : buttons)
        QCOMPARE(f.find<QPushButton>(QString::fromLatin1(name))->text(), QString::fromLatin1(text));
    QVERIFY(f.find<QPushButton>(QStringLiteral("Command9"))->font().bold());
}

void TestConfigLists::selectRemoveSaveLoadValid()
{
    ConfigFixture f;
    SortedListModel& valid = f.workspace.validStatus();
    auto* available = f.find<QListWidget>(QStringLiteral("List4"));

    f.click(QStringLiteral("Command6")); // nothing highlighted
    QCOMPARE(valid.count(), 0);

    available->setCurrentRow(21); // 404 Not Found
    f.click(QStringLiteral("Command6"));
    available->setCurrentRow(2); // 200 OK
    f.click(QStringLiteral("Command6"));
    f.click(QStringLiteral("Command6"));
    QCOMPARE(valid.entries(), (QStringList{"200 OK", "200 OK", "404 Not Found"}));
    QCOMPARE(available->count(), 41);
    QCOMPARE(available->selectedItems().value(0)->text(), QStringLiteral("200 OK"));

    f.click(QStringLiteral("Command9"));
    QCOMPARE(f.read(QStringLiteral("headers.txt")), QByteArray("200 OK\r\n200 OK\r\n404 Not Found\r\n"));

    f.click(QStringLiteral("Command7")); // nothing selected in Valid
    QCOMPARE(valid.count(), 3);
    valid.selectionModel()->select(valid.index(0), QItemSelectionModel::Select);
    valid.selectionModel()->select(valid.index(2), QItemSelectionModel::Select);
    f.click(QStringLiteral("Command7"));
    QCOMPARE(valid.entries(), (QStringList{"200 OK"}));

    f.click(QStringLiteral("Command42"));
    QCOMPARE(valid.entries(), (QStringList{"200 OK", "200 OK", "404 Not Found"}));

    // A hand-edited line that is not in Available loads like any other.
    QVERIFY(f.write(QStringLiteral("headers.txt"), "\r\n301\r\n\r\n200 OK\r\n"));
    f.click(QStringLiteral("Command42"));
    QCOMPARE(valid.entries(), (QStringList{"200 OK", "301"}));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void TestConfigLists::loadWithoutHeadersFileEmptiesValid()
{
    ConfigFixture f;
    f.workspace.validStatus().setEntries({QStringLiteral("200 OK")});
    f.click(QStringLiteral("Command42"));
    QCOMPARE(f.workspace.validStatus().count(), 0);
}

void TestConfigLists::helpOpensTheStatusCodeSection()
{
    ConfigFixture f;
    auto* tabs = f.find<QTabWidget>(QStringLiteral("SSTab3"));
    tabs->setCurrentIndex(5);
    f.click(QStringLiteral("Command5"));
    QCOMPARE(f.navigated, QStringList{QString::fromLatin1(StatusCodesFrame::HelpAddress)});
    QVERIFY(f.navigated.first().contains(QStringLiteral("rfc2616")));
    QVERIFY(f.navigated.first().endsWith(QStringLiteral("section-10")));
    QCOMPARE(tabs->currentIndex(), 5);
}

int runConfigListsTests(int argc, char** argv)
{
    TestConfigLists test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ConfigLists.moc"
