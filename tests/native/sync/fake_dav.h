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
    bool default_namespace = false, absolute_hrefs = false, head_without_length = false;
    std::size_t cap = 100000;
    int requests = 0;
    // Before request `requests`: an answer instead of the server's, or nothing.
    std::function<std::optional<syncing::HttpResponse>(int, const syncing::HttpRequest&)> fault;

    static syncing::HttpResponse answer(int status, std::string body = "") {
        return {{}, "", status, std::move(body), {}};
    }
    static std::string decoded(std::string path) {
        if (path.size() > 1 && path.back() == '/') path.pop_back();
        return syncing::percent_decode(path).value_or("?");
    }
    static std::string parent(const std::string& p) { return p.substr(0, p.rfind('/')); }
    std::string href(const std::string& path, bool folder) const {
        std::string out = absolute_hrefs ? "http://h:80" : "";
        for (unsigned char c : path)
            out += c < 0x80 && c != ' ' ? std::string(1, char(c))
                                        : std::string{'%', "0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
        return out + (folder ? "/" : "");
    }
    std::string element(const std::string& name, const std::string& inner) const {
        const std::string d = default_namespace ? "" : "D:";
        return "<" + d + name + ">" + inner + "</" + d + name + ">";
    }
    std::string entry(const std::string& path, bool folder) const {
        std::string props = element("resourcetype", folder ? element("collection", "") : "");
        if (!folder) props += element("getcontentlength", std::to_string(files.at(path).size()));
        const std::string status = element("status", "HTTP/1.1 200 OK");
        return element("response", element("href", href(path, folder)) + element("propstat", element("prop", props) + status));
    }
    // A listing stops after `cap` entries, as some servers' do.
    syncing::HttpResponse propfind(const std::string& path, bool depth1) {
        const bool folder = folders.count(path) > 0;
        if (!folder && !files.count(path)) return answer(404);
        std::string xml = entry(path, folder);
        std::size_t listed = 1;
        for (const auto& [p, bytes] : files)
            if (depth1 && folder && parent(p) == path && listed++ < cap) xml += entry(p, false);
        const std::string xmlns = default_namespace ? " xmlns=\"DAV:\"" : " xmlns:D=\"DAV:\"";
        return answer(207, element("multistatus", xml).insert(default_namespace ? 12 : 14, xmlns));
    }
    syncing::HttpResponse carry_out(const syncing::HttpRequest& r, fs::OutputFile* download) {
        const std::string path = decoded(r.path), m = r.method;
        auto header = [&](const char* name) {
            for (const auto& [k, v] : r.headers) if (k == name) return v;
            return std::string();
        };
        if (header("Authorization") != "Basic dXNlcjpwYXNz") return answer(401);
        if (m == "PROPFIND") return propfind(path, header("Depth") == "1");
        if (m == "MKCOL" && folders.count(path)) return answer(405);
        if (m == "MKCOL") return folders.count(parent(path)) ? (folders.insert(path), answer(201)) : answer(409);
        if (m == "DELETE") return files.erase(path) ? answer(204) : answer(404);
        auto file = files.find(path);
        if (m == "HEAD" && file != files.end()) {
            syncing::HttpResponse found = answer(200);
            if (!head_without_length) found.headers = {{"Content-Length", std::to_string(file->second.size())}};
            return found;
        }
        if (m == "GET" && file != files.end())
            return download->write(file->second.data(), file->second.size()), answer(200);
        if (m == "PUT" && folders.count(parent(path))) {
            std::string put(r.upload->size(), '\0');
            r.upload->read_at(0, put.data(), put.size());
            return files[path] = put, answer(201);
        }
        if (m != "MOVE" || !files.count(path)) return answer(m == "PUT" ? 409 : 404);
        const std::string to = decoded(header("Destination").substr(header("Destination").find('/', 8)));
        if (files.count(to) && header("Overwrite") == "F") return answer(412);
        return files[to] = files[path], files.erase(path), answer(201);
    }
    syncing::HttpResponse send(const syncing::HttpRequest& r, uint64_t, fs::OutputFile* download) override {
        std::optional<syncing::HttpResponse> faulty = fault ? fault(++requests, r) : (++requests, std::nullopt);
        return faulty ? *faulty : carry_out(r, download);
    }
};
