#pragma once
// 存档历史 of a project that syncs: its rows with the server's sets beside them.
#include <vector>

#include "backup/history.h"
#include "run/sync_service.h"

// Marks each row's 位置 and adds a row for every set only on the server, which has no folder: it
// can only be fetched and restored. A set fetched from the server pairs with its row by its time.
void add_server_sets(std::vector<backup::HistoryRow>& rows, const ServerListing& listing, int save_folders);
