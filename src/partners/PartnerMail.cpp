#include "partners/PartnerMail.h"

#include "partners/PartnerMailTemplate.h"

#include <cstring>

namespace {

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// keep: the characters besides the unreserved ones that may stand bare.
QString percentEncoded(const QString& text, const char* keep = "")
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QString out;
    const QByteArray bytes = text.toUtf8();
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        if (isUnreserved(c) || (c != '\0' && std::strchr(keep, c))) {
            out += QLatin1Char(c);
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += u'%';
            out += QLatin1Char(hex[b >> 4]);
            out += QLatin1Char(hex[b & 0xf]);
        }
    }
    return out;
}

// Mail wants CR LF between lines, whatever the template was written with.
QString crlfLines(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(u'\r', u'\n');
    out.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return out;
}

} // namespace

QString PartnerMail::fill(const QString& text, const PartnerMailFacts& facts)
{
    const std::pair<QLatin1String, QString> fields[] = {
        {QLatin1String("{partner_page}"), facts.partnerPage},
        {QLatin1String("{my_site}"), facts.mySite},
        {QLatin1String("{change}"), facts.change},
        {QLatin1String("{date}"), facts.date.isValid() ? facts.date.toString(Qt::ISODate) : QString()},
    };
    // One pass from left to right, so a value that itself holds "{date}" (a
    // page address can) stays as it is.
    QString out;
    out.reserve(text.size() + 64);
    qsizetype i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (text[i] == u'{') {
            for (const auto& [name, value] : fields) {
                if (QStringView(text).sliced(i).startsWith(name)) {
                    out += value;
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

QString PartnerMail::mailtoUrl(const QString& to, const QString& subject, const QString& body)
{
    // "@" separates the parts of an address, "," the addresses, and "+" is
    // common in a mailbox name; they may stand bare in the "to" part.
    // Everything else that is not unreserved ("?", "&", "%", "#", blanks)
    // would end or bend the address.
    QString address = to.trimmed();
    if (address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        address.remove(0, 7); // the e-mail rule may have taken the whole link
    QString url = QLatin1String("mailto:") + percentEncoded(address, "@,+");
    QStringList fields;
    if (!subject.isEmpty())
        fields.append(QLatin1String("subject=") + percentEncoded(crlfLines(subject)));
    if (!body.isEmpty())
        fields.append(QLatin1String("body=") + percentEncoded(crlfLines(body)));
    if (!fields.isEmpty())
        url += u'?' + fields.join(u'&');
    return url;
}

PartnerMailDraft PartnerMail::compose(const PartnerMailTemplate& mail, const PartnerMailFacts& facts)
{
    if (facts.email.trimmed().isEmpty())
        return {QString(), QStringLiteral("No e-mail address for this partner")};
    // A subject is one line: a line break there would reach the mail program
    // as a header of its own.
    const QString subject = fill(mail.subject(), facts).simplified();
    return {mailtoUrl(facts.email, subject, fill(mail.body(), facts)), QString()};
}
