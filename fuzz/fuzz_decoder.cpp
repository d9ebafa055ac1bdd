// The page decoding: any body under any declared charset becomes text whose
// every line break is a CR LF pair.
#include "FuzzInput.h"
#include "platform/PageDecoder.h"
#include "platform/TextBytes.h"

#include <QStringDecoder>

namespace {

void checkLineBreaks(const QString& text, const char* what)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))
            fuzzFail(what, QStringLiteral("lone CR at %1").arg(i));
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            fuzzFail(what, QStringLiteral("lone LF at %1").arg(i));
    }
}

bool qtAcceptsUtf8(QByteArrayView bytes)
{
    QStringDecoder d(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = d.decode(bytes);
    return !d.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput in(data, size, 2);
    const QByteArray declared = in.part(0).left(64);
    const QByteArray body = in.part(1);

    // The charset reaches the decoder from the header or from a meta element.
    QString header;
    QByteArray page = body;
    switch (in.options() % 4) {
    case 0:
        header = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=") +
                 QString::fromLatin1(declared);
        break;
    case 1:
        header = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html");
        page = "<meta charset=\"" + declared + "\">" + body;
        break;
    case 2:
        header = QString::fromLatin1(declared);
        break;
    default:
        break;
    }

    const PageDecoder::Decoded d = PageDecoder::decode(page, header);
    checkLineBreaks(d.text, "decode left a lone line break");
    if (PageDecoder::normalizeLineBreaks(d.text) != d.text)
        fuzzFail("normalised text changed when normalised again");

    const QString raw = FuzzInput::text(body, true);
    checkLineBreaks(PageDecoder::normalizeLineBreaks(raw), "normalizeLineBreaks left a lone line break");
    QString withoutBreaks = raw;
    withoutBreaks.remove(u'\r').remove(u'\n');
    QString normalised = PageDecoder::normalizeLineBreaks(raw);
    normalised.remove(u'\r').remove(u'\n');
    if (normalised != withoutBreaks)
        fuzzFail("normalizeLineBreaks changed more than line breaks");

    // The UTF-8 check is exactly a strict decoder's; a torn tail is the
    // unfinished start of one character, which more bytes could complete.
    if (TextBytes::isUtf8(body) != qtAcceptsUtf8(body))
        fuzzFail("the UTF-8 check disagrees with a strict decoder");
    const qsizetype torn = TextBytes::tornUtf8Tail(body);
    if (torn > 0) {
        const QByteArray tail = body.right(torn);
        bool completes = false;
        for (const char first : {'\x80', '\xA0'}) {
            QByteArray whole = tail + first;
            while (whole.size() < 4 && !qtAcceptsUtf8(whole))
                whole += '\x80';
            completes = completes || qtAcceptsUtf8(whole);
        }
        if (qtAcceptsUtf8(tail) || !completes)
            fuzzFail("a torn tail that is not the start of a character");
    }

    // Plain ASCII reads the same under every ASCII-compatible charset.
    bool ascii = true;
    for (const char c : page)
        ascii = ascii && uchar(c) < 0x80 && c != 0;
    if (ascii && (d.charset == QLatin1String("UTF-8") || d.charset == QLatin1String("WINDOWS-1252")) &&
        d.text != PageDecoder::normalizeLineBreaks(QString::fromLatin1(page)))
        fuzzFail("ASCII text decoded differently");

    PageDecoder::charsetFromMeta(body, int(in.options()));
    return 0;
}
