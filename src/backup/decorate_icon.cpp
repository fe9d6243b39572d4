#include "backup/decorate_icon.h"

#include <vector>

namespace backup {

namespace {

// Little-endian fields of the icon directory (6 bytes) and its entries: 14 bytes in a group
// resource (ending in the image's resource id), 16 in an .ico file (ending in the image's offset).
constexpr size_t kHeader = 6, kGroupEntry = 14, kFileEntry = 16;

uint32_t le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

void put_le(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

bool is_plausible_icon_image(const std::string& image) {
    if (image.size() >= 8 && image.compare(0, 4, "\x89PNG") == 0) return true;
    return image.size() > 40 && le(image, 0, 4) == 40;
}

bool is_sound_icon(const std::string& ico) {
    if (ico.size() < kHeader || le(ico, 0, 2) != 0 || le(ico, 2, 2) != 1) return false;
    const size_t count = le(ico, 4, 2);
    if (count == 0 || kHeader + count * kFileEntry > ico.size()) return false;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = kHeader + i * kFileEntry;
        const size_t bytes = le(ico, entry + 8, 4), offset = le(ico, entry + 12, 4);
        if (offset > ico.size() || bytes > ico.size() - offset || !is_plausible_icon_image(ico.substr(offset, bytes)))
            return false;
    }
    return true;
}

std::string ico_from_icon_group(const std::string& group,
                                const std::function<std::optional<std::string>(uint16_t id)>& image_of) {
    if (group.size() < kHeader) return {};
    const size_t count = le(group, 4, 2);
    if (kHeader + count * kGroupEntry > group.size()) return {};
    std::vector<std::string> entries;  // the first 12 bytes of each file entry, offset to follow
    std::string images;
    std::vector<uint32_t> sizes;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = kHeader + i * kGroupEntry;
        std::optional<std::string> image = image_of(static_cast<uint16_t>(le(group, entry + 12, 2)));
        if (!image || !is_plausible_icon_image(*image)) continue;
        std::string e = group.substr(entry, 8);  // width, height, colours, reserved, planes, bit count
        e[3] = 0;
        put_le(e, static_cast<uint32_t>(image->size()), 4);
        entries.push_back(e);
        images += *image;
    }
    if (entries.empty()) return {};
    std::string out;
    put_le(out, 0, 2);
    put_le(out, 1, 2);
    put_le(out, static_cast<uint32_t>(entries.size()), 2);
    uint32_t offset = static_cast<uint32_t>(kHeader + entries.size() * kFileEntry);
    for (const std::string& e : entries) {
        out += e;
        put_le(out, offset, 4);
        offset += le(e, 8, 4);
    }
    return out + images;
}

}  // namespace backup
