#include "registry_snapshot.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

namespace {

struct Root {
    HKEY key;
    const char* name;
    const char* path;
};

// Where setup of a shell extension can write: the classes, the shell's
// settings (machine and user both), and the uninstall settings.
const Root kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKLM", "Software\\Classes"},
    {HKEY_CURRENT_USER, "HKCU", "Software\\Classes"},
    {HKEY_LOCAL_MACHINE, "HKLM", "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions"},
    {HKEY_CURRENT_USER, "HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions"},
    {HKEY_LOCAL_MACHINE, "HKLM", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
};

std::string hex_of(const BYTE* data, DWORD size)
{
    std::string text;
    char byte[4];
    for (DWORD i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        text += byte;
    }
    return text;
}

void add_values(HKEY key, const std::string& path, RegistrySnapshot& out)
{
    std::vector<char> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD name_size = static_cast<DWORD>(name.size());
        DWORD data_size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, name.data(), &name_size, nullptr, &type, data.data(), &data_size) != ERROR_SUCCESS)
            break;
        out.insert(registry_name(path + " : " + std::string(name.data(), name_size)) + " = " + std::to_string(type) +
                   ":" + hex_of(data.data(), data_size));
    }
}

void add_key(HKEY parent, const std::string& subkey, const std::string& path, RegistrySnapshot& out)
{
    HKEY key;
    if (RegOpenKeyExA(parent, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out.insert(registry_name(path));
    add_values(key, path, out);
    std::vector<std::string> children;
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(name, size);
    }
    for (const std::string& child : children)
        add_key(key, child, path + "\\" + child, out);
    RegCloseKey(key);
}

}

std::string registry_name(std::string text)
{
    CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

RegistrySnapshot snapshot_registry()
{
    RegistrySnapshot out;
    for (const Root& root : kRoots)
        add_key(root.key, root.path, std::string(root.name) + "\\" + root.path, out);
    return out;
}

RegistrySnapshot only_in(const RegistrySnapshot& a, const RegistrySnapshot& b)
{
    RegistrySnapshot out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}
