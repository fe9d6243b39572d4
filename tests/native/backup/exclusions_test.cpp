// The patterns of 排除: what they leave out, at which depth, and which are refused.
#include "backup/exclusions.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* patterns;
    const char* relative;
    bool is_dir;
    bool excluded;
};

TEST(Exclusions, MatchByNameAtAnyDepthOrByPathFromTheTop) {
    const Case cases[] = {
        {"*.log", "game.log", false, true},          {"*.log", "logs/old/a.LOG", false, true},
        {"*.log", "game.log.bak", false, false},     {"*.log", "logs", true, false},
        {"cache\\", "cache", true, true},            {"cache\\", "a/b/Cache", true, true},
        {"cache\\", "cache", false, false},          {"\\cache\\", "a/cache", true, false},
        {"\\cache\\", "CACHE", true, true},          {"profiles\\*.tmp", "profiles/x.tmp", false, true},
        {"profiles\\*.tmp", "a/profiles/x.tmp", false, false},
        {"profiles\\*.tmp", "profiles/sub/x.tmp", false, false},
        {"save?.dat", "save1.dat", false, true},     {"save?.dat", "save10.dat", false, false},
        {"存档*", "存档备份.sav", false, true},      {" *.dmp ; ShaderCache\\", "shadercache", true, true},
        {"*.dmp;ShaderCache\\", "crash.dmp", false, true},
        {"", "anything", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.patterns) + " / " + c.relative);
        const std::optional<backup::Exclusions> e = backup::Exclusions::parse(c.patterns);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->excludes(c.relative, c.is_dir), c.excluded);
    }
    // A file inside a folder left out is left out too, for a restore that sees only its path.
    const backup::Exclusions e = *backup::Exclusions::parse("cache\\;*.log");
    EXPECT_TRUE(e.excludes_within("a/Cache/shader.bin"));
    EXPECT_TRUE(e.excludes_within("logs/x.log"));
    EXPECT_FALSE(e.excludes_within("cache.dat"));
}

TEST(Exclusions, UnusablePatternsAreRefusedWithTheReasonAndSkippedWhenStored) {
    for (const char* bad : {"a;;b", "..\\x", "a\\..\\b", "C:\\saves", "\\\\nas\\share", ".", "a\\\\b"}) {
        std::string problem;
        EXPECT_FALSE(backup::Exclusions::parse(bad, &problem)) << bad;
        EXPECT_NE(problem.find("排除项"), std::string::npos) << bad;
    }
    const backup::Exclusions stored = backup::Exclusions::lenient("*.log;;..\\x");
    EXPECT_TRUE(stored.excludes("a.log", false));
    EXPECT_EQ(backup::join_exclusions({" *.log ", "", "cache\\"}), "*.log;cache\\");
}

}  // namespace
