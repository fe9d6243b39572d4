#include <gtest/gtest.h>

#include "fake_dav.h"
#include "sync/multistatus.h"
#include "sync/webdav_remote.h"

using namespace syncing;

namespace {

const std::string kProject = u8"存档 (1)";

TEST(DavPaths, AddressesAndSegments) {
    std::string reason;
    auto a = parse_address(u8"HTTPS://dav.example.com/dav/%e6%88%91%E7%9A%84/", &reason);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->https);
    EXPECT_EQ(a->port, 443);
    EXPECT_EQ(a->root, (std::vector<std::string>{"dav", u8"我的"}));
    EXPECT_EQ(parse_address("http://[::1]:8080", &reason)->port, 8080);
    for (const char* bad : {"ftp://x/", "http://u:p@x/", "http://x:0/", "http://x:99999/", "http://x/a/../b",
                            "http:///a",
                            "http://x/%zz/", "http://x/\xb4\xe6/"})
        EXPECT_FALSE(parse_address(bad, &reason)) << bad;
    EXPECT_EQ(encode_path({"dav", u8"存档 (1)", "a~b.zip"}, false), "/dav/%E5%AD%98%E6%A1%A3%20%281%29/a~b.zip");
    EXPECT_EQ(encode_path({"a"}, true), "/a/");
}

TEST(DavPaths, HrefsOfAListing) {
    const std::vector<std::string> folder{"dav", "Varnoke", kProject};
    const std::pair<const char*, const char*> cases[] = {
        {"/dav/Varnoke/%e5%ad%98%e6%a1%a3%20(1)/x.zip", "x.zip"},
        {"https://h:443/dav/varnoke/%E5%AD%98%E6%A1%A3%20%281%29/x%2Ezip", "x.zip"},
        {"/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/y", "y"},          // a server that leaves the root out
        {"/dav/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/", ""},        // the folder itself
        {"/dav/Varnoke/other/x.zip", nullptr},
        {"/dav/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/sub/x.zip", nullptr},
        {"/dav/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/../x.zip", nullptr},
        {"/dav/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/a%2Fb", nullptr},
        {"/dav/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/a%5Cb", nullptr},
        {"/dav/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/%", nullptr},
        {"dav/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/x", nullptr},
        {"/dav/Varnoke/%E5%AD%98%E6%A1%A3%20(1)/x?y", nullptr},
    };
    for (const auto& [href, name] : cases) {
        EXPECT_EQ(name_in_folder(href, folder, 1).value_or("(none)"), name ? name : "(none)") << href;
    }
}

std::string wrap(const std::string& inner, const char* open = "<D:multistatus xmlns:D=\"DAV:\">",
                 const char* close = "</D:multistatus>") {
    return std::string("<?xml version=\"1.0\"?>\n<!-- listing -->") + open + inner + close;
}

TEST(Multistatus, PrefixesAreResolvedNotMatched) {
    const std::string file = "<href>/a/x%20y.zip</href><propstat><prop><getcontentlength>12</getcontentlength>"
                             "<getlastmodified>Thu, 10 Dec 2026 04:34:54 GMT</getlastmodified>"
                             "<resourcetype/></prop>"
                             "<status>HTTP/1.1 200 OK</status></propstat>";
    const std::string folder = "<href>/a/</href><propstat><prop><resourcetype><collection/></resourcetype></prop>"
                               "<status>HTTP/1.1 200 OK</status></propstat>";
    auto prefixed = [](std::string xml, const std::string& p) {
        for (std::size_t at = 0; (at = xml.find('<', at)) != std::string::npos; at += 1 + p.size())
            xml.insert(at + (xml[at + 1] == '/' ? 2 : 1), p);
        return xml;
    };
    const std::string body = "<response>" + folder + "</response><response>" + file + "</response>";
    const std::string documents[] = {
        wrap(prefixed(body, "D:")),
        // another namespace's "response" is not DAV's
        wrap(prefixed(body, "d:") + "<x:response><x:href>/b</x:href></x:response>",
             "<d:multistatus xmlns:d=\"DAV:\" xmlns:x=\"urn:x\">", "</d:multistatus>"),
        wrap(body, "<multistatus xmlns=\"DAV:\">", "</multistatus>"),
        wrap("<D:response xmlns:lp1=\"DAV:\">" + prefixed(folder, "lp1:") + "</D:response><D:response>" +
             prefixed(file, "D:") + "<D:propstat><D:prop><D:getcontentlength>99</D:getcontentlength></D:prop>"
             "<D:status>HTTP/1.1 404 Not Found</D:status></D:propstat></D:response>"),
    };
    for (const std::string& xml : documents) {
        std::string reason;
        auto entries = parse_multistatus(xml, 10, &reason);
        ASSERT_TRUE(entries) << reason << "\n" << xml;
        ASSERT_EQ(entries->size(), 2u) << xml;
        EXPECT_TRUE((*entries)[0].is_folder);
        EXPECT_EQ((*entries)[1].href, "/a/x%20y.zip");
        EXPECT_EQ((*entries)[1].size, 12u);
        EXPECT_EQ((*entries)[1].mtime, 1796877294);
    }
}

TEST(Multistatus, HostileDocumentsAreRefusedWithAReason) {
    const std::string entry = "<D:response><D:href>/a</D:href></D:response>";
    const std::string documents[] = {
        wrap(entry).substr(0, 60),  // cut short
        wrap(entry, "<D:multistatus xmlns:D=\"DAV:\">", ""),
        wrap("<D:response><D:href>/a</D:response>"),
        "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" + wrap(entry),
        wrap(entry + entry + entry),  // more entries than allowed
        wrap("<D:response><D:href>/a</D:href><D:propstat><D:prop><D:getcontentlength>-1</D:getcontentlength>"
             "</D:prop></D:propstat></D:response>"),
        wrap("<E:response>", "<D:multistatus xmlns:D=\"DAV:\">", "</E:response></D:multistatus>"),
        wrap("<D:response><D:href>&bogus;</D:href></D:response>"),
        "<html><body>502 Bad Gateway</body></html>",
        "",
    };
    for (const std::string& xml : documents) {
        std::string reason;
        EXPECT_FALSE(parse_multistatus(xml, 2, &reason)) << xml;
        EXPECT_FALSE(reason.empty()) << xml;
    }
}

struct FakeClock {
    int64_t now = 0, slept = 0;
    Clock clock() {
        return {[this] { return now; }, [this](int64_t ms) { now += ms, slept += ms; }};
    }
};

TEST(Pacing, WindowAndBackOff) {
    FakeClock time;
    FakeDav dav;
    PacingRules rules{3, 1000, 2, 10, 5000};
    Pacer pacer(rules, time.clock());
    const HttpRequest mkcol{"MKCOL", "/dav/a/", {{"Authorization", "Basic dXNlcjpwYXNz"}}, ""};
    bool gave_up = false;
    for (int i = 0; i < 4; ++i) pacer.send(dav, mkcol, 1000, nullptr, &gave_up);
    EXPECT_EQ(time.slept, 1000);  // the fourth waited for the first to leave the window
    std::shared_ptr<PacingWindow> account = std::make_shared<PacingWindow>();
    Pacer uploads(rules, time.clock(), account), listing(rules, time.clock(), account);
    for (Pacer* p : {&uploads, &listing, &uploads, &listing}) p->send(dav, mkcol, 1000, nullptr, &gave_up);
    EXPECT_EQ(time.slept, 2000);  // two Pacers of one account share its window
    struct Case { int status; const char* body; int tries; };
    for (const Case& c : {Case{503, "", 3}, Case{429, "", 3},
                          Case{401, "<s:exception>BlockedTemporarily</s:exception>", 3},
                          Case{401, "", 1}, Case{404, "", 1}}) {
        dav.requests = 0;
        dav.fault = [&](int, const HttpRequest&) { return FakeDav::answer(c.status, c.body); };
        Pacer fresh(rules, time.clock());
        EXPECT_EQ(fresh.send(dav, mkcol, 1000, nullptr, &gave_up).status, c.status);
        EXPECT_EQ(dav.requests, c.tries) << c.status << c.body;
    }
    dav.fault = [&](int, const HttpRequest&) { return HttpResponse{{}, "", 503, "", {{"retry-after", "3600"}}}; };
    Pacer patient(rules, time.clock());
    patient.send(dav, mkcol, 1000, nullptr, &gave_up);
    EXPECT_TRUE(gave_up);  // an hour is longer than a call may wait
}

struct WebDav : ::testing::Test {
    FakeDav dav;
    FakeClock time;
    ServerAddress address{false, "h", 80, {"dav", u8"我的"}};
    WebDavRemote remote{dav, address, "user", "pass", PacingRules{}, time.clock()};
    fs::MemoryFileSystem local;
    std::unique_ptr<fs::InputFile> input(const std::string& bytes) {
        local.add_file("/in", bytes);
        return local.open_read("/in");
    }
};

TEST_F(WebDav, ChecksMakesUploadsListsAndDownloads) {
    ASSERT_TRUE(remote.check());  // the root folder was missing: made, and Varnoke below it
    EXPECT_TRUE(dav.folders.count(u8"/dav/我的/Varnoke"));
    ASSERT_TRUE(remote.make_project_folder(kProject));
    ASSERT_TRUE(remote.upload(kProject, u8"甲.zip", *input("12345")));
    dav.absolute_hrefs = dav.default_namespace = true;
    Listing listing;
    ASSERT_TRUE(remote.list(kProject, &listing));
    ASSERT_EQ(listing.files.size(), 1u);  // no temporary left
    EXPECT_EQ(listing.files[0].name, u8"甲.zip");
    EXPECT_EQ(listing.files[0].size, 5u);
    auto out = local.create_new("/out");
    ASSERT_TRUE(remote.download(kProject, u8"甲.zip", 100, *out));
    EXPECT_EQ(*local.nodes().at("/out").data, "12345");
    // Never overwritten: a different file under the name is refused, the same one counts as done.
    EXPECT_EQ(remote.upload(kProject, u8"甲.zip", *input("longer")).failure, Failure::exists);
    dav.head_without_length = true;  // the size then comes from PROPFIND
    EXPECT_TRUE(remote.upload(kProject, u8"甲.zip", *input("54321")));
    EXPECT_EQ(dav.files.at(u8"/dav/我的/Varnoke/" + kProject + u8"/甲.zip"), "12345");
    EXPECT_EQ(remote.remove_temporary(kProject, u8"甲.zip").failure, Failure::local);
    EXPECT_EQ(dav.files.size(), 1u);
}

TEST_F(WebDav, FailuresAreToldApart) {
    using E = HttpResponse::Error;
    struct Case { E error; int status; const char* body; Failure failure; };
    for (const Case& c : {Case{E::unreachable, 0, "", Failure::unreachable},
                          Case{E::certificate, 0, "", Failure::certificate},
                          Case{E::cut, 0, "", Failure::unreachable}, Case{E::none, 401, "", Failure::credentials},
                          Case{E::none, 401, "BlockedTemporarily", Failure::throttled},
                          Case{E::none, 503, "", Failure::throttled}, Case{E::none, 403, "", Failure::folder}}) {
        dav.fault = [&](int, const HttpRequest& r) -> std::optional<HttpResponse> {
            if (c.status == 403 && r.method != "MKCOL") return std::nullopt;
            HttpResponse response = FakeDav::answer(c.status, c.body);
            response.error = c.error;
            return response;
        };
        Outcome o = remote.check();
        EXPECT_EQ(o.failure, c.failure) << o.reason;
        EXPECT_FALSE(o.reason.empty());
    }
    dav.fault = nullptr;
    Listing listing;
    EXPECT_TRUE(remote.list("none", &listing) && listing.files.empty());  // a project without a folder yet
}

}  // namespace
