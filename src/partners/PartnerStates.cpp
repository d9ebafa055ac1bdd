#include "partners/PartnerStates.h"

#include <map>

PartnerState PartnerStates::of(const LinkBackCheck& check)
{
    return check.read() ? of(check.verdict) : PartnerState::Gone;
}

PartnerState PartnerStates::of(LinkBack verdict)
{
    switch (verdict) {
    case LinkBack::Followed:
        return PartnerState::Followed;
    case LinkBack::Nofollow:
    case LinkBack::Noindex:
    case LinkBack::Hidden:
    case LinkBack::BlockedByRobots:
    case LinkBack::CanonicalElsewhere:
        return PartnerState::Weakened;
    case LinkBack::NoLink:
    case LinkBack::OnlyInComment:
        return PartnerState::NoLink;
    case LinkBack::PageGone:
    case LinkBack::NotAWebPage:
        return PartnerState::Gone;
    }
    return PartnerState::NoLink;
}

QString PartnerStates::label(PartnerState state)
{
    switch (state) {
    case PartnerState::Followed:
        return QStringLiteral("Followed");
    case PartnerState::Weakened:
        return QStringLiteral("Nofollow, noindex, hidden, blocked");
    case PartnerState::NoLink:
        return QStringLiteral("Lost or no link");
    case PartnerState::Gone:
        return QStringLiteral("Gone or unreachable");
    }
    return QString();
}

QList<PartnerStateCounts> PartnerStates::countByDate(const QList<PartnerStatePoint>& checks)
{
    std::map<QDate, PartnerStateCounts> byDate;
    for (const PartnerStatePoint& check : checks) {
        PartnerStateCounts& bar = byDate[check.date];
        bar.date = check.date;
        ++bar.counts[size_t(check.state)];
    }
    QList<PartnerStateCounts> bars;
    bars.reserve(qsizetype(byDate.size()));
    for (const auto& entry : byDate)
        bars.append(entry.second);
    return bars;
}
