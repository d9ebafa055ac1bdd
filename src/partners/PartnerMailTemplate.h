#pragma once

#include "platform/SaveOutcome.h"

#include <QString>

// The letter to a partner, written once by the user and filled for each
// partner by PartnerMail. It lives in preferences.ini, section [Partners]:
//   MailSubject=Our link on {partner_page}
//   MailBody=Hello,\n\nthank you for ...
// An INI value is one line, so the body keeps its line breaks as "\n" and a
// backslash of its own as "\\". A missing key gives that part of the default.
class PartnerMailTemplate
{
public:
    static constexpr char Section[] = "Partners";

    static PartnerMailTemplate defaults();
    static PartnerMailTemplate load(const QString& path);
    // Writes the two keys; every other line of the file stays as it was.
    SaveOutcome save(const QString& path) const;

    const QString& subject() const { return m_subject; }
    void setSubject(const QString& subject) { m_subject = subject; }
    const QString& body() const { return m_body; }
    void setBody(const QString& body) { m_body = body; }

    // The body as the INI line holds it, and back.
    static QString escapeLines(const QString& text);
    static QString unescapeLines(const QString& stored);

private:
    QString m_subject;
    QString m_body;
};
