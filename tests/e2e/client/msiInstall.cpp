// Installs a package through the Windows Installer API, as a program that embeds an install
// does: msiInstall <package> <log>, silently, with the properties that the environment variable
// VOLMORA_MSI_PROPERTIES holds, passed on exactly (msiexec.exe reads its own command line first,
// and turns some property values into others). Ends with MsiInstallProductW's result.
#include <windows.h>

#include <msi.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: msiInstall <package> <log>\n", stderr);
        return ERROR_INVALID_PARAMETER;
    }
    std::wstring properties(32768, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"VOLMORA_MSI_PROPERTIES", properties.data(),
                                                 static_cast<DWORD>(properties.size()));
    properties.resize(length < properties.size() ? length : 0);
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    const DWORD everything =
        INSTALLLOGMODE_FATALEXIT | INSTALLLOGMODE_ERROR | INSTALLLOGMODE_WARNING |
        INSTALLLOGMODE_USER | INSTALLLOGMODE_INFO | INSTALLLOGMODE_RESOLVESOURCE |
        INSTALLLOGMODE_OUTOFDISKSPACE | INSTALLLOGMODE_ACTIONSTART | INSTALLLOGMODE_ACTIONDATA |
        INSTALLLOGMODE_COMMONDATA | INSTALLLOGMODE_PROPERTYDUMP | INSTALLLOGMODE_VERBOSE;
    if (const UINT logged = MsiEnableLogW(everything, argv[2], 0); logged != ERROR_SUCCESS) {
        std::printf("MsiEnableLogW %u\n", logged);
        return static_cast<int>(logged);
    }
    const UINT result = MsiInstallProductW(argv[1], properties.c_str());
    std::printf("MsiInstallProductW %u\n", result);
    return static_cast<int>(result);
}
