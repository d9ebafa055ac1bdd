// The list file loader: every non-empty line becomes one entry, exactly as it
// stands, and a saved list loads back as the same list.
#include "FuzzInput.h"
#include "filters/ListFile.h"
#include "filters/SortedListModel.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace {

// Lines end at CR LF, a lone CR or a lone LF; the end after the last line is optional.
QStringList referenceLines(const QString& text)
{
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(current);
            current.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            continue;
        }
        current += c;
    }
    if (!current.isEmpty())
        lines.append(current);
    return lines;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fuzzFail("cannot write the scratch file");
    f.write(bytes);
}

QStringList sortedCopy(QStringList l)
{
    std::stable_sort(l.begin(), l.end(), SortedListModel::lessThan);
    return l;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = fuzzScratchFile(QStringLiteral("list.txt"));
    writeFile(path, bytes);

    SortedListModel list;
    list.setEntries({QStringLiteral("before")});
    if (!LoadListFromFile(list, path, MissingListFile::KeepList))
        fuzzFail("a readable list file did not load");

    // A line's text ends at its first NUL; lines left empty are no entries.
    QStringList want = referenceLines(TextFile::decode(bytes));
    for (QString& line : want)
        if (line.contains(QChar(0)))
            line.truncate(line.indexOf(QChar(0)));
    want.removeIf([](const QString& l) { return l.isEmpty(); });
    QStringList got = list.entries();
    for (qsizetype i = 1; i < got.size(); ++i)
        if (SortedListModel::lessThan(got[i], got[i - 1]))
            fuzzFail("the loaded list is not in order");
    QStringList a = want;
    QStringList b = got;
    a.sort();
    b.sort();
    if (a != b)
        fuzzFail("the loaded entries are not the file's non-empty lines",
                 QStringLiteral("%1 entries vs %2 lines").arg(got.size()).arg(want.size()));

    // Saved and loaded again: the same list.
    const QString saved = fuzzScratchFile(QStringLiteral("saved.txt"));
    if (!SaveListToFile(saved, got).ok)
        fuzzFail("SaveListToFile failed");
    SortedListModel again;
    if (!LoadListFromFile(again, saved, MissingListFile::KeepList))
        fuzzFail("a saved list file did not load");
    if (again.entries() != got)
        fuzzFail("a saved list loads back differently");
    if (sortedCopy(want) != sortedCopy(got))
        fuzzFail("sorting is not stable for equal entries");

    // A folder in place of the file: the list stays as it was.
    if (LoadListFromFile(again, QDir(fuzzScratchFile(QString())).path(), MissingListFile::KeepList) ||
        again.entries() != got)
        fuzzFail("a folder loaded as a list file");
    return 0;
}
