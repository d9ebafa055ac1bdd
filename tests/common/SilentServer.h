#pragma once

#include "TestHttpServer.h"

// A host that takes the connection, reads the request and then says nothing,
// for as long as the client cares to wait: the server every time-out and
// cancellation test needs. Paths routed on it answer as on any TestHttpServer,
// so that one host can answer some pages and keep silent on the rest.
// requestCount() tells when a request has arrived, abandonedConnections()
// when the client gave up on it.
class SilentServer : public TestHttpServer
{
public:
    SilentServer();
    // On another address of the loopback network (127.0.0.2 and on).
    explicit SilentServer(const QHostAddress& loopbackAddress);

private:
    void keepSilent();
};
