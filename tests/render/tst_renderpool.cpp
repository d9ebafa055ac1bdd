#include "TestHttpServer.h"
#include "rendering/ProcessTree.h"
#include "rendering/RenderPool.h"

#include <QHash>
#include <QTest>
#include <signal.h>

namespace {

// Every rendering in these tests finishes well within this.
constexpr int kWaitMs = 60000;

// Collects the pool's answers by id.
class Answers : public QObject
{
public:
    explicit Answers(RenderPool& pool)
    {
        connect(&pool, &RenderPool::rendered, this,
                [this](quint64 id, const RenderResult& result) { m_results.insert(id, result); });
    }

    // Waits for the answer to id and gives it; a failed result when none came.
    RenderResult take(quint64 id)
    {
        if (!QTest::qWaitFor([&] { return m_results.contains(id); }, kWaitMs))
            return RenderResult{
                RenderEnd::Failed, {}, {}, 0, {}, 0, QStringLiteral("no answer in the test's time")};
        return m_results.take(id);
    }

private:
    QHash<quint64, RenderResult> m_results;
};

QByteArray page(const QByteArray& body)
{
    return "<!DOCTYPE html><html><head><title>Partner</title></head><body><p>Blogroll</p>" + body +
           "</body></html>";
}

// What a test kills while a page renders.
enum class Victim
{
    Nobody,
    Renderer,
    PageProcess
};

// The process that renders the page: the engine's zygote forks it, so it is
// the deepest of the renderer's tree and its command line is the zygote's.
qint64 pageProcess(qint64 renderer)
{
    const QList<qint64> tree = ProcessTree::members(renderer);
    return tree.size() > 1 ? tree.last() : 0;
}

} // namespace

Q_DECLARE_METATYPE(Victim)

class TestRenderPool : public QObject
{
    Q_OBJECT

private slots:
    void markupAfterScripts_data();
    void markupAfterScripts();
    void pageThatNeverSettles_data();
    void pageThatNeverSettles();
    void rendererLostMidPage_data();
    void rendererLostMidPage();
    void hungRenderer();
    void missingProgram();
};

void TestRenderPool::markupAfterScripts_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("present");

    QTest::newRow("written after 300 ms") << page(R"(<div id="roll"></div><script>
        setTimeout(function () {
            var a = document.createElement('a');
            a.href = 'https://mysite.example/';
            a.textContent = 'My site';
            document.getElementById('roll').appendChild(a);
        }, 300);</script>)") << R"(<a href="https://mysite.example/">My site</a>)"
                                          << true;
    QTest::newRow("written after a fetch") << page(R"(<div id="roll"></div><script>
        fetch('/links.json').then(function (r) { return r.json(); }).then(function (links) {
            var a = document.createElement('a');
            a.href = links.mine;
            a.textContent = 'From the list';
            document.getElementById('roll').appendChild(a);
        });</script>)") << R"(<a href="https://mysite.example/listed">From the list</a>)"
                                           << true;
    QTest::newRow("nofollow set by a second script") << page(R"(<div id="roll"></div><script>
        var a = document.createElement('a');
        a.href = 'https://mysite.example/';
        a.textContent = 'My site';
        document.getElementById('roll').appendChild(a);
        </script><script>
        setTimeout(function () {
            document.querySelector('#roll a').setAttribute('rel', 'nofollow');
        }, 100);</script>)") << R"(<a href="https://mysite.example/" rel="nofollow">)"
                                                     << true;
    QTest::newRow("removed by a script")
        << page(R"(<p id="roll"><a id="mine" href="https://mysite.example/">My site</a></p><script>
        setTimeout(function () { document.getElementById('mine').remove(); }, 200);</script>)")
        << R"(href="https://mysite.example/")" << false;
}

void TestRenderPool::markupAfterScripts()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, link);
    QFETCH(bool, present);

    TestHttpServer server;
    server.route("/page.html", TestHttpResponse::html(body));
    TestHttpResponse json = TestHttpResponse::html(R"({"mine": "https://mysite.example/listed"})");
    json.headers = {{"Content-Type", "application/json"}};
    server.route("/links.json", json);

    RenderPool pool;
    Answers answers(pool);
    const RenderResult result = answers.take(pool.render(server.url("/page.html")));
    QCOMPARE(result.error, QString());
    QCOMPARE(renderEndText(result.end), QStringLiteral("settled"));
    QCOMPARE(result.finalUrl, server.url("/page.html"));
    QVERIFY(result.html.startsWith(QLatin1String("<html><head><title>Partner</title>")));
    QCOMPARE(result.html.contains(link), present);
}

void TestRenderPool::pageThatNeverSettles_data()
{
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("fetching every 200 ms") << page(R"(<a href="https://mysite.example/">My site</a><script>
        setInterval(function () { fetch('/poll?' + Date.now()); }, 200);</script>)");
    QTest::newRow("a script that never comes")
        << page(R"(<a href="https://mysite.example/">My site</a><script src="/never.js"></script>)");
}

void TestRenderPool::pageThatNeverSettles()
{
    QFETCH(QByteArray, body);

    TestHttpServer server;
    server.route("/page.html", TestHttpResponse::html(body));
    server.route("/poll", TestHttpResponse::html("{}"));
    TestHttpResponse never = TestHttpResponse::html("");
    never.headDelayMs = 600000;
    server.route("/never.js", never);

    RenderPool pool;
    Answers answers(pool);
    RenderLimits limits;
    limits.timeoutMs = 3000;
    const RenderResult result = answers.take(pool.render(server.url("/page.html"), limits));
    QCOMPARE(renderEndText(result.end), QStringLiteral("time limit"));
    // The page as it stood at the limit.
    QVERIFY(result.html.contains(QLatin1String(R"(<a href="https://mysite.example/">My site</a>)")));
}

void TestRenderPool::rendererLostMidPage_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Victim>("victim");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("error");

    const QByteArray waiting = page(R"(<script src="/never.js"></script>)");
    QTest::newRow("renderer killed") << waiting << Victim::Renderer << "render failed"
                                     << "render failed: the renderer crashed";
    QTest::newRow("page's process killed") << waiting << Victim::PageProcess << "crashed"
                                           << "the page's process was killed";
    QTest::newRow("script that allocates without end")
        << page(R"(<script>var heap = []; for (;;) heap.push(new Array(1000000).fill(7));</script>)")
        << Victim::Nobody << "render failed"
        << "render failed: the renderer used";
}

void TestRenderPool::rendererLostMidPage()
{
    QFETCH(QByteArray, body);
    QFETCH(Victim, victim);
    QFETCH(QString, end);
    QFETCH(QString, error);

    TestHttpServer server;
    server.route("/lost.html", TestHttpResponse::html(body));
    server.route("/next.html",
                 TestHttpResponse::html(page(R"(<a href="https://mysite.example/">My site</a>)")));
    TestHttpResponse never = TestHttpResponse::html("");
    never.headDelayMs = 600000;
    server.route("/never.js", never);

    RenderPool::Options options;
    options.renderers = 1;
    RenderPool pool(options);
    Answers answers(pool);
    const quint64 lost = pool.render(server.url("/lost.html"));
    const quint64 next = pool.render(server.url("/next.html"));
    if (victim != Victim::Nobody) {
        QTRY_COMPARE_WITH_TIMEOUT(server.requestCount("/never.js"), 1, kWaitMs);
        const qint64 renderer = pool.rendererPids().value(0);
        const qint64 pid = victim == Victim::Renderer ? renderer : pageProcess(renderer);
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    }

    const RenderResult failed = answers.take(lost);
    QCOMPARE(renderEndText(failed.end), end);
    QVERIFY2(failed.error.startsWith(error), qPrintable(failed.error));
    QVERIFY(failed.html.isEmpty());
    // The pool goes on with the next page.
    const RenderResult result = answers.take(next);
    QCOMPARE(renderEndText(result.end), QStringLiteral("settled"));
    QVERIFY(result.html.contains(QLatin1String(R"(<a href="https://mysite.example/">My site</a>)")));
}

void TestRenderPool::hungRenderer()
{
    TestHttpServer server;
    server.route("/*", TestHttpResponse::html(page(R"(<a href="https://mysite.example/">My site</a>)")));
    RenderPool::Options options;
    options.renderers = 1;
    options.watch.graceMs = 1000;
    RenderPool pool(options);
    Answers answers(pool);
    QCOMPARE(renderEndText(answers.take(pool.render(server.url("/first.html"))).end),
             QStringLiteral("settled"));

    // A renderer that no longer runs answers nothing at all.
    QCOMPARE(::kill(pid_t(pool.rendererPids().value(0)), SIGSTOP), 0);
    RenderLimits limits;
    limits.timeoutMs = 1000;
    const RenderResult hung = answers.take(pool.render(server.url("/hung.html"), limits));
    QCOMPARE(hung.error, QStringLiteral("render failed: the renderer did not answer in time"));
    QCOMPARE(renderEndText(answers.take(pool.render(server.url("/next.html"))).end),
             QStringLiteral("settled"));
}

void TestRenderPool::missingProgram()
{
    RenderPool::Options options;
    options.program = QStringLiteral("/nonexistent/quillmark-render");
    RenderPool pool(options);
    Answers answers(pool);
    QStringList messages;
    connect(&pool, &RenderPool::unavailable, this, [&messages](const QString& m) { messages.append(m); });

    // The first request finds out; the one after it is refused at once.
    for (const QString& url :
         {QStringLiteral("http://127.0.0.1:9/a.html"), QStringLiteral("http://127.0.0.1:9/b.html")}) {
        const RenderResult result = answers.take(pool.render(QUrl(url)));
        QCOMPARE(renderEndText(result.end), QStringLiteral("render failed"));
        QVERIFY2(result.error.startsWith(
                     QLatin1String("render failed: the page renderer /nonexistent/quillmark-render "
                                   "could not be started")),
                 qPrintable(result.error));
        QTRY_COMPARE(messages.size(), 1);
    }
    QVERIFY(!pool.isAvailable());
}

QTEST_GUILESS_MAIN(TestRenderPool)
#include "tst_renderpool.moc"
