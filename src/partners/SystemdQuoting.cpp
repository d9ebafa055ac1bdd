#include "partners/SystemdQuoting.h"

QString SystemdQuoting::commandWord(const QString& word)
{
    QString quoted;
    quoted.reserve(word.size() + 8);
    quoted += u'"';
    for (const QChar c : word) {
        if (c == u'\\' || c == u'"') {
            quoted += u'\\';
            quoted += c;
        } else if (c == u'%') {
            quoted += QLatin1String("%%");
        } else if (c == u'$') {
            quoted += QLatin1String("$$");
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            quoted += c;
        }
    }
    quoted += u'"';
    return quoted;
}

QString SystemdQuoting::plainValue(const QString& text)
{
    QString value;
    value.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == u'%')
            value += QLatin1String("%%");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            value += u' ';
        else
            value += c;
    }
    while (value.endsWith(u'\\'))
        value.chop(1);
    return value.trimmed();
}
