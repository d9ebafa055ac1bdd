#pragma once

#include <QWidget>
#include <memory>

class ProgramFolder;
class ResultsTable;
class Settings;
class SpreadsheetExporter;

namespace Ui {
class ResultsFileBar;
}

// The buttons that write the results table to the delimited file, read it
// back from there and send it to a spreadsheet: "Save to ASCII File", "Load
// from ASCII File" and "Export to Excel". The file's name and delimiter are
// the settings' at the moment of the click.
class ResultsFileBar : public QWidget
{
    Q_OBJECT

public:
    explicit ResultsFileBar(QWidget* parent = nullptr);
    ~ResultsFileBar() override;

    // Everything given must outlive the bar.
    void attach(ResultsTable& table, const Settings& settings, const ProgramFolder& folder,
                SpreadsheetExporter& exporter);

    // "Save to ASCII File"; false (after its message box was opened) when the
    // file could not be written.
    bool save();

Q_SIGNALS:
    // A save that failed, after its message box was opened.
    void saveFailed(const QString& message);

private:
    void load();
    void exportTable();

    std::unique_ptr<Ui::ResultsFileBar> m_ui;
    ResultsTable* m_table = nullptr;
    const Settings* m_settings = nullptr;
    const ProgramFolder* m_folder = nullptr;
    SpreadsheetExporter* m_exporter = nullptr;
};
