// Owners of libcups's resources, and the connection to the print server that CUPS clients use.
#pragma once

#include <cups/cups.h>

#include <memory>

struct HttpCloser {
    void operator()(http_t* http) const noexcept { httpClose(http); }
};
using HttpConnection = std::unique_ptr<http_t, HttpCloser>;

struct IppDeleter {
    void operator()(ipp_t* message) const noexcept { ippDelete(message); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

struct DestinationFreer {
    void operator()(cups_dest_t* destination) const noexcept { cupsFreeDests(1, destination); }
};
using Destination = std::unique_ptr<cups_dest_t, DestinationFreer>;

// A connection to the server named by CUPS_SERVER or client.conf, as every CUPS client finds it;
// empty when it cannot be reached. Requests on it never prompt for a password: this thread's
// password callback answers none.
HttpConnection ConnectToPrintServer();
