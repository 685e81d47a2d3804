// Install adds the class's folder attributes, and only under a class key that
// the setup file has already made.
#include "folders/setup_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string kClassKey = std::string("CLSID\\") + kOurClass;
const std::string kShellFolderKey = kClassKey + "\\ShellFolder";

class InstallEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        entries_ = load_setup_entries();
        ASSERT_NE(entries_.install, nullptr) << "Install is not exported";
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey.c_str()); }

    void install()
    {
        EXPECT_EQ(call_run_dll_entry(entries_.install), 16u) << "Install unbalanced its caller's stack";
    }

    SetupEntries entries_;
};

void create_key(const std::string& path)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(InstallEntry, WritesNothingWhenTheClassIsNotRegistered)
{
    install();

    HKEY key = reinterpret_cast<HKEY>(0xdeadbeef);
    LONG result = RegOpenKeyExA(HKEY_CLASSES_ROOT, kClassKey.c_str(), 0, KEY_READ, &key);
    EXPECT_EQ(result, ERROR_FILE_NOT_FOUND) << "Install created the class key";
    if (result == ERROR_SUCCESS)
        RegCloseKey(key);
}

TEST_F(InstallEntry, RunTwiceLeavesOneAttributesValueOfFourBytes)
{
    create_key(kClassKey);
    // A stale value of another type must be replaced, not kept beside ours.
    HKEY shell_folder = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kShellFolderKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &shell_folder, nullptr), ERROR_SUCCESS);
    DWORD stale = 0x12345678;
    RegSetValueExA(shell_folder, "Attributes", 0, REG_DWORD, reinterpret_cast<BYTE*>(&stale), sizeof stale);
    RegCloseKey(shell_folder);

    install();
    install();

    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kShellFolderKey.c_str(), 0, KEY_READ, &shell_folder),
              ERROR_SUCCESS);
    BYTE data[16];
    std::memset(data, 0xcc, sizeof data);
    DWORD type = 0xcccccccc, size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(shell_folder, "Attributes", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(size, 4u);
    EXPECT_EQ(data[0], 0x36) << std::hex << int(data[0]);
    EXPECT_EQ(data[1], 0x01) << std::hex << int(data[1]);
    EXPECT_EQ(data[2], 0x00) << std::hex << int(data[2]);
    EXPECT_EQ(data[3], 0xE0) << std::hex << int(data[3]);
    DWORD subkeys = 99, values = 99;
    RegQueryInfoKeyA(shell_folder, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(subkeys, 0u);
    RegCloseKey(shell_folder);
}

TEST_F(InstallEntry, AddsOnlyTheShellFolderKeyToTheClass)
{
    create_key(kClassKey);

    install();

    HKEY class_key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kClassKey.c_str(), 0, KEY_READ, &class_key), ERROR_SUCCESS);
    DWORD subkeys = 99, values = 99;
    RegQueryInfoKeyA(class_key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    char name[64] = "<none>";
    DWORD name_size = sizeof name;
    RegEnumKeyExA(class_key, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(subkeys, 1u);
    EXPECT_EQ(values, 0u);
    EXPECT_STREQ(name, "ShellFolder");
    RegCloseKey(class_key);
}

}
