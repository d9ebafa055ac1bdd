#include "DataAreaFixture.h"

#include "results/ui/ResultsGrid.h"

#include <QLabel>
#include <QPushButton>

namespace {

FetchOptions quickFetches()
{
    FetchOptions options;
    options.connectTimeoutMs = 5000;
    options.totalTimeoutMs = 10000;
    return options;
}

} // namespace

void doubleClick(QWidget* widget, QPoint pos)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mousePress(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

DataAreaFixture::DataAreaFixture(const QString& openWith)
{
    workspace = std::make_unique<Workspace>(ProgramFolder(dir.path()));
    run = std::make_unique<BatchRun>(workspace->settings(), workspace->linkList(), workspace->badWords(),
                                     workspace->validStatus(), quickFetches());
    WorkbookOpener opener({WorkbookOpener::Command{openWith, {}}});
    exporter = std::make_unique<SpreadsheetExporter>(std::move(opener), dir.path());
    area = std::make_unique<DataArea>(*workspace, *run, *exporter);
    area->resize(811, 529);
}

DataAreaFixture::~DataAreaFixture()
{
    // The area goes first: it holds references to everything else.
    area.reset();
}

bool DataAreaFixture::show()
{
    area->show();
    area->activateWindow();
    return QTest::qWaitForWindowActive(area.get());
}

QPushButton* DataAreaFixture::button(const char* name) const
{
    return find<QPushButton>(name);
}

QLabel* DataAreaFixture::label(const char* name) const
{
    return find<QLabel>(name);
}

ResultsGrid* DataAreaFixture::grid() const
{
    return find<ResultsGrid>("MSFlexGrid1");
}

QString DataAreaFixture::cell(int tableRow, int column) const
{
    return workspace->results().cell(tableRow, column);
}

QStringList DataAreaFixture::dataRows() const
{
    const ResultsTable& table = workspace->results();
    QStringList rows;
    for (int r = 1; r < table.tableRowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c)
            cells << table.cell(r, c);
        rows << cells.join(u'|');
    }
    return rows;
}

void DataAreaFixture::setDataRows(const QStringList& rows)
{
    QVector<ResultsTable::Row> table;
    for (const QString& row : rows) {
        ResultsTable::Row cells;
        const QStringList parts = row.split(u'|');
        for (int c = 0; c < ResultsTable::Columns && c < parts.size(); ++c)
            cells[c] = parts[c];
        table.append(cells);
    }
    workspace->results().replaceDataRows(table);
}

void DataAreaFixture::setMySites(const QStringList& sites)
{
    RunPreferences preferences = workspace->preferences().values();
    LinkBackPreferences linkBack = preferences.linkBack();
    linkBack.setSites(sites);
    preferences.setLinkBack(linkBack);
    workspace->preferences().change(preferences);
}
