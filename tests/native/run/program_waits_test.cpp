// Waiting for started programs: a program has ended only when no process of its file name is left.
#include <gtest/gtest.h>

#include <set>

#include "run/program_waits.h"

namespace {

TEST(ProgramWaits, EndsOnePerLookOnlyWhenNoProcessOfTheNameIsLeftAndNeverTwiceForAProject) {
    ProgramWaits waits;
    EXPECT_TRUE(waits.add("游戏", "D:\\游戏\\game.exe"));
    EXPECT_TRUE(waits.add("Other", "E:\\other.exe"));
    EXPECT_FALSE(waits.add("游戏", "D:\\游戏\\game.exe"));  // started twice: one backup
    EXPECT_FALSE(waits.add("OTHER", "E:\\other.exe"));      // the same project, as the INI file sees it
    EXPECT_EQ(waits.projects(), (std::vector<std::string>{"游戏", "Other"}));

    std::set<std::string> running = {"game.exe", "other.exe"};
    const auto is_running = [&](const std::string& exe) { return running.count(exe) > 0; };
    EXPECT_EQ(waits.take_ended(is_running), std::nullopt);
    running = {"game.exe"};  // the launcher handed over to a process of the same name
    EXPECT_EQ(waits.take_ended(is_running), "Other");
    EXPECT_EQ(waits.take_ended(is_running), std::nullopt);
    running.clear();
    const auto ready = [](const std::string& project) { return project != "游戏"; };  // 游戏 is still busy
    EXPECT_EQ(waits.take_ended(is_running, ready), std::nullopt);
    EXPECT_EQ(waits.take_ended(is_running), "游戏");
    EXPECT_TRUE(waits.idle());
    EXPECT_EQ(waits.take_ended(is_running), std::nullopt);
}

TEST(ProgramWaits, SaysWhichProgramItWaitsFor) {
    EXPECT_EQ(waiting_text("D:\\游戏\\game.exe"), "等待 game.exe 退出…");
    EXPECT_EQ(waiting_text("game.exe"), "等待 game.exe 退出…");
}

}  // namespace
