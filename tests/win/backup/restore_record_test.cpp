// A record the undo cannot use is kept on the real disk under a name of the file world, and the
// message names it as it is there.
#include <gtest/gtest.h>

#include "backup/outcome_text.h"
#include "backup/restore.h"
#include "win/support/win_test.h"

TEST(DamagedRecord, IsKeptUnderAChineseNameTheMessageShowsRight) {
    wintest::TempDir dir{"损坏记录"};
    const std::string backup = dir / "存档目录\\游戏", save = dir / "存档";
    ASSERT_TRUE(wintest::make_dirs(backup + "\\恢复前") && wintest::make_dirs(save));
    wintest::write_file(backup + "\\恢复前\\上次恢复.txt", "Varnoke 恢复记录\r\n不是记录\r\n");
    const backup::RestoreSetResult u =
        backup::undo_last_restore(wintest::disk(), {wintest::on_disk(backup), {wintest::on_disk(save)}}, {});
    EXPECT_FALSE(u.changed);
    const std::string kept = backup + "\\恢复前\\上次恢复.已损坏.txt";
    EXPECT_EQ(wintest::read_file(kept), "Varnoke 恢复记录\r\n不是记录\r\n");
    EXPECT_NE(backup::recovery_text(u.recovery, {}).find("\r\n" + kept), std::string::npos)
        << recovery_text(u.recovery, {});
}
