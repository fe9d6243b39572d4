// The one extract path, on its own: staging writes every file verified where renames alone move it
// into place, touches nothing that is there, describes exactly what the renames and their undo need,
// and what it wrote can be taken away without a trace.
#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "backup/zip/names.h"
#include "backup/zip/staging.h"
#include "zip_support/archive_builder.h"
#include "zip_support/tree.h"

namespace zip_test {
namespace {

struct StagingCase {
    const char* what;
    Tree before;                      // the target's files ("" for no target at all)
    std::vector<FakeEntry> archive;
    std::vector<std::string> wanted;  // empty: every file
    std::vector<std::string> replaced, created;  // files that go over others and into new folders
    std::vector<std::string> new_folders;        // outermost new folders, relative ("" the target)
};

Tree without_temporaries(const Tree& tree) {
    Tree out;
    for (const auto& [rel, data] : tree)
        if (rel.find(".vnk") == std::string::npos) out[rel] = data;
    return out;
}

TEST(ZipStaging, WritesBesideAndDescribesWhatTheRenamesNeed) {
    const std::vector<StagingCase> cases = {
        {"over an existing save", {{"a.sav", "old a"}, {"sub/", ""}, {"sub/b.sav", "old b"}, {"keep.sav", "k"}},
         {{"a.sav", "new a"}, {"sub/b.sav", "new b"}, {"new.sav", "added"}, {"newdir/c.sav", "c"}, {"newdir/deep/d.sav", "d"}},
         {}, {"a.sav", "sub/b.sav"}, {"new.sav"}, {"newdir"}},
        {"into a folder that is not there", {}, {{"x.sav", "x"}, {"sub/y.sav", "y"}, {"empty/"}}, {}, {}, {}, {""}},
        {"only the files wanted", {{"a.sav", "old a"}, {"b.sav", "old b"}},
         {{"a.sav", "new a"}, {"b.sav", "new b"}, {"d/c.sav", "c"}}, {"a.sav", "d/c.sav"}, {"a.sav"}, {}, {"d"}},
    };
    for (const StagingCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        const std::string target = tmp / "save";
        for (const auto& [rel, data] : c.before)
            rel.back() == '/' ? (void)stdfs::create_directories(target + "/" + rel) : write_file(target + "/" + rel, data);
        write_file(tmp / "a.zip", build_archive(c.archive));
        const Tree before = stdfs::exists(target) ? read_tree(target) : Tree{};
        zip::StagedExtraction staged;
        std::function<bool(const std::string&)> wanted;  // none: every file and folder
        if (!c.wanted.empty())
            wanted = [&c](const std::string& rel) { return std::find(c.wanted.begin(), c.wanted.end(), rel) != c.wanted.end(); };
        TempDir copy;
        if (stdfs::exists(target)) stdfs::copy(target, copy / "save", stdfs::copy_options::recursive);
        ASSERT_TRUE(zip::stage_extraction(tmp / "a.zip", target, {}, {}, &staged, wanted).ok);

        // Nothing that was there changed; what was written bears our temporary names only.
        EXPECT_EQ(without_temporaries(stdfs::exists(target) ? read_tree(target) : Tree{}), before);
        std::vector<std::string> replaced, created, folders;
        for (const auto& f : staged.files) {
            EXPECT_TRUE(fs::is_temporary_name(stdfs::path(f.staged).filename().string())) << f.staged;
            EXPECT_EQ(f.target, target + "/" + f.relative);
            if (f.replaces) EXPECT_EQ(f.existing_size, before.at(f.relative).size());
            (f.replaces ? replaced : created).push_back(f.relative);
        }
        for (const auto& f : staged.folders) folders.push_back(f.relative);
        EXPECT_EQ(replaced, c.replaced);
        EXPECT_EQ(created, c.created);
        EXPECT_EQ(folders, c.new_folders);

        // The renames put exactly the archive's wanted files in place, beside what was there.
        Tree expected = before;
        for (const FakeEntry& e : c.archive)
            if (e.name.back() == '/' ? !wanted : !wanted || wanted(e.name)) {
                expected[e.name] = e.data;
                for (std::size_t cut = e.name.find('/'); cut != std::string::npos && cut + 1 < e.name.size();
                     cut = e.name.find('/', cut + 1))
                    expected[e.name.substr(0, cut + 1)] = "";
            }
        for (const auto& f : staged.files) ASSERT_EQ(::rename(f.staged.c_str(), f.target.c_str()), 0);
        for (const auto& f : staged.folders) ASSERT_EQ(::rename(f.staged.c_str(), f.target.c_str()), 0);
        EXPECT_EQ(read_tree(target), expected);

        // Or, not wanted after all: what it wrote goes and leaves the target as it was.
        stdfs::remove_all(target);
        if (stdfs::exists(copy / "save")) stdfs::copy(copy / "save", target, stdfs::copy_options::recursive);
        ASSERT_TRUE(zip::stage_extraction(tmp / "a.zip", target, {}, {}, &staged, wanted).ok);
        std::error_code ec;  // folders go only once empty: files first, then folders, innermost first
        for (const std::string& path : staged.written) stdfs::remove(path, ec);
        for (auto path = staged.written.rbegin(); path != staged.written.rend(); ++path) stdfs::remove(*path, ec);
        EXPECT_EQ(stdfs::exists(target) ? read_tree(target) : Tree{}, before);
        EXPECT_EQ(stdfs::exists(tmp / "save"), !c.before.empty());
    }
}

// A bad entry anywhere: staging fails and takes away all it wrote, whatever was written before it.
TEST(ZipStaging, AFailureLeavesNothingBehind) {
    FakeEntry bad("later/bad.sav", std::string(5000, 'b'));
    bad.crc = 1;
    for (const bool target_exists : {true, false}) {
        TempDir tmp;
        if (target_exists) write_file(tmp / "save/a.sav", "old");
        write_file(tmp / "a.zip", build_archive({{"a.sav", "new"}, {"dir/x.sav", "x"}, bad}));
        zip::StagedExtraction staged;
        zip::Options options;
        options.threads = 1;
        EXPECT_FALSE(zip::stage_extraction(tmp / "a.zip", tmp / "save", {}, options, &staged).ok);
        EXPECT_TRUE(staged.written.empty());
        const Tree old = target_exists ? Tree{{"a.sav", "old"}} : Tree{};
        EXPECT_EQ(stdfs::exists(tmp / "save") ? read_tree(tmp / "save") : Tree{}, old);
        EXPECT_EQ(stdfs::exists(tmp / "save"), target_exists);
    }
}

// With keep_identical a file already there with the archive's size, time and bytes is left alone;
// one that differs in any of them is replaced; a damaged entry is refused all the same.
TEST(ZipStaging, KeepIdenticalLeavesOnlyAFileThatIsTheArchivesOwn) {
    const time_t archive_time = 1600000000;  // what the builder gives every entry
    std::string bytes(3 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
    const auto changed_at = [&bytes](std::size_t at) { std::string b = bytes; b[at] ^= 1; return b; };
    struct Case {
        const char* what;
        std::string there;
        time_t time;
        bool bad_crc, identical, ok;
    };
    const std::vector<Case> cases = {
        {"the same bytes and time", bytes, archive_time, false, true, true},
        {"one byte other near the end", changed_at(bytes.size() - 1), archive_time, false, false, true},
        {"one byte other at the start", changed_at(0), archive_time, false, false, true},
        {"another time", bytes, archive_time + 2, false, false, true},
        {"another size", bytes + "!", archive_time, false, false, true},
        {"the same bytes, the entry damaged", bytes, archive_time, true, false, false},
    };
    for (const Case& c : cases)
        for (const bool deflated : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (deflated ? ", deflated" : ", stored"));
            TempDir tmp;
            write_file(tmp / "save/a.sav", c.there);
            set_mtime(tmp / "save/a.sav", c.time);
            FakeEntry entry("a.sav", bytes, deflated);
            if (c.bad_crc) entry.crc = 1;
            write_file(tmp / "a.zip", build_archive({entry, {"b.sav", "b"}}));
            zip::Options options;
            options.keep_identical = true;
            zip::StagedExtraction staged;
            ASSERT_EQ(zip::stage_extraction(tmp / "a.zip", tmp / "save", {}, options, &staged).ok, c.ok);
            if (!c.ok) continue;
            using Names = std::vector<std::string>;
            EXPECT_EQ(staged.identical, c.identical ? Names{"a.sav"} : Names{});
            Names staged_files;
            for (const auto& f : staged.files) staged_files.push_back(f.relative);
            EXPECT_EQ(staged_files, c.identical ? Names{"b.sav"} : (Names{"a.sav", "b.sav"}));
            EXPECT_EQ(read_file(tmp / "save/a.sav"), c.there);
            EXPECT_EQ(mtime_of(tmp / "save/a.sav"), c.time);
        }
}

}  // namespace
}  // namespace zip_test
