#include "backup/restore_journal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "backup/zip/names.h"
#include "fs/file_names.h"

namespace backup {

namespace {

constexpr const char* kHeader = "Varnoke 恢复记录";
constexpr std::size_t kMaxJournal = 64 << 20;

// A path in the ANSI code page when it survives the trip there and back; otherwise "~" and its
// bytes escaped. Tabs, line ends, "%" and a leading "~" are escaped either way.
std::string encode(const std::string& path) {
    std::string ansi = fs::shown(path);
    const bool plain = fs::path_of(ansi) == path;
    const std::string& bytes = plain ? ansi : path;
    std::string out = plain ? "" : "~";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        bool escape = c == '%' || c == '\t' || c == '\r' || c == '\n' || (i == 0 && c == '~') || (!plain && c >= 0x80);
        if (plain && c >= 0x80 && i + 1 < bytes.size()) {  // a GBK character: its trail byte is no tab or '%'
            out += bytes.substr(i, 2);
            ++i;
            continue;
        }
        if (!escape) {
            out += static_cast<char>(c);
            continue;
        }
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        out += hex;
    }
    return out;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool decode(const std::string& text, std::string* path) {
    const bool plain = text.empty() || text[0] != '~';
    std::string bytes;
    for (std::size_t i = plain ? 0 : 1; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (plain && c >= 0x80 && i + 1 < text.size()) {
            bytes += text.substr(i, 2);
            ++i;
        } else if (c == '%') {
            if (i + 2 >= text.size() || hex_value(text[i + 1]) < 0 || hex_value(text[i + 2]) < 0) return false;
            bytes += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            bytes += static_cast<char>(c);
        }
    }
    // Records of earlier versions may spell a folder with '\\': every path is read back in one form.
    if (!plain) std::replace(bytes.begin(), bytes.end(), '\\', '/');
    *path = plain ? fs::path_of(bytes) : bytes;
    return true;
}

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

// Lines of the text that end in a line break; `cut` tells whether anything followed the last one.
std::vector<std::string> complete_lines(const std::string& text, bool* cut) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    *cut = start < text.size();
    return lines;
}

bool parse_line(const std::string& line, RestoreJournal* r) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    const std::string key = line.substr(0, eq);
    std::vector<std::string> f = split_tabs(line.substr(eq + 1));
    std::vector<std::string> p(f.size());
    // Numbered lines start with the save folder's number; the rest are paths.
    const bool numbered = key == "存档" || key == "替换" || key == "新建" || key == "新目录";
    const std::size_t paths = key == "替换" ? 2 : key == "移动" ? 3 : f.size();  // then numbers or marks
    for (std::size_t i = numbered ? 1 : 0; i < paths && i < f.size(); ++i)
        if (!decode(f[i], &p[i])) return false;
    RestoredFolder* folder = r->folders.empty() ? nullptr : &r->folders.back();
    if (key == "类型") r->kind = f[0] == "撤销" ? RestoreJournal::undo : RestoreJournal::restore;
    else if (key == "状态") r->state = f[0] == "已提交" ? RestoreJournal::committed : RestoreJournal::writing;
    else if (key == "备份文件") r->archive = p[0];
    else if (key == "移动" && (f.size() == 3 || (f.size() == 4 && f[3] == "可无")))
        r->moves.push_back({p[0], p[1], p[2], f.size() == 4});
    else if (key == "丢弃") r->discard.push_back(p[0]);
    else if (key == "清理") r->cleanup.push_back(p[0]);
    else if (key == "清理目录") r->empty_dirs.push_back(p[0]);
    else if (key == "存档" && f.size() == 3) r->folders.push_back({std::atoi(f[0].c_str()), p[1], p[2], {}, {}, {}});
    else if (key == "替换" && folder && f.size() == 4)
        folder->replaced.push_back({p[1], {std::atoll(f[2].c_str()), static_cast<uint32_t>(std::atoll(f[3].c_str()))}});
    else if (key == "新建" && folder && f.size() == 2) folder->created.push_back(p[1]);
    else if (key == "新目录" && folder && f.size() == 2) folder->new_dirs.push_back(p[1]);
    else return false;
    return true;
}

bool inside(const std::string& path, const std::string& folder) { return fs::path_inside(path, folder); }

bool same(const std::string& a, const std::string& b) { return fs::normal_path(a) == fs::normal_path(b); }

}  // namespace

std::string format_journal(const RestoreJournal& r) {
    std::ostringstream out;
    auto line = [&out](const char* key, const std::string& value) { out << key << '=' << value << "\r\n"; };
    auto path = [](const std::string& p) { return encode(p); };
    out << kHeader << "\r\n";
    line("类型", r.kind == RestoreJournal::restore ? "恢复" : "撤销");
    line("状态", r.state == RestoreJournal::writing ? "写入中" : "已提交");
    line("备份文件", path(r.archive));
    // The folders come first: a journal cut short still names where temporaries may be.
    for (const RestoredFolder& f : r.folders) {
        const std::string k = std::to_string(f.k);
        line("存档", k + "\t" + path(f.folder) + "\t" + path(f.safety_copy));
        for (const ReplacedFile& n : f.replaced)
            line("替换", k + "\t" + path(n.relative) + "\t" + std::to_string(n.state.time) + "\t" +
                           std::to_string(n.state.attributes));
        for (const std::string& n : f.created) line("新建", k + "\t" + path(n));
        for (const std::string& n : f.new_dirs) line("新目录", k + "\t" + path(n));
    }
    for (const FileMove& m : r.moves)
        line("移动", path(m.from) + "\t" + path(m.to) + "\t" + path(m.attributes_of) + (m.optional ? "\t可无" : ""));
    for (const std::string& p : r.discard) line("丢弃", path(p));
    for (const std::string& p : r.cleanup) line("清理", path(p));
    for (const std::string& p : r.empty_dirs) line("清理目录", path(p));
    out << "结束\r\n";  // a journal cut short has no end
    return out.str();
}

bool parse_journal(const std::string& text, RestoreJournal* r) {
    *r = RestoreJournal{};
    bool cut = false;
    std::vector<std::string> lines = complete_lines(text, &cut);
    if (lines.empty() || lines[0].rfind(kHeader, 0) != 0) return false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i] == "结束") return i + 1 == lines.size() && !cut;
        if (!parse_line(lines[i], r)) return false;
    }
    r->whole = false;
    return true;
}

bool write_journal(fs::FileSystem& fs, const std::string& path, const RestoreJournal& journal) {
    return fs::write_file_atomically(fs, path, format_journal(journal));
}

JournalRead read_journal(fs::FileSystem& fs, const std::string& path, RestoreJournal* journal) {
    if (!fs.exists(path)) return JournalRead::missing;
    std::optional<std::string> text = fs::read_whole_file(fs, path, kMaxJournal);
    if (!text) return JournalRead::unreadable;
    return parse_journal(*text, journal) ? JournalRead::ok : JournalRead::damaged;
}

std::vector<std::string> paths_outside(const RestoreJournal& r, const std::vector<std::string>& save_folders,
                                       const std::string& safety_folder) {
    auto in_save = [&](const std::string& p) {
        for (const std::string& f : save_folders)
            if (inside(p, f)) return true;
        return false;
    };
    // A folder the restore made: a save folder, one inside it, or one above it made for it.
    auto folder_of_save = [&](const std::string& p) {
        for (const std::string& f : save_folders)
            if (same(p, f) || inside(p, f) || inside(f, p)) return true;
        return false;
    };
    // A new save folder is made under a temporary name beside it and renamed into place.
    auto beside_save = [&](const std::string& p) {
        for (const std::string& f : save_folders) {
            const std::string parent = fs::parent_path(fs::normal_path(f)), path = fs::normal_path(p);
            if (parent.empty() || !inside(path, parent)) continue;
            const std::size_t start = parent.back() == '/' ? parent.size() : parent.size() + 1;
            if (fs::is_temporary_name(path.substr(start, path.find('/', start) - start))) return true;
        }
        return false;
    };
    auto is_save = [&](const std::string& p) {
        for (const std::string& f : save_folders)
            if (same(p, f)) return true;
        return false;
    };
    auto ours = [&](const std::string& p) {
        return in_save(p) || is_save(p) || beside_save(p) || inside(p, safety_folder);
    };
    // A name in a save folder: relative, and staying there ("..", drives and devices refused).
    auto relative_inside = [](const std::string& name) {
        std::string relative;
        bool is_dir = false;
        return zip::safe_relative_path(name, &relative, &is_dir) && relative == name;
    };
    std::vector<std::string> outside;
    auto check = [&outside](bool ok, const std::string& p) {
        if (!ok) outside.push_back(p);
    };
    for (const RestoredFolder& f : r.folders) {
        bool current = false;
        for (const std::string& s : save_folders) current = current || same(f.folder, s);
        check(current, f.folder);
        check(f.safety_copy.empty() || inside(f.safety_copy, safety_folder), f.safety_copy);
        for (const ReplacedFile& n : f.replaced) check(relative_inside(n.relative), n.relative);
        for (const std::string& n : f.created) check(relative_inside(n), n);
        for (const std::string& d : f.new_dirs) check(folder_of_save(d), d);
    }
    for (const FileMove& m : r.moves) {
        check(ours(m.from), m.from);
        check(ours(m.to), m.to);
        check(m.attributes_of.empty() || ours(m.attributes_of), m.attributes_of);
    }
    for (const std::string& p : r.discard) check(folder_of_save(p) || beside_save(p), p);
    for (const std::string& p : r.cleanup) check(ours(p), p);
    for (const std::string& p : r.empty_dirs) check(folder_of_save(p), p);
    return outside;
}

}  // namespace backup
