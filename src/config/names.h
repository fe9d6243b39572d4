#pragma once
// File, folder, section and key names of the tool's data beside its executable. Names of files and
// folders are the file world's; sections and keys are text of the INI files (GBK).
#include "fs/file_names.h"

namespace names {
inline constexpr const char* kConfigDir = FS_NAME("配置目录");
inline constexpr const char* kBackupDir = FS_NAME("存档目录");
inline constexpr const char* kSystemConfigFile = FS_NAME("系统配置文件.ini");
inline constexpr const char* kLegacyConfigFile = FS_NAME("存档配置文件.ini");
inline constexpr const char* kSaveConfigPrefix = FS_NAME("存档配置文件_");
inline constexpr const char* kSaveConfigSuffix = " .ini";  // the blank is part of the name
inline constexpr const char* kMachineSection = "存档配置";
inline constexpr const char* kProgramPathKey = "程序路径";
inline constexpr const char* kSavePathKey = "存档路径";
inline constexpr const char* kOperationTimeKey = "操作时间";
inline constexpr const char* kBackupOnExitKey = "退出后备份";  // "1": back up once the program has ended
inline constexpr const char* kKeepSetsKey = "保留份数";        // how many backups to keep; absent: all
inline constexpr const char* kTimedBackupKey = "定时备份";     // minutes between backups while the program runs
inline constexpr const char* kExclusionsKey = "排除";             // patterns joined with ";": left out of backups
inline constexpr const char* kTimedKeepKey = "自动保留份数";     // how many timed backups to keep
inline constexpr const char* kSyncKey = "同步";                 // "1": sets written whole go to the server too
inline constexpr const char* kQuickBackupKeySection = "快速备份键";  // per machine (key: its id): the quick keys
inline constexpr const char* kQuickRestoreKeySection = "快速恢复键";
inline constexpr const char* kPathFixSection = "路径修正";  // per machine: "old>new|…", see paths/path_fixes.h
// Per machine (key: its id): the server or folder sets are synced with, and who signs in there.
inline constexpr const char* kSyncAddressSection = "同步服务器";
inline constexpr const char* kSyncUserSection = "同步用户名";
inline constexpr const char* kSyncPasswordSection = "同步密码";  // only as the Windows user sealed it
inline constexpr const char* kPendingUploadsPrefix = FS_NAME("待上传_");  // + machine id + ".ini", in 配置目录
inline constexpr const char* kRunLogFile = "varnoke.log";     // in "配置目录": what runs without a window did
}  // namespace names
