// The end of a session: reported names are checked on the disk, lost roots are walked by time.
#include "finder/recording.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

namespace stdfs = std::filesystem;

class FinderRecording : public ::testing::Test {
   protected:
    stdfs::path base;

    void SetUp() override {
        base = stdfs::temp_directory_path() / ("finder_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        stdfs::remove_all(base);
        stdfs::create_directories(base);
    }
    void TearDown() override { stdfs::remove_all(base); }

    void write(const std::string& relative, bool old = false) {
        const stdfs::path p = base / relative;
        stdfs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
        if (old) stdfs::last_write_time(p, stdfs::file_time_type::clock::now() - std::chrono::hours(48));
    }
    std::string root(const std::string& name) const { return (base / name).string(); }

    // The written files, as paths below `base` with "/".
    static std::set<std::string> names(const std::vector<finder::WrittenFile>& files, const std::string& base) {
        std::set<std::string> out;
        for (const auto& f : files) {
            std::string p = f.path.substr(base.size() + 1);
            for (char& c : p)
                if (c == '\\') c = '/';
            out.insert(p);
        }
        return out;
    }
};

TEST_F(FinderRecording, ReportedNamesAreCheckedAndLostRootsAreComparedByTime) {
    write("LocalLow/M/G/old.dat", true);
    write("Local/X/old.dat", true);
    const int64_t started = static_cast<int64_t>(std::time(nullptr));
    finder::Recording rec({{finder::RootKind::local_low, root("LocalLow")}, {finder::RootKind::local, root("Local")}},
                          started);
    write("LocalLow/M/G/save1.dat");
    rec.note(0, "M\\G\\save1.dat", true);
    rec.note(0, "M\\G\\save1.dat", false);  // reported twice, counted once
    rec.note(0, "M\\G\\gone.dat", true);    // written and deleted again
    rec.note(0, "M\\G", false);             // the folder's own time changed: not all of it is new
    write("LocalLow/M/New/a/b.dat", true);  // a folder renamed in: taken whole
    rec.note(0, "M\\New", true);
    rec.note(1, "Temp\\t.dat", true);  // left out as it comes: memory holds what may count
    write("Local/X/new.dat");
    write("Local/Temp/t.dat");
    write("Local/Y/z.dat");
    rec.note(1, "Y\\z.dat", false);
    EXPECT_EQ(rec.noted(), 5u);
    rec.rescan(1);  // its reports overflowed: the names noted for it are found again by the walk
    EXPECT_EQ(rec.noted(), 4u);
    rec.note(1, "X\\ignored.dat", false);
    EXPECT_EQ(rec.noted(), 4u);

    const std::vector<finder::WrittenFile> files = rec.written_files(fs::platform_file_system());
    EXPECT_EQ(names(files, base.string()),
              (std::set<std::string>{"LocalLow/M/G/save1.dat", "LocalLow/M/New/a/b.dat", "Local/X/new.dat",
                                     "Local/Y/z.dat"}));
}

TEST_F(FinderRecording, AFloodOfNamesTurnsIntoARescanOfItsRoot) {
    const int64_t started = static_cast<int64_t>(std::time(nullptr));
    finder::Recording rec({{finder::RootKind::roaming, root("Roaming")}, {finder::RootKind::local, root("Local")}},
                          started);
    rec.note(1, "M\\kept.dat", true);
    for (size_t i = 0; i < finder::Recording::kMostNames; ++i) rec.note(0, "Flood\\" + std::to_string(i), true);
    EXPECT_TRUE(rec.needs_rescan(0));
    EXPECT_FALSE(rec.needs_rescan(1));
    EXPECT_EQ(rec.noted(), 1u);
    write("Roaming/Flood/7");
    write("Local/M/kept.dat");
    EXPECT_EQ(names(rec.written_files(fs::platform_file_system()), base.string()),
              (std::set<std::string>{"Roaming/Flood/7", "Local/M/kept.dat"}));
}

}  // namespace
