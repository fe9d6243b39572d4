#include <windows.h>
#include <shlobj.h>

#include "paths/files.h"
#include "paths/shell_link.h"

std::string shortcut_target(const std::string& lnk_path) {
    std::string target;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(files::to_wide(lnk_path).c_str(), STGM_READ))) {
            char path[MAX_PATH * 2] = {};
            if (link->GetPath(path, sizeof path, nullptr, 0) == S_OK) target = path;
        }
        file->Release();
    }
    link->Release();
    return target;
}
