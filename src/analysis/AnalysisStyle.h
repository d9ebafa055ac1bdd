#pragma once

// How the analysis of a page treats what it finds. The batch run and the
// configuration test run the same checks and rules; the test, which is there
// to show the user what the rules make of a page, departs from the batch run
// in these points alone.
struct AnalysisStyle
{
    // Every accepted status code is tried and its finding kept, instead of
    // stopping at the first that matches.
    bool everyStatusEntry = false;
    // The title and description lose their line breaks.
    bool stripLineBreaks = true;
    // An empty title or description gets its fallback before the bad words,
    // so that a fallback text that would itself be caught shows as caught.
    bool fallbackBeforeBadWords = false;
    // The title's find-and-replace heeds letter case (the other fields'
    // never do).
    bool titleReplaceHeedsCase = true;

    static AnalysisStyle batchRun() { return {}; }
    static AnalysisStyle configurationTest()
    {
        AnalysisStyle style;
        style.everyStatusEntry = true;
        style.stripLineBreaks = false;
        style.fallbackBeforeBadWords = true;
        style.titleReplaceHeedsCase = false;
        return style;
    }
};
