#include "platform/linux/print/cups_connection.h"

namespace {

// A connection attempt gives up after this long, so that following a job through a server restart
// or stopping a follower is never held up for long.
constexpr int kConnectTimeoutMs = 2000;
// A server that stops answering fails the request rather than holding the caller for ever.
constexpr double kRequestTimeoutSeconds = 30.0;

const char* NoPassword(const char*, http_t*, const char*, const char*, void*)
{
    return nullptr;
}

}  // namespace

HttpConnection ConnectToPrintServer()
{
    // The callback is per thread in libcups, so it is set on each thread that talks to the server.
    cupsSetPasswordCB2(NoPassword, nullptr);
    HttpConnection http(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeoutMs, nullptr));
    if (http)
        httpSetTimeout(http.get(), kRequestTimeoutSeconds, nullptr, nullptr);
    return http;
}
