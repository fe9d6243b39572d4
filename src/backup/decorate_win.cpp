#include <windows.h>

#include "backup/decorate.h"
#include "backup/decorate_icon.h"
#include "fs/file_system.h"

namespace backup {

const char kDesktopIni[] =
    "[.ShellClassInfo]\r\nConfirmFileOp=0\r\nIconFile=image.ico\r\nIconIndex=0\r\nInfoTip=存档文件夹 by Varnoke\r\n";

namespace {

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

std::string ico_of_group(HMODULE h, const BYTE* group, DWORD group_size) {
    return ico_from_icon_group(std::string(reinterpret_cast<const char*>(group), group_size),
                               [h](uint16_t id) -> std::optional<std::string> {
                                   const BYTE* data;
                                   DWORD size;
                                   if (!resource_bytes(h, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3) /* RT_ICON */,
                                                       &data, &size))
                                       return std::nullopt;
                                   return std::string(reinterpret_cast<const char*>(data), size);
                               });
}

}  // namespace

bool is_sound_icon_file(fs::FileSystem& fs, const std::string& path) {
    return is_sound_icon(fs::read_whole_file(fs, path, 16 << 20).value_or(""));
}

bool write_first_icon_group(fs::FileSystem& fs, const std::string& exe_path, const std::string& ico_path) {
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
    std::string ico = ico_of_group(lib.h, group, size);
    return !ico.empty() && fs::write_file_atomically(fs, ico_path, ico);
}

// Explorer shows a folder's Desktop.ini only when the folder is marked as a system folder.
void decorate_backup_folder(fs::FileSystem& fs, const std::string& program_path, const std::string& dir) {
    if (dir.empty()) return;
    fs::DirEntry program;
    if (!fs.stat(fs::path_of(program_path), &program) || program.is_dir) return;
    bool made = false;
    if (!fs.is_folder(dir) && fs.make_dir(dir, &made)) {
        fs::write_file_atomically(fs, fs::join_path(dir, "Desktop.ini"), std::string(kDesktopIni, sizeof kDesktopIni - 1));
        fs::FileState state;
        if (fs.get_state(dir, &state)) {
            state.attributes |= FILE_ATTRIBUTE_SYSTEM;
            fs.set_state(dir, state);
        }
    }
    write_first_icon_group(fs, program_path, fs::join_path(dir, "image.ico"));
}

}  // namespace backup
