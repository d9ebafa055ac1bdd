#pragma once

#include "shell/LayoutPass.h"

#include <QWidget>
#include <array>
#include <memory>

class BrowserPane;
class DataArea;
class QAbstractButton;
class QTableView;
class QWebEngineProfile;
class Workspace;

namespace Ui {
class MainWindow;
}

// The program's one working window (frmMain): four tab buttons over four
// stacked areas, "Forums" and "On Top". Its start-up runs once, just before it
// is first shown.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    // There is no support forum yet: "Forums" opens the about-and-help page
    // that ships in the program folder beside the start page.
    static constexpr const char* HelpPageName = "help.html";

    MainWindow(Workspace& workspace, QWebEngineProfile& profile, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads, table header, pictures, caption and the home page, in that order.
    // Runs once; showing the window runs it if nobody has.
    void startUp();
    bool hasStarted() const { return m_started; }

    // The page title, " - ", the application title, " ", the version.
    static QString captionFor(const QString& pageTitle);

    BrowserPane& browser() const { return *m_browser; }
    QWidget* area(int index) const;              // Picture1 .. Picture4 for 0 .. 3
    QAbstractButton* tabButton(int index) const; // Option30 .. Option33
    int selectedArea() const;

    // The twips-per-pixel factors of the window's screen.
    TwipsPerPixel twipsPerPixel() const;
    const LayoutResult& layoutResult() const { return m_layout; }
    // One layout pass for the window's current outer size, applied to every
    // control that exists.
    void runLayoutPass();
    // Sets the five column widths (twips) on a results table view.
    static void applyColumnWidths(QTableView* table, const ResultsColumnWidths::Widths& widths,
                                  double twipsPerPixelX);

Q_SIGNALS:
    // After each layout pass, for the areas that size controls of their own.
    void layoutApplied(const LayoutResult& layout, TwipsPerPixel twipsPerPixel);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showArea(int index);
    void onForums();
    void onOnTop();
    void applyLayout(const LayoutResult& layout, TwipsPerPixel tpp);

    Workspace& m_workspace;
    std::unique_ptr<Ui::MainWindow> m_ui;
    BrowserPane* m_browser = nullptr;
    DataArea* m_dataArea = nullptr;
    std::array<QAbstractButton*, LayoutResult::Areas> m_tabs{};
    std::array<QWidget*, LayoutResult::Areas> m_areas{};
    LayoutResult m_layout = LayoutResult::design();
    bool m_started = false;
};
