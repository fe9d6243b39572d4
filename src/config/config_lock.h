#pragma once
// The windows and any command-line run of the tool may work on the same files at once. The profile
// functions read, change and rewrite a whole INI file for every key, so two writers interleaving
// would lose each other's keys, and a reader could meet a half-written file. Every access to the
// tool's configuration files holds this lock, which all processes of the session share.

// Held from construction to destruction; a thread may take it again while it holds it.
class ConfigFilesLock {
   public:
    ConfigFilesLock();
    ~ConfigFilesLock();
    ConfigFilesLock(const ConfigFilesLock&) = delete;
    ConfigFilesLock& operator=(const ConfigFilesLock&) = delete;

   private:
    bool held_ = false;
};
