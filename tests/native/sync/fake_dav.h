#pragma once
// A WebDAV server in memory behind the transport seam, escaping hrefs its own way (lower-case
// escapes, absolute URLs, "D:" or a default namespace), and able to fail any request on purpose.
#include <functional>
#include <map>
#include <set>

#include "fs/memory_file_system.h"
#include "sync/dav_paths.h"
#include "sync/http.h"

struct FakeDav : syncing::HttpTransport {
    std::map<std::string, std::string> files;  // decoded path → bytes
    std::set<std::string> folders{"/dav"};
    bool default_namespace = false, absolute_hrefs = false;
    int requests = 0;
    // Before request `requests`: an answer instead of the server's, or nothing.
    std::function<std::optional<syncing::HttpResponse>(int, const syncing::HttpRequest&)> fault;
    bool cut_after = false;  // the fault's request is carried out, then its answer lost

    static syncing::HttpResponse answer(int status, std::string body = "") {
        syncing::HttpResponse r;
        r.status = status;
        r.body = std::move(body);
        return r;
    }
    static std::string decoded(std::string path) {
        if (path.size() > 1 && path.back() == '/') path.pop_back();
        return syncing::percent_decode(path).value_or("?");
    }
    static std::string parent(const std::string& p) { return p.substr(0, p.rfind('/')); }
    std::string href(const std::string& path, bool folder) const {
        std::string out = absolute_hrefs ? "http://h:80" : "";
        for (unsigned char c : path) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02x", c);
            out += c < 0x80 && c != ' ' ? std::string(1, char(c)) : hex;
        }
        return out + (folder ? "/" : "");
    }
    std::string entry(const std::string& path, bool folder) const {
        const std::string d = default_namespace ? "" : "D:";
        std::string size = folder ? "" : "<" + d + "getcontentlength>" + std::to_string(files.at(path).size()) + "</" + d + "getcontentlength>";
        return "<" + d + "response><" + d + "href>" + href(path, folder) + "</" + d + "href><" + d + "propstat><" + d +
               "prop>" + size + "<" + d + "resourcetype>" + (folder ? "<" + d + "collection/>" : "") + "</" + d +
               "resourcetype></" + d + "prop><" + d + "status>HTTP/1.1 200 OK</" + d + "status></" + d + "propstat></" +
               d + "response>";
    }
    syncing::HttpResponse propfind(const std::string& path, bool depth1) {
        const bool folder = folders.count(path) > 0;
        if (!folder && !files.count(path)) return answer(404);
        std::string xml = default_namespace ? "<multistatus xmlns=\"DAV:\">" : "<D:multistatus xmlns:D=\"DAV:\">";
        xml += entry(path, folder);
        for (const auto& [p, bytes] : files)
            if (depth1 && folder && parent(p) == path) xml += entry(p, false);
        return answer(207, xml + (default_namespace ? "</multistatus>" : "</D:multistatus>"));
    }
    syncing::HttpResponse carry_out(const syncing::HttpRequest& r, fs::OutputFile* download) {
        const std::string path = decoded(r.path), m = r.method;
        auto header = [&](const char* name) {
            for (const auto& [k, v] : r.headers) if (k == name) return v;
            return std::string();
        };
        if (header("Authorization") != "Basic dXNlcjpwYXNz") return answer(401);
        if (m == "PROPFIND") return propfind(path, header("Depth") == "1");
        if (m == "MKCOL") return folders.count(path) ? answer(405) : !folders.count(parent(path)) ? answer(409) : (folders.insert(path), answer(201));
        if (m == "DELETE") return files.erase(path) ? answer(204) : answer(404);
        if (m == "GET" && files.count(path)) return download->write(files[path].data(), files[path].size()), answer(200);
        if (m == "PUT" && folders.count(parent(path))) {
            std::string bytes(r.upload->size(), '\0');
            r.upload->read_at(0, bytes.data(), bytes.size());
            return files[path] = bytes, answer(201);
        }
        if (m != "MOVE" || !files.count(path)) return answer(m == "PUT" ? 409 : 404);
        const std::string to = decoded(header("Destination").substr(header("Destination").find('/', 8)));
        if (files.count(to) && header("Overwrite") == "F") return answer(412);
        files[to] = files[path];
        files.erase(path);
        return answer(201);
    }
    syncing::HttpResponse send(const syncing::HttpRequest& r, uint64_t, fs::OutputFile* download) override {
        ++requests;
        std::optional<syncing::HttpResponse> faulty = fault ? fault(requests, r) : std::nullopt;
        if (!faulty) return carry_out(r, download);
        if (cut_after) carry_out(r, download);
        return *faulty;
    }
};
