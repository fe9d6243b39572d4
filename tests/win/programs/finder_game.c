/* A game for the save finder's tests. With FINDER_GAME_WRITES set it writes, after a moment, its
   save under AppData\LocalLow\<FINDER_GAME_MAKER>\寻宝记, a log in the temp folder, a shader cache,
   a log in a logs-only folder and a setting beside itself; then it runs on for FINDER_GAME_MS
   milliseconds (1500 unless set). Built as finder_launcher with LAUNCHER defined it is a launcher
   instead: it starts FINDER_GAME_PATH (a process of another name) and ends at once.
   Wide calls throughout: Wine cuts non-ASCII values of the ANSI environment calls short. */
#include <windows.h>

#define LONG_TEXT (MAX_PATH * 2)

#ifndef LAUNCHER

static void write_file(const WCHAR* folder, const WCHAR* name) {
    WCHAR path[LONG_TEXT], *p;
    HANDLE f;
    DWORD written;
    lstrcpyW(path, folder);
    for (p = path + 3; *p; ++p) /* every folder on the way */
        if (*p == L'\\') {
            *p = 0;
            CreateDirectoryW(path, NULL);
            *p = L'\\';
        }
    CreateDirectoryW(path, NULL);
    lstrcatW(path, L"\\");
    lstrcatW(path, name);
    f = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    WriteFile(f, "data", 4, &written, NULL);
    CloseHandle(f);
}

static void below_profile(WCHAR* out, const WCHAR* rest) {
    GetEnvironmentVariableW(L"USERPROFILE", out, LONG_TEXT);
    lstrcatW(out, rest);
}

static void write_everything(void) {
    WCHAR folder[LONG_TEXT], maker[MAX_PATH], *slash;
    GetEnvironmentVariableW(L"FINDER_GAME_MAKER", maker, MAX_PATH);
    below_profile(folder, L"\\AppData\\LocalLow\\");
    lstrcatW(folder, maker);
    lstrcatW(folder, L"\\寻宝记");
    write_file(folder, L"save1.dat");
    GetTempPathW(LONG_TEXT, folder);
    folder[lstrlenW(folder) - 1] = 0;
    write_file(folder, L"finder_game.log");
    below_profile(folder, L"\\AppData\\Local\\NVIDIA\\DXCache");
    write_file(folder, L"finder_game.bin");
    below_profile(folder, L"\\AppData\\Local\\");
    lstrcatW(folder, maker);
    lstrcatW(folder, L"\\Logs");
    write_file(folder, L"game.log");
    GetModuleFileNameW(NULL, folder, LONG_TEXT);
    slash = folder + lstrlenW(folder);
    while (slash > folder && *slash != L'\\') --slash;
    *slash = 0;
    write_file(folder, L"settings.ini");
}

#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    WCHAR value[LONG_TEXT];
    (void)instance, (void)previous, (void)command_line, (void)show;
#ifdef LAUNCHER
    {
        STARTUPINFOW si;
        PROCESS_INFORMATION pi;
        ZeroMemory(&si, sizeof si);
        si.cb = sizeof si;
        if (!GetEnvironmentVariableW(L"FINDER_GAME_PATH", value, LONG_TEXT)) return 2;
        if (!CreateProcessW(value, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return 1;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return 0;
    }
#else
    Sleep(300);
    if (GetEnvironmentVariableW(L"FINDER_GAME_WRITES", value, LONG_TEXT)) write_everything();
    Sleep(GetEnvironmentVariableW(L"FINDER_GAME_MS", value, LONG_TEXT) ? (DWORD)_wtoi(value) : 1500);
    return 0;
#endif
}
