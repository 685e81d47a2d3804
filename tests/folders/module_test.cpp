// The library's entry routine and its module count under concurrent use,
// against the real folders.dll.
#include "library.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <atomic>
#include <vector>

namespace {

typedef BOOL (WINAPI* EntryRoutine)(HINSTANCE, DWORD, LPVOID);

// The routine the loader calls, found as the loader finds it.
EntryRoutine entry_of(HMODULE module)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return reinterpret_cast<EntryRoutine>(base + nt->OptionalHeader.AddressOfEntryPoint);
}

TEST(Entry, AnswersEachReason)
{
    FoldersLibrary dll;
    ASSERT_TRUE(dll.loaded());
    EntryRoutine entry = entry_of(dll.module);
    // Attach and detach are the loader's alone: calling them again would run
    // the runtime's start-up twice.
    struct { DWORD reason; BOOL expected; } cases[] = {
        {DLL_THREAD_ATTACH, TRUE}, {DLL_THREAD_DETACH, TRUE},
        {4, FALSE}, {5, FALSE}, {100, FALSE}, {0xFFFFFFFF, FALSE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(entry(dll.module, c.reason, nullptr), c.expected) << "reason " << c.reason;
    EXPECT_EQ(dll.can_unload_now(), S_OK);
}

// Process detach gives back the shell library that process attach took: once
// the library is freed, nothing of ours keeps Shell32 in the process.
TEST(Entry, DetachReleasesTheShellLibrary)
{
    if (GetModuleHandleA("shell32.dll"))
        GTEST_SKIP() << "Shell32 is already in the process";
    {
        FoldersLibrary dll;
        ASSERT_TRUE(dll.loaded());
        EXPECT_NE(GetModuleHandleA("shell32.dll"), nullptr);
    }
    EXPECT_EQ(GetModuleHandleA("shell32.dll"), nullptr);
}

struct SharedWork {
    const FoldersLibrary* dll;
    IUnknown* shared_handler;
    IUnknown* shared_folder;
    HANDLE start;
    std::atomic<int> failures{0};
    std::atomic<int> early_unload_answers{0};
};

const int kThreads = 4;
const int kRounds = 20000;

DWORD WINAPI churn(LPVOID parameter)
{
    auto* work = static_cast<SharedWork*>(parameter);
    WaitForSingleObject(work->start, INFINITE);
    for (int round = 0; round < kRounds; ++round) {
        IClassFactory* factory = nullptr;
        if (FAILED(work->dll->get_class_object(kFoldersClass, IID_IClassFactory,
                                               reinterpret_cast<void**>(&factory)))) {
            ++work->failures;
            continue;
        }
        IUnknown* handler = nullptr;
        if (FAILED(factory->CreateInstance(nullptr, IID_IExtractIconA, reinterpret_cast<void**>(&handler))))
            ++work->failures;
        if (round % 10 == 0) {
            IUnknown* folder = nullptr;
            if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder))))
                folder->Release();
            else
                ++work->failures;
        }
        factory->Release();
        for (int i = 0; i < 8; ++i) {
            work->shared_handler->AddRef();
            work->shared_folder->AddRef();
        }
        for (int i = 0; i < 8; ++i) {
            work->shared_handler->Release();
            work->shared_folder->Release();
        }
        if (handler)
            handler->Release();
        if (work->dll->can_unload_now() != S_FALSE)
            ++work->early_unload_answers;
    }
    return 0;
}

TEST(ModuleCount, ExactUnderConcurrentUse)
{
    FoldersLibrary dll;
    ASSERT_TRUE(dll.loaded());
    SharedWork work;
    work.dll = &dll;
    work.start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(dll.create(IID_IExtractIconA, &work.shared_handler), S_OK);
    ASSERT_EQ(dll.create(IID_IShellFolder, &work.shared_folder), S_OK);

    std::vector<HANDLE> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.push_back(CreateThread(nullptr, 0, churn, &work, 0, nullptr));
    SetEvent(work.start);
    WaitForMultipleObjects(kThreads, threads.data(), TRUE, INFINITE);
    for (HANDLE thread : threads)
        CloseHandle(thread);
    CloseHandle(work.start);

    EXPECT_EQ(work.failures.load(), 0);
    EXPECT_EQ(work.early_unload_answers.load(), 0) << "DllCanUnloadNow said S_OK while objects lived";
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    EXPECT_EQ(work.shared_handler->Release(), 0u) << "the shared handler's count drifted";
    EXPECT_EQ(dll.can_unload_now(), S_FALSE);
    EXPECT_EQ(work.shared_folder->Release(), 0u) << "the shared folder's count drifted";
    EXPECT_EQ(dll.can_unload_now(), S_OK) << "the module count drifted";
}

}
