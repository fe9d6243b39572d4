#include "sync/folder_remote.h"

#include <vector>

#include "fs/file_names.h"

namespace syncing {

namespace {
constexpr std::size_t kMaxEntries = 20000;
}

bool copy_file_data(fs::InputFile& source, fs::OutputFile& sink) {
    std::vector<char> buffer(1 << 20);
    const uint64_t size = source.size();
    for (uint64_t at = 0; at < size;) {
        const int64_t got = source.read_at(at, buffer.data(), buffer.size());
        if (got <= 0 || !sink.write(buffer.data(), static_cast<std::size_t>(got))) return false;
        at += static_cast<uint64_t>(got);
    }
    return true;
}

std::string FolderRemote::folder_of(const std::string& project) const {
    const std::string app = fs::join_path(root_, kAppFolder);
    return project.empty() ? app : fs::join_path(app, project);
}

Outcome FolderRemote::check() {
    if (!fs_.is_folder(root_)) return fail(Failure::folder, "文件夹不存在或无法访问：" + fs::shown(root_));
    return make_project_folder("");
}

Outcome FolderRemote::make_project_folder(const std::string& project, bool* made) {
    if (!project.empty() && !is_safe_name(project)) return fail(Failure::local, "项目名不能用作文件夹名");
    if (made) *made = !fs_.is_folder(folder_of(project));
    if (!fs_.is_folder(root_) || !fs::make_dirs(fs_, folder_of(project)))
        return fail(Failure::folder, "无法建立文件夹：" + fs::shown(folder_of(project)));
    return {};
}

Outcome FolderRemote::list(const std::string& project, Listing* listing) {
    *listing = Listing{};
    std::vector<fs::DirEntry> entries;
    if (!fs_.list_dir(folder_of(project), &entries)) {
        if (fs_.is_folder(root_)) return {};  // the project has no folder yet
        return fail(Failure::unreachable, "无法访问文件夹：" + fs::shown(root_));
    }
    if (entries.size() > kMaxEntries) return fail(Failure::garbled, "文件夹中的文件过多");
    for (const fs::DirEntry& e : entries)
        if (!e.is_dir && !e.is_link && is_safe_name(e.name))
            listing->files.push_back({e.name, e.size, e.mtime});
    return {};
}

Outcome FolderRemote::size_of(const std::string& project, const std::string& name, uint64_t* size) {
    fs::DirEntry info;
    if (!is_safe_name(name) || !fs_.stat(fs::join_path(folder_of(project), name), &info) || info.is_dir)
        return fail(Failure::refused, "");
    *size = info.size;
    return {};
}

Outcome FolderRemote::upload(const std::string& project, const std::string& name, fs::InputFile& source) {
    if (Outcome named = name_to_publish(name); !named) return named;
    const std::string path = fs::join_path(folder_of(project), name);
    const std::string temp = fs::sibling_temp_path(path);
    std::unique_ptr<fs::OutputFile> out = fs_.create_new(temp);
    if (!out) return fail(Failure::unreachable, "无法在文件夹中写入：" + fs::shown(folder_of(project)));
    const bool written = copy_file_data(source, *out) && out->close(fs::kKeepTime, true);
    out.reset();
    Outcome published = written ? publish(temp, path, source.size())
                                : fail(Failure::unreachable, "写入中断：" + fs::shown(path));
    fs_.remove_file(temp);  // gone after a publish; what a failed one left
    return published;
}

Outcome FolderRemote::publish(const std::string& temp, const std::string& path, uint64_t size) {
    const bool moved = fs_.rename(temp, path);
    fs::DirEntry info;
    if (!fs_.stat(path, &info)) return fail(Failure::unreachable, "无法发布：" + fs::shown(path));
    if (info.size == size && !info.is_dir) return {};
    return moved ? fail(Failure::refused, "发布后的大小不符：" + fs::shown(path))
                 : fail(Failure::exists, "已有另一个同名文件，未覆盖：" + fs::shown(path));
}

Outcome FolderRemote::download(const std::string& project, const std::string& name, uint64_t limit,
                               fs::OutputFile& sink) {
    std::unique_ptr<fs::InputFile> in =
        is_safe_name(name) ? fs_.open_read(fs::join_path(folder_of(project), name)) : nullptr;
    if (!in) return fail(Failure::refused, "无法读取：" + fs::shown_name(name));
    if (in->size() > std::min(limit, kMaxFileSize))
        return fail(Failure::garbled, "文件超出上限：" + fs::shown_name(name));
    return copy_file_data(*in, sink) ? Outcome{} : fail(Failure::local, "复制中断：" + fs::shown_name(name));
}

Outcome FolderRemote::remove_temporary(const std::string& project, const std::string& name) {
    if (Outcome named = name_of_temporary(name); !named) return named;
    const std::string path = fs::join_path(folder_of(project), name);
    return fs_.remove_file(path) || !fs_.exists(path)
               ? Outcome{}
               : fail(Failure::local, "无法删除：" + fs::shown_name(name));
}

}  // namespace syncing
