#include "backup/restore_record.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "backup/zip/names.h"

namespace {

constexpr const char* kHeader = "Varnoke 恢复记录";
constexpr std::size_t kMaxRecord = 64 << 20;

// A path in the ANSI code page when it survives the trip there and back; otherwise "~" and its
// bytes escaped. Tabs, line ends, "%" and a leading "~" are escaped either way.
std::string encode(zip::FileSystem& fs, const std::string& path) {
    std::string ansi = fs.to_ansi(path);
    const bool plain = fs.from_ansi(ansi) == path;
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

bool decode(zip::FileSystem& fs, const std::string& text, std::string* path) {
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
    *path = plain ? fs.from_ansi(bytes) : bytes;
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

}  // namespace

std::string format_record(zip::FileSystem& fs, const RestoreRecord& r) {
    std::ostringstream out;
    auto line = [&out](const char* key, const std::string& value) { out << key << '=' << value << "\r\n"; };
    auto path = [&fs](const std::string& p) { return encode(fs, p); };
    out << kHeader << "\r\n";
    line("类型", r.kind == RestoreRecord::restore ? "恢复" : "撤销");
    line("状态", r.state == RestoreRecord::writing ? "写入中" : "已提交");
    line("备份文件", path(fs.from_ansi(r.archive)));
    for (const FileMove& m : r.moves) line("移动", path(m.from) + "\t" + path(m.to) + "\t" + path(m.attributes_of));
    for (const std::string& p : r.discard) line("丢弃", path(p));
    for (const std::string& p : r.cleanup) line("清理", path(p));
    for (const std::string& p : r.empty_dirs) line("清理目录", path(p));
    for (const RestoredFolder& f : r.folders) {
        const std::string k = std::to_string(f.k);
        line("存档", k + "\t" + path(f.folder) + "\t" + path(f.safety_copy));
        for (const ReplacedFile& n : f.replaced)
            line("替换", k + "\t" + path(n.relative) + "\t" + std::to_string(n.state.time) + "\t" +
                           std::to_string(n.state.attributes));
        for (const std::string& n : f.created) line("新建", k + "\t" + path(n));
        for (const std::string& n : f.new_dirs) line("新目录", k + "\t" + path(n));
    }
    out << "结束\r\n";  // a record cut short has no end
    return out.str();
}

bool parse_record(zip::FileSystem& fs, const std::string& text, RestoreRecord* r) {
    *r = RestoreRecord{};
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line.rfind(kHeader, 0) != 0) return false;
    bool ended = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "结束") {
            ended = true;
            break;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) return false;
        const std::string key = line.substr(0, eq);
        std::vector<std::string> f = split_tabs(line.substr(eq + 1));
        std::vector<std::string> p(f.size());
        // Numbered lines start with the save folder's number; the rest are paths.
        const bool numbered = key == "存档" || key == "替换" || key == "新建" || key == "新目录";
        const std::size_t paths = key == "替换" ? 2 : f.size();  // a replaced file's time and attributes follow
        for (std::size_t i = numbered ? 1 : 0; i < paths && i < f.size(); ++i)
            if (!decode(fs, f[i], &p[i])) return false;
        RestoredFolder* folder = r->folders.empty() ? nullptr : &r->folders.back();
        if (key == "类型") r->kind = f[0] == "撤销" ? RestoreRecord::undo : RestoreRecord::restore;
        else if (key == "状态") r->state = f[0] == "已提交" ? RestoreRecord::committed : RestoreRecord::writing;
        else if (key == "备份文件") r->archive = fs.to_ansi(p[0]);
        else if (key == "移动" && f.size() == 3) r->moves.push_back({p[0], p[1], p[2]});
        else if (key == "丢弃") r->discard.push_back(p[0]);
        else if (key == "清理") r->cleanup.push_back(p[0]);
        else if (key == "清理目录") r->empty_dirs.push_back(p[0]);
        else if (key == "存档" && f.size() == 3) r->folders.push_back({std::atoi(f[0].c_str()), p[1], p[2], {}, {}, {}});
        else if (key == "替换" && folder && f.size() == 4)
            folder->replaced.push_back({p[1], {std::atoll(f[2].c_str()), static_cast<uint32_t>(std::atoll(f[3].c_str()))}});
        else if (key == "新建" && folder && f.size() == 2) folder->created.push_back(p[1]);
        else if (key == "新目录" && folder && f.size() == 2) folder->new_dirs.push_back(p[1]);
        else return false;
    }
    return ended;
}

bool write_record(zip::FileSystem& fs, const std::string& path, const RestoreRecord& record) {
    return zip::write_file_atomically(fs, path, format_record(fs, record));
}

bool read_record(zip::FileSystem& fs, const std::string& path, RestoreRecord* record) {
    std::optional<std::string> text = zip::read_whole_file(fs, path, kMaxRecord);
    return text && parse_record(fs, *text, record);
}
