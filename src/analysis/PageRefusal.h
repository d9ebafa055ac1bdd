#pragma once

#include <QString>

// Which check kept a fetched page out of the results, and what it saw there,
// so that a person can tell why a URL got no row without testing it by hand.
struct PageRefusal
{
    enum class Kind
    {
        None,               // the page was accepted
        StatusLine,         // no valid status code matched; detail: the status line
        ContentType,        // not declared as HTML; detail: the Content-Type value
        ReciprocalLink,     // the reciprocal-link pattern was not found on the page
        TitleBadWord,       // detail: the bad word that matched the title
        DescriptionBadWord, // detail: the bad word that matched the description
        AnalysisAbandoned,  // set by the run when the analysis ran out of time
        LinkBack            // set by the run when only followed links back count; detail: the verdict
    };

    Kind kind = Kind::None;
    QString detail;

    bool refused() const { return kind != Kind::None; }
    // One line for people, e.g. "bad word in the title: casino"; empty for None.
    QString sentence() const;
};
