#include "ui/path_fix_offer.h"

#include "paths/folders_win.h"
#include "ui/prompt.h"

namespace {

std::optional<PathFix> picked_in_place_of(const std::string& folder) {
    BrowseFolderRequest r;
    r.title = "选择代替 " + folder + " 的文件夹：";
    r.include_files = false;
    const std::optional<std::string> chosen = prompt().browse_folder(r);
    if (!chosen || chosen->empty()) return std::nullopt;
    return PathFix{folder, *chosen};
}

}  // namespace

std::optional<PathFix> ask_for_path_fix(const PathTrouble& trouble) {
    if (trouble.kind == PathTrouble::other_user && !trouble.suggested.empty()) {
        const std::string ask = "项目的路径在其他用户的文件夹下：\r\n" + trouble.folder +
                                "\r\n\r\n是否改用本机用户的文件夹？\r\n" + trouble.suggested +
                                "\r\n\r\n选 [否] 自己选择一个文件夹代替它。本机记住这个选择，项目列表不变。";
        if (show_message(ask, mb::kYesNo | mb::kIconQuestion) == mb::kIdYes) return PathFix{trouble.folder, trouble.suggested};
        return picked_in_place_of(trouble.folder);
    }
    if (trouble.kind == PathTrouble::none) return std::nullopt;
    const std::string ask = "项目的路径在 " + trouble.folder + " 下，本机找不到它。\r\n\r\n是否选择一个文件夹代替 " +
                            trouble.folder + "？本机记住这个选择，项目列表不变。";
    if (show_message(ask, mb::kYesNo | mb::kIconQuestion) != mb::kIdYes) return std::nullopt;
    return picked_in_place_of(trouble.folder);
}

std::string with_token_form_offered(const std::string& stored) {
    const std::string travelling = travelling_form(stored, system_folders());
    if (travelling.empty()) return stored;
    const std::string ask = "存档路径在本机用户的文件夹下，换了电脑或用户就找不到了。\r\n\r\n是否改存为：\r\n" +
                            travelling + "\r\n\r\n（在任何电脑上都指向当前用户的同一个文件夹）";
    return show_message(ask, mb::kYesNo | mb::kIconQuestion) == mb::kIdYes ? travelling : stored;
}
