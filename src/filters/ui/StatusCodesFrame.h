#pragma once

#include <QGroupBox>
#include <QString>
#include <functional>
#include <memory>

class MenuListView;
class ProgramFolder;
class QListWidget;
class QPushButton;
class SortedListModel;

namespace Ui {
class StatusCodesFrame;
}

// The frame "HTTP Status Codes": the accepted status lines (Valid, List3)
// picked from the fixed HTTP/1.1 list (Available, List4), saved to and loaded
// from headers.txt in the program folder.
class StatusCodesFrame : public QGroupBox
{
    Q_OBJECT

public:
    // The section of RFC 2616 that defines the status codes, opened by "?".
    static constexpr char HelpAddress[] = "https://www.rfc-editor.org/rfc/rfc2616#section-10";

    StatusCodesFrame(SortedListModel& valid, const ProgramFolder& folder,
                     std::function<void(const QString&)> navigate, QWidget* parent = nullptr);
    ~StatusCodesFrame() override;

    void select();
    void remove();
    void save();
    void load();

private:
    // The form's controls by what they are; the form keeps their design names.
    MenuListView* validList() const;    // List3
    QListWidget* availableList() const; // List4
    QPushButton* helpButton() const;    // Command5
    QPushButton* selectButton() const;  // Command6
    QPushButton* removeButton() const;  // Command7
    QPushButton* saveButton() const;    // Command9
    QPushButton* loadButton() const;    // Command42

    std::unique_ptr<Ui::StatusCodesFrame> m_ui;
    SortedListModel& m_valid;
    const ProgramFolder& m_folder;
    std::function<void(const QString&)> m_navigate;
};
