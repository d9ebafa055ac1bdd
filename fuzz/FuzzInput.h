#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Cuts one fuzzer input into the pieces a harness needs. The seeds stay
// readable: the first byte carries option bits, the rest is split at NUL bytes.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size, int maxParts);

    // Bit `bit` of the leading options byte (0 when the input is empty).
    bool option(int bit) const { return (m_options >> bit) & 1u; }
    uint8_t options() const { return m_options; }

    // Piece i, empty when the input has fewer pieces. The last piece keeps any
    // further NUL bytes.
    QByteArray part(int i) const { return m_parts.value(i); }
    int partCount() const { return int(m_parts.size()); }

    // Bytes as text: UTF-8 (invalid sequences become U+FFFD), or, when asked,
    // raw UTF-16 code units so that lone surrogates reach the code too.
    static QString text(const QByteArray& bytes, bool rawUtf16);

private:
    uint8_t m_options = 0;
    QList<QByteArray> m_parts;
};

// A failed invariant: prints what broke and aborts, which libFuzzer records as
// a crash together with the input.
[[noreturn]] void fuzzFail(const char* what, const QString& detail = QString());

// A folder private to this process for harnesses that go through real files.
QString fuzzScratchFile(const QString& name);
