#pragma once

#include "linkback/CssTokenizer.h"

#include <QList>
#include <QString>

// One declaration of a style attribute: "display: none !important".
struct CssDeclaration
{
    QString name;          // in lower case; a custom property's ("--name") as written
    QList<CssToken> value; // without blanks around it and without its "!important"
    bool important = false;
};

// A style attribute's declarations, read as a browser's parser reads a
// declaration list.
class CssDeclarations
{
public:
    // In order. An at-rule (with its block), a declaration without its colon
    // or anything not starting with a name is skipped up to the next ";"
    // outside brackets; a value holding what no value may hold (a "!" other
    // than the one of "!important", a lone closing bracket, a broken string)
    // is dropped.
    static QList<CssDeclaration> parse(const QString& style);

    // Where the component value at i ends: after a whole block or function.
    // *closed says whether it had its closing bracket.
    static qsizetype afterComponent(const QList<CssToken>& tokens, qsizetype i, bool* closed = nullptr);
    static QList<CssToken> trimmed(QList<CssToken> tokens);
};
