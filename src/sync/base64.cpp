#include "sync/base64.h"

#include <cstring>

namespace syncing {

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string encode_base64(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kAlphabet[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

std::optional<std::string> decode_base64(const std::string& text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        uint32_t v = 0;
        int pad = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            const char* at = c ? std::strchr(kAlphabet, c) : nullptr;
            if (c == '=' && i + 4 == text.size() && k >= 2)
                ++pad;
            else if (!at || pad)
                return std::nullopt;
            v = v << 6 | (at ? static_cast<uint32_t>(at - kAlphabet) : 0);
        }
        for (int k = 0; k < 3 - pad; ++k) out += static_cast<char>((v >> (16 - 8 * k)) & 0xff);
    }
    if (encode_base64(out) != text) return std::nullopt;
    return out;
}

}  // namespace syncing
