#include "linkback/WebHost.h"

#include <QStringList>
#include <QUrl>
#include <cstring>

namespace {

// One part of an IPv4 address as browsers read it: decimal, 0x hex or 0 octal.
bool ipv4Number(const QString& part, quint64* value)
{
    if (part.isEmpty())
        return false;
    int base = 10;
    QString digits = part;
    if (digits.size() >= 2 && digits.at(0) == u'0' && (digits.at(1) == u'x' || digits.at(1) == u'X')) {
        base = 16;
        digits = digits.mid(2);
    } else if (digits.size() >= 2 && digits.at(0) == u'0') {
        base = 8;
        digits = digits.mid(1);
    }
    if (digits.isEmpty()) {
        *value = 0;
        return true;
    }
    if (digits.size() > 20)
        return false;
    bool ok = false;
    *value = digits.toULongLong(&ok, base);
    return ok;
}

bool endsInNumber(const QStringList& labels)
{
    const QString& last = labels.last();
    if (last.isEmpty())
        return false;
    bool allDigits = true;
    for (const QChar c : last)
        allDigits = allDigits && c.isDigit() && c.unicode() < 0x80;
    if (allDigits)
        return true;
    quint64 ignored = 0;
    return (last.startsWith(u"0x") || last.startsWith(u"0X")) && ipv4Number(last, &ignored);
}

// Dotted decimal, or empty when the numbers do not make an address.
QString ipv4Host(QStringList labels)
{
    if (labels.size() > 4)
        return {};
    QList<quint64> numbers;
    for (const QString& label : labels) {
        quint64 n = 0;
        if (!ipv4Number(label, &n))
            return {};
        numbers.append(n);
    }
    for (qsizetype i = 0; i + 1 < numbers.size(); ++i)
        if (numbers[i] > 255)
            return {};
    const int spare = 5 - int(numbers.size());
    if (numbers.last() >= (quint64(1) << (8 * spare)))
        return {};
    quint64 address = numbers.last();
    for (qsizetype i = 0; i + 1 < numbers.size(); ++i)
        address += numbers[i] << (8 * (3 - i));
    return QStringLiteral("%1.%2.%3.%4")
        .arg((address >> 24) & 0xFF)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

} // namespace

QString WebHost::canonical(const QString& host)
{
    if (host.isEmpty())
        return {};
    if (host.startsWith(u'[')) {
        if (!host.endsWith(u']') || host.size() < 4)
            return {};
        for (qsizetype i = 1; i + 1 < host.size(); ++i) {
            const QChar c = host.at(i);
            if (!(c.isDigit() || c == u':' || c == u'.' || (c.toLower() >= u'a' && c.toLower() <= u'f')))
                return {};
        }
        return host.toLower();
    }
    const QString decoded = QString::fromUtf8(QByteArray::fromPercentEncoding(host.toUtf8()));
    for (const QChar c : decoded) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u == 0x7F || (u < 0x80 && std::strchr("#%/:<>?@[\\]^|", char(u))))
            return {};
    }
    QString ascii = QString::fromLatin1(QUrl::toAce(decoded));
    if (ascii.isEmpty())
        return {};
    ascii = ascii.toLower();
    QStringList labels = ascii.split(u'.');
    if (labels.size() > 1 && labels.last().isEmpty())
        labels.removeLast();
    if (endsInNumber(labels))
        return ipv4Host(labels);
    return ascii;
}
