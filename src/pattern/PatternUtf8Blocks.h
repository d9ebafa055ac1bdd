#pragma once

#include <QtGlobal>
#include <cstddef>

// The parts of PatternSubject's conversion to UTF-8 that use the processor's
// vector extensions beyond SSE2, each asked for before use: whole runs of
// units converted in one call, so that the call costs little. With forms,
// each unit is replaced by its case-blind form first. x86-64 only.
class PatternUtf8Blocks
{
public:
    static bool haveSsse3();
    static bool haveAvx2();

    // Blocks of eight units in a row for as long as they hold no surrogate,
    // until `room` bytes are written (the caller places its checkpoints
    // between calls) or sixteen ASCII units come next, which the caller
    // converts faster. Needs SSSE3. The result is how many units were
    // converted; out is moved past their bytes.
    static qsizetype blocksOfEight(bool forms, const char16_t* units, qsizetype n, char*& out,
                                   const char16_t* formTable, size_t room);

    // A run of ASCII units, 32 at a time. Stops before the first 32 units
    // that are not all ASCII, or before fewer than 32 are left; the result
    // is how many units were written. Needs AVX2.
    static qsizetype asciiRun(bool forms, const char16_t* units, qsizetype n, char* out);
};
