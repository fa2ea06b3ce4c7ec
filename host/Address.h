// Addresses as the host handles them: a server ("http://host[:port]") and a target on it (path and
// query), and where a redirect's Location leads.
#pragma once

#include <string>

// Splits "http://host:port/sso?x=1#f" into its server ("http://host:port") and the rest ("/sso?x=1#f",
// at least "/").
void SplitAddress(const std::string& url, std::string& server, std::string& rest);

// Where location, given in answer to a request for baseTarget on server, leads: true with the target
// (path and query) when it is on that same server (scheme, host and port), false when it leads
// elsewhere (another port, another host, file://).
bool TargetOnServer(const std::string& location, const std::string& server, const std::string& baseTarget,
                    std::string& target);
