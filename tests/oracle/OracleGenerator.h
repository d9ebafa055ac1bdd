#pragma once

#include "OracleCase.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// Random cases from the grammar of the users' dialect: literals (ASCII,
// Latin-1, letters with unusual case mappings, white space of every kind,
// astral characters and lone surrogates), escapes, classes with ranges,
// anchors, alternation, groups of every kind, greedy, lazy and counted
// quantifiers, back references and the odd syntax error. Subjects are built
// mostly from the pattern's own characters, in either case, so that matches
// are common. Case n of a seed is always the same case.
class OracleGenerator
{
public:
    // Without `realistic`, no case is made from the patterns people write
    // for pages (the cases of the test's first version).
    explicit OracleGenerator(uint64_t seed, bool realistic = true) : m_seed(seed), m_realistic(realistic) {}

    OracleCase make(uint64_t index);

private:
    class Random
    {
    public:
        explicit Random(uint64_t seed) : m_state(seed) {}
        uint64_t next();
        int below(int n) { return int(next() % uint64_t(n)); }
        bool chance(int percent) { return below(100) < percent; }

    private:
        uint64_t m_state;
    };

    QString disjunction(int depth);
    QString alternative(int depth);
    QString term(int depth);
    QString atom(int depth, bool& quantifiable);
    QString group(int depth);
    QString quantifier();
    QString characterClass();
    QString classAtom();
    QString atomEscape();
    QString literal(bool inClass);
    QString unitText(char16_t unit, bool inClass);
    char16_t poolUnit();
    QString subject();
    QString otherCase(char16_t unit);
    QString replacement();
    QString spoil(QString pattern);
    void realistic(OracleCase& c);

    uint64_t m_seed;
    bool m_realistic;
    Random m_random{0};
    int m_groups = 0;
    QStringList m_names;
    QString m_literals; // the characters the pattern spells, for its subjects
};
