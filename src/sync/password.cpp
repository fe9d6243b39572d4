#include "sync/password.h"

#include "config/ini_file.h"
#include "sync/base64.h"

namespace syncing {

bool save_password(fs::FileSystem& fs, SecretProtector& protector, const PasswordPlace& place,
                   const std::string& password) {
    std::optional<std::string> sealed;
    if (!password.empty() && !(sealed = protector.protect(password))) return false;
    return ini::update(fs, place.ini_path, [&](ini::Document& doc) {
        return sealed ? doc.set(place.section, place.key, encode_base64(*sealed))
                      : doc.remove_key(place.section, place.key);
    });
}

std::optional<std::string> load_password(fs::FileSystem& fs, SecretProtector& protector,
                                         const PasswordPlace& place) {
    const std::optional<std::string> text = ini::load(fs, place.ini_path)->value(place.section, place.key);
    const std::optional<std::string> sealed = text ? decode_base64(*text) : std::nullopt;
    if (!sealed || sealed->empty()) return std::nullopt;
    return protector.unprotect(*sealed);
}

}  // namespace syncing
