#include <windows.h>

#include <cstring>
#include <vector>

#include "backup/decorate.h"
#include "paths/files.h"

const char kDesktopIni[] =
    "[.ShellClassInfo]\r\nConfirmFileOp=0\r\nIconFile=image.ico\r\nIconIndex=0\r\nInfoTip=存档文件夹 by Varnoke\r\n";

namespace {

#pragma pack(push, 2)
struct GroupEntry {  // one image of an icon group resource
    BYTE width, height, colors, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
struct FileEntry {  // the same in an .ico file, with the image's offset
    BYTE width, height, colors, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    DWORD offset;
};
#pragma pack(pop)

struct Library {
    HMODULE h;
    explicit Library(const std::string& path)
        : h(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~Library() {
        if (h) FreeLibrary(h);
    }
};

bool resource_bytes(HMODULE h, LPCSTR name, LPCSTR type, const BYTE** data, DWORD* size) {
    HRSRC r = FindResourceA(h, name, type);
    HGLOBAL g = r ? LoadResource(h, r) : nullptr;
    *data = g ? static_cast<const BYTE*>(LockResource(g)) : nullptr;
    *size = r ? SizeofResource(h, r) : 0;
    return *data && *size;
}

// A resource is named by a number or by a string; a string may itself start with "#".
struct ResourceName {
    bool found = false;
    WORD id = 0;
    std::string text;
    LPCSTR get() const { return text.empty() ? MAKEINTRESOURCEA(id) : text.c_str(); }
};

BOOL CALLBACK take_first(HMODULE, LPCSTR, LPSTR name, LONG_PTR out) {
    auto* first = reinterpret_cast<ResourceName*>(out);
    first->found = true;
    if (IS_INTRESOURCE(name))
        first->id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    else
        first->text = name;
    return FALSE;
}

// An icon image is a BITMAPINFOHEADER-led DIB or a PNG; anything else would upset icon readers.
bool plausible_image(const BYTE* data, DWORD size) {
    static const BYTE png[] = {0x89, 'P', 'N', 'G'};
    if (size >= 8 && std::memcmp(data, png, 4) == 0) return true;
    return size > 40 && data[0] == 40 && data[1] == 0 && data[2] == 0 && data[3] == 0;
}

std::string build_ico(HMODULE h, const BYTE* group, DWORD group_size) {
    if (group_size < 6) return {};
    WORD count = *reinterpret_cast<const WORD*>(group + 4);
    if (6 + static_cast<DWORD>(count) * sizeof(GroupEntry) > group_size) return {};
    std::vector<FileEntry> entries;
    std::string images;
    for (WORD i = 0; i < count; ++i) {
        GroupEntry g;
        std::memcpy(&g, group + 6 + i * sizeof(GroupEntry), sizeof g);
        const BYTE* data;
        DWORD size;
        if (!resource_bytes(h, MAKEINTRESOURCEA(g.id), MAKEINTRESOURCEA(3) /* RT_ICON */, &data, &size) ||
            !plausible_image(data, size))
            continue;
        entries.push_back({g.width, g.height, g.colors, 0, g.planes, g.bit_count, size, 0});
        images.append(reinterpret_cast<const char*>(data), size);
    }
    if (entries.empty()) return {};
    WORD header[3] = {0, 1, static_cast<WORD>(entries.size())};
    DWORD offset = sizeof header + static_cast<DWORD>(entries.size() * sizeof(FileEntry));
    for (auto& e : entries) {
        e.offset = offset;
        offset += e.bytes;
    }
    std::string out(reinterpret_cast<const char*>(header), sizeof header);
    out.append(reinterpret_cast<const char*>(entries.data()), entries.size() * sizeof(FileEntry));
    return out + images;
}

}  // namespace

bool is_sound_icon_file(const std::string& path) {
    const std::string data = files::read_bytes(path, 16 << 20).value_or("");
    const auto* bytes = reinterpret_cast<const BYTE*>(data.data());
    if (data.size() < 6 || bytes[0] || bytes[1] || bytes[2] != 1 || bytes[3]) return false;
    const size_t count = bytes[4] | (bytes[5] << 8);
    if (count == 0 || 6 + count * sizeof(FileEntry) > data.size()) return false;
    for (size_t i = 0; i < count; ++i) {
        FileEntry e;
        std::memcpy(&e, bytes + 6 + i * sizeof(FileEntry), sizeof e);
        if (e.offset > data.size() || e.bytes > data.size() - e.offset || !plausible_image(bytes + e.offset, e.bytes))
            return false;
    }
    return true;
}

bool write_first_icon_group(const std::string& exe_path, const std::string& ico_path) {
    Library lib(exe_path);
    if (!lib.h) return false;
    ResourceName first;
    EnumResourceNamesA(lib.h, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, take_first,
                       reinterpret_cast<LONG_PTR>(&first));
    const BYTE* group;
    DWORD size;
    // A string name that starts with "#" reads as a number to the resource functions and may not
    // be found: then the program counts as one without an icon.
    if (!first.found || !resource_bytes(lib.h, first.get(), MAKEINTRESOURCEA(14), &group, &size)) return false;
    std::string ico = build_ico(lib.h, group, size);
    return !ico.empty() && files::write_bytes(ico_path, ico);
}

void decorate_backup_folder(const std::string& program_path, const std::string& folder) {
    if (!files::is_file(program_path)) return;
    if (!files::is_directory(folder)) {
        files::create_directory(folder);
        files::write_bytes(folder + "\\Desktop.ini", std::string(kDesktopIni, sizeof kDesktopIni - 1));
        files::set_attributes(folder, FILE_ATTRIBUTE_SYSTEM);
    }
    write_first_icon_group(program_path, folder + "image.ico");
}
