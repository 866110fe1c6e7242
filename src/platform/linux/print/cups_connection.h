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

struct DestInfoFreer {
    void operator()(cups_dinfo_t* info) const noexcept { cupsFreeDestInfo(info); }
};
using DestInfo = std::unique_ptr<cups_dinfo_t, DestInfoFreer>;

// A job's options: the destination's own, and what the document adds.
class JobOptions {
public:
    JobOptions(int count, const cups_option_t* options)
    {
        for (int i = 0; i < count; ++i)
            Set(options[i].name, options[i].value);
    }
    ~JobOptions() { cupsFreeOptions(m_count, m_options); }
    JobOptions(const JobOptions&) = delete;
    JobOptions& operator=(const JobOptions&) = delete;

    void Set(const char* name, const char* value) { m_count = cupsAddOption(name, value, m_count, &m_options); }
    void Remove(const char* name) { m_count = cupsRemoveOption(name, m_count, &m_options); }
    const char* Find(const char* name) const { return cupsGetOption(name, m_count, m_options); }
    int Count() const { return m_count; }
    cups_option_t* Get() const { return m_options; }

private:
    int m_count = 0;
    cups_option_t* m_options = nullptr;
};

// A connection to the server named by CUPS_SERVER or client.conf, as every CUPS client finds it;
// empty when it cannot be reached. Requests on it never prompt for a password: this thread's
// password callback answers none.
HttpConnection ConnectToPrintServer();
