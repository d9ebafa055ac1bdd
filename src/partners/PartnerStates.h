#pragma once

#include "linkback/LinkBackChange.h"

#include <QDate>
#include <QList>
#include <QString>
#include <array>

// The four states a partner's page is shown in, from good to bad. They sum up
// the verdicts for a picture: what the partner gives now, not how it came to
// be.
enum class PartnerState
{
    Followed, // a followed link
    Weakened, // a link search engines do not count: nofollow, noindex, hidden, blocked, canonical elsewhere
    NoLink,   // no link (any more), or only in a comment
    Gone,     // the page is gone, is no web page, or did not answer
};

inline constexpr int PartnerStateCount = 4;

// For each check date, how many partners were in each state: one bar of the chart.
struct PartnerStateCounts
{
    QDate date;
    std::array<int, PartnerStateCount> counts{}; // by PartnerState
};

// One check of one partner, a point of its timeline.
struct PartnerStatePoint
{
    QDate date;
    PartnerState state = PartnerState::NoLink;
    QString words; // what the check said, such as "nofollow" or "page gone"
};

class PartnerStates
{
public:
    // A check that did not read the page counts as Gone.
    static PartnerState of(const LinkBackCheck& check);
    static PartnerState of(LinkBack verdict);

    // "Followed", "Nofollow, noindex, hidden, blocked", "Lost or no link", "Gone or unreachable".
    static QString label(PartnerState state);

    // The bars for a set of checks: one per date, in date order.
    static QList<PartnerStateCounts> countByDate(const QList<PartnerStatePoint>& checks);
};
