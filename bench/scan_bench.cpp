// Speed of the uninstall scan, in directories per second, beside a bare
// FindFirstFileW walk of the same generated tree in the same run: the ratio
// is what the scan's own work (name checks, path forming, the record tests
// and removals) costs on top of listing the disk.
#include "page/tree_scan.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// 28 + 28^2 + 28^3 = 22,764 directories; one in a hundred holds a record.
const int kBranching = 28;
const int kDepth = 3;
const int kRecordEvery = 100;
const int kRounds = 3;
const char kRecord[] =
    "[.ShellClassInfo]\r\nCLSID={5E676C24-194A-11d1-9FCB-4854E821E610}\r\n"
    "[QXIcons]\r\nIconFileClosed=c:\\icons\\closed.ico\r\nIndexClosed=0\r\n"
    "IconFileOpened=c:\\icons\\opened.ico\r\nIndexOpened=0\r\nAnimateLarge=1\r\n";

int g_nDirectories = 0;

void write_record(const std::string& folder)
{
    HANDLE file = CreateFileA((folder + "\\Desktop.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, kRecord, sizeof kRecord - 1, &written, nullptr);
    CloseHandle(file);
}

// Makes the tree, or only rewrites its records when it is there already.
void make_tree(const std::string& folder, int depth, bool create)
{
    for (int i = 0; i < kBranching; ++i) {
        std::string child = folder + "\\folder " + std::to_string(i);
        if (create)
            CreateDirectoryA(child.c_str(), nullptr);
        if (++g_nDirectories % kRecordEvery == 0)
            write_record(child);
        if (depth > 1)
            make_tree(child, depth - 1, create);
    }
}

// The same walk as the scan, with nothing done on the way.
int bare_walk(const WCHAR* pszDirectory)
{
    WCHAR szPath[MAX_PATH];
    wsprintfW(szPath, L"%s\\*.*", pszDirectory);
    WIN32_FIND_DATAW fd;
    HANDLE hFind = FindFirstFileW(szPath, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    int nDirectories = 1;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.') {
            wsprintfW(szPath, L"%s\\%s", pszDirectory, fd.cFileName);
            nDirectories += bare_walk(szPath);
        }
    } while (FindNextFileW(hFind, &fd));
    FindClose(hFind);
    return nDirectories;
}

double seconds_since(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

}

int main()
{
    char szTemp[MAX_PATH];
    GetTempPathA(MAX_PATH, szTemp);
    std::string root = std::string(szTemp) + "scan_bench";
    bool create = CreateDirectoryA(root.c_str(), nullptr) != FALSE;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    make_tree(root, kDepth, create);
    std::printf("tree: %d directories, %d records (%s in %.1f s)\n", g_nDirectories, g_nDirectories / kRecordEvery,
                create ? "made" : "records rewritten", seconds_since(start));

    WCHAR szRoot[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, root.c_str(), -1, szRoot, MAX_PATH);
    int nWalked = bare_walk(szRoot);
    double bestBare = 1e9, bestScan = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        QueryPerformanceCounter(&start);
        bare_walk(szRoot);
        double bare = seconds_since(start);
        bestBare = bare < bestBare ? bare : bestBare;

        g_nDirectories = 0;
        make_tree(root, kDepth, false);
        QueryPerformanceCounter(&start);
        ClearCustomizationsInTree(szRoot);
        double scan = seconds_since(start);
        bestScan = scan < bestScan ? scan : bestScan;
    }
    std::printf("bare FindFirstFileW walk: %.0f directories/s\n", nWalked / bestBare);
    std::printf("uninstall scan:           %.0f directories/s\n", nWalked / bestScan);
    std::printf("scan time / walk time:    %.2f (best of %d rounds each)\n", bestScan / bestBare, kRounds);
    return 0;
}
