#pragma once
// The HTTP transport the WebDAV client stands on: WinHTTP in the program, a fake in the tests.
// One request at a time; bodies stream from and to the file-system port, so a big archive is
// never held in memory.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fs/file_system.h"

namespace syncing {

struct HttpRequest {
    std::string method;
    std::string path;  // percent-encoded, from the server's "/"
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;                 // a small body (PROPFIND) …
    fs::InputFile* upload = nullptr;  // … or a file's bytes
    bool close_connection = false;    // the connection is not kept for the next request
};

struct HttpResponse {
    enum class Error { none, unreachable, certificate, cut, too_large, local };
    Error error = Error::none;
    std::string detail;  // the system's words for the error
    int status = 0;
    std::string body;  // bounded by the limit the request was sent with
    std::vector<std::pair<std::string, std::string>> headers;
    std::string header(const std::string& name) const;  // "" when missing; names without case
    std::optional<uint64_t> content_length() const;      // none when missing or not a plain number
};

class HttpTransport {
   public:
    virtual ~HttpTransport() = default;
    // Sends the request and reads the answer. The body goes into `download` when given (only for
    // a 2xx answer; others land in `body`), else into `body`; beyond `limit` bytes the answer is
    // refused as too_large.
    virtual HttpResponse send(const HttpRequest& request, uint64_t limit, fs::OutputFile* download) = 0;
};

// "Basic <base64 of user:password>", the user and password as UTF-8.
std::string basic_authorization(const std::string& user, const std::string& password);

}  // namespace syncing
