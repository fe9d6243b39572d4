// Interoperability with Info-ZIP, 7-Zip and Python's zipfile, both ways.
#include "backup/zip/zip.h"
#include "zip_support/tree.h"
#include "zip_support/extract_into.h"

namespace zip_test {
namespace {

int run(const std::string& command) {
    return std::system(("LC_ALL=C.UTF-8 " + command + " >/dev/null 2>&1").c_str());
}

#define REQUIRE_TOOL(name) \
    if (!tool_exists(name)) GTEST_SKIP() << name " is not installed"

// Text, random and mixed content: with 256 KiB pieces, whole pieces of random data inside deflated
// entries (stored blocks), a random head before a compressible body, and a file stored whole.
void make_tree(const std::string& root) {
    write_file(root + "/config.json", text_like(20000, 21));
    write_file(root + u8"/存档/角色 1.sav", random_bytes(70000, 22));
    write_file(root + u8"/존재/세이브 😀.dat", text_like(5000, 23));
    write_file(root + "/big/world.bin", text_like(900 * 1024, 24) + random_bytes(300 * 1024, 25));
    write_file(root + "/big/headed.sav", random_bytes(600 * 1024, 26) + text_like(300 * 1024, 27));
    write_file(root + "/big/blocks.sav", alternating_blocks(8, 28));
    write_file(root + "/big/noise.bin", random_bytes(700 * 1024, 29));
    write_file(root + "/empty.txt", "");
    stdfs::create_directories(root + u8"/空的/内层");
}

Tree files_only(const Tree& tree) {
    Tree out;
    for (const auto& [name, data] : tree)
        if (name.back() != '/') out[name] = data;
    return out;
}

// Python unpacks with its own zipfile module, after testzip() found every CRC right.
const char* kPythonExtract =
    "import sys, zipfile\n"
    "z = zipfile.ZipFile(sys.argv[1])\n"
    "assert z.testzip() is None\n"
    "z.extractall(sys.argv[2])\n";

// Python packs a tree, deflated or stored, with or without folder entries.
const char* kPythonPack =
    "import os, sys, zipfile\n"
    "src, out, method, dirs = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == '1'\n"
    "with zipfile.ZipFile(out, 'w', method) as z:\n"
    "    for root, ds, fs in os.walk(src):\n"
    "        for d in ds:\n"
    "            if dirs: z.write(os.path.join(root, d), os.path.relpath(os.path.join(root, d), src))\n"
    "        for f in fs: z.write(os.path.join(root, f), os.path.relpath(os.path.join(root, f), src))\n";

std::string python_script(const TempDir& tmp, const char* name, const char* text) {
    std::string path = tmp / name;
    write_file(path, text);
    return "python3 " + shell_quote(path) + " ";
}

class OurArchives : public ::testing::TestWithParam<bool> {};

TEST_P(OurArchives, PassOtherToolsWithIdenticalNamesAndContents) {
    TempDir tmp;
    make_tree(tmp / "src");
    Tree source = read_tree(tmp / "src");
    zip::Options options;
    options.force_zip64 = GetParam();
    options.chunk_size = 256 * 1024;
    std::string archive = tmp / "ours.zip";
    ASSERT_TRUE(zip::compress_folder(tmp / "src", archive, {}, options).ok);

    if (tool_exists("unzip")) {
        EXPECT_EQ(run("unzip -tq " + shell_quote(archive)), 0);
        EXPECT_EQ(run("unzip -q " + shell_quote(archive) + " -d " + shell_quote(tmp / "by-unzip")), 0);
        EXPECT_EQ(read_tree(tmp / "by-unzip"), source);
    }
    if (tool_exists("7z")) {
        EXPECT_EQ(run("7z t " + shell_quote(archive)), 0);
        EXPECT_EQ(run("7z x -o" + shell_quote(tmp / "by-7z") + " " + shell_quote(archive)), 0);
        EXPECT_EQ(read_tree(tmp / "by-7z"), source);
    }
    if (tool_exists("python3")) {
        std::string py = python_script(tmp, "extract.py", kPythonExtract);
        EXPECT_EQ(run(py + shell_quote(archive) + " " + shell_quote(tmp / "by-python")), 0);
        EXPECT_EQ(read_tree(tmp / "by-python"), source);
    }
}

INSTANTIATE_TEST_SUITE_P(Zip64, OurArchives, ::testing::Bool());

struct ForeignCase {
    const char* tool;
    std::string command;  // %S source folder, %A archive, %P python script prefix
    bool has_dir_entries;
};

std::string expand(std::string command, const std::string& src, const std::string& archive, const std::string& py) {
    for (auto [key, value] : {std::pair<std::string, std::string>{"%S", shell_quote(src)}, {"%A", shell_quote(archive)}, {"%P", py}}) {
        for (std::size_t at; (at = command.find(key)) != std::string::npos;) command.replace(at, 2, value);
    }
    return command;
}

TEST(ForeignArchives, ExtractWithOurReader) {
    const ForeignCase cases[] = {
        {"zip", "cd %S && zip -r -q %A .", true},
        {"zip", "cd %S && zip -r -q -D %A .", false},
        {"zip", "cd %S && zip -r -q -0 %A .", true},
        {"7z", "cd %S && 7z a -tzip %A .", true},
        {"7z", "cd %S && 7z a -tzip -mx=0 %A .", true},
        {"python3", "%P %S %A 8 1", true},
        {"python3", "%P %S %A 0 0", false},
    };
    TempDir tmp;
    make_tree(tmp / "src");
    Tree source = read_tree(tmp / "src");
    std::string py = python_script(tmp, "pack.py", kPythonPack);
    int n = 0;
    for (const ForeignCase& c : cases) {
        std::string archive = tmp / "foreign" + std::to_string(++n) + ".zip";
        SCOPED_TRACE(c.command);
        if (!tool_exists(c.tool)) continue;
        ASSERT_EQ(run(expand(c.command, tmp / "src", archive, py)), 0);
        std::string out = tmp / "out" + std::to_string(n);
        zip::Result r = zip_test::extract_into(archive, out);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(c.has_dir_entries ? read_tree(out) : files_only(read_tree(out)),
                  c.has_dir_entries ? source : files_only(source));
    }
}

}  // namespace
}  // namespace zip_test
