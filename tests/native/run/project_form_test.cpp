// The checks of "修改" and "增加": what is told, where the focus ends, what is written and stamped.
#include <gtest/gtest.h>

#include "run/project_form.h"

namespace {

const std::vector<std::string> kListed = {"甲", "Game"};
const std::string kRefusedName = "“a:b”不能用作项目名称：";
const std::string kOverlap = "存档路径重叠";

struct FormCase {
    bool add;
    std::string loaded, name, save_path;
    std::vector<std::string> messages;
    std::optional<FormField> focus;
    bool write, stamp;
    std::vector<std::string> folders = {};  // as the save path names them on this machine
};

class FormChecks : public ::testing::TestWithParam<FormCase> {};

TEST_P(FormChecks, TellFocusWriteAndStampAsThePagesDo) {
    const FormCase& c = GetParam();
    const FormCheck check = c.add ? check_add(kListed, c.name, c.save_path, c.folders)
                                  : check_modify(kListed, c.loaded, c.name, c.save_path, c.folders);
    ASSERT_EQ(check.messages.size(), c.messages.size());
    for (size_t i = 0; i < c.messages.size(); ++i)
        EXPECT_EQ(check.messages[i].rfind(c.messages[i], 0), 0u) << check.messages[i];  // begins so
    EXPECT_EQ(check.focus, c.focus);
    EXPECT_EQ(check.write, c.write);
    EXPECT_EQ(check.stamp, c.stamp);
}

using F = FormField;
INSTANTIATE_TEST_SUITE_P(
    Pages, FormChecks,
    ::testing::Values(
        // 修改
        FormCase{false, "甲", "", "C:\\s", {"请选择修改项目！"}, F::name, false, false},
        FormCase{false, "甲", "a:b", "C:\\s", {kRefusedName}, F::name, false, false},
        FormCase{false, "甲", " 甲", "C:\\s", {"“ 甲”不能用作项目名称：名称不能以空格开头。"}, F::name, false, false},
        FormCase{false, "甲", "甲", "", {"存档路径不能为空！"}, F::save_path, false, true},
        FormCase{false, "甲", "GAME", "C:\\s", {"存在相同名称项目禁止修改！"}, F::name, false, true},
        FormCase{false, "Game", "GAME", "C:\\s", {}, std::nullopt, true, true},  // a change of case
        FormCase{false, "甲", "乙", "C:\\s", {}, std::nullopt, true, true},      // a rename
        FormCase{false, "", "GAME", "C:\\s", {}, std::nullopt, true, true},      // nothing loaded
        // 增加
        FormCase{true, "", "", "C:\\s", {"请填写项目名称！"}, F::name, false, false},
        FormCase{true, "", "a:b", "", {kRefusedName}, F::name, false, false},
        FormCase{true, "", "乙", "", {"存档路径不能为空！"}, F::save_path, false, true},
        FormCase{true, "", "game", "C:\\s", {"存在相同名称项目禁止增加！"}, F::name, false, true},
        FormCase{true, "", "game", "", {"存在相同名称项目禁止增加！", "存档路径不能为空！"}, F::save_path, false, true},
        FormCase{true, "", "乙", "C:\\s", {}, std::nullopt, true, true},
        // Folders that overlap: one inside another, or the same one spelled otherwise
        FormCase{true, "", "乙", "C:\\s|C:\\s\\a", {kOverlap}, F::save_path, false, true, {"C:/s", "C:/s/a"}},
        FormCase{false, "甲", "甲", "C:\\s|c:\\S\\", {kOverlap}, F::save_path, false, true, {"C:/s", "c:/S/"}},
        FormCase{true, "", "乙", "C:\\s|C:\\s.a", {}, std::nullopt, true, true, {"C:/s", "C:/s.a"}}));

}  // namespace
