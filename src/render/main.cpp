// quillmark-render: renders web pages with the browser engine, without a
// display, for programs that must not hold a browser themselves. It reads one
// request a line on standard input and writes one answer a line on standard
// output (the lines are described in rendering/RenderProtocol.h); everything
// else, the engine's own messages included, goes to standard error.

#include "Version.h"
#include "render/RenderServer.h"

#include <QGuiApplication>
#include <QString>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

const char kUsage[] = "Usage: quillmark-render\n"
                      "Renders web pages for Quillmark. Reads one JSON request a line on standard\n"
                      "input, such as {\"id\":1,\"url\":\"https://example.com/\",\"timeoutMs\":15000},\n"
                      "and writes one JSON answer a line on standard output: the final address, the\n"
                      "page's markup after its scripts ran, the time taken and why it stopped.\n"
                      "Ends at the end of its input.\n";

// The engine's switches for a renderer nobody looks at. Whatever the
// environment already asks for comes after them, so it wins.
void setEngineSwitches()
{
    QByteArray flags = "--disable-gpu --disable-background-networking --disable-component-update"
                       " --disable-features=site-per-process";
    const QByteArray given = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!given.isEmpty())
        flags += ' ' + given;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

} // namespace

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quillmark-render %s\n", QUILLMARK_VERSION_TEXT);
            return 0;
        }
        std::fputs(kUsage, std::strcmp(argv[i], "--help") == 0 ? stdout : stderr);
        return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
    }

    // The answers get standard output to themselves: it is kept on another
    // descriptor, and standard output becomes standard error for the rest of
    // this process and the engine's processes, which inherit it.
    const int answerFd = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    // A caller that goes away makes the next answer fail, not kill us mid-page.
    std::signal(SIGPIPE, SIG_IGN);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Chromium refuses to start sandboxed as root (containers often run so).
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    setEngineSwitches();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmark-render"));
    RenderServer server(STDIN_FILENO, answerFd);
    server.start();
    return app.exec();
}
