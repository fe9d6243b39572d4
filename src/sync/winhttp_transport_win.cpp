// WinHTTP, synchronous: one request at a time on one connection handle. Upload bodies are written
// piece by piece from the file, downloads read piece by piece into the file.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <vector>

#include "fs/wide_text.h"
#include "sync/winhttp_transport.h"

namespace syncing {

namespace {

constexpr std::size_t kPiece = 2 * 1024 * 1024;
constexpr uint64_t kMaxInMemory = 16 << 20;  // an answer that does not go into a file

struct Handle {
    HINTERNET h = nullptr;
    explicit Handle(HINTERNET handle) : h(handle) {}
    ~Handle() {
        if (h) WinHttpCloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

std::string winhttp_reason(DWORD code) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   GetModuleHandleA("winhttp.dll"), code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = text ? text : "";
    LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    // Where the system has no text for it (Wine has none), the common ones in words of our own.
    if (reason.empty() && code == ERROR_WINHTTP_CANNOT_CONNECT) reason = "服务器没有接受连接";
    if (reason.empty() && code == ERROR_WINHTTP_NAME_NOT_RESOLVED) reason = "找不到这个服务器地址";
    if (reason.empty() && code == ERROR_WINHTTP_TIMEOUT) reason = "服务器没有及时回应";
    return reason + (reason.empty() ? "" : " ") + "(" + std::to_string(code) + ")";
}

HttpResponse::Error error_kind(DWORD code) {
    switch (code) {
        case ERROR_WINHTTP_SECURE_FAILURE:
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
        case ERROR_WINHTTP_SECURE_INVALID_CA:
        case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
        case ERROR_WINHTTP_SECURE_CERT_REVOKED:
        case ERROR_WINHTTP_SECURE_INVALID_CERT:
        case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
            return HttpResponse::Error::certificate;
        case ERROR_WINHTTP_CONNECTION_ERROR:
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return HttpResponse::Error::cut;
        default:
            return HttpResponse::Error::unreachable;
    }
}

HttpResponse failed(HttpResponse::Error kind, std::string detail) {
    HttpResponse r;
    r.error = kind;
    r.detail = std::move(detail);
    return r;
}

HttpResponse last_error() {
    const DWORD code = GetLastError();
    return failed(error_kind(code), winhttp_reason(code));
}

std::vector<std::pair<std::string, std::string>> response_headers(HINTERNET request) {
    DWORD bytes = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                        &bytes, WINHTTP_NO_HEADER_INDEX);
    std::wstring raw(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             raw.data(), &bytes, WINHTTP_NO_HEADER_INDEX))
        return {};
    raw.resize(bytes / sizeof(wchar_t));
    std::vector<std::pair<std::string, std::string>> headers;
    for (std::size_t start = 0, end; start < raw.size(); start = end + 2) {
        end = raw.find(L"\r\n", start);
        if (end == std::wstring::npos) end = raw.size();
        const std::string line = fs::wide_to_utf8(raw.substr(start, end - start));
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::size_t value = line.find_first_not_of(' ', colon + 1);
        headers.emplace_back(line.substr(0, colon), value == std::string::npos ? "" : line.substr(value));
    }
    return headers;
}

class WinHttpTransport : public HttpTransport {
   public:
    WinHttpTransport(HINTERNET session, HINTERNET connection, bool https)
        : session_(session), connection_(connection), https_(https) {}

    HttpResponse send(const HttpRequest& request, uint64_t limit, fs::OutputFile* download) override {
        Handle handle(WinHttpOpenRequest(connection_.h, fs::utf8_to_wide(request.method).c_str(),
                                         fs::utf8_to_wide(request.path).c_str(), nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, https_ ? WINHTTP_FLAG_SECURE : 0));
        if (!handle.h) return last_error();
        DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        WinHttpSetOption(handle.h, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
        DWORD no_keep_alive = WINHTTP_DISABLE_KEEP_ALIVE;
        if (request.close_connection)
            WinHttpSetOption(handle.h, WINHTTP_OPTION_DISABLE_FEATURE, &no_keep_alive, sizeof no_keep_alive);
        if (!send_body(handle.h, request)) return last_error();
        if (!WinHttpReceiveResponse(handle.h, nullptr)) return last_error();
        HttpResponse response;
        DWORD status = 0, size = sizeof status;
        WinHttpQueryHeaders(handle.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        response.status = static_cast<int>(status);
        response.headers = response_headers(handle.h);
        // HEAD declares the length of a body it does not send.
        if (request.method != "HEAD" && response.content_length().value_or(0) > limit)
            return failed(HttpResponse::Error::too_large, "");
        const bool to_file = download && status >= 200 && status < 300;
        return read_body(handle.h, limit, to_file ? download : nullptr, std::move(response));
    }

   private:
    static bool send_body(HINTERNET request, const HttpRequest& r) {
        std::wstring headers;
        for (const auto& [name, value] : r.headers) headers += fs::utf8_to_wide(name + ": " + value + "\r\n");
        if (!r.upload) {
            void* body = r.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(r.body.data());
            const DWORD size = static_cast<DWORD>(r.body.size());
            return WinHttpSendRequest(request, headers.c_str(), static_cast<DWORD>(-1L), body, size, size, 0);
        }
        const uint64_t total = r.upload->size();
        if (total > 0xffffffffull) {  // beyond a DWORD the length goes in the header
            headers += L"Content-Length: " + std::to_wstring(total) + L"\r\n";
        }
        if (!WinHttpSendRequest(
                request, headers.c_str(), static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0,
                total > 0xffffffffull ? WINHTTP_IGNORE_REQUEST_TOTAL_LENGTH : static_cast<DWORD>(total), 0))
            return false;
        std::vector<char> piece(kPiece);
        for (uint64_t at = 0; at < total;) {
            const int64_t got = r.upload->read_at(at, piece.data(), piece.size());
            DWORD written = 0;
            if (got <= 0) return SetLastError(ERROR_READ_FAULT), false;
            if (!WinHttpWriteData(request, piece.data(), static_cast<DWORD>(got), &written)) return false;
            at += static_cast<uint64_t>(got);
        }
        return true;
    }

    static HttpResponse read_body(HINTERNET request, uint64_t limit, fs::OutputFile* sink,
                                  HttpResponse response) {
        // Answers kept in memory are small (a listing, a status page): a small piece spares
        // every request the cost of a large buffer.
        std::vector<char> piece(sink ? kPiece : 64 * 1024);
        const uint64_t bound = sink ? limit : std::min(limit, kMaxInMemory);
        for (uint64_t total = 0;;) {
            DWORD got = 0;
            if (!WinHttpReadData(request, piece.data(), static_cast<DWORD>(piece.size()), &got))
                return last_error();
            if (got == 0) return response;
            if ((total += got) > bound) return failed(HttpResponse::Error::too_large, "");
            if (sink && !sink->write(piece.data(), got))
                return failed(HttpResponse::Error::local, "写入本机文件失败");
            if (!sink) response.body.append(piece.data(), got);
        }
    }

    Handle session_, connection_;
    bool https_;
};

}  // namespace

std::unique_ptr<HttpTransport> make_winhttp_transport(const ServerAddress& address, const Timeouts& t,
                                                      std::string* reason) {
    HINTERNET session = WinHttpOpen(L"Varnoke", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session) return *reason = winhttp_reason(GetLastError()), nullptr;
    WinHttpSetTimeouts(session, t.resolve_ms, t.connect_ms, t.send_ms, t.receive_ms);
    std::string host = address.host;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    HINTERNET connection =
        WinHttpConnect(session, fs::utf8_to_wide(host).c_str(), static_cast<INTERNET_PORT>(address.port), 0);
    if (!connection) {
        *reason = winhttp_reason(GetLastError());
        WinHttpCloseHandle(session);
        return nullptr;
    }
    return std::make_unique<WinHttpTransport>(session, connection, address.https);
}

}  // namespace syncing
