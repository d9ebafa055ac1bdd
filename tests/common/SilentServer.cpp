#include "SilentServer.h"

SilentServer::SilentServer()
{
    keepSilent();
}

SilentServer::SilentServer(const QHostAddress& loopbackAddress) : TestHttpServer(loopbackAddress)
{
    keepSilent();
}

void SilentServer::keepSilent()
{
    // The shortest prefix: every route given later, exact or prefix, wins over it.
    TestHttpResponse silence;
    silence.silent = true;
    route(QStringLiteral("/*"), silence);
}
