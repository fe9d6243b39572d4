#pragma once
// 排除: what a project's backups leave out and its restores leave alone, as the user writes it in
// the key "排除": patterns joined with ";", "*" and "?" as wildcards, a trailing "\" for a folder
// ("*.log;cache\;ShaderCache\;*.dmp"), matched without regard to case against the path relative to
// each save folder. A pattern of one name matches that name at any depth; one that starts with "\"
// or holds a "\" inside matches the relative path from the top of the save folder.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace backup {

class Exclusions {
   public:
    // The patterns of the stored text (GBK); nullopt with the reason when one cannot be used: an
    // empty piece, "." or "..", a drive or an absolute path. Missing or empty text excludes nothing.
    static std::optional<Exclusions> parse(const std::string& text, std::string* problem = nullptr);
    // The patterns of text that was stored before it could be checked: one that cannot be used is
    // left out, so a damaged key never stops a backup.
    static Exclusions lenient(const std::string& text);

    bool empty() const { return patterns_.empty(); }
    // Whether the entry at `relative` (below a save folder, '/' between names, in the file world)
    // is left out. Its folders above are not looked at: a walk that leaves a folder out never
    // reaches what is inside it.
    bool excludes(const std::string& relative, bool is_dir) const;
    // Whether the file at `relative`, or any folder above it, is left out.
    bool excludes_within(const std::string& relative) const;
    // excludes() as the engine asks it; an empty function (never called) when nothing is left out.
    std::function<bool(const std::string& relative, bool is_dir)> leave_out() const;

   private:
    struct Pattern {
        std::vector<std::string> parts;  // folded, in the file world
        bool anchored = false;           // matched from the top of the save folder
        bool folder_only = false;        // ended in "\"
    };
    static std::optional<Pattern> pattern_of(const std::string& piece, std::string* problem);
    bool matches(const Pattern& p, const std::vector<std::string>& parts, bool is_dir) const;

    std::vector<Pattern> patterns_;
};

// The patterns written one a line (the window that edits them), joined as they are stored.
std::string join_exclusions(const std::vector<std::string>& lines);

}  // namespace backup
