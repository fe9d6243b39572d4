#include "fs/case_fold.h"

#include <cstdint>

#include "fs/file_names.h"

namespace fs {

namespace {

// Lower-case letters and what Windows makes of them: each code point from `first` to `last` (every
// second one where step is 2, for alphabets that alternate upper and lower case) moves by `delta`.
struct FoldRange {
    uint32_t first, last;
    int32_t delta;
    uint32_t step;
};

constexpr FoldRange kFolds[] = {
    {'a', 'z', -32, 1},       {0xe0, 0xf6, -32, 1},     {0xf8, 0xfe, -32, 1},     {0xff, 0xff, 0x79, 1},
    {0x101, 0x12f, -1, 2},    {0x133, 0x137, -1, 2},    {0x13a, 0x148, -1, 2},    {0x14b, 0x177, -1, 2},
    {0x17a, 0x17e, -1, 2},    {0x183, 0x185, -1, 2},    {0x188, 0x188, -1, 1},    {0x18c, 0x18c, -1, 1},
    {0x192, 0x192, -1, 1},    {0x199, 0x199, -1, 1},    {0x1a1, 0x1a5, -1, 2},    {0x1a8, 0x1a8, -1, 1},
    {0x1ad, 0x1ad, -1, 1},    {0x1b0, 0x1b0, -1, 1},    {0x1b4, 0x1b6, -1, 2},    {0x1b9, 0x1b9, -1, 1},
    {0x1bd, 0x1bd, -1, 1},    {0x1c5, 0x1c5, -1, 1},    {0x1c6, 0x1c6, -2, 1},    {0x1c8, 0x1c8, -1, 1},
    {0x1c9, 0x1c9, -2, 1},    {0x1cb, 0x1cb, -1, 1},    {0x1cc, 0x1cc, -2, 1},    {0x1ce, 0x1dc, -1, 2},
    {0x1df, 0x1ef, -1, 2},    {0x1f2, 0x1f2, -1, 1},    {0x1f3, 0x1f3, -2, 1},    {0x1f5, 0x1f5, -1, 1},
    {0x1f9, 0x21f, -1, 2},    {0x223, 0x233, -1, 2},    {0x247, 0x24f, -1, 2},    {0x3ac, 0x3ac, -38, 1},
    {0x3ad, 0x3af, -37, 1},   {0x3b1, 0x3c1, -32, 1},   {0x3c2, 0x3c2, -31, 1},   {0x3c3, 0x3cb, -32, 1},
    {0x3cc, 0x3cc, -64, 1},   {0x3cd, 0x3ce, -63, 1},   {0x3d9, 0x3ef, -1, 2},    {0x430, 0x44f, -32, 1},
    {0x450, 0x45f, -80, 1},   {0x461, 0x481, -1, 2},    {0x48b, 0x4bf, -1, 2},    {0x4c2, 0x4ce, -1, 2},
    {0x4cf, 0x4cf, -15, 1},   {0x4d1, 0x52f, -1, 2},    {0xff41, 0xff5a, -32, 1},
};

uint32_t upper(uint32_t cp) {
    for (const FoldRange& r : kFolds)
        if (cp >= r.first && cp <= r.last && (cp - r.first) % r.step == 0) return cp + r.delta;
    return cp;
}

// One code point from well-formed UTF-8.
uint32_t decode(const std::string& text, std::size_t* i) {
    const auto lead = static_cast<unsigned char>(text[*i]);
    const std::size_t len = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
    uint32_t cp = len == 1 ? lead : lead & (0x7f >> len);
    for (std::size_t k = 1; k < len; ++k) cp = cp << 6 | (static_cast<unsigned char>(text[*i + k]) & 0x3f);
    *i += len;
    return cp;
}

void encode(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xc0 | cp >> 6);
        *out += static_cast<char>(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xe0 | cp >> 12);
        *out += static_cast<char>(0x80 | (cp >> 6 & 0x3f));
        *out += static_cast<char>(0x80 | (cp & 0x3f));
    } else {
        *out += static_cast<char>(0xf0 | cp >> 18);
        *out += static_cast<char>(0x80 | (cp >> 12 & 0x3f));
        *out += static_cast<char>(0x80 | (cp >> 6 & 0x3f));
        *out += static_cast<char>(0x80 | (cp & 0x3f));
    }
}

}  // namespace

std::string fold_case(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    if (!is_valid_utf8(name)) {
        for (char c : name) out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        return out;
    }
    for (std::size_t i = 0; i < name.size();) encode(upper(decode(name, &i)), &out);
    return out;
}

}  // namespace fs
