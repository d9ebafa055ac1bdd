#pragma once

#include <QList>
#include <QString>

// One token of CSS, as a browser's style parser cuts the text: escapes are
// decoded and comments dropped, so "\6e one" and "n/**/one" read the way a
// browser reads them.
struct CssToken
{
    enum class Type
    {
        Whitespace,
        Ident,
        Function, // the name, without its "("
        AtKeyword,
        Hash,
        String,
        BadString,
        Url,
        BadUrl,
        Delim, // one character
        Number,
        Percentage,
        Dimension, // the unit in value
        Cdo,
        Cdc,
        Colon,
        Semicolon,
        Comma,
        OpenSquare,
        CloseSquare,
        OpenParen,
        CloseParen,
        OpenCurly,
        CloseCurly,
    };

    Type type = Type::Whitespace;
    QString value; // the decoded name, text, character or unit; empty for the rest

    bool is(Type t) const { return type == t; }
    bool isDelim(char16_t c) const { return type == Type::Delim && value.size() == 1 && value.front() == c; }
    // An ident (or function name) matching a lower-case ASCII keyword without
    // regard to ASCII case only: no other letter folds into one of a keyword.
    bool isIdent(QStringView keyword) const { return type == Type::Ident && matches(value, keyword); }
    bool isFunction(QStringView keyword) const { return type == Type::Function && matches(value, keyword); }
    static bool matches(QStringView name, QStringView keyword);
    static QString asciiLower(QStringView name);
};

class CssTokenizer
{
public:
    static QList<CssToken> tokenize(const QString& css);
};
