// Start-up of the program as main() does it, without the splash window's three
// seconds: from the start of the process to the main window on screen, and to
// the browser's start page complete; then the memory of the whole process tree
// (the program and the web engine's helper processes).
//
// One start-up per process, so the benchmark runs one iteration; compare.sh
// runs the executable a few times. The program folder is a fresh copy of the
// shipped files, as at a first start.
#include "settings/ProgramFolder.h"
#include "workspace/Workspace.h"
#include "shell/browser/BrowserPane.h"
#include "shell/ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineProfile>
#include <benchmark/benchmark.h>
#include <ctime>
#include <unistd.h>

namespace {

// Seconds since this process started, from the kernel's own start time.
double secondsSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    stat.open(QIODevice::ReadOnly);
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9 - started;
}

QList<qint64> processTree(qint64 pid)
{
    QList<qint64> tree{pid};
    QDirIterator tasks(QStringLiteral("/proc/%1/task").arg(pid), QDir::Dirs | QDir::NoDotAndDotDot);
    while (tasks.hasNext()) {
        QFile children(tasks.next() + QStringLiteral("/children"));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& child : children.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                tree += processTree(child.trimmed().toLongLong());
    }
    return tree;
}

// A "Key:   1234 kB" figure of a /proc file, in KiB.
qint64 kibFrom(const QString& file, const QByteArray& key)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

bool copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files);
    while (it.hasNext()) {
        const QString file = it.next();
        if (!QFile::copy(file, to + u'/' + QFileInfo(file).fileName()))
            return false;
    }
    return true;
}

void BM_StartUpToStartPage(benchmark::State& state)
{
    QTemporaryDir dir;
    if (!copyFolder(QStringLiteral(QM_SOURCE_DIR "/data"), dir.path()) ||
        !copyFolder(QStringLiteral(QM_SOURCE_DIR "/images"), dir.filePath(QStringLiteral("images")))) {
        state.SkipWithError("cannot seed the program folder");
        return;
    }
    double shownAt = 0;
    double completeAt = 0;
    qint64 peakKiB = 0;
    qint64 pssKiB = 0;
    for (auto _ : state) {
        // What main() builds, in its order, then the window shown directly.
        const ProgramFolder folder(dir.path());
        Workspace workspace(folder);
        const std::unique_ptr<QWebEngineProfile> profile = BrowserPane::createProfile();
        MainWindow window(workspace, *profile);
        QEventLoop loop;
        // The first page complete that is the start page (not a blank one before it).
        QObject::connect(&window.browser(), &BrowserPane::documentComplete, &loop, [&] {
            if (window.browser().locationUrl().endsWith(QLatin1String("start.html")))
                loop.quit();
        });
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        window.show();
        shownAt = secondsSinceProcessStart();
        loop.exec();
        completeAt = secondsSinceProcessStart();
        if (!window.browser().locationUrl().endsWith(QLatin1String("start.html")))
            state.SkipWithError("the start page did not load");
        state.SetIterationTime(completeAt);

        // Let the helper processes settle, then add up the tree: the peak of
        // each process (an upper bound, the peaks need not coincide) and the
        // proportional share of memory now (shared pages counted once).
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        for (const qint64 pid : processTree(getpid())) {
            peakKiB += kibFrom(QStringLiteral("/proc/%1/status").arg(pid), "VmHWM:");
            pssKiB += kibFrom(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:");
        }
        state.counters["processes"] = double(processTree(getpid()).size());
    }
    state.counters["window_shown_ms"] = shownAt * 1000;
    state.counters["start_page_ms"] = completeAt * 1000;
    state.counters["tree_peak_MiB"] = double(peakKiB) / 1024;
    state.counters["tree_pss_MiB"] = double(pssKiB) / 1024;
}
BENCHMARK(BM_StartUpToStartPage)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillmark"));
    QStandardPaths::setTestModeEnabled(true); // the browser's profile in Qt's test folders, not the user's
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
