// Address splitting and redirect resolution for the host's relay and its verdict.
#include "Address.h"

#include <ctype.h>

namespace {

// "scheme://host:port", lower case, with the scheme's default port written out; empty when server
// is not http or https.
std::string NormalServer(const std::string& server)
{
    size_t nScheme = server.find("://");
    if (nScheme == std::string::npos)
        return std::string();
    std::string text;
    for (char c : server)
        text += char(tolower(static_cast<unsigned char>(c)));
    std::string scheme = text.substr(0, nScheme);
    if (scheme != "http" && scheme != "https")
        return std::string();
    std::string host = text.substr(nScheme + 3);
    size_t nAt = host.rfind('@');
    if (nAt != std::string::npos)
        host = host.substr(nAt + 1);
    size_t nColon = host.rfind(':');
    if (nColon == std::string::npos || host.find(']', nColon) != std::string::npos)
        host += scheme == "http" ? ":80" : ":443";
    return scheme + "://" + host;
}

}  // namespace

void SplitAddress(const std::string& url, std::string& server, std::string& rest)
{
    size_t nServer = url.find("://");
    size_t nRest = url.find_first_of("/?#", nServer == std::string::npos ? 0 : nServer + 3);
    server = url.substr(0, nRest);
    rest = nRest == std::string::npos ? std::string() : url.substr(nRest);
    if (rest.empty() || rest[0] != '/')
        rest = "/" + rest;
}

bool TargetOnServer(const std::string& location, const std::string& server, const std::string& baseTarget,
                    std::string& target)
{
    std::string ref = location.substr(0, location.find('#'));
    size_t nColon = ref.find(':');
    bool bAbsolute = nColon != std::string::npos && ref.find_first_of("/?") > nColon;
    if (bAbsolute || ref.compare(0, 2, "//") == 0)
    {
        if (!bAbsolute)
            ref = server.substr(0, server.find("://") + 1) + ref;   // the same scheme
        std::string other, rest;
        SplitAddress(ref, other, rest);
        std::string normal = NormalServer(other);
        if (normal.empty() || normal != NormalServer(server))
            return false;
        target = rest;
        return true;
    }
    std::string basePath = baseTarget.substr(0, baseTarget.find('?'));
    if (ref.empty())
        target = baseTarget;
    else if (ref[0] == '/')
        target = ref;
    else if (ref[0] == '?')
        target = basePath + ref;
    else
        target = basePath.substr(0, basePath.rfind('/') + 1) + ref;
    return true;
}
