#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Reads back what a spreadsheet application would see in an .xlsx file,
// straight from its XML parts.
class XlsxProbe
{
public:
    struct Cell
    {
        QString text;
        QString type; // the c element's t attribute: "s" for a shared string
    };
    struct Table
    {
        QString ref; // empty when the sheet has no table
        QString style;
        QStringList columnNames;
    };

    explicit XlsxProbe(const QString& path);

    bool isValid() const { return !m_members.isEmpty(); }

    QByteArray member(const QString& name) const;
    QStringList sheetNames() const;
    Table table() const;
    // The first sheet as rows of cells, gaps filled with empty cells.
    QList<QList<Cell>> cells() const;
    QMap<int, double> columnWidths() const; // 0-based column -> width

    // The file format's _xHHHH_ escapes turned back into characters.
    static QString Unescape(const QString& text);

private:
    QMap<QString, QByteArray> m_members; // the zip container's files, inflated
};
