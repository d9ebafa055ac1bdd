#pragma once

#include <QObject>

class ShellFixture;

// The browser pane against pages served from 127.0.0.1 and files.
class TestBrowserPane : public QObject
{
    Q_OBJECT

public:
    explicit TestBrowserPane(ShellFixture& fixture) : m_fixture(fixture) {}

private Q_SLOTS:
    void addressFromText_data();
    void addressFromText();
    void enterNavigatesAndRewritesAddress_data();
    void enterNavigatesAndRewritesAddress();
    void otherKeysDoNotNavigate();
    void pictureButtonsSwapAndCommand();
    void missingImagesFolder();
    void documentSource_data();
    void documentSource();
    void documentSourceAnswersOnce();
    void profileOutsideProgramFolder();

private:
    ShellFixture& m_fixture;
};
