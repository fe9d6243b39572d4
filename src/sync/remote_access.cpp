#include "sync/remote_access.h"

#include <cctype>

#include "sync/folder_remote.h"
#include "sync/webdav_remote.h"

namespace syncing {

namespace {

// "//server/share/…", "C:/…", or "/…" on a host whose paths begin so.
bool is_full_path(const std::string& path) {
    if (path.size() > 2 && path[0] == '/' && path[1] == '/') return true;
    if (path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        path[2] == '/')
        return true;
#ifndef _WIN32
    return !path.empty() && path[0] == '/';
#else
    return false;
#endif
}

std::string trimmed(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t");
    return start == std::string::npos ? "" : text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

}  // namespace

std::unique_ptr<Remote> open_remote(fs::FileSystem& fs, const RemoteSettings& settings,
                                    const TransportMaker& make_transport, std::string* reason) {
    const std::string address = trimmed(settings.address);
    if (address.empty()) return *reason = "没有填写服务器地址或文件夹", nullptr;
    if (address.find("://") == std::string::npos) {
        const std::string folder = fs::path_of(address);
        if (!is_full_path(folder)) return *reason = "文件夹应写完整路径，例如 \\\\nas\\存档", nullptr;
        return std::make_unique<FolderRemote>(fs, folder);
    }
    std::optional<ServerAddress> server = parse_address(fs::path_of(address), reason);
    if (!server) return nullptr;
    if (settings.user.empty()) return *reason = "没有填写用户名", nullptr;
    std::unique_ptr<HttpTransport> transport = make_transport(*server, reason);
    if (!transport) return nullptr;
    return std::make_unique<WebDavRemote>(std::move(transport), *server, settings.user, settings.password);
}

}  // namespace syncing
