#include "linkback/LinkBackChange.h"

#include "linkback/WebUrl.h"

#include <QStringList>
#include <array>

namespace {

struct Words
{
    LinkBackChange change;
    const char* name;
    const char* oneWord;  // in the summary, after a count of 1
    const char* manyWord; // after any other count
};

constexpr std::array<Words, 12> Table{{
    {LinkBackChange::Kept, "kept", "kept", "kept"},
    {LinkBackChange::New, "new", "new", "new"},
    {LinkBackChange::Moved, "moved", "moved", "moved"},
    {LinkBackChange::Lost, "lost", "lost", "lost"},
    {LinkBackChange::NowNofollow, "now nofollow", "now nofollow", "now nofollow"},
    {LinkBackChange::NowNoindex, "now noindex", "now noindex", "now noindex"},
    {LinkBackChange::NowHidden, "now hidden", "now hidden", "now hidden"},
    {LinkBackChange::NowBlocked, "now blocked", "now blocked", "now blocked"},
    {LinkBackChange::PageGone, "page gone", "gone", "gone"},
    {LinkBackChange::Unreachable, "unreachable", "unreachable", "unreachable"},
    {LinkBackChange::FirstCheck, "first check", "first check", "first checks"},
    {LinkBackChange::Unchanged, "unchanged", "unchanged without a followed link",
     "unchanged without a followed link"},
}};

bool sameAddress(const QString& a, const QString& b)
{
    const WebUrl x = WebUrl::parse(a);
    const WebUrl y = WebUrl::parse(b);
    if (!x.isValid() || !y.isValid())
        return a == b;
    return x.withoutFragment() == y.withoutFragment();
}

// A link in a comment is no link to a browser or a search engine: between
// checks it is the same state as none.
LinkBack state(LinkBack verdict)
{
    return verdict == LinkBack::OnlyInComment ? LinkBack::NoLink : verdict;
}

} // namespace

bool LinkBackCheck::read() const
{
    return reached && status >= 200 && status < 300 && verdict != LinkBack::PageGone &&
           verdict != LinkBack::NotAWebPage;
}

LinkBackChange LinkBackChanges::compare(const std::optional<LinkBackCheck>& previous,
                                        const LinkBackCheck& today)
{
    if (!today.reached || today.status == 429 || today.status >= 500)
        return LinkBackChange::Unreachable;
    if (!today.read())
        return LinkBackChange::PageGone;
    if (!previous || !previous->read())
        return LinkBackChange::FirstCheck;
    const LinkBack now = state(today.verdict);
    if (now == state(previous->verdict)) {
        if (now != LinkBack::Followed)
            return LinkBackChange::Unchanged;
        return sameAddress(previous->finalUrl, today.finalUrl) ? LinkBackChange::Kept : LinkBackChange::Moved;
    }
    switch (now) {
    case LinkBack::Followed:
        return LinkBackChange::New;
    case LinkBack::CanonicalElsewhere:
        return LinkBackChange::Moved;
    case LinkBack::Nofollow:
        return LinkBackChange::NowNofollow;
    case LinkBack::Noindex:
        return LinkBackChange::NowNoindex;
    case LinkBack::Hidden:
        return LinkBackChange::NowHidden;
    case LinkBack::BlockedByRobots:
        return LinkBackChange::NowBlocked;
    default:
        // No link now, and a link of some kind before.
        return LinkBackChange::Lost;
    }
}

QString LinkBackChanges::name(LinkBackChange change)
{
    for (const Words& words : Table)
        if (words.change == change)
            return QString::fromLatin1(words.name);
    return {};
}

QString LinkBackChanges::shownName(LinkBackChange change, const LinkBackCheck& today)
{
    if (change != LinkBackChange::Unchanged)
        return name(change);
    return QStringLiteral("still ") + LinkBackVerdict::name(state(today.verdict));
}

bool LinkBackChanges::needsSecondTry(LinkBackChange change)
{
    return change == LinkBackChange::Lost || change == LinkBackChange::Unreachable;
}

QString LinkBackChanges::summary(const QList<LinkBackChange>& changes)
{
    QString line = QString::number(changes.size()) +
                   (changes.size() == 1 ? QStringLiteral(" partner") : QStringLiteral(" partners"));
    QStringList parts;
    for (const Words& words : Table) {
        const qsizetype count = changes.count(words.change);
        if (count > 0)
            parts.append(QString::number(count) + u' ' +
                         QString::fromLatin1(count == 1 ? words.oneWord : words.manyWord));
    }
    if (!parts.isEmpty())
        line += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    return line;
}
