#pragma once
// Expansion of stored paths: one %VAR% reference, the special-directory tokens ("<我的文档>" …) and
// the program-directory tokens, so that one project list works on every machine.
#include <string>

// Where the folders of this machine come from. Results are raw: "" means the lookup failed.
class Folders {
   public:
    virtual ~Folders() = default;
    virtual std::string environment_variable(const std::string& name) const = 0;
    virtual std::string special_folder(int csidl) const = 0;  // shell folder, never created
    virtual std::string windows_dir() const = 0;
    virtual std::string system_dir() const = 0;
    virtual std::string temp_dir() const = 0;
    // An expanded path as it is on this machine: a list written elsewhere may name another user's
    // profile or a drive this machine lacks, and the machine's path fixes turn it into its own.
    virtual std::string fixed_path(const std::string& expanded) const { return expanded; }
};

// The eleven special directories, in the order the expansion replaces them. Item k (1 … 11) is
// entry k − 1; its token is "<" + name + ">".
struct SpecialDirectory {
    enum Source { kShellFolder, kWindowsDir, kSystemDir, kTempDir };
    const char* name;
    Source source;
    int csidl;  // for kShellFolder
};
inline constexpr int kSpecialDirectoryCount = 11;
extern const SpecialDirectory kSpecialDirectories[kSpecialDirectoryCount];

// The folder of special directory `item` (1 … 11) ending in exactly one "\"; "" when the lookup
// fails or the item is out of range.
std::string special_directory_path(int item, const Folders& folders);

// Expands `text` in place and returns a copy. Stages, in order: the first %VAR% reference; the
// eleven special-directory tokens (looked up afresh, case-insensitive); "<程序所在目录>" and
// "<程序上级目录>" from the folder of the program, whose stored path `program_path` is expanded
// first; last, the machine's path fixes, to each "|"-joined path.
std::string expand_stored_path(std::string& text, const std::string& program_path, const Folders& folders);

// The program's stored path as a file name: expanded like a save path, except that the
// program-directory tokens cannot refer to the program itself and stand for nothing.
std::string expand_program_path(const std::string& program_path, const Folders& folders);
