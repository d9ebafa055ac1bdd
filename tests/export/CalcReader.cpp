#include "CalcReader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

QString CalcReader::Program()
{
    for (const char* name : {"soffice", "libreoffice"}) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!program.isEmpty())
            return program;
    }
    return QString();
}

QHash<QString, QList<QStringList>> CalcReader::Read(const QStringList& files, const QString& workFolder,
                                                    QString* error)
{
    QHash<QString, QList<QStringList>> sheets;
    const QDir work(workFolder);
    work.mkpath(QStringLiteral("profile"));
    work.mkpath(QStringLiteral("csv"));
    // Comma, double quote, UTF-8 (76), from line 1.
    QStringList arguments{QStringLiteral("--headless"),
                          QStringLiteral("--norestore"),
                          QStringLiteral("--nolockcheck"),
                          QStringLiteral("-env:UserInstallation=") +
                              QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toString(),
                          QStringLiteral("--convert-to"),
                          QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1"),
                          QStringLiteral("--outdir"),
                          work.filePath(QStringLiteral("csv"))};
    // Every export is called "Quillmark results <date>.xlsx"; copies with
    // numbered names keep the converted files apart.
    QStringList copies;
    for (const QString& file : files) {
        copies.append(work.filePath(QStringLiteral("book%1.xlsx").arg(copies.size())));
        QFile::remove(copies.last());
        QFile::copy(file, copies.last());
    }
    arguments += copies;

    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    office.start(Program(), arguments);
    if (!office.waitForFinished(300000) || office.exitCode() != 0) {
        *error = QStringLiteral("LibreOffice failed: %1").arg(QString::fromLocal8Bit(office.readAll()));
        return sheets;
    }
    for (qsizetype i = 0; i < files.size(); ++i) {
        QFile csv(work.filePath(QStringLiteral("csv/book%1.csv").arg(i)));
        if (csv.open(QIODevice::ReadOnly))
            sheets.insert(files[i], ParseCsv(QString::fromUtf8(csv.readAll())));
    }
    if (sheets.size() != files.size())
        *error = QStringLiteral("LibreOffice wrote %1 of %2 files: %3")
                     .arg(sheets.size())
                     .arg(files.size())
                     .arg(QString::fromLocal8Bit(office.readAll()));
    return sheets;
}

QList<QStringList> CalcReader::ParseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        any = true;
        if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row.append(field);
            field.clear();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            row.append(field);
            rows.append(row);
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any) {
        row.append(field);
        rows.append(row);
    }
    return rows;
}
