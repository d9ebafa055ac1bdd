#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <iterator>

// Pages of several kinds of sites, as a directory run meets them: a blog with
// scripts and styles in its head, a German shop, a French news page, a
// Japanese page, a Russian forum, a minified one-line page, an old page in
// upper-case HTML and a page with emoji. Text in the sites' own languages,
// CR LF line ends (as the decoder leaves every page), a title and a meta
// description in each, e-mail addresses here and there. Seeded: the same
// pages on every run.
namespace MixedPages {

namespace Detail {

struct Kind
{
    const char16_t* title;
    const char16_t* description; // the meta element, with its own quoting
    const char16_t* words;       // blank-separated
    const char16_t* mail;
};

// u"..." literals keep the non-ASCII text exact whatever the source encoding.
constexpr Kind kKinds[] = {
    {u"How to Grow Tomatoes in Pots | The Garden Blog",
     u"<meta name=\"description\" content=\"Ten tips for growing tomatoes on a balcony, from seed to harvest.\">",
     u"the garden tomato pots soil water sun seed harvest balcony plant leaves grow summer compost green",
     u"editor@gardenblog.example.com"},
    {u"Gartenschere kaufen \u2013 g\u00fcnstig online | G\u00e4rtnerei M\u00fcller",
     u"<meta name='description' content='Scheren, Spaten und R\u00e4der: \u00fcber 2.000 Gartenger\u00e4te, Versand in 24 Stunden.'>",
     u"Gartenschere Stra\u00dfe K\u00f6ln M\u00fcnchen g\u00fcnstig Gr\u00f6\u00dfe Ma\u00dfe \u00d6l \u00c4pfel Preis\u00a0\u20ac "
     u"Versand Warenkorb kaufen Gr\u00fc\u00dfe f\u00fcr und mit",
     u"info@gaertnerei-mueller.example.de"},
    {u"Le jardin d\u2019\u00e9t\u00e9 \u2014 Actualit\u00e9s du potager",
     u"<meta name=\"description\" content=\"Les \u00ab\u00a0bons gestes\u00a0\u00bb du jardinier en ao\u00fbt : arrosage, paillage et r\u00e9colte.\">",
     u"le jardin \u00e9t\u00e9 potager r\u00e9colte l\u2019arrosage tr\u00e8s \u00e0 o\u00f9 \u00e7a fen\u00eatre na\u00efve c\u0153ur "
     u"\u00ab\u00a0jardinier\u00a0\u00bb d\u00e9j\u00e0",
     u"redaction@jardin.example.fr"},
    {u"\u5bb6\u5ead\u83dc\u5712\u306e\u59cb\u3081\u65b9\u3000\u521d\u5fc3\u8005\u30ac\u30a4\u30c9",
     u"<meta name=\"description\" content=\"\u30d9\u30e9\u30f3\u30c0\u3067\u3082\u3067\u304d\u308b\u91ce\u83dc\u4f5c\u308a\u3002\u571f\u3001\u6c34\u3084\u308a\u3001\u53ce\u7a6b\u307e\u3067\u3002\">",
     u"\u91ce\u83dc \u30c8\u30de\u30c8 \u571f \u6c34 \u7a2e \u53ce\u7a6b \u30d9\u30e9\u30f3\u30c0 \u82b1 \u590f \u6210\u9577 "
     u"\u3000\u80a5\u6599 \u65e5\u5149 \u9262",
     u"info@saien.example.jp"},
    {u"\u0424\u043e\u0440\u0443\u043c \u0441\u0430\u0434\u043e\u0432\u043e\u0434\u043e\u0432: \u0442\u043e\u043c\u0430\u0442\u044b \u0438 \u043e\u0433\u0443\u0440\u0446\u044b",
     u"<meta name=\"description\" content=\"\u041e\u0431\u0441\u0443\u0436\u0434\u0435\u043d\u0438\u0435 \u0432\u044b\u0440\u0430\u0449\u0438\u0432\u0430\u043d\u0438\u044f \u043e\u0432\u043e\u0449\u0435\u0439 \u043d\u0430 \u0434\u0430\u0447\u0435.\">",
     u"\u0441\u0430\u0434 \u043e\u0433\u043e\u0440\u043e\u0434 \u0442\u043e\u043c\u0430\u0442\u044b \u043e\u0433\u0443\u0440\u0446\u044b \u043f\u043e\u043b\u0438\u0432 "
     u"\u0443\u0440\u043e\u0436\u0430\u0439 \u0434\u0430\u0447\u0430 \u043b\u0435\u0442\u043e \u0438 \u0432 \u043d\u0430 \u0441",
     u"admin@forum-dacha.example.ru"},
    {u"Shop \u2022 Seeds & Bulbs", u"<meta name=\"description\" content=\"Seeds, bulbs and plants, shipped fast.\">",
     u"seeds bulbs plants shop cart price sale new best organic garden flowers",
     u"orders@seeds.example.net"},
    {u"GARDEN LINKS - THE DIRECTORY",
     u"<META NAME=\"Description\" CONTENT=\"Links to the best garden sites on the web\">",
     u"GARDEN LINKS WEB SITES FREE TOOLS FLOWERS TREES HOME PAGE BEST OF THE NET",
     u"WEBMASTER@GARDENLINKS.EXAMPLE.ORG"},
    {u"Our Garden \U0001F33B\U0001F345 Summer Diary",
     u"<meta name=\"description\" content=\"Sunflowers \U0001F33B, tomatoes \U0001F345 and bees \U0001F41D all summer long.\">",
     u"sunflower \U0001F33B tomato \U0001F345 bee \U0001F41D garden diary summer \u2600\ufe0f love \u2764\ufe0f photo",
     u"hello@our-garden.example.com"},
};

inline QString words(QRandomGenerator& random, const QStringList& pool, int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += pool.at(random.bounded(int(pool.size()))) + u' ';
    return text;
}

inline QString page(QRandomGenerator& random, int kindIndex, int number, qsizetype size)
{
    const Kind& kind = kKinds[kindIndex];
    const QStringList pool = QString::fromUtf16(kind.words).split(u' ', Qt::SkipEmptyParts);
    const bool oneLine = kindIndex == 5;
    const bool upper = kindIndex == 6;
    const QString nl = oneLine ? QString() : QStringLiteral("\r\n");
    QString p;
    p += QStringLiteral("<!DOCTYPE html>\r\n");
    p += upper ? QStringLiteral("<HTML><HEAD>") : QStringLiteral("<html lang=\"x\"><head><meta charset=\"utf-8\">");
    p += nl + (upper ? QStringLiteral("<TITLE>") : QStringLiteral("<title>")) + QString::fromUtf16(kind.title) +
         QStringLiteral(" %1").arg(number) + (upper ? QStringLiteral("</TITLE>") : QStringLiteral("</title>")) + nl;
    p += QString::fromUtf16(kind.description) + nl;
    if (!upper) {
        for (int i = 0; i < 8; ++i)
            p += QStringLiteral("<link rel=\"stylesheet\" href=\"/assets/css/style-%1.css?v=%2\">").arg(i).arg(number) +
                 nl;
        p += QStringLiteral("<style>") + nl;
        for (int i = 0; i < 30; ++i)
            p += QStringLiteral(".c%1{margin:0 auto;padding:%1px;color:#3a3a3a;font:14px/1.5 sans-serif}").arg(i) + nl;
        p += QStringLiteral("</style><script>") + nl;
        for (int i = 0; i < 25; ++i)
            p += QStringLiteral("var m%1=document.querySelectorAll('a[href^=\"http\"]');if(m%1.length>%1){"
                                "window.dataLayer=window.dataLayer||[];dataLayer.push({'e':'x%1'});}")
                     .arg(i) +
                 nl;
        p += QStringLiteral("</script>") + nl;
    }
    p += upper ? QStringLiteral("</HEAD><BODY BGCOLOR=\"#FFFFFF\">") : QStringLiteral("</head><body class=\"home\">");
    p += nl + QStringLiteral("<nav><ul>");
    for (int i = 0; i < 25; ++i)
        p += QStringLiteral("<li><a href=\"/category/%1/\">%2</a></li>").arg(i).arg(words(random, pool, 1).trimmed()) +
             nl;
    p += QStringLiteral("</ul></nav>") + nl;
    for (int block = 0; p.size() < size; ++block) {
        p += (upper ? QStringLiteral("<P><FONT FACE=\"Arial\">") : QStringLiteral("<div class=\"post\"><p>")) + nl;
        for (int line = 0; line < 5; ++line) {
            p += words(random, pool, 10 + random.bounded(8));
            p += QStringLiteral("<a href=\"https://www.site%1-%2.example.com/page/%3.html\">%4</a>")
                     .arg(random.bounded(500))
                     .arg(block)
                     .arg(line)
                     .arg(words(random, pool, 2).trimmed()) +
                 nl;
        }
        if (block % 12 == 3)
            p += QStringLiteral("Contact: <a href=\"mailto:%1\">%1</a>").arg(QString::fromUtf16(kind.mail)) + nl;
        p += (upper ? QStringLiteral("</FONT></P>") : QStringLiteral("</p></div>")) + nl;
    }
    p += QStringLiteral("<footer>&copy; 2026 &middot; <a href=\"/impressum\">Impressum</a></footer>");
    p += upper ? QStringLiteral("</BODY></HTML>") : QStringLiteral("</body></html>");
    return p + QStringLiteral("\r\n");
}

} // namespace Detail

// Pages of every kind in turn, of 10,000 to 60,000 characters, until they
// hold totalSize characters together.
inline QStringList pages(qsizetype totalSize = 1 << 20)
{
    QRandomGenerator random(2026);
    QStringList list;
    qsizetype total = 0;
    for (int number = 0; total < totalSize; ++number) {
        const int kind = number % int(std::size(Detail::kKinds));
        const qsizetype size = std::min<qsizetype>(10000 + random.bounded(50000), totalSize - total);
        list << Detail::page(random, kind, number, std::max<qsizetype>(size, 2000));
        total += list.back().size();
    }
    return list;
}

} // namespace MixedPages
