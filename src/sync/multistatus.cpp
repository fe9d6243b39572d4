#include "sync/multistatus.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace syncing {

namespace {

constexpr std::size_t kMaxDepth = 32;
constexpr char kDav[] = "DAV:";

struct Element {
    std::string qname;
    std::string uri, local;
    std::map<std::string, std::string> scope;  // prefix → namespace declared here
};

// Turns entity references into bytes (UTF-8 for character references).
bool unescape(std::string_view in, std::string* out) {
    static const std::pair<const char*, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '&') {
            *out += in[i];
            continue;
        }
        const std::size_t end = in.find(';', i);
        if (end == std::string_view::npos || end - i > 10) return false;
        const std::string ref(in.substr(i + 1, end - i - 1));
        i = end;
        bool named = false;
        for (const auto& [name, c] : kNamed)
            if (ref == name) *out += c, named = true;
        if (named) continue;
        unsigned long cp = 0;
        char tail = 0;
        if (ref.size() < 2 || ref[0] != '#' ||
            std::sscanf(ref.c_str() + (ref[1] == 'x' ? 2 : 1), ref[1] == 'x' ? "%lx%c" : "%lu%c", &cp,
                        &tail) != 1 ||
            cp == 0 || cp > 0x10ffff)
            return false;
        if (cp < 0x80) {
            *out += char(cp);
            continue;
        }
        const int n = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        *out += char((0xf00 >> n) | (cp >> (6 * (n - 1))));
        for (int k = n - 2; k >= 0; --k) *out += char(0x80 | ((cp >> (6 * k)) & 0x3f));
    }
    return true;
}

class Reader {
   public:
    Reader(std::string_view xml, std::size_t max_entries) : xml_(xml), max_entries_(max_entries) {}

    std::optional<std::vector<DavEntry>> run(std::string* reason) {
        while (pos_ < xml_.size() && error_.empty()) step();
        if (error_.empty() && !stack_.empty()) error_ = "回应不完整（在 <" + stack_.back().qname + "> 中断）";
        if (error_.empty() && !seen_root_) error_ = "回应中没有 multistatus";
        if (!error_.empty()) return *reason = "服务器的列表无法读取：" + error_, std::nullopt;
        return std::move(entries_);
    }

   private:
    void step() {
        if (xml_[pos_] != '<') return text_until_tag();
        if (starts("<?")) return skip_past("?>");
        if (starts("<!--")) return skip_past("-->");
        if (starts("<![CDATA[")) {
            const std::size_t end = xml_.find("]]>", pos_);
            if (end == std::string_view::npos) return void(error_ = "CDATA 未结束");
            text_ += xml_.substr(pos_ + 9, end - pos_ - 9);
            pos_ = end + 3;
            return;
        }
        if (starts("<!")) return void(error_ = "不接受 DOCTYPE");
        const std::size_t end = xml_.find('>', pos_);
        if (end == std::string_view::npos) return void(error_ = "标记未结束");
        std::string_view tag = xml_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end + 1;
        if (!tag.empty() && tag[0] == '/') return close(std::string(trim(tag.substr(1))));
        const bool empty = !tag.empty() && tag.back() == '/';
        open(empty ? tag.substr(0, tag.size() - 1) : tag);
        if (error_.empty() && empty) close(stack_.back().qname);
    }

    void text_until_tag() {
        const std::size_t end = std::min(xml_.find('<', pos_), xml_.size());
        if (!unescape(xml_.substr(pos_, end - pos_), &text_)) error_ = "无效的字符引用";
        pos_ = end;
    }

    void open(std::string_view tag) {
        Element e;
        std::size_t i = tag.find_first_of(" \t\r\n");
        e.qname = std::string(tag.substr(0, i));
        if (e.qname.empty() || stack_.size() >= kMaxDepth) return void(error_ = "元素无效或嵌套过深");
        if (!attributes(i == std::string_view::npos ? std::string_view() : tag.substr(i), &e.scope)) return;
        stack_.push_back(e);
        const std::size_t colon = e.qname.find(':');
        const std::string prefix = colon == std::string::npos ? "" : e.qname.substr(0, colon);
        stack_.back().local = e.qname.substr(colon == std::string::npos ? 0 : colon + 1);
        stack_.back().uri = resolve(prefix);
        text_.clear();
        on_open(stack_.back());
    }

    bool attributes(std::string_view s, std::map<std::string, std::string>* scope) {
        while (!(s = trim(s)).empty()) {
            const std::size_t eq = s.find('=');
            if (eq == std::string_view::npos || eq + 1 >= s.size() || (s[eq + 1] != '"' && s[eq + 1] != '\''))
                return error_ = "属性无效", false;
            const std::size_t end = s.find(s[eq + 1], eq + 2);
            if (end == std::string_view::npos) return error_ = "属性未结束", false;
            const std::string name(trim(s.substr(0, eq)));
            std::string value;
            if (!unescape(s.substr(eq + 2, end - eq - 2), &value)) return error_ = "无效的字符引用", false;
            if (name == "xmlns")
                (*scope)[""] = value;
            else if (name.compare(0, 6, "xmlns:") == 0)
                (*scope)[name.substr(6)] = value;
            s = s.substr(end + 1);
        }
        return true;
    }

    std::string resolve(const std::string& prefix) {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
            auto found = it->scope.find(prefix);
            if (found != it->scope.end()) return found->second;
        }
        if (!prefix.empty()) error_ = "未声明的命名空间前缀 " + prefix;
        return "";
    }

    void close(const std::string& qname) {
        if (stack_.empty() || stack_.back().qname != qname)
            return void(error_ = "结束标记 </" + qname + "> 不匹配");
        on_close(stack_.back());
        stack_.pop_back();
        text_.clear();
    }

    bool is(const Element& e, const char* local) const { return e.uri == kDav && e.local == local; }
    bool parent_is(const char* local) const {
        return stack_.size() >= 2 && is(stack_[stack_.size() - 2], local);
    }

    void on_open(const Element& e) {
        if (stack_.size() == 1) seen_root_ = is(e, "multistatus");
        if (!seen_root_) error_ = "回应的根元素不是 multistatus";
        if (is(e, "response")) entry_ = DavEntry{}, response_ok_ = true;
        if (is(e, "propstat")) props_ = DavEntry{}, propstat_ok_ = false;
        if (is(e, "collection") && parent_is("resourcetype")) props_.is_folder = true;
    }

    void on_close(const Element& e) {
        const std::string text(trim(text_));
        if (is(e, "href") && parent_is("response")) entry_.href = text;
        if (is(e, "status") && parent_is("propstat"))
            propstat_ok_ = text.find(" 200 ") != std::string::npos || ends_with(text, " 200");
        if (is(e, "status") && parent_is("response"))
            response_ok_ = text.find(" 200 ") != std::string::npos || ends_with(text, " 200");
        if (is(e, "getcontentlength") && !read_size(text)) error_ = "大小无效：" + text.substr(0, 40);
        if (is(e, "getlastmodified")) props_.mtime = parse_http_date(text);
        if (is(e, "propstat") && propstat_ok_) {
            entry_.is_folder = entry_.is_folder || props_.is_folder;
            if (props_.size) entry_.size = props_.size;
            if (props_.mtime) entry_.mtime = props_.mtime;
        }
        if (!is(e, "response")) return;
        if (entry_.href.empty()) return void(error_ = "条目没有 href");
        if (response_ok_) entries_.push_back(entry_);
        if (entries_.size() > max_entries_) error_ = "条目超过 " + std::to_string(max_entries_) + " 个";
    }

    bool read_size(const std::string& text) {
        if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
            return false;
        props_.size = std::stoull(text);
        return true;
    }

    static bool ends_with(const std::string& s, const char* tail) {
        const std::size_t n = std::strlen(tail);
        return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
    }
    static std::string_view trim(std::string_view s) {
        while (!s.empty() && std::strchr(" \t\r\n", s.front())) s.remove_prefix(1);
        while (!s.empty() && std::strchr(" \t\r\n", s.back())) s.remove_suffix(1);
        return s;
    }
    bool starts(const char* s) const { return xml_.compare(pos_, std::strlen(s), s) == 0; }
    void skip_past(const char* end) {
        const std::size_t at = xml_.find(end, pos_);
        if (at == std::string_view::npos) error_ = "注释或声明未结束";
        pos_ = at == std::string_view::npos ? xml_.size() : at + std::strlen(end);
    }

    std::string_view xml_;
    std::size_t max_entries_;
    std::size_t pos_ = 0;
    std::string error_, text_;
    std::vector<Element> stack_;
    std::vector<DavEntry> entries_;
    DavEntry entry_, props_;
    bool seen_root_ = false, response_ok_ = true, propstat_ok_ = false;
};

}  // namespace

std::optional<std::vector<DavEntry>> parse_multistatus(std::string_view xml, std::size_t max_entries,
                                                       std::string* reason) {
    return Reader(xml, max_entries).run(reason);
}

int64_t parse_http_date(const std::string& text) {
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    char weekday[4] = {}, month[4] = {}, zone[4] = {};
    int day = 0, year = 0, h = 0, m = 0, s = 0;
    if (std::sscanf(text.c_str(), "%3s, %d %3s %d %d:%d:%d %3s", weekday, &day, month, &year, &h, &m, &s,
                    zone) != 8 ||
        std::strcmp(zone, "GMT") != 0 || day < 1 || day > 31 || year < 1970 || year > 9999 || h > 23 ||
        m > 59 || s > 60)
        return 0;
    const char* found = std::strstr(kMonths, month);
    if (!found || (found - kMonths) % 3 != 0 || std::strlen(month) != 3) return 0;
    // Days from 1970-01-01 to the civil date (Howard Hinnant's algorithm).
    int y = year, mo = int(found - kMonths) / 3 + 1;
    y -= mo <= 2;
    const int era = y / 400, yoe = y - era * 400;
    const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t days = int64_t(era) * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    return days * 86400 + h * 3600 + m * 60 + s;
}

}  // namespace syncing
