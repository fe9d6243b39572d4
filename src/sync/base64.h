#pragma once
// Base64 (RFC 4648, with padding): HTTP Basic credentials and the protected password in an INI.
#include <optional>
#include <string>

namespace syncing {
std::string encode_base64(const std::string& bytes);
// nullopt for anything that is not canonical base64.
std::optional<std::string> decode_base64(const std::string& text);
}  // namespace syncing
