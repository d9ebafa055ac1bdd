#include "partners/PartnerMailTemplate.h"

#include "settings/IniDocument.h"

#include <QFileInfo>

namespace {

const QString kSubject = QStringLiteral("MailSubject");
const QString kBody = QStringLiteral("MailBody");

} // namespace

PartnerMailTemplate PartnerMailTemplate::defaults()
{
    PartnerMailTemplate mail;
    mail.m_subject = QStringLiteral("Our link on {partner_page}");
    mail.m_body =
        QStringLiteral("Hello,\n"
                       "\n"
                       "thank you again for linking to {my_site} from your page\n"
                       "{partner_page}\n"
                       "\n"
                       "When we looked at the page on {date}, we found this about the link: {change}.\n"
                       "\n"
                       "Could you have a look and put it back as it was? If the change was on purpose, "
                       "a short note would help us keep our own links page up to date.\n"
                       "\n"
                       "Kind regards\n");
    return mail;
}

PartnerMailTemplate PartnerMailTemplate::load(const QString& path)
{
    IniDocument doc;
    doc.load(path); // a file that cannot be read gives the default letter
    const QString section = QString::fromLatin1(Section);
    PartnerMailTemplate mail = defaults();
    if (const auto subject = doc.value(section, kSubject))
        mail.m_subject = *subject;
    if (const auto body = doc.value(section, kBody))
        mail.m_body = unescapeLines(*body);
    return mail;
}

SaveOutcome PartnerMailTemplate::save(const QString& path) const
{
    IniDocument doc;
    if (!doc.load(path) && QFileInfo(path).isFile())
        return SaveOutcome::failure(path, QStringLiteral("the existing file cannot be read"));
    const QString section = QString::fromLatin1(Section);
    doc.setValue(section, kSubject, m_subject);
    doc.setValue(section, kBody, escapeLines(m_body));
    return doc.save(path);
}

QString PartnerMailTemplate::escapeLines(const QString& text)
{
    QString stored;
    stored.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\') {
            stored += QLatin1String("\\\\");
        } else if (c == u'\r' || c == u'\n') {
            // CR LF, a lone CR and a lone LF are one line break each.
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            stored += QLatin1String("\\n");
        } else {
            stored += c;
        }
    }
    return stored;
}

QString PartnerMailTemplate::unescapeLines(const QString& stored)
{
    QString text;
    text.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored[i];
        if (c != u'\\' || i + 1 == stored.size()) {
            text += c;
            continue;
        }
        const QChar next = stored[++i];
        if (next == u'n') {
            text += u'\n';
        } else if (next == u'\\') {
            text += u'\\';
        } else {
            // A backslash someone typed into the file by hand stays as it is.
            text += c;
            text += next;
        }
    }
    return text;
}
