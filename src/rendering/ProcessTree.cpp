#include "rendering/ProcessTree.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <signal.h>

namespace {

QByteArray readProcFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The kernel's "Key:   1234 kB" line of a /proc file, in bytes; -1 when absent.
qint64 kibLine(const QByteArray& text, const QByteArray& key)
{
    const qsizetype at = text.startsWith(key) ? 0 : text.indexOf("\n" + key);
    if (at < 0)
        return -1;
    const qsizetype from = at + (at == 0 ? 0 : 1) + key.size();
    const qsizetype end = text.indexOf('\n', from);
    QByteArray value = text.mid(from, end < 0 ? -1 : end - from).trimmed();
    if (value.endsWith(" kB"))
        value.chop(3);
    bool ok = false;
    const qint64 kib = value.trimmed().toLongLong(&ok);
    return ok ? kib * 1024 : -1;
}

// Children by the files the kernel keeps per thread.
bool childrenFromTaskFiles(qint64 pid, QList<qint64>* children)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (threads.isEmpty())
        return false;
    for (const QString& thread : threads) {
        QFile file(tasks.filePath(thread) + QStringLiteral("/children"));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& word : file.readAll().split(' ')) {
            bool ok = false;
            const qint64 child = word.trimmed().toLongLong(&ok);
            if (ok)
                children->append(child);
        }
    }
    return true;
}

// Every process's parent, from /proc/<pid>/stat, for kernels without the
// children files.
QHash<qint64, QList<qint64>> childrenByParent()
{
    QHash<qint64, QList<qint64>> map;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and brackets.
        const QByteArray stat = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() > 1)
            map[fields.at(1).toLongLong()].append(pid);
    }
    return map;
}

} // namespace

QList<qint64> ProcessTree::members(qint64 root)
{
    if (root <= 0 || !QFile::exists(QStringLiteral("/proc/%1").arg(root)))
        return {};
    QList<qint64> tree{root};
    QHash<qint64, QList<qint64>> byParent;
    bool scanned = false;
    for (qsizetype i = 0; i < tree.size(); ++i) {
        QList<qint64> children;
        if (!scanned && !childrenFromTaskFiles(tree.at(i), &children)) {
            byParent = childrenByParent();
            scanned = true;
        }
        if (scanned)
            children = byParent.value(tree.at(i));
        for (const qint64 child : children) {
            if (!tree.contains(child))
                tree.append(child);
        }
    }
    return tree;
}

qint64 ProcessTree::processMemoryBytes(qint64 pid)
{
    const QByteArray status = readProcFile(QStringLiteral("/proc/%1/status").arg(pid));
    const qint64 anonymous = kibLine(status, "RssAnon:");
    if (anonymous >= 0)
        return anonymous + qMax<qint64>(0, kibLine(status, "RssShmem:"));
    return qMax<qint64>(0, kibLine(status, "VmRSS:"));
}

qint64 ProcessTree::memoryBytes(qint64 root)
{
    qint64 total = 0;
    for (const qint64 pid : members(root))
        total += processMemoryBytes(pid);
    return total;
}

void ProcessTree::kill(qint64 root)
{
    for (const qint64 pid : members(root))
        ::kill(pid_t(pid), SIGKILL);
}
