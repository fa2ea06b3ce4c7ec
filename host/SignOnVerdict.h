// Whether one sign-on worked, judged from what the host's server received and answered.
#pragma once

#include "PermissionServer.h"

#include <string>
#include <vector>

// The sign-on is the first of requests from nFirst on. It worked when the server answered it below
// 300 and the page loaded, or answered with redirects, each followed (a GET of its target through
// server, the host's own address), to an answer below 300 and the page loaded. Otherwise the
// reason, for a person: refused, not reached, an error answer, a redirect away from the server or
// in a loop, no answer before the host stopped waiting (nWaitedSeconds), or a page that did not
// load. Empty when it worked.
std::string SignOnFailure(const std::vector<ReceivedRequest>& requests, size_t nFirst, const std::string& server,
                          bool bLoaded, int nWaitedSeconds);
