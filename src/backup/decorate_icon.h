#pragma once
// The bytes of icons: an executable's icon group made into an .ico file, and the check that an
// .ico file is sound before an icon reader sees it (some crash on anything else).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace backup {

// A BITMAPINFOHEADER-led DIB or a PNG: anything else would upset icon readers.
bool is_plausible_icon_image(const std::string& image);

// An .ico file whose directory and images are sound.
bool is_sound_icon(const std::string& ico);

// The .ico file of an icon group resource, with each of its images looked up by resource id;
// images that are missing or not plausible are left out. "" when none is left or the group is cut.
std::string ico_from_icon_group(const std::string& group,
                                const std::function<std::optional<std::string>(uint16_t id)>& image_of);

}  // namespace backup
