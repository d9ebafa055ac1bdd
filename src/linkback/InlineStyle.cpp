#include "linkback/InlineStyle.h"

#include <QStringList>

namespace {

QString withoutComments(const QString& css)
{
    if (!css.contains(u"/*"))
        return css;
    QString out;
    qsizetype i = 0;
    while (i < css.size()) {
        const qsizetype open = css.indexOf(u"/*", i);
        if (open < 0) {
            out += css.mid(i);
            break;
        }
        out += css.mid(i, open - i);
        const qsizetype close = css.indexOf(u"*/", open + 2);
        if (close < 0)
            break;
        out += u' ';
        i = close + 2;
    }
    return out;
}

} // namespace

InlineStyle::Visibility InlineStyle::read(const QString& style)
{
    Visibility visibility;
    // Later declarations win, as in CSS; "!important" changes nothing between
    // declarations of one inline style.
    for (const QString& declaration : withoutComments(style).split(u';')) {
        const qsizetype colon = declaration.indexOf(u':');
        if (colon < 0)
            continue;
        const QString property = declaration.left(colon).trimmed().toLower();
        QString value = declaration.mid(colon + 1).trimmed().toLower();
        const qsizetype bang = value.indexOf(u'!');
        if (bang >= 0)
            value = value.left(bang).trimmed();
        if (property == u"display")
            visibility.displayNone = value == u"none";
        else if (property == u"visibility" && (value == u"hidden" || value == u"collapse"))
            visibility.invisible = true;
        else if (property == u"visibility" && value == u"visible")
            visibility.invisible = false;
    }
    return visibility;
}
