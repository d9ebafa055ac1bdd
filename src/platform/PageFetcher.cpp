#include "platform/PageFetcher.h"

#include "platform/CurlTransfer.h"

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
