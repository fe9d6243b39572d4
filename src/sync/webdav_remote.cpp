#include "sync/webdav_remote.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "fs/file_names.h"
#include "sync/base64.h"
#include "sync/multistatus.h"

namespace syncing {

namespace {

constexpr uint64_t kMaxListingBytes = 8 << 20;
constexpr std::size_t kMaxListingEntries = 20000;
constexpr char kPropfindBody[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/>"
    "<D:getcontentlength/><D:getlastmodified/></D:prop></D:propfind>\n";

Outcome outcome_of(const HttpResponse& r, bool gave_up) {
    using E = HttpResponse::Error;
    switch (r.error) {
        case E::unreachable:
            return fail(Failure::unreachable, "无法连接服务器：" + r.detail);
        case E::cut:
            return fail(Failure::unreachable, "连接中断：" + r.detail);
        case E::certificate:
            return fail(Failure::certificate, "服务器的证书不被信任，已拒绝连接：" + r.detail);
        case E::too_large:
            return fail(Failure::garbled, "服务器的回应超出上限");
        case E::local:
            return fail(Failure::local, "本机文件读写失败：" + r.detail);
        case E::none:
            break;
    }
    if (gave_up || asks_to_wait(r)) return fail(Failure::throttled, "服务器限制访问频率，请稍后再试");
    if (r.status == 401) return fail(Failure::credentials, "用户名或密码错误");
    return fail(Failure::refused, "服务器拒绝了请求（HTTP " + std::to_string(r.status) + "）");
}

}  // namespace

std::string HttpResponse::header(const std::string& name) const {
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    for (const auto& [key, value] : headers)
        if (lower(key) == lower(name)) return value;
    return "";
}

std::optional<uint64_t> HttpResponse::content_length() const {
    const std::string length = header("Content-Length");
    if (length.empty() || length.size() > 19 || length.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoull(length);
}

std::string basic_authorization(const std::string& user, const std::string& password) {
    return "Basic " + encode_base64(user + ":" + password);
}

WebDavRemote::WebDavRemote(HttpTransport& transport, ServerAddress address, const std::string& user,
                           const std::string& password, PacingRules rules, Clock clock,
                           std::shared_ptr<PacingWindow> window)
    : transport_(transport),
      address_(std::move(address)),
      authorization_(basic_authorization(user, password)),
      pacer_(rules, std::move(clock), std::move(window)) {}

WebDavRemote::WebDavRemote(std::unique_ptr<HttpTransport> transport, ServerAddress address,
                           const std::string& user, const std::string& password)
    : WebDavRemote(*transport, address, user, password, {}, steady_clock(),
                   shared_pacing_window(user + "@" + address.host + ":" + std::to_string(address.port))) {
    owned_transport_ = std::move(transport);
}

WebDavRemote::Call WebDavRemote::send(HttpRequest request, std::initializer_list<int> expected,
                                      uint64_t limit, fs::OutputFile* download) {
    request.headers.emplace_back("Authorization", authorization_);
    request.close_connection = std::exchange(close_next_request_, false);
    bool gave_up = false;
    Call call{pacer_.send(transport_, request, limit, download, &gave_up), {}};
    const bool ok = !gave_up && call.response.error == HttpResponse::Error::none &&
                    std::find(expected.begin(), expected.end(), call.response.status) != expected.end();
    if (!ok) call.outcome = outcome_of(call.response, gave_up);
    return call;
}

WebDavRemote::Call WebDavRemote::propfind(const std::vector<std::string>& segments, bool folder,
                                          const char* depth, uint64_t limit) {
    HttpRequest request{"PROPFIND", encode_path(segments, folder), {{"Depth", depth}}, kPropfindBody};
    request.headers.emplace_back("Content-Type", "application/xml; charset=\"utf-8\"");
    return send(request, {207}, limit);
}

std::vector<std::string> WebDavRemote::folder_of(const std::string& project) const {
    std::vector<std::string> segments = address_.root;
    segments.push_back(kAppFolder);
    if (!project.empty()) segments.push_back(project);
    return segments;
}

std::vector<std::string> WebDavRemote::file_of(const std::string& project, const std::string& name) const {
    std::vector<std::string> segments = folder_of(project);
    segments.push_back(name);
    return segments;
}

// MKCOL on the deepest level first; a 409 says a parent is missing, which is made the same way
// before one more try.
Outcome WebDavRemote::make_folder(const std::vector<std::string>& segments, bool parent_made, bool* made) {
    Call call = send({"MKCOL", encode_path(segments, true), {}, ""}, {201, 405});
    if (call.response.status == 409 && !parent_made && segments.size() > 1) {
        Outcome parent = make_folder(std::vector<std::string>(segments.begin(), segments.end() - 1), false);
        return parent ? make_folder(segments, true, made) : parent;
    }
    if (made) *made = call.outcome && call.response.status == 201;
    if (call.outcome.failure == Failure::refused)
        call.outcome = fail(Failure::folder, "服务器上的文件夹不存在，也无法建立（HTTP " +
                                                 std::to_string(call.response.status) + "）");
    return call.outcome;
}

Outcome WebDavRemote::check() {
    // Any refusal of the root (404, 409, 403 for a file's name) ends in making it, which says why not.
    Call root = propfind(address_.root, true, "0", 1 << 20);
    if (!root.outcome && root.outcome.failure != Failure::refused) return root.outcome;
    return make_folder(folder_of(""), false);
}

Outcome WebDavRemote::make_project_folder(const std::string& project, bool* made) {
    if (!is_safe_name(project)) return fail(Failure::local, "项目名不能用作文件夹名");
    return make_folder(folder_of(project), false, made);
}

Outcome WebDavRemote::list(const std::string& project, Listing* listing) {
    *listing = Listing{};
    Call call = propfind(folder_of(project), true, "1", kMaxListingBytes);
    if (call.response.status == 404) return {};
    if (!call.outcome) return call.outcome;
    std::string reason;
    auto entries = parse_multistatus(call.response.body, kMaxListingEntries, &reason);
    if (!entries) return fail(Failure::garbled, reason);
    const std::vector<std::string> folder = folder_of(project);
    for (const DavEntry& e : *entries) {
        std::optional<std::string> name = name_in_folder(e.href, folder, address_.root.size());
        if (name && !name->empty() && !e.is_folder) listing->files.push_back({*name, e.size, e.mtime});
    }
    listing->maybe_partial = entries->size() >= kListingCap;
    return {};
}

// HEAD first: it carries no body, so it is answered as fast as MOVE, where a request with a body
// may wait for the server's delayed acknowledgement. A server that gives no plain length there
// (compressed, chunked, HEAD refused) is asked with PROPFIND.
Outcome WebDavRemote::size_of(const std::string& project, const std::string& name, uint64_t* size) {
    Call head = send({"HEAD", encode_path(file_of(project, name), false), {}, ""}, {200});
    if (head.response.status == 404) return fail(Failure::refused, "");
    if (head.response.error != HttpResponse::Error::none || head.outcome.failure == Failure::throttled)
        return head.outcome;
    const std::optional<uint64_t> length = head.response.content_length();
    if (head.outcome && length && head.response.header("Content-Encoding").empty()) return *size = *length, Outcome{};
    Call call = propfind(file_of(project, name), false, "0", 1 << 16);
    if (call.response.status == 404) return fail(Failure::refused, "");
    if (!call.outcome) return call.outcome;
    std::string reason;
    auto entries = parse_multistatus(call.response.body, 1, &reason);
    if (!entries || entries->size() != 1 || (*entries)[0].is_folder)
        return fail(Failure::garbled, reason.empty() ? "服务器对文件大小的回应无效" : reason);
    *size = (*entries)[0].size;
    return {};
}

Outcome WebDavRemote::upload(const std::string& project, const std::string& name, fs::InputFile& source) {
    if (Outcome named = name_to_publish(name); !named) return named;
    if (source.size() > kMaxFileSize) return fail(Failure::local, "文件过大：" + fs::shown_name(name));
    const bool close_after = std::exchange(close_after_next_upload_, false);
    const std::string temp = fs::sibling_temp_path(name);
    HttpRequest put{"PUT", encode_path(file_of(project, temp), false), {}, ""};
    put.headers.emplace_back("Content-Type", "application/octet-stream");
    put.upload = &source;
    Call call = send(put, {200, 201, 204});
    Outcome published = call.outcome ? publish(project, temp, name, source.size(), close_after) : call.outcome;
    if (!published) remove_temporary(project, temp);  // best effort; a later sync cleans what stays
    return published;
}

Outcome WebDavRemote::publish(const std::string& project, const std::string& temp, const std::string& name,
                              uint64_t size, bool close_after) {
    const std::string authority = address_.host + ":" + std::to_string(address_.port);
    HttpRequest move{"MOVE", encode_path(file_of(project, temp), false), {}, ""};
    move.headers = {{"Destination", (address_.https ? "https://" : "http://") + authority +
                                        encode_path(file_of(project, name), false)},
                    {"Overwrite", "F"}};
    Call call = send(move, {201, 204});
    const bool taken = call.response.status == 412;
    if (!call.outcome && !taken) return call.outcome;
    uint64_t there = 0;
    // A small body sent apart from its headers (Wine's WinHTTP does so) on a connection that has
    // just answered waits out the server's delayed acknowledgement, about 40 ms; on a fresh
    // connection it is acknowledged at once. So the size check closes the connection when a
    // small upload follows.
    close_next_request_ = close_after;
    Outcome sized = size_of(project, name, &there);
    if (!sized)
        return sized.reason.empty() ? fail(Failure::refused, "发布后服务器上没有 " + fs::shown_name(name))
                                    : sized;
    if (there == size) return taken ? remove_temporary(project, temp), Outcome{} : Outcome{};
    return taken ? fail(Failure::exists, "服务器上已有另一个 " + fs::shown_name(name) + "，未覆盖")
                 : fail(Failure::refused, "服务器上的 " + fs::shown_name(name) + " 大小不符");
}

Outcome WebDavRemote::download(const std::string& project, const std::string& name, uint64_t limit,
                               fs::OutputFile& sink) {
    if (!is_safe_name(name)) return fail(Failure::local, "文件名无效：" + fs::shown_name(name));
    Call call = send({"GET", encode_path(file_of(project, name), false), {}, ""}, {200},
                     std::min(limit, kMaxFileSize), &sink);
    if (call.response.status == 404) return fail(Failure::refused, "服务器上没有 " + fs::shown_name(name));
    return call.outcome;
}

Outcome WebDavRemote::remove_temporary(const std::string& project, const std::string& name) {
    if (Outcome named = name_of_temporary(name); !named) return named;
    return send({"DELETE", encode_path(file_of(project, name), false), {}, ""}, {200, 204, 404}).outcome;
}

}  // namespace syncing
