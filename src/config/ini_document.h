#pragma once
// An INI file held in memory: parsed once from its GBK bytes, changed, and turned back into bytes
// exactly as the profile functions write them ("[section]\r\nkey=value\r\n", blanks around names
// and before values dropped, no empty lines). Sections and keys match without regard to case.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ini {

// Capital to small letter as the profile functions compare names: ASCII, and the full-width
// Latin, Greek, Cyrillic and Roman-numeral letters of GBK.
std::string fold_case(std::string_view name);

class Document {
   public:
    static Document parse(std::string_view bytes);
    std::string text() const;

    // The value as GetPrivateProfileString gives it: surrounding quotes taken off, cut to 10239
    // bytes; nullopt when the section or key is missing (or the key has no "=").
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Named sections in file order, repeated names included.
    std::vector<std::string> section_names() const;

    // Each returns true when the document changed. `set` finds the section and key with blanks
    // around the names ignored and adds what is missing at the end; the removals compare the names
    // as given and take the first match.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    bool remove_key(std::string_view section, std::string_view key);
    bool remove_section(std::string_view section);

   private:
    struct Entry {
        std::string name;
        std::optional<std::string> value;  // none: a line without "="
    };
    struct Section {
        std::string name;  // empty: the lines before the first header, or a "[]"
        std::vector<Entry> entries;
    };

    Document();
    const Section* find_section(std::string_view trimmed) const;
    void index_section(size_t i);
    void rebuild_index();

    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> first_by_name_;  // folded name → first section of it
};

}  // namespace ini
