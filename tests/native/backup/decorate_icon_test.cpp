// Icon bytes: the .ico made of an icon group, and the check every .ico passes before an icon
// reader sees it.
#include <gtest/gtest.h>

#include <map>

#include "backup/decorate_icon.h"

namespace {

std::string le(uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

const std::string kDib = le(40, 4) + std::string(60, 'd');       // 64 bytes
const std::string kPng = std::string("\x89PNG\r\n\x1a\n", 8) + "png";  // 11 bytes

// An .ico with the given images, their offsets and sizes as written unless overridden.
std::string ico(const std::vector<std::string>& images, uint32_t offset_shift = 0, uint32_t size_extra = 0) {
    std::string out = le(0, 2) + le(1, 2) + le(static_cast<uint32_t>(images.size()), 2);
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (const std::string& image : images) {
        out += std::string("\x20\x20\x00\x00", 4) + le(1, 2) + le(32, 2);
        out += le(static_cast<uint32_t>(image.size()) + size_extra, 4) + le(offset + offset_shift, 4);
        offset += static_cast<uint32_t>(image.size());
    }
    for (const std::string& image : images) out += image;
    return out;
}

struct SoundCase {
    const char* what;
    std::string bytes;
    bool sound;
};

class SoundIcons : public ::testing::TestWithParam<SoundCase> {};

TEST_P(SoundIcons, OnlyAWholeDirectoryOfPlausibleImagesIsSound) {
    EXPECT_EQ(backup::is_sound_icon(GetParam().bytes), GetParam().sound) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, SoundIcons,
    ::testing::Values(SoundCase{"a DIB", ico({kDib}), true}, SoundCase{"a PNG and a DIB", ico({kPng, kDib}), true},
                      SoundCase{"empty", "", false}, SoundCase{"header only", ico({}).substr(0, 5), false},
                      SoundCase{"no image", ico({}), false},
                      SoundCase{"a cursor file", std::string("\0\0\2\0", 4) + ico({kDib}).substr(4), false},
                      SoundCase{"reserved set", std::string("\1\0", 2) + ico({kDib}).substr(2), false},
                      SoundCase{"directory cut", ico({kDib, kDib}).substr(0, 30), false},
                      SoundCase{"image past the end", ico({kDib}, 0, 1), false},
                      SoundCase{"offset past the end", ico({kDib}, 1000), false},
                      SoundCase{"a DIB of 40 bytes", ico({le(40, 4) + std::string(36, 'd')}), false},
                      SoundCase{"neither DIB nor PNG", ico({std::string(64, 'x')}), false},
                      SoundCase{"a PNG cut short", ico({kPng.substr(0, 7)}), false}));

// An icon group resource: one 14-byte entry per image, naming the image's resource id.
std::string group(const std::vector<uint16_t>& ids, size_t count_extra = 0) {
    std::string out = le(0, 2) + le(1, 2) + le(static_cast<uint32_t>(ids.size() + count_extra), 2);
    for (uint16_t id : ids) out += std::string("\x20\x20\x00\x07", 4) + le(1, 2) + le(32, 2) + le(999, 4) + le(id, 2);
    return out;
}

TEST(IcoFromIconGroup, WritesThePlausibleImagesInOrderWithTheirOffsetsAndLeavesTheRestOut) {
    const std::map<uint16_t, std::string> resources = {{1, kDib}, {2, std::string(50, 'x')}, {3, kPng}};
    const auto image_of = [&](uint16_t id) -> std::optional<std::string> {
        auto it = resources.find(id);
        if (it == resources.end()) return std::nullopt;
        return it->second;
    };
    const std::string out = backup::ico_from_icon_group(group({1, 2, 9, 3}), image_of);
    EXPECT_EQ(out, ico({kDib, kPng}));  // reserved cleared, sizes and offsets of the images written
    EXPECT_TRUE(backup::is_sound_icon(out));
    EXPECT_EQ(backup::ico_from_icon_group(group({2, 9}), image_of), "");
    EXPECT_EQ(backup::ico_from_icon_group(group({1}, 1), image_of), "");  // says two, holds one
    EXPECT_EQ(backup::ico_from_icon_group(group({1}).substr(0, 5), image_of), "");
}

}  // namespace
