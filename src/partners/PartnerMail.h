#pragma once

#include <QDate>
#include <QString>

class PartnerMailTemplate;

// What the letter to one partner is filled with.
struct PartnerMailFacts
{
    QString email;       // the partner's address, from the page's row
    QString partnerPage; // {partner_page}
    QString mySite;      // {my_site}
    QString change;      // {change}: the words of the last check, such as "lost"
    QDate date;          // {date}: the day of that check, written 2024-05-31
};

// A letter ready for the mail program, or why there is none.
struct PartnerMailDraft
{
    QString url;     // "mailto:..."; empty when there is nothing to open
    QString message; // why not, for the user
};

// Fills the template for one partner and makes the mailto: address (RFC 6068)
// the desktop hands to the user's mail program: subject and body in UTF-8,
// every byte but letters, digits and "-._~" percent-encoded, every line break
// as %0D%0A. The window opens it with QDesktopServices::openUrl.
class PartnerMail
{
public:
    static PartnerMailDraft compose(const PartnerMailTemplate& mail, const PartnerMailFacts& facts);

    // The text with {partner_page}, {my_site}, {change} and {date} replaced;
    // any other braces stay as they are.
    static QString fill(const QString& text, const PartnerMailFacts& facts);

    static QString mailtoUrl(const QString& to, const QString& subject, const QString& body);
};
