#include "platform/PageFetcher.h"

#include "platform/CurlTransfer.h"

#include <QThread>
#include <curl/curl.h>

FetchResult PageFetcher::fetch(const QString& url, const FetchOptions& options,
                               const std::function<bool()>& cancelled)
{
    CurlTransfer transfer(url, options);
    CURL* easy = transfer.handle();
    if (!easy)
        return transfer.failed(QStringLiteral("cannot create a transfer"));

    // The multi interface lets a cancellation be seen within a poll interval,
    // also while a connection attempt is pending.
    CURLM* multi = curl_multi_init();
    curl_multi_add_handle(multi, easy);
    CURLcode code = CURLE_OK;
    bool aborted = false;
    bool expired = false;
    int running = 1;
    while (running) {
        const CURLMcode mc = curl_multi_perform(multi, &running);
        if (mc != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        if (!running)
            break;
        if (cancelled && cancelled()) {
            aborted = true;
            break;
        }
        const qint64 due = transfer.msUntilDue();
        if (due == 0) {
            expired = true;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, due < 0 ? 100 : int(qMin<qint64>(100, due)), nullptr);
    }
    int pending = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &pending)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy)
            code = msg->data.result;
    }
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);

    FetchResult result = aborted   ? transfer.failed(QStringLiteral("cancelled"))
                         : expired ? transfer.expire()
                                   : transfer.finish(code);
    result.attempts = 1;
    return result;
}

PageFetcher::PageFetcher(QObject* parent, const FetchOptions& options)
    : QObject(parent), m_options(options), m_wanted(std::make_shared<std::atomic<quint64>>(0))
{
    CurlTransfer::initialiseLibrary();
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("PageFetcher"));
    m_worker = new QObject;
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

PageFetcher::~PageFetcher()
{
    m_wanted->store(0); // generation 0 is never handed out: every transfer stops
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

void PageFetcher::openUrl(const QString& url)
{
    const quint64 generation = ++m_generation;
    m_wanted->store(generation);
    m_busy = true;
    const FetchOptions options = m_options;
    const std::shared_ptr<std::atomic<quint64>> wanted = m_wanted;
    QMetaObject::invokeMethod(
        m_worker,
        [this, url, options, wanted, generation] {
            if (wanted->load() != generation)
                return; // superseded while it waited in the queue
            FetchResult result =
                fetch(url, options, [&wanted, generation] { return wanted->load() != generation; });
            if (wanted->load() != generation)
                return;
            // The owner outlives this call: its destructor joins the thread
            // first, and pending posted events die with it.
            QMetaObject::invokeMethod(
                this, [this, generation, result] { deliver(generation, result); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void PageFetcher::abort()
{
    ++m_generation;
    m_wanted->store(m_generation);
    m_busy = false;
}

void PageFetcher::deliver(quint64 generation, const FetchResult& result)
{
    if (generation != m_generation || !m_busy)
        return;
    m_busy = false;
    m_result = result;
    Q_EMIT finished(m_result);
}
