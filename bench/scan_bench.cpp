// The uninstall scan's two costs, apart: the scan of a generated tree whose
// records are all other programs' (name checks, path forming, one read of
// each record) beside a bare FindFirstFileW walk of the same tree in the
// same run, and the time to clear one record of ours, which includes
// flushing the copy to the disk before it takes the record's place.
#include "page/customization.h"
#include "page/tree_scan.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// 28 + 28^2 + 28^3 = 22,764 directories; one in a hundred holds a record.
const int kBranching = 28;
const int kDepth = 3;
const int kRecordEvery = 100;
// The machine is shared: the quietest of many short rounds, walk and scan
// taking turns at going first, says what each costs.
const int kRounds = 9;
const char kTheirs[] =
    "[.ShellClassInfo]\r\nInfoTip=Kept by another program\r\nIconResource=c:\\icons\\theirs.ico,0\r\n"
    "[ViewState]\r\nMode=4\r\nVid={137E7700-3573-11CF-AE69-08002B2E1262}\r\n";
const char kOurs[] =
    "[.ShellClassInfo]\r\nCLSID={5E676C24-194A-11d1-9FCB-4854E821E610}\r\n"
    "[QXIcons]\r\nIconFileClosed=c:\\icons\\closed.ico\r\nIndexClosed=0\r\n"
    "IconFileOpened=c:\\icons\\opened.ico\r\nIndexOpened=0\r\nAnimateLarge=1\r\n";

int g_nDirectories = 0;
std::vector<std::wstring> g_records;

void write_record(const std::string& path, const char* text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text, DWORD(std::strlen(text)), &written, nullptr);
    CloseHandle(file);
}

// Makes the tree, or only rewrites its records when it is there already.
void make_tree(const std::string& folder, int depth, bool create, const char* record)
{
    for (int i = 0; i < kBranching; ++i) {
        std::string child = folder + "\\folder " + std::to_string(i);
        if (create)
            CreateDirectoryA(child.c_str(), nullptr);
        if (++g_nDirectories % kRecordEvery == 0) {
            write_record(child + "\\Desktop.ini", record);
            if (create)
                g_records.push_back(std::wstring(child.begin(), child.end()) + L"\\Desktop.ini");
        }
        if (depth > 1)
            make_tree(child, depth - 1, create, record);
    }
}

void rewrite_records(const char* record)
{
    for (const std::wstring& path : g_records)
        write_record(std::string(path.begin(), path.end()), record);
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
    make_tree(root, kDepth, true, kTheirs);
    std::printf("tree: %d directories, %d records (%s in %.1f s)\n", g_nDirectories, int(g_records.size()),
                create ? "made" : "records rewritten", seconds_since(start));

    WCHAR szRoot[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, root.c_str(), -1, szRoot, MAX_PATH);
    int nWalked = bare_walk(szRoot);
    double bestBare = 1e9, bestScan = 1e9, bestClear = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        rewrite_records(kTheirs);
        for (int turn = 0; turn < 2; ++turn) {
            bool walk = (turn + round) % 2 == 0;
            QueryPerformanceCounter(&start);
            if (walk)
                bare_walk(szRoot);
            else
                ClearCustomizationsInTree(szRoot);
            double time = seconds_since(start);
            double& best = walk ? bestBare : bestScan;
            best = time < best ? time : best;
        }

        rewrite_records(kOurs);
        QueryPerformanceCounter(&start);
        for (const std::wstring& path : g_records)
            RemoveCustomization(path.c_str());
        double clear = seconds_since(start) / double(g_records.size());
        bestClear = clear < bestClear ? clear : bestClear;
    }
    std::printf("bare FindFirstFileW walk:           %.0f directories/s\n", nWalked / bestBare);
    std::printf("scan, no record of ours:            %.0f directories/s\n", nWalked / bestScan);
    std::printf("scan time / walk time:              %.3f (goal at most 1.05; best of %d rounds each)\n",
                bestScan / bestBare, kRounds);
    std::printf("clearing one record of ours:        %.2f ms, flushed (goal at most 10 ms; best of %d rounds, mean of %d)\n",
                bestClear * 1000, kRounds, int(g_records.size()));
    return 0;
}
