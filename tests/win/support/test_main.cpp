// Entry point of every Wine test program: COM and the common controls are ready, as in the
// real program, before the first test runs.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    int rc = RUN_ALL_TESTS();
    CoUninitialize();
    return rc;
}
