#pragma once

#include <QString>

// An absolute web address taken apart the way browsers take it apart, and the
// resolution of a link's target against a document address. QUrl is close but
// not the same: it decodes "%41", keeps a default port, writes no "/" for an
// empty path and encodes "<" in a data: address, so two spellings of one
// target would be compared as different, and a link read here would not match
// what the browser pane reports for the same anchor.
class WebUrl
{
public:
    WebUrl() = default;

    // An absolute address; invalid when the text is not one.
    static WebUrl parse(const QString& text);
    // A link target resolved against this (absolute) address. A target that
    // does not resolve gives an invalid WebUrl.
    WebUrl resolved(const QString& target) const;

    bool isValid() const { return m_valid; }
    bool isSpecial() const; // http, https, ftp, ws, wss, file: the schemes with a host
    bool isHttp() const { return m_scheme == u"http" || m_scheme == u"https"; }

    const QString& scheme() const { return m_scheme; }
    // Lower case, international names in their ASCII form, no trailing dot
    // removed (the dot is part of what the page wrote).
    const QString& host() const { return m_host; }
    int port() const { return m_port; } // -1: the scheme's default
    int effectivePort() const;
    const QString& path() const { return m_path; } // percent-encoded; "/" at least for special schemes
    const QString& query() const { return m_query; }
    bool hasQuery() const { return m_hasQuery; }

    // The address as a browser serialises it.
    QString toString() const;
    // The same without the fragment, the form two addresses are compared in.
    QString withoutFragment() const;
    // Path and query, the part robots.txt rules are matched against.
    QString pathAndQuery() const;

private:
    bool parseAuthority(const QString& authority);
    void setPath(const QString& rawPath, bool merge, const QString& basePath);

    bool m_valid = false;
    bool m_opaque = false; // javascript:, mailto:, data: and the like: no host, no path segments
    QString m_scheme;
    QString m_userinfo;
    QString m_host;
    int m_port = -1;
    bool m_hasHost = false;
    QString m_path;
    QString m_query;
    bool m_hasQuery = false;
    QString m_fragment;
    bool m_hasFragment = false;
};
