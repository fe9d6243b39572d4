#pragma once
// The HTTP transport of the program: WinHTTP (a system DLL), HTTPS or HTTP, no redirects followed,
// certificate errors reported as such and never passed over.
#include <memory>

#include "sync/dav_paths.h"
#include "sync/http.h"

namespace syncing {

struct Timeouts {
    int resolve_ms = 10000;
    int connect_ms = 10000;
    int send_ms = 60000;     // each piece of an upload
    int receive_ms = 60000;  // the answer, and each piece of a download
};

// nullptr when WinHTTP cannot be opened; `reason` says why.
std::unique_ptr<HttpTransport> make_winhttp_transport(const ServerAddress& address, const Timeouts& timeouts,
                                                      std::string* reason);

}  // namespace syncing
