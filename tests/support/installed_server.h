// How COM and DirectInput find a class's DLL once the wheel's software is
// installed: the default value of the class's InprocServer32 key below
// HKEY_CLASSES_ROOT\CLSID, a bare file name that the loader finds in the
// system folder. The Windows tests that run against an installation load the DLLs
// this way, with the switch below, instead of by the build's path.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/windows_api.h"

namespace torvex::testing {

inline constexpr const char* kInstalledSwitch = "--installed";
inline constexpr const char* kDriverClassText = "{AF8D694E-457D-4284-A357-07B9FB497739}";
inline constexpr const char* kSheetClassText = "{C1615263-565A-478F-9948-9AC3A8D02110}";

inline bool HasSwitch(int argc, char** argv, const char* wanted)
{
    return std::any_of(argv + 1, argv + argc,
                       [&](const char* argument) { return std::strcmp(argument, wanted) == 0; });
}

// The server the installation registered for `classText`; empty when the
// class is not installed.
inline std::string InstalledServer(const char* classText)
{
    const std::string path = std::string("CLSID\\") + classText + "\\InprocServer32";
    char server[MAX_PATH] = {};
    DWORD size = sizeof server - 1;
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS)
        return {};
    const LONG read = RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(server), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? std::string(server) : std::string();
}

// The system folder, where the installation puts both DLLs.
inline std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder - 1);
    return folder;
}

// The file a loaded module came from.
inline std::string ModuleFile(HMODULE module)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, sizeof path - 1);
    return path;
}

// Whether `module` is the installed copy, not one beside the program or
// in the build.
inline bool LoadedFromSystemFolder(HMODULE module)
{
    const std::string folder = SystemFolder() + "\\";
    const std::string file = ModuleFile(module);
    return file.size() > folder.size() && _strnicmp(file.c_str(), folder.c_str(), folder.size()) == 0;
}

} // namespace torvex::testing
