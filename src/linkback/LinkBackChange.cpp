#include "linkback/LinkBackChange.h"

#include "linkback/WebUrl.h"

#include <array>

namespace {

struct Words
{
    LinkBackChange change;
    const char* name;
    const char* shortWord;
};

constexpr std::array<Words, 9> Table{{
    {LinkBackChange::Kept, "kept", "kept"},
    {LinkBackChange::New, "new", "new"},
    {LinkBackChange::Moved, "moved", "moved"},
    {LinkBackChange::Lost, "lost", "lost"},
    {LinkBackChange::NowNofollow, "now nofollow", "nofollow"},
    {LinkBackChange::NowNoindex, "now noindex", "noindex"},
    {LinkBackChange::NowBlocked, "now blocked", "blocked"},
    {LinkBackChange::PageGone, "page gone", "gone"},
    {LinkBackChange::Unreachable, "unreachable", "unreachable"},
}};

bool sameAddress(const QString& a, const QString& b)
{
    const WebUrl x = WebUrl::parse(a);
    const WebUrl y = WebUrl::parse(b);
    if (!x.isValid() || !y.isValid())
        return a == b;
    return x.withoutFragment() == y.withoutFragment();
}

} // namespace

LinkBackChange LinkBackChanges::compare(const std::optional<LinkBackCheck>& previous,
                                        const LinkBackCheck& today)
{
    if (!today.reached || today.status == 429 || today.status >= 500)
        return LinkBackChange::Unreachable;
    if (today.status < 200 || today.status >= 300)
        return LinkBackChange::PageGone;
    switch (today.verdict) {
    case LinkBack::Followed:
        break;
    case LinkBack::NoLink:
    case LinkBack::OnlyInComment:
    case LinkBack::Hidden:
        return LinkBackChange::Lost;
    case LinkBack::Nofollow:
        return LinkBackChange::NowNofollow;
    case LinkBack::Noindex:
        return LinkBackChange::NowNoindex;
    case LinkBack::BlockedByRobots:
        return LinkBackChange::NowBlocked;
    case LinkBack::CanonicalElsewhere:
        return LinkBackChange::Moved;
    }
    const bool followedBefore = previous && previous->reached && previous->status >= 200 &&
                                previous->status < 300 && previous->verdict == LinkBack::Followed;
    if (!followedBefore)
        return LinkBackChange::New;
    return sameAddress(previous->finalUrl, today.finalUrl) ? LinkBackChange::Kept : LinkBackChange::Moved;
}

QString LinkBackChanges::name(LinkBackChange change)
{
    for (const Words& words : Table)
        if (words.change == change)
            return QString::fromLatin1(words.name);
    return {};
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
            parts.append(QString::number(count) + u' ' + QString::fromLatin1(words.shortWord));
    }
    if (!parts.isEmpty())
        line += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    return line;
}
