#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class ConfigAreaBinding;
class ConfigAreaRestoreMark;
class ListEditor;
class QTabWidget;
class StatusCodesFrame;
class TestFrame;
class Workspace;

namespace Ui {
class ConfigAreaTitlePage;
class ConfigAreaEmailPage;
class ConfigAreaDescriptionPage;
class ConfigAreaMiscPage;
} // namespace Ui

// The "3. Config" area: every field of the settings record on the pages of the
// tab strip SSTab3, the pattern-list editors, the accepted status codes, and
// the frame "Test this configuration" at the right. "Save", "Load" and
// "Default" above the tab strip act on the whole record.
class ConfigArea : public QWidget
{
    Q_OBJECT

public:
    // The help texts of the two "?" buttons of the Email page.
    static const QString EmailOption1Help;
    static const QString EmailOption2Help;

    // navigate opens an address in the browser pane without changing the area.
    ConfigArea(Workspace& workspace, std::function<void(const QString&)> navigate, QWidget* parent = nullptr);
    ~ConfigArea() override;

    void saveSettings();         // Command23
    void loadSettings();         // Command36
    void toggleRestoreButtons(); // Command33

    ListEditor* badWordsEditor() const { return m_badWords; }
    ListEditor* badUrlsEditor() const { return m_badUrls; }
    StatusCodesFrame* statusCodes() const { return m_statusCodes; }
    TestFrame* testFrame() const { return m_testFrame; }

private:
    QWidget* buildButtonRow();
    void buildRestoreMarks();
    void showHelp(const QString& text);

    Workspace& m_workspace;
    std::unique_ptr<Ui::ConfigAreaTitlePage> m_titleUi;
    std::unique_ptr<Ui::ConfigAreaEmailPage> m_emailUi;
    std::unique_ptr<Ui::ConfigAreaDescriptionPage> m_descriptionUi;
    std::unique_ptr<Ui::ConfigAreaMiscPage> m_miscUi;
    QTabWidget* m_tabs = nullptr;
    ListEditor* m_badWords = nullptr;
    ListEditor* m_badUrls = nullptr;
    StatusCodesFrame* m_statusCodes = nullptr;
    TestFrame* m_testFrame = nullptr;
    ConfigAreaBinding* m_binding = nullptr;
    QList<ConfigAreaRestoreMark*> m_restoreMarks;
};
