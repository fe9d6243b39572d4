#pragma once
// Sync on this Windows machine: WinHTTP, the user's sealing of secrets, the computer's name.
#include "run/sync_service.h"

// `quick`: timeouts of a few seconds, for the look at the server before a game starts.
SyncSetup platform_sync_setup(fs::FileSystem& fs, const std::string& tool_dir, const std::string& machine_id,
                              bool quick = false);
