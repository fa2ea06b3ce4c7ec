// One request forwarded to another server and its answer brought back whole, within a deadline and
// a size cap, so that no server can keep the host waiting or fill its memory.
#pragma once

#include <atomic>
#include <string>

struct RelayLimits
{
    long deadlineMs = 20000;            // the whole exchange, from connecting to the last byte
    size_t maxHeaderBytes = 64 * 1024;  // the answer's status line and headers
    size_t maxBodyBytes = 8 * 1024 * 1024;
    // KEYHOLM_RELAY_DEADLINE_MS (milliseconds) sets the deadline, so tests need not wait 20 seconds.
    static RelayLimits FromEnvironment();
};

struct RelayAnswer
{
    int status = 0;            // the server's status; 0 when it gave none
    std::string contentType;
    std::string location;      // the Location header, as the server sent it
    std::string body;
    std::string failure;       // why there is no whole answer; empty when there is one
    bool bTimedOut = false;    // the deadline passed
};

// Sends method ("GET" or "POST") target (path and query) to upstream ("http://host[:port]" or
// "https://..."), with the body and its content type for a POST, and waits for the whole answer. It
// gives up at the deadline, when the answer passes a cap, or once bCancel is set.
RelayAnswer RelayRequest(const std::string& upstream, const std::string& method, const std::string& target,
                         const std::string& contentType, const std::string& body, const RelayLimits& limits,
                         const std::atomic<bool>& bCancel);
