#pragma once
// Carries out a restore record: its renames in order, all of them or none. Every step is a rename
// within one folder, so each is whole even when the process is ended by force, and whether it was
// done can be read off the disk later: its destination is there and its source is not.
#include <string>

#include "backup/restore_record.h"

// Does the moves one after another, never over an existing file; stops at the first that fails
// and returns the reason, naming the file ("" when all were done). The caller takes back.
std::string commit_moves(zip::FileSystem& fs, const RestoreRecord& record);

// Takes back every move that was done, latest first, and removes what was written for the record,
// also any temporary file of ours left in its save folders. False when a move could not be taken
// back (a file held open meanwhile): then the record must stay for another try.
bool take_back(zip::FileSystem& fs, const RestoreRecord& record);

// After success: gives the new files the attributes of those they replaced, and removes the old
// copies set aside and the folders that are to go.
void finish(zip::FileSystem& fs, const RestoreRecord& record);

// Removes our temporary files and folders anywhere below `folder` (what a write ended by force left).
void sweep_temporaries(zip::FileSystem& fs, const std::string& folder);
