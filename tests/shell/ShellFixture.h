#pragma once

#include "settings/ProgramFolder.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

class QWebEngineProfile;
class QWebEngineUrlRequestInterceptor;

// A program folder of its own, seeded with the pictures, the start page and
// the help page from the source tree, and the program's browser profile (in
// Qt's test folders, as main() turns test mode on). The profile only lets the
// browser reach local files and 127.0.0.1.
class ShellFixture
{
public:
    ShellFixture();
    ~ShellFixture();

    bool isValid() const { return m_dir.isValid(); }
    const ProgramFolder& folder() const { return m_folder; }
    QWebEngineProfile& profile() const { return *m_profile; }
    // A folder like the program folder but without images/ and the pages.
    ProgramFolder bareFolder() const;

    static QString sourcePath(const QString& relative);

private:
    QTemporaryDir m_dir;
    ProgramFolder m_folder;
    std::unique_ptr<QWebEngineUrlRequestInterceptor> m_interceptor;
    std::unique_ptr<QWebEngineProfile> m_profile;
};
