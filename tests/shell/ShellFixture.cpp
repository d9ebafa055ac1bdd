#include "ShellFixture.h"

#include "shell/browser/BrowserPane.h"

#include <QDir>
#include <QFile>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

namespace {

class LocalOnly : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QUrl url = info.requestUrl();
        const bool local = url.isLocalFile() || url.scheme() == QLatin1String("about") ||
                           url.scheme() == QLatin1String("data") || url.host() == QLatin1String("127.0.0.1");
        if (!local)
            info.block(true);
    }
};

} // namespace

ShellFixture::ShellFixture() : m_folder(m_dir.path())
{
    QDir().mkpath(m_folder.filePath(QStringLiteral("images")));
    const QDir images(sourcePath(QStringLiteral("images")));
    for (const QString& name : images.entryList(QDir::Files))
        QFile::copy(images.filePath(name), m_folder.filePath(QStringLiteral("images/") + name));
    for (const QString page : {QStringLiteral("start.html"), QStringLiteral("help.html")})
        QFile::copy(sourcePath(QStringLiteral("data/") + page), m_folder.filePath(page));
    QDir().mkpath(m_folder.filePath(QStringLiteral("bare")));

    m_interceptor = std::make_unique<LocalOnly>();
    m_profile = BrowserPane::createProfile();
    m_profile->setUrlRequestInterceptor(m_interceptor.get());
}

ShellFixture::~ShellFixture()
{
    m_profile.reset();
}

ProgramFolder ShellFixture::bareFolder() const
{
    return ProgramFolder(m_folder.filePath(QStringLiteral("bare")));
}

QString ShellFixture::sourcePath(const QString& relative)
{
    return qEnvironmentVariable("QM_TEST_SOURCE_DIR") + QLatin1Char('/') + relative;
}
