#pragma once

#include "BenchPages.h"
#include "TestHttpServer.h"

// The small directory site of the batch benchmarks on 127.0.0.1: /page/<i>
// serves BenchPages::smallPage(i). One server for the whole benchmark process.
inline TestHttpServer& benchSiteServer()
{
    static TestHttpServer server;
    static const bool routed = [] {
        server.route("/page/*", [](const TestHttpRequest& request) {
            return TestHttpResponse::html(BenchPages::smallPage(request.path.section(u'/', 2).toInt()));
        });
        return true;
    }();
    (void)routed;
    return server;
}
