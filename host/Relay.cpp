// The relay's client over libcurl: cpp-httplib's client has neither an overall time-out nor a
// limit on an answer's headers, and libcurl has both (a total time-out, and callbacks that may
// refuse more bytes).
#include "Relay.h"

#include <curl/curl.h>

#include <stdlib.h>
#include <strings.h>

#include <memory>
#include <mutex>

namespace {

struct Exchange
{
    const RelayLimits& limits;
    const std::atomic<bool>& bCancel;
    RelayAnswer answer;
    size_t cbHeaders = 0;
    bool bHeadersEnded = false;
    bool bHeadersTooLong = false;
    bool bBodyTooLong = false;
};

std::string Trimmed(const char* p, size_t cb)
{
    while (cb > 0 && (*p == ' ' || *p == '\t'))
        ++p, --cb;
    while (cb > 0 && (p[cb - 1] == '\r' || p[cb - 1] == '\n' || p[cb - 1] == ' ' || p[cb - 1] == '\t'))
        --cb;
    return std::string(p, cb);
}

// Header lines of every answer on the way (a 100 Continue first), each counted against the cap.
size_t OnHeader(char* p, size_t, size_t cb, void* pv)
{
    Exchange& x = *static_cast<Exchange*>(pv);
    x.cbHeaders += cb;
    if (x.cbHeaders > x.limits.maxHeaderBytes)
    {
        x.bHeadersTooLong = true;
        return 0;
    }
    if (cb >= 5 && strncasecmp(p, "HTTP/", 5) == 0)
    {
        x.answer.location.clear();   // a new answer
        x.answer.contentType.clear();
        x.bHeadersEnded = false;
    }
    else if (cb <= 2 && (cb == 0 || p[0] == '\r' || p[0] == '\n'))
        x.bHeadersEnded = true;
    else if (cb > 9 && strncasecmp(p, "Location:", 9) == 0)
        x.answer.location = Trimmed(p + 9, cb - 9);
    else if (cb > 13 && strncasecmp(p, "Content-Type:", 13) == 0)
        x.answer.contentType = Trimmed(p + 13, cb - 13);
    return cb;
}

size_t OnBody(char* p, size_t, size_t cb, void* pv)
{
    Exchange& x = *static_cast<Exchange*>(pv);
    if (x.answer.body.size() + cb > x.limits.maxBodyBytes)
    {
        x.bBodyTooLong = true;
        return 0;
    }
    x.answer.body.append(p, cb);
    return cb;
}

int OnProgress(void* pv, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Exchange*>(pv)->bCancel.load() ? 1 : 0;
}

std::string Kilobytes(size_t cb) { return std::to_string(cb / 1024) + " KiB"; }

}  // namespace

RelayLimits RelayLimits::FromEnvironment()
{
    RelayLimits limits;
    if (const char* psz = getenv("KEYHOLM_RELAY_DEADLINE_MS"))
    {
        long ms = strtol(psz, NULL, 10);
        if (ms > 0)
            limits.deadlineMs = ms;
    }
    return limits;
}

RelayAnswer RelayRequest(const std::string& upstream, const std::string& method, const std::string& target,
                         const std::string& contentType, const std::string& body, const RelayLimits& limits,
                         const std::atomic<bool>& bCancel)
{
    static std::once_flag s_init;
    std::call_once(s_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    Exchange x{limits, bCancel, RelayAnswer()};
    std::unique_ptr<CURL, void (*)(CURL*)> easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy)
    {
        x.answer.failure = "the relay could not start a request";
        return x.answer;
    }
    CURL* h = easy.get();
    std::string url = upstream + target;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROXY, "");   // straight to the server, as the browser would go
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, limits.deadlineMs);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");   // decoded, so the cap counts what is kept
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &x);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &x);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    std::unique_ptr<curl_slist, void (*)(curl_slist*)> headers(curl_slist_append(NULL, "Expect:"), curl_slist_free_all);
    if (method == "POST")
    {
        if (!contentType.empty())
            headers.reset(curl_slist_append(headers.release(), ("Content-Type: " + contentType).c_str()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

    CURLcode result = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    x.answer.status = int(status);
    if (result == CURLE_OK)
        return x.answer;

    std::string seconds = std::to_string((limits.deadlineMs + 999) / 1000) + " seconds";
    if (x.bHeadersTooLong)
        x.answer.failure = "the server's headers passed the relay's limit of " + Kilobytes(limits.maxHeaderBytes);
    else if (x.bBodyTooLong)
        x.answer.failure = "the server's answer passed the relay's limit of " + Kilobytes(limits.maxBodyBytes);
    else if (result == CURLE_OPERATION_TIMEDOUT)
    {
        x.answer.bTimedOut = true;
        if (x.cbHeaders == 0)
            x.answer.failure = "the server did not answer within " + seconds;
        else if (!x.bHeadersEnded)
            x.answer.failure = "the server's headers did not end within " + seconds;
        else
            x.answer.failure = "the server's answer did not end within " + seconds + " (" +
                               std::to_string(x.answer.body.size()) + " bytes of body so far)";
    }
    else if (result == CURLE_ABORTED_BY_CALLBACK)
        x.answer.failure = "the host stopped before the server had answered";
    else if (x.cbHeaders == 0)
        x.answer.failure = std::string("the server could not be reached: ") + curl_easy_strerror(result) + " (" +
                           upstream + ")";
    else
        x.answer.failure = std::string("the server's answer broke off: ") + curl_easy_strerror(result);
    x.answer.status = 0;
    return x.answer;
}
