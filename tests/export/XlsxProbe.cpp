#include "XlsxProbe.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <zlib.h>

namespace {

quint32 le(const QByteArray& data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | quint8(data.at(at + i));
    return value;
}

QByteArray inflateRaw(const QByteArray& packed, qsizetype size)
{
    QByteArray out(size, Qt::Uninitialized);
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return QByteArray();
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray();
}

} // namespace

// Walks the zip container's central directory (the local headers may lack
// the sizes when the writer streamed the data).
XlsxProbe::XlsxProbe(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray zip = file.readAll();
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + 22 > zip.size())
        return;
    const int entries = int(le(zip, end + 10, 2));
    qsizetype at = qsizetype(le(zip, end + 16, 4));
    for (int i = 0; i < entries && at + 46 <= zip.size() && le(zip, at, 4) == 0x02014b50; ++i) {
        const quint32 method = le(zip, at + 10, 2);
        const qsizetype packedSize = le(zip, at + 20, 4);
        const qsizetype size = le(zip, at + 24, 4);
        const int nameLength = int(le(zip, at + 28, 2));
        const int extraLength = int(le(zip, at + 30, 2));
        const int commentLength = int(le(zip, at + 32, 2));
        const qsizetype local = le(zip, at + 42, 4);
        const QString name = QString::fromUtf8(zip.mid(at + 46, nameLength));
        const qsizetype data = local + 30 + le(zip, local + 26, 2) + le(zip, local + 28, 2);
        const QByteArray packed = zip.mid(data, packedSize);
        m_members.insert(name, method == 0 ? packed : inflateRaw(packed, size));
        at += 46 + nameLength + extraLength + commentLength;
    }
}

QByteArray XlsxProbe::member(const QString& name) const
{
    return m_members.value(name);
}

QString XlsxProbe::Unescape(const QString& text)
{
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype from = 0;
    auto it = escape.globalMatch(text);
    while (it.hasNext()) {
        const auto match = it.next();
        out += text.mid(from, match.capturedStart() - from);
        out += QChar(match.captured(1).toUShort(nullptr, 16));
        from = match.capturedEnd();
    }
    return out + text.mid(from);
}

QStringList XlsxProbe::sheetNames() const
{
    QStringList names;
    QXmlStreamReader xml(member(QStringLiteral("xl/workbook.xml")));
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (xml.isStartElement() && xml.name() == u"sheet")
            names.append(xml.attributes().value(QLatin1String("name")).toString());
        if (xml.hasError())
            break;
    }
    return names;
}

XlsxProbe::Table XlsxProbe::table() const
{
    Table table;
    QXmlStreamReader xml(member(QStringLiteral("xl/tables/table1.xml")));
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"table")
            table.ref = xml.attributes().value(QLatin1String("ref")).toString();
        else if (xml.name() == u"tableColumn")
            table.columnNames.append(Unescape(xml.attributes().value(QLatin1String("name")).toString()));
        else if (xml.name() == u"tableStyleInfo")
            table.style = xml.attributes().value(QLatin1String("name")).toString();
    }
    return table;
}

QList<QList<XlsxProbe::Cell>> XlsxProbe::cells() const
{
    QStringList shared;
    {
        QXmlStreamReader xml(member(QStringLiteral("xl/sharedStrings.xml")));
        QString current;
        while (!xml.atEnd() && !xml.hasError()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si")
                current.clear();
            else if (xml.isStartElement() && xml.name() == u"t")
                current += xml.readElementText();
            else if (xml.isEndElement() && xml.name() == u"si")
                shared.append(Unescape(current));
        }
    }

    static const QRegularExpression reference(QStringLiteral("^([A-Z]+)([0-9]+)$"));
    QList<QList<Cell>> rows;
    QXmlStreamReader xml(member(QStringLiteral("xl/worksheets/sheet1.xml")));
    int row = -1;
    int column = -1;
    Cell cell;
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"c") {
            const auto match = reference.match(xml.attributes().value(QLatin1String("r")).toString());
            column = 0;
            for (QChar letter : match.captured(1))
                column = column * 26 + (letter.unicode() - 'A' + 1);
            --column;
            row = match.captured(2).toInt() - 1;
            cell = Cell{QString(), xml.attributes().value(QLatin1String("t")).toString()};
        } else if (xml.isStartElement() && xml.name() == u"v") {
            const QString value = xml.readElementText();
            cell.text = cell.type == u"s" ? shared.value(value.toInt()) : value;
        } else if (xml.isEndElement() && xml.name() == u"c" && row >= 0) {
            while (rows.size() <= row)
                rows.append(QList<Cell>());
            while (rows[row].size() <= column)
                rows[row].append(Cell());
            rows[row][column] = cell;
        }
    }
    return rows;
}

QMap<int, double> XlsxProbe::columnWidths() const
{
    QMap<int, double> widths;
    QXmlStreamReader xml(member(QStringLiteral("xl/worksheets/sheet1.xml")));
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"col") {
            const int min = xml.attributes().value(QLatin1String("min")).toInt();
            const int max = xml.attributes().value(QLatin1String("max")).toInt();
            for (int c = min; c <= max; ++c)
                widths[c - 1] = xml.attributes().value(QLatin1String("width")).toDouble();
        }
    }
    return widths;
}
