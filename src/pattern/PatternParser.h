#pragma once

#include "pattern/PatternReader.h"
#include "pattern/PatternTree.h"

#include <QString>
#include <QStringList>

// Reads a pattern into a PatternTree the way a browser's JavaScript engine
// reads a regular expression without flags other than i: the grammar of the
// language with its legacy readings for web pages (quantified look-aheads,
// '\c' before a digit inside a class, octal escapes, a literal '{'), named
// groups and look-behind included. Without regard to case, every character
// of the pattern becomes the case-blind forms of its members
// (PatternCaseFolding), to be matched against the subject's forms.
class PatternParser
{
public:
    enum class Status
    {
        Ok,
        Invalid,  // a syntax error: the engine would refuse the pattern
        TooDeep   // valid, but nested deeper than this program goes
    };
    struct Result
    {
        Status status = Status::Invalid;
        PatternTree tree;
    };

    static Result parse(const QString& pattern, bool caseSensitive);

private:
    PatternParser(const QString& pattern, bool caseSensitive);

    int disjunction(int depth);
    bool term(std::vector<int>& sequence, int depth);
    int group(int depth, bool& quantifiable);
    int atomEscape(bool& quantifiable);
    int backReference(int group);
    int characterClass();
    bool classAtom(PatternCharClass& members, bool& isEscape, char16_t& unit);
    void quantify(std::vector<int>& sequence, int atom, quint32 min, quint32 max, bool greedy);
    int setNode(PatternCharClass members);
    int fail(Status status);

    PatternReader m_in;
    const bool m_caseSensitive;
    PatternTree m_tree;
    Status m_status = Status::Ok;
    int m_nextGroup = 0;
    QStringList m_namesSeen;
    std::vector<int> m_openGroups; // the capturing groups being read
};
