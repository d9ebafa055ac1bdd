#include "linkback/CssTokenizer.h"

namespace {

using Type = CssToken::Type;

constexpr char16_t Eof = 0; // the text holds no NUL: it becomes U+FFFD first
constexpr char32_t Replacement = 0xFFFD;

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isHexDigit(char16_t c)
{
    return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

char32_t hexValue(char16_t c)
{
    return isDigit(c) ? c - u'0' : (c | 0x20) - u'a' + 10;
}

bool isWhitespace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isNameStart(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0x80;
}

bool isNameChar(char16_t c)
{
    return isNameStart(c) || isDigit(c) || c == u'-';
}

bool isValidEscape(char16_t first, char16_t second)
{
    return first == u'\\' && second != u'\n';
}

bool startsIdent(char16_t a, char16_t b, char16_t c)
{
    if (a == u'-')
        return isNameStart(b) || b == u'-' || isValidEscape(b, c);
    if (isNameStart(a))
        return true;
    return isValidEscape(a, b);
}

bool startsNumber(char16_t a, char16_t b, char16_t c)
{
    if (a == u'+' || a == u'-')
        return isDigit(b) || (b == u'.' && isDigit(c));
    if (a == u'.')
        return isDigit(b);
    return isDigit(a);
}

// The text with line breaks as LF and NUL as U+FFFD, as the parser sees it.
QString preprocessed(const QString& css)
{
    QString text;
    text.reserve(css.size());
    for (qsizetype i = 0; i < css.size(); ++i) {
        const QChar c = css.at(i);
        if (c == u'\r') {
            text += u'\n';
            if (i + 1 < css.size() && css.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\f') {
            text += u'\n';
        } else if (c == QChar(0)) {
            text += QChar(Replacement);
        } else {
            text += c;
        }
    }
    return text;
}

class Reader
{
public:
    explicit Reader(const QString& text) : m_s(text) {}

    QList<CssToken> all()
    {
        QList<CssToken> tokens;
        while (true) {
            skipComments();
            if (peek() == Eof)
                return tokens;
            tokens.append(next());
        }
    }

private:
    char16_t peek(qsizetype ahead = 0) const
    {
        const qsizetype at = m_i + ahead;
        return at < m_s.size() ? m_s.at(at).unicode() : Eof;
    }
    char16_t take() { return m_i < m_s.size() ? m_s.at(m_i++).unicode() : Eof; }

    static CssToken token(Type type, const QString& value = QString()) { return CssToken{type, value}; }

    void skipComments()
    {
        while (peek() == u'/' && peek(1) == u'*') {
            const qsizetype end = m_s.indexOf(u"*/", m_i + 2);
            m_i = end < 0 ? m_s.size() : end + 2;
        }
    }

    CssToken next()
    {
        const char16_t c = peek();
        if (isWhitespace(c)) {
            while (isWhitespace(peek()))
                ++m_i;
            return token(Type::Whitespace);
        }
        if (c == u'"' || c == u'\'') {
            ++m_i;
            return string(c);
        }
        if (startsNumber(c, peek(1), peek(2)))
            return numeric();
        if (c == u'-' && peek(1) == u'-' && peek(2) == u'>') {
            m_i += 3;
            return token(Type::Cdc);
        }
        if (startsIdent(c, peek(1), peek(2)))
            return identLike();
        ++m_i;
        switch (c) {
        case u'#':
            if (isNameChar(peek()) || isValidEscape(peek(), peek(1)))
                return token(Type::Hash, name());
            break;
        case u'(':
            return token(Type::OpenParen);
        case u')':
            return token(Type::CloseParen);
        case u'[':
            return token(Type::OpenSquare);
        case u']':
            return token(Type::CloseSquare);
        case u'{':
            return token(Type::OpenCurly);
        case u'}':
            return token(Type::CloseCurly);
        case u',':
            return token(Type::Comma);
        case u':':
            return token(Type::Colon);
        case u';':
            return token(Type::Semicolon);
        case u'<':
            if (peek() == u'!' && peek(1) == u'-' && peek(2) == u'-') {
                m_i += 3;
                return token(Type::Cdo);
            }
            break;
        case u'@':
            if (startsIdent(peek(), peek(1), peek(2)))
                return token(Type::AtKeyword, name());
            break;
        default:
            break;
        }
        return token(Type::Delim, QString(QChar(c)));
    }

    // After the backslash of a valid escape.
    QString escape()
    {
        if (!isHexDigit(peek())) {
            if (peek() == Eof)
                return QString(QChar(Replacement));
            return QString(QChar(take()));
        }
        char32_t code = 0;
        for (int digits = 0; digits < 6 && isHexDigit(peek()); ++digits)
            code = code * 16 + hexValue(take());
        if (isWhitespace(peek()))
            ++m_i;
        if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            code = Replacement;
        return QString::fromUcs4(&code, 1);
    }

    QString name()
    {
        QString result;
        while (true) {
            const char16_t c = peek();
            if (isNameChar(c)) {
                result += QChar(take());
            } else if (isValidEscape(c, peek(1))) {
                ++m_i;
                result += escape();
            } else {
                return result;
            }
        }
    }

    CssToken string(char16_t ending)
    {
        QString text;
        while (true) {
            const char16_t c = peek();
            if (c == Eof)
                return token(Type::String, text);
            if (c == ending) {
                ++m_i;
                return token(Type::String, text);
            }
            if (c == u'\n') // left for the next token
                return token(Type::BadString);
            ++m_i;
            if (c != u'\\') {
                text += QChar(c);
            } else if (peek() == u'\n') {
                ++m_i; // an escaped line break continues the string
            } else if (peek() != Eof) {
                text += escape();
            }
        }
    }

    CssToken numeric()
    {
        if (peek() == u'+' || peek() == u'-')
            ++m_i;
        while (isDigit(peek()))
            ++m_i;
        if (peek() == u'.' && isDigit(peek(1))) {
            ++m_i;
            while (isDigit(peek()))
                ++m_i;
        }
        const char16_t e = peek();
        if ((e == u'e' || e == u'E') &&
            (isDigit(peek(1)) || ((peek(1) == u'+' || peek(1) == u'-') && isDigit(peek(2))))) {
            m_i += 2;
            while (isDigit(peek()))
                ++m_i;
        }
        if (startsIdent(peek(), peek(1), peek(2)))
            return token(Type::Dimension, name());
        if (peek() == u'%') {
            ++m_i;
            return token(Type::Percentage);
        }
        return token(Type::Number);
    }

    CssToken identLike()
    {
        const QString word = name();
        if (peek() != u'(')
            return token(Type::Ident, word);
        ++m_i;
        if (!CssToken::matches(word, u"url"))
            return token(Type::Function, word);
        // url( with a quoted address is a function; without, one token.
        while (isWhitespace(peek()) && isWhitespace(peek(1)))
            ++m_i;
        const char16_t c = isWhitespace(peek()) ? peek(1) : peek();
        if (c == u'"' || c == u'\'')
            return token(Type::Function, word);
        return url();
    }

    CssToken url()
    {
        QString address;
        while (isWhitespace(peek()))
            ++m_i;
        while (true) {
            const char16_t c = take();
            if (c == u')' || c == Eof)
                return token(Type::Url, address);
            if (isWhitespace(c)) {
                while (isWhitespace(peek()))
                    ++m_i;
                if (peek() == u')' || peek() == Eof) {
                    take();
                    return token(Type::Url, address);
                }
                return badUrl();
            }
            if (c == u'"' || c == u'\'' || c == u'(' || c < 0x09 || c == 0x0B || (c >= 0x0E && c <= 0x1F) ||
                c == 0x7F)
                return badUrl();
            if (c == u'\\') {
                if (!isValidEscape(c, peek()))
                    return badUrl();
                address += escape();
                continue;
            }
            address += QChar(c);
        }
    }

    CssToken badUrl()
    {
        while (true) {
            const char16_t c = take();
            if (c == u')' || c == Eof)
                return token(Type::BadUrl);
            if (isValidEscape(c, peek()))
                escape();
        }
    }

    const QString& m_s;
    qsizetype m_i = 0;
};

} // namespace

bool CssToken::matches(QStringView name, QStringView keyword)
{
    if (name.size() != keyword.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char16_t c = name.at(i).unicode();
        if (c >= u'A' && c <= u'Z')
            c += u'a' - u'A';
        if (c != keyword.at(i).unicode())
            return false;
    }
    return true;
}

QString CssToken::asciiLower(QStringView name)
{
    QString lower = name.toString();
    for (QChar& c : lower)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return lower;
}

QList<CssToken> CssTokenizer::tokenize(const QString& css)
{
    const QString text = preprocessed(css);
    return Reader(text).all();
}
