// The fetch pool alone over a links file, all URLs given at once: the time
// the fetches take with no batch run around them, the floor a run over the
// same list can reach with the same connections.
//
//   bench_realweb_pool [--connections N] [--per-host N] [--timeout S] [--silent-free] LINKS_FILE
//
// Prints the time, and how many results were answers, failures, and pages
// asked more than once. --silent-free: see FetchPool::setSilentTransfersFree.

#include "platform/FetchPool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int connections = 8;
    int perHost = 2;
    int timeout = FetchOptions::kDefaultTimeoutSeconds;
    bool silentFree = false;
    QString links;
    while (!arguments.isEmpty()) {
        const QString option = arguments.takeFirst();
        if (option == QLatin1String("--connections") && !arguments.isEmpty())
            connections = arguments.takeFirst().toInt();
        else if (option == QLatin1String("--per-host") && !arguments.isEmpty())
            perHost = arguments.takeFirst().toInt();
        else if (option == QLatin1String("--silent-free"))
            silentFree = true;
        else if (option == QLatin1String("--timeout") && !arguments.isEmpty())
            timeout = arguments.takeFirst().toInt();
        else
            links = option;
    }
    QFile file(links);
    QStringList list;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.trimmed().isEmpty())
                list.append(QString::fromUtf8(line.trimmed()));
        }
    }
    if (list.isEmpty()) {
        std::fprintf(stderr, "usage: bench_realweb_pool [--connections N] [--per-host N] [--timeout S] "
                             "[--silent-free] LINKS_FILE\n");
        return 2;
    }

    FetchOptions options;
    options.setTimeoutSeconds(timeout);
    FetchPool pool(nullptr, options, {connections, perHost});
    pool.setSilentTransfersFree(silentFree);
    int done = 0, answered = 0, failed = 0, askedAgain = 0;
    QEventLoop loop;
    QObject::connect(&pool, &FetchPool::finished, [&](quint64, const FetchResult& r) {
        (r.ok() ? answered : failed) += 1;
        askedAgain += r.attempts > 1 ? 1 : 0;
        if (++done == list.size())
            loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < list.size(); ++i)
        pool.enqueue(quint64(i), list.at(i));
    loop.exec();
    std::printf("fetch pool alone, %d connections%s, %d per host: %.1f s, %d answered, %d failed, "
                "%d asked again\n",
                connections, silentFree ? " (silent ones free)" : "", perHost,
                double(clock.elapsed()) / 1000.0, answered, failed, askedAgain);
    return 0;
}
