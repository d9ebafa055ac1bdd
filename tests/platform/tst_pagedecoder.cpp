#include "platform/PageDecoder.h"

#include <QTest>

class TestPageDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void charsetFromHeader_data();
    void charsetFromHeader();
    void metaOnlyNearTheTop();
    void lineBreaks_data();
    void lineBreaks();
};

void TestPageDecoder::decode_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("source");

    const int bom = int(PageDecoder::Source::ByteOrderMark);
    const int hdr = int(PageDecoder::Source::Header);
    const int meta = int(PageDecoder::Source::Meta);
    const int sniffed = int(PageDecoder::Source::Sniffed);
    const QString ct = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html");

    QTest::newRow("utf-8 bom beats header")
        << QByteArray("\xEF\xBB\xBFh\xC3\xA9") << ct + "; charset=koi8-r" << QStringLiteral("h\u00e9") << bom;
    QTest::newRow("utf-16le bom") << QByteArray("\xFF\xFEh\0i\0", 6) << ct << QStringLiteral("hi") << bom;
    QTest::newRow("utf-8 cut inside a character stays utf-8")
        << QByteArray("h\xC3\xA9 \xE2\x82") << ct << QStringLiteral("h\u00e9 \ufffd\ufffd") << sniffed;
    QTest::newRow("overlong sequence is not utf-8")
        << QByteArray("\xC0\xAF") << ct << QStringLiteral("\u00c0\u00af") << sniffed;
    QTest::newRow("1252 holes keep their byte")
        << QByteArray("\x81\x8D") << ct << QStringLiteral("\u0081\u008d") << sniffed;
    QTest::newRow("declared utf-8 with a bad byte")
        << QByteArray("ok\xFF") << ct + "; charset=UTF-8" << QStringLiteral("ok\ufffd") << hdr;
    QTest::newRow("bad sequence in a named charset")
        << QByteArray("a\xFF\xFE") << ct + "; charset=shift_jis" << QStringLiteral("a\ufffd\ufffd") << hdr;
    QTest::newRow("last content-type line counts")
        << QByteArray("\xe9")
        << QStringLiteral("Content-Type: text/html; charset=utf-8\r\nContent-Type: "
                          "text/html; charset=windows-1252")
        << QStringLiteral("\u00e9") << hdr;

    // Labels read as the browser pane reads them.
    QTest::newRow("gbk is read as gb18030")
        << QByteArray("\xC4\xE3\xBA\xC3\x95\x32\x82\x36\x80") << ct + "; charset=gbk"
        << QStringLiteral("\u4f60\u597d\U00020000\u20ac") << hdr;
    QTest::newRow("a latin-1 label means windows-1252")
        << QByteArray("\x80 caf\xE9") << ct + "; charset=ISO_8859-1:1987"
        << QStringLiteral("\u20ac caf\u00e9") << hdr;
    QTest::newRow("shift_jis is the windows code page")
        << QByteArray("C:\x5C\x81\x60") << ct + "; charset=shift_jis" << QStringLiteral("C:\\\uff5e") << hdr;
    QTest::newRow("iso-2022-jp stays in its mode after a bad byte")
        << QByteArray("\x1B$BF|\x80K\\\x1B(B!") << ct + "; charset=iso-2022-jp"
        << QStringLiteral("\u65e5\ufffd\u672c!") << hdr;
    QTest::newRow("windows-1250 unused byte keeps its value")
        << QByteArray("\x8A\x81") << ct + "; charset=windows-1250" << QStringLiteral("\u0160\u0081") << hdr;
    QTest::newRow("a label browsers do not know is ignored")
        << QByteArray("a+ACE-") << ct + "; charset=utf-7" << QStringLiteral("a+ACE-") << sniffed;
    QTest::newRow("an unknown header label gives way to the meta tag")
        << QByteArray("<meta charset=koi8-r>\xE1") << ct + "; charset=x-nonsense"
        << QStringLiteral("<meta charset=koi8-r>\u0410") << meta;
}

void TestPageDecoder::decode()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, header);
    QFETCH(QString, expected);
    QFETCH(int, source);
    const PageDecoder::Decoded d = PageDecoder::decode(body, header);
    QCOMPARE(d.text, expected);
    QCOMPARE(int(d.source), source);
}

void TestPageDecoder::charsetFromHeader_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("charset");
    QTest::newRow("plain") << QStringLiteral("Content-Type: text/html; charset=ISO-8859-2\r\nX: y")
                           << QStringLiteral("ISO-8859-2");
    QTest::newRow("quoted, spaced, lower-case name")
        << QStringLiteral("content-type: text/html;  Charset = \"utf-8\"") << QStringLiteral("utf-8");
    QTest::newRow("further parameter")
        << QStringLiteral("Content-Type: text/html; charset=koi8-r; q=1") << QStringLiteral("koi8-r");
    QTest::newRow("none") << QStringLiteral("Content-Type: text/html") << QString();
    QTest::newRow("charset in another header") << QStringLiteral("X-Note: a; charset=koi8-r") << QString();
}

void TestPageDecoder::charsetFromHeader()
{
    QFETCH(QString, header);
    QFETCH(QString, charset);
    QCOMPARE(PageDecoder::charsetFromHeader(header), charset);
}

void TestPageDecoder::metaOnlyNearTheTop()
{
    const QByteArray late = QByteArray(5000, ' ') + "<meta charset=koi8-r>";
    QCOMPARE(PageDecoder::charsetFromMeta(late), QString());
    QCOMPARE(PageDecoder::charsetFromMeta(
                 "<meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"),
             QStringLiteral("gb2312"));
}

void TestPageDecoder::lineBreaks_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("lone LF") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a\r\nb");
    QTest::newRow("CR LF kept") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("LF CR is two breaks") << QStringLiteral("a\n\rb") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("CR CR LF") << QStringLiteral("\r\r\n") << QStringLiteral("\r\n\r\n");
    QTest::newRow("trailing CR") << QStringLiteral("a\r") << QStringLiteral("a\r\n");
}

void TestPageDecoder::lineBreaks()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(PageDecoder::normalizeLineBreaks(in), out);
}

QTEST_APPLESS_MAIN(TestPageDecoder)
#include "tst_pagedecoder.moc"
