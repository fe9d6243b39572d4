#pragma once
// The server password, kept per machine: encrypted with the key of the Windows user
// (CryptProtectData), then base64 in one INI value. Never in plain text in any file, never in the
// log; only this machine's user can read it back.
#include <optional>
#include <string>

#include "fs/file_system.h"

namespace syncing {

// The seam to the system's protection of secrets.
class SecretProtector {
   public:
    virtual ~SecretProtector() = default;
    virtual std::optional<std::string> protect(const std::string& secret) = 0;
    virtual std::optional<std::string> unprotect(const std::string& sealed) = 0;
};
// Windows' own, bound to the user who runs the tool.
SecretProtector& user_secret_protector();

// Where the password goes in an INI file (UTF-8 path on the file-system port).
struct PasswordPlace {
    std::string ini_path;
    std::string section = "同步";
    std::string key = "密码";
};

// An empty password removes the value. False when it could not be protected or written.
bool save_password(fs::FileSystem& fs, SecretProtector& protector, const PasswordPlace& place,
                   const std::string& password);
// nullopt when there is none, or it cannot be read back here (another user, another machine).
std::optional<std::string> load_password(fs::FileSystem& fs, SecretProtector& protector,
                                         const PasswordPlace& place);

}  // namespace syncing
