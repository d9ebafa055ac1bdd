#pragma once

#include <cstddef>
#include <string>

// Looks for a literal text in a long subject: the prefilters of the RE2
// engine, which skip a subject, or most of it, without a literal every
// match holds or starts with.
class PatternTextSearch
{
public:
    // The first occurrence of needle in [from, from + n), or nullptr; from
    // itself for an empty needle.
    static const char* find(const char* from, size_t n, const std::string& needle);
    // The first byte in [from, from + n) that is a, b or c, or nullptr.
    static const char* findAnyOf3(const char* from, size_t n, char a, char b, char c);
};
