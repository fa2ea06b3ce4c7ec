// The host's verdict on a sign-on, following the server's redirects through the records.
#include "SignOnVerdict.h"

#include "Address.h"

#include <algorithm>

std::string SignOnFailure(const std::vector<ReceivedRequest>& requests, size_t nFirst, const std::string& server,
                          bool bLoaded, int nWaitedSeconds)
{
    std::string waited = std::to_string(nWaitedSeconds) + " seconds";
    if (nFirst >= requests.size())
        return "no sign-on reached the server within " + waited;
    std::vector<std::string> visited;   // the targets fetched along the redirects
    std::string chain = requests[nFirst].method + " " + requests[nFirst].target;
    for (size_t i = nFirst;;)
    {
        const ReceivedRequest& r = requests[i];
        std::string answered = "the server answered " + r.method + " " + r.target + " with " + std::to_string(r.status);
        if (r.method == "(refused)")
            return "the server refused the request with status " + std::to_string(r.status) +
                   (r.status == 414 ? " (the address is longer than the server reads)" : "");
        if (!r.failure.empty())
            return r.failure;
        if (r.status == 0)
            return "the server received " + r.method + " " + r.target + " but had not answered it when " +
                   (bLoaded ? std::string("the browser gave up on it") : "the host stopped waiting after " + waited);
        if (r.status >= 400)
            return "the server answered " + std::to_string(r.status) + "; the browser shows its error page";
        if (r.status < 300)
            return bLoaded ? std::string() : answered + ", but the page did not load within " + waited;
        if (r.location.empty())
            return answered + " and no Location to follow";
        std::string target;
        if (!TargetOnServer(r.location, server, r.target, target))
            return "the server redirected to " + r.location + ", which is not the server (" + server + ")";
        if (r.method == "GET")
            visited.push_back(r.target);
        chain += " -> " + target;
        if (std::find(visited.begin(), visited.end(), target) != visited.end())
            return "the server redirected in a loop: " + chain;
        size_t j = i + 1;
        while (j < requests.size() && !(requests[j].method == "GET" && requests[j].target == target))
            ++j;
        if (j == requests.size())
            return "the browser did not follow the server's redirect to " + target + " (" + chain + ")";
        i = j;
    }
}
