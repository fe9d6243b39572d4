#pragma once
// The remote the settings name: a WebDAV server for an http:// or https:// address, else a folder
// (a network share such as \\nas\存档, or a folder a sync client keeps).
#include <functional>
#include <memory>
#include <string>

#include "sync/dav_paths.h"
#include "sync/http.h"
#include "sync/remote.h"

namespace syncing {

struct RemoteSettings {
    std::string address;         // as typed on the settings page (ANSI)
    std::string user, password;  // UTF-8, as servers expect them in Basic credentials
};

// Makes the HTTP transport for a server: WinHTTP in the program.
using TransportMaker =
    std::function<std::unique_ptr<HttpTransport>(const ServerAddress&, std::string* reason)>;

// nullptr with a reason for the user when the settings name no usable remote.
std::unique_ptr<Remote> open_remote(fs::FileSystem& fs, const RemoteSettings& settings,
                                    const TransportMaker& make_transport, std::string* reason);

}  // namespace syncing
