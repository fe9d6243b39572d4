/* A game for the tests. It runs STAND_IN_MS milliseconds (3000 unless set) and writes "after" into
   the file STAND_IN_SAVE as it ends, the way a game saves on quitting. With STAND_IN_LAUNCH set it
   is a launcher instead: it starts itself again (same file, same process name) and ends at once.
   With STAND_IN_HOLD set it holds the save file open, shared with nobody, while it runs.
   Wide calls throughout: Wine cuts non-ASCII values of the ANSI environment calls short. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    WCHAR self[MAX_PATH * 2], value[MAX_PATH * 2];
    (void)instance, (void)previous, (void)command_line, (void)show;
    GetModuleFileNameW(NULL, self, MAX_PATH * 2);
    if (GetEnvironmentVariableW(L"STAND_IN_LAUNCH", value, MAX_PATH * 2)) {
        STARTUPINFOW si = {sizeof si};
        PROCESS_INFORMATION pi;
        SetEnvironmentVariableW(L"STAND_IN_LAUNCH", NULL);
        if (!CreateProcessW(self, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return 1;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return 0;
    }
    HANDLE held = INVALID_HANDLE_VALUE;
    if (GetEnvironmentVariableW(L"STAND_IN_HOLD", value, MAX_PATH * 2) &&
        GetEnvironmentVariableW(L"STAND_IN_SAVE", value, MAX_PATH * 2))
        held = CreateFileW(value, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    Sleep(GetEnvironmentVariableW(L"STAND_IN_MS", value, MAX_PATH * 2) ? (DWORD)_wtoi(value) : 3000);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (GetEnvironmentVariableW(L"STAND_IN_SAVE", value, MAX_PATH * 2)) {
        HANDLE f = CreateFileW(value, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written;
        WriteFile(f, "after", 5, &written, NULL);
        CloseHandle(f);
    }
    return 0;
}
