// The engine on the Win32 file system under Wine: GBK paths from the program, names GBK cannot
// spell, paths past 260 characters, times, read-only files and a full disk.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "fs/file_system.h"
#include "fs/wide_text.h"
#include "backup/zip/staging.h"
#include "backup/zip/zip.h"
#include "zip_support/archive_builder.h"
#include "zip_support/faulty_file_system.h"
#include "zip_support/extract_into.h"

namespace {

std::wstring wide(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &w[0], n);
    w.resize(static_cast<std::size_t>(n - 1));
    return w;
}

// Korean and an emoji: no GBK spelling exists.
const std::wstring kOutsideGbk = L"\\\uc138\uc774\ube0c \U0001F3AE.dat";

std::wstring long_form(const std::wstring& path) { return L"\\\\?\\" + path; }

void write_wide(const std::wstring& path, const std::string& data) {
    HANDLE h = CreateFileW(long_form(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD put = 0;
    WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
    CloseHandle(h);
}

std::string read_wide(const std::wstring& path) {
    HANDLE h = CreateFileW(long_form(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string data;
    char buffer[1 << 16];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
    CloseHandle(h);
    return data;
}

void make_dirs(const std::wstring& path) {
    for (std::size_t cut = path.find(L'\\', 3); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1))
        CreateDirectoryW(long_form(path.substr(0, cut)).c_str(), nullptr);
    CreateDirectoryW(long_form(path).c_str(), nullptr);
}

// Shell deletion cannot be trusted with paths past MAX_PATH, so this walks the tree itself.
void remove_tree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(long_form(dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName, path = dir + L"\\" + name;
            if (name == L"." || name == L"..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(path);
            } else {
                SetFileAttributesW(long_form(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(long_form(path).c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(long_form(dir).c_str());
}

// A fresh folder under %TEMP% whose name (GBK) is part of every test's paths.
class WinZip : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"varnoke-zip-" + std::to_wstring(GetTickCount()) + L"-" +
                std::to_wstring(GetCurrentProcessId());
        make_dirs(root_);
    }

    void TearDown() override { remove_tree(root_); }

    std::string ansi(const std::wstring& w) const {
        int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string s(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
        s.resize(static_cast<std::size_t>(n - 1));
        return s;
    }

    std::wstring root_;
};

TEST_F(WinZip, RunsInCodePage936) { EXPECT_EQ(GetACP(), 936u); }

TEST_F(WinZip, GbkPathsAndNamesOutsideGbkRoundTrip) {
    std::wstring src = root_ + L"\\" + wide("游戏存档");
    make_dirs(src + L"\\" + wide("第一章"));
    make_dirs(src + L"\\" + wide("空文件夹"));
    write_wide(src + L"\\" + wide("第一章") + L"\\" + wide("角色.sav"), "gbk named save");
    write_wide(src + kOutsideGbk, "korean and emoji");
    write_wide(src + L"\\empty.txt", "");
    std::string archive = ansi(root_) + "\\" + "备份.zip";
    std::string target = ansi(root_) + "\\" + "恢复\\新的位置";

    zip::Result r = zip::compress_folder(fs::path_of(ansi(src)), fs::path_of(archive));
    ASSERT_TRUE(r.ok) << r.error;
    r = zip_test::extract_into(archive, target + "\\");  // a new folder, named with a trailing separator
    ASSERT_TRUE(r.ok) << r.error;
    std::wstring out = wide(target);
    EXPECT_EQ(read_wide(out + L"\\" + wide("第一章") + L"\\" + wide("角色.sav")), "gbk named save");
    EXPECT_EQ(read_wide(out + kOutsideGbk), "korean and emoji");
    EXPECT_EQ(read_wide(out + L"\\empty.txt"), "");
    DWORD attributes = GetFileAttributesW((out + L"\\" + wide("空文件夹")).c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(WinZip, ArchiveInsideSourceIsLeftOutAndSaysNtfs) {
    write_wide(root_ + L"\\a.txt", "x");
    std::string archive = ansi(root_) + "\\host.zip";
    ASSERT_TRUE(zip::compress_folder(fs::path_of(ansi(root_)), fs::path_of(archive)).ok);
    ASSERT_TRUE(zip::compress_folder(fs::path_of(ansi(root_)), fs::path_of(archive)).ok);  // now the old archive is in the tree
    std::string bytes = read_wide(wide(archive));
    EXPECT_EQ(bytes.find("host.zip"), std::string::npos);
    std::size_t central = bytes.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(bytes[central + 5]), 11) << "host byte of version made by";
}

TEST_F(WinZip, PathsLongerThan260Characters) {
    std::wstring deep = root_ + L"\\src";
    for (int i = 0; i < 8; ++i) deep += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + i));
    ASSERT_GT(deep.size(), 300u);
    make_dirs(deep);
    write_wide(deep + L"\\save.dat", "far away");
    std::string archive = ansi(root_) + "\\long.zip";
    zip::Result r = zip::compress_folder(fs::path_of(ansi(root_ + L"\\src")), fs::path_of(archive));
    ASSERT_TRUE(r.ok) << r.error;
    r = zip_test::extract_into(archive, ansi(root_ + L"\\out"));
    ASSERT_TRUE(r.ok) << r.error;
    std::wstring restored = root_ + L"\\out" + deep.substr(root_.size() + 4) + L"\\save.dat";
    EXPECT_EQ(read_wide(restored), "far away");
}

// Large entries have their local header patched after the data went to disk (the file pointer moves
// back and must return), and a random head goes into stored blocks of a deflated entry.
TEST_F(WinZip, LargeMixedFilesRoundTrip) {
    std::string mixed, text;
    uint32_t x = 12345;
    for (int i = 0; i < 1500 * 1024; ++i) mixed += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
    while (text.size() < 1500 * 1024) text += "level=" + std::to_string(text.size() % 977) + " gold=12\n";
    make_dirs(root_ + L"\\src");
    write_wide(root_ + L"\\src\\a_mixed.sav", mixed + text);
    write_wide(root_ + L"\\src\\b_after.sav", "written after the patch");
    zip::Options options;
    options.chunk_size = 256 * 1024;
    std::string archive = ansi(root_) + "\\big.zip";
    ASSERT_TRUE(zip::compress_folder(fs::path_of(ansi(root_ + L"\\src")), fs::path_of(archive), {}, options).ok);
    std::string bytes = read_wide(wide(archive));
    EXPECT_LT(bytes.size(), mixed.size() + text.size() / 2);
    zip::Result r = zip_test::extract_into(archive, ansi(root_ + L"\\out"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(read_wide(root_ + L"\\out\\a_mixed.sav"), mixed + text);
    EXPECT_EQ(read_wide(root_ + L"\\out\\b_after.sav"), "written after the patch");
}

TEST_F(WinZip, RestoresModificationTime) {
    std::wstring file = root_ + L"\\src\\timed.sav";
    make_dirs(root_ + L"\\src");
    write_wide(file, "t");
    HANDLE h = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME set{};
    uint64_t ticks = (1500000000ULL + 11644473600ULL) * 10000000ULL;
    set.dwLowDateTime = static_cast<DWORD>(ticks);
    set.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SetFileTime(h, nullptr, nullptr, &set);
    CloseHandle(h);
    std::string archive = ansi(root_) + "\\t.zip";
    ASSERT_TRUE(zip::compress_folder(fs::path_of(ansi(root_ + L"\\src")), fs::path_of(archive)).ok);
    ASSERT_TRUE(zip_test::extract_into(archive, ansi(root_ + L"\\out")).ok);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW((root_ + L"\\out\\timed.sav").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, set.dwLowDateTime);
    EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, set.dwHighDateTime);
}

TEST_F(WinZip, ReadOnlySaveIsReplacedAndStaysReadOnly) {
    make_dirs(root_ + L"\\src");
    write_wide(root_ + L"\\src\\slot.sav", "restored");
    std::wstring old = root_ + L"\\target\\slot.sav";
    make_dirs(root_ + L"\\target");
    write_wide(old, "old");
    SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_READONLY);
    std::string archive = ansi(root_) + "\\ro.zip";
    ASSERT_TRUE(zip::compress_folder(fs::path_of(ansi(root_ + L"\\src")), fs::path_of(archive)).ok);
    zip::Result r = zip_test::extract_into(archive, ansi(root_ + L"\\target"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(read_wide(old), "restored");
    EXPECT_TRUE(GetFileAttributesW(old.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WinZip, FullDiskKeepsSaveAndArchive) {
    make_dirs(root_ + L"\\src");
    write_wide(root_ + L"\\src\\slot.sav", std::string(200000, 'n'));
    make_dirs(root_ + L"\\target");
    write_wide(root_ + L"\\target\\slot.sav", "old save");
    std::string archive = ansi(root_) + "\\disk.zip";
    ASSERT_TRUE(zip::compress_folder(fs::path_of(ansi(root_ + L"\\src")), fs::path_of(archive)).ok);
    std::string archive_bytes = read_wide(wide(archive));

    zip_test::FaultyFileSystem faulty(fs::platform_file_system());
    faulty.write_budget = 1000;
    zip::Options options;
    options.fs = &faulty;
    zip::Result r = zip_test::extract_into(archive, ansi(root_ + L"\\target"), {}, options);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(read_wide(root_ + L"\\target\\slot.sav"), "old save");
    faulty.write_budget = 100;
    r = zip::compress_folder(fs::path_of(ansi(root_ + L"\\src")), fs::path_of(archive), {}, options);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(read_wide(wide(archive)), archive_bytes);

    WIN32_FIND_DATAW fd;
    int leftovers = 0;
    for (const wchar_t* dir : {L"\\target\\*", L"\\*"}) {
        HANDLE h = FindFirstFileW((root_ + dir).c_str(), &fd);
        do leftovers += wcsstr(fd.cFileName, L".tmp") != nullptr;
        while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(leftovers, 0);
}

}  // namespace

// What a user sees of the names: an archive of Info-ZIP on Linux (UTF-8 names without the flag)
// and one of an old Windows tool (GBK names) both restore under their true names; a save whose
// name differs in case is the file replaced, under its own spelling; a folder of the tool inside
// the save folder stays out of the backup.
TEST_F(WinZip, NamesOfOtherToolsCaseAndTheToolsOwnFolders) {
    zip_test::FakeEntry utf8{u8"空文件.dat", "from linux"}, gbk{"存档.sav", "from an old tool"};
    utf8.flags = gbk.flags = 0;
    std::string archive = ansi(root_) + "\\other.zip";
    std::string bytes = zip_test::build_archive({utf8, gbk});
    write_wide(wide(archive), bytes);
    std::string target = ansi(root_) + "\\" + "存档";
    make_dirs(wide(target));
    write_wide(wide(target) + L"\\Save.dat", "old save");
    ASSERT_TRUE(zip_test::extract_into(archive, target).ok);
    EXPECT_EQ(read_wide(wide(target) + L"\\\u7a7a\u6587\u4ef6.dat"), "from linux");
    EXPECT_EQ(read_wide(wide(target) + L"\\\u5b58\u6863.sav"), "from an old tool");

    write_wide(wide(archive), zip_test::build_archive({{"save.dat", "new save"}}));
    zip::StagedExtraction staged;
    ASSERT_TRUE(zip::stage_extraction(fs::path_of(archive), fs::path_of(target), {}, {}, &staged).ok);
    ASSERT_EQ(staged.files.size(), 1u);
    EXPECT_TRUE(staged.files[0].replaces);
    const std::string& existing = staged.files[0].existing;
    EXPECT_EQ(existing.substr(existing.find_last_of("/\\") + 1), "Save.dat");
    for (const auto& f : staged.files) DeleteFileW(fs::long_path(fs::utf8_to_wide(f.staged)).c_str());

    make_dirs(wide(target) + L"\\" + wide("存档目录") + L"\\game");
    zip::Options options;
    options.excluded_folders = {fs::path_of(target + "\\" + "存档目录")};
    zip::Result r = zip::compress_folder(fs::path_of(target), fs::path_of(ansi(root_) + "\\b.zip"), {}, options);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.skipped.size(), 1u);
    EXPECT_EQ(r.skipped[0].rfind("存档目录\\：", 0), 0u) << r.skipped[0];
}
