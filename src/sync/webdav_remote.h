#pragma once
// The remote on a WebDAV server (RFC 4918): PROPFIND for listings and sizes, PUT to a temporary
// name, MOVE with "Overwrite: F" to publish, MKCOL level by level, DELETE only for temporaries.
// Every request goes through the pacer; every answer is checked before it is believed.
#include <memory>
#include <string>
#include <vector>

#include "sync/dav_paths.h"
#include "sync/http.h"
#include "sync/pacing.h"
#include "sync/remote.h"

namespace syncing {

// Some servers stop a listing at this many entries without saying so.
constexpr std::size_t kListingCap = 750;

class WebDavRemote : public Remote {
   public:
    WebDavRemote(HttpTransport& transport, ServerAddress address, const std::string& user,
                 const std::string& password, PacingRules rules = {}, Clock clock = steady_clock(),
                 std::shared_ptr<PacingWindow> window = nullptr);
    // The same, owning its transport.
    WebDavRemote(std::unique_ptr<HttpTransport> transport, ServerAddress address, const std::string& user,
                 const std::string& password);

    Outcome check() override;
    Outcome make_project_folder(const std::string& project, bool* made = nullptr) override;
    Outcome list(const std::string& project, Listing* listing) override;
    Outcome size_of(const std::string& project, const std::string& name, uint64_t* size) override;
    Outcome upload(const std::string& project, const std::string& name, fs::InputFile& source) override;
    void small_upload_follows() override { close_after_next_upload_ = true; }
    Outcome download(const std::string& project, const std::string& name, uint64_t limit,
                     fs::OutputFile& sink) override;
    Outcome remove_temporary(const std::string& project, const std::string& name) override;

   private:
    struct Call {
        HttpResponse response;
        Outcome outcome;  // a failure of the exchange itself, or of an unexpected status
    };
    Call send(HttpRequest request, std::initializer_list<int> expected, uint64_t limit = 1 << 20,
              fs::OutputFile* download = nullptr);
    Call propfind(const std::vector<std::string>& segments, bool folder, const char* depth, uint64_t limit);
    Outcome make_folder(const std::vector<std::string>& segments, bool parent_made, bool* made = nullptr);
    Outcome publish(const std::string& project, const std::string& temp, const std::string& name,
                    uint64_t size, bool close_after);
    std::vector<std::string> folder_of(const std::string& project) const;
    std::vector<std::string> file_of(const std::string& project, const std::string& name) const;

    std::unique_ptr<HttpTransport> owned_transport_;
    HttpTransport& transport_;
    ServerAddress address_;
    std::string authorization_;
    Pacer pacer_;
    bool close_after_next_upload_ = false;
    bool close_next_request_ = false;
};

}  // namespace syncing
