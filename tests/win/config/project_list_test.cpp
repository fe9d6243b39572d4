// The ordering read from a real GBK project list through the profile functions.
#include "config/project_list.h"

#include <gtest/gtest.h>

#include "win/support/win_test.h"

namespace {

using Names = std::vector<std::string>;

TEST(LoadProjectNames, MissingFileGivesNoProjects) {
    wintest::TempDir dir("项目列表");
    EXPECT_EQ(load_project_names(dir / "没有.ini"), Names{});
    EXPECT_EQ(load_project_names(""), Names{});
}

TEST(LoadProjectNames, OrdersByTheStampInTheFile) {
    wintest::TempDir dir("项目列表");
    const std::string file = dir / "存档配置文件_淺東 .ini";
    wintest::write_file(file,
                        "[甲]\r\n操作时间=2020年1月1日1时1分1秒\r\n"
                        "[淺]\r\n存档路径=C:\\淺\r\n"  // never stamped
                        "[乙]\r\n操作时间=2020年1月1日1时1分1秒\r\n"
                        "[東]\r\n操作时间=abc\r\n"
                        "[丙]\r\n操作时间=1900年1月1日\r\n"
                        "[丁]\r\n操作时间=2099年12月31日23时59分59秒\r\n"
                        "[戊]\r\n操作时间=2011年1月1日1时1分2秒\r\n");
    EXPECT_EQ(load_project_names(file), (Names{"丁", "甲", "乙", "戊", "淺", "丙", "東"}));
}

}  // namespace
