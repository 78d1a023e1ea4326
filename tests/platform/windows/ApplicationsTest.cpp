#include "platform/windows/Applications.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using platform::AppMemory;
using platform::Reclaim;
using platform::winapps::ProcessSample;

namespace {

constexpr std::uint64_t kMB = 1048576;

const AppMemory* byId(const std::vector<AppMemory>& apps, const std::string& id) {
    const auto it = std::find_if(apps.begin(), apps.end(), [&](const AppMemory& a) { return a.id == id; });
    return it == apps.end() ? nullptr : &*it;
}

}  // namespace

TEST(WindowsApplications, ProcessesOfOneExecutableAreOneApplication) {
    const std::vector<ProcessSample> processes = {
        {10, "c:\\program files\\mail\\mail.exe", "Mail", 100 * kMB, 5'000},
        {11, "c:\\program files\\mail\\mail.exe", "Mail", 20 * kMB, 1'000},
        {20, "c:\\tools\\kestrune.exe", "Kestrune", 8 * kMB, 0},
        {30, "c:\\games\\chess.exe", "", 40 * kMB, 0},
        {40, "", "nameless", 1 * kMB, 0},  // its path could not be read: nothing to group it by
    };
    const std::vector<AppMemory> apps = platform::winapps::group(processes, 20, 11);
    ASSERT_EQ(apps.size(), 3u);
    // In the order of their ids, so a listing does not shuffle between reads.
    EXPECT_EQ(apps[0].id, "c:\\games\\chess.exe");
    EXPECT_EQ(apps[2].id, "c:\\tools\\kestrune.exe");

    const AppMemory* mail = byId(apps, "c:\\program files\\mail\\mail.exe");
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->name, "Mail");
    EXPECT_EQ(mail->inUse, 120 * kMB);
    EXPECT_EQ(mail->cpuMicros, 6'000u);
    EXPECT_TRUE(mail->focused);  // the foreground window is its second process's
    EXPECT_FALSE(mail->self);
    // A working set is not told apart into cache, anonymous memory and swap.
    EXPECT_FALSE(mail->splitKnown);
    EXPECT_EQ(mail->cache + mail->anon + mail->swapped, 0u);

    EXPECT_TRUE(byId(apps, "c:\\tools\\kestrune.exe")->self);
    EXPECT_EQ(byId(apps, "c:\\games\\chess.exe")->name, "chess.exe");  // no description: the file's name
    EXPECT_FALSE(byId(apps, "c:\\games\\chess.exe")->focused);

    // No focus known and no own process: neither is marked.
    for (const AppMemory& a : platform::winapps::group(processes, 0, 0)) EXPECT_FALSE(a.self || a.focused) << a.id;

    // Two that would read the same are told apart by their folders.
    const std::vector<AppMemory> twins = platform::winapps::group(
        {{1, "c:\\a\\setup.exe", "Setup", kMB, 0}, {2, "c:\\b\\setup.exe", "Setup", kMB, 0}}, 0, 0);
    ASSERT_EQ(twins.size(), 2u);
    EXPECT_EQ(twins[0].name, "Setup (a)");
    EXPECT_EQ(twins[1].name, "Setup (b)");
}

TEST(WindowsApplications, OneTrimAtATime) {
    platform::Applications& apps = platform::userApplications();
    std::atomic<bool> stop{false};
    auto first = apps.takeTurn(stop, {}).value();
    ASSERT_TRUE(first);
    std::atomic<int> waited{0};
    std::thread second([&] {
        EXPECT_EQ(apps.takeTurn(stop, [&] { ++waited; }).value(), nullptr);  // stopped while it waited
    });
    while (waited == 0) Sleep(5);
    stop = true;
    second.join();
    first.reset();
    stop = false;
    std::thread third([&] { EXPECT_NE(apps.takeTurn(stop, {}).value(), nullptr); });  // given back: taken at once
    third.join();
}

TEST(WindowsApplications, AnApplicationIsTrimmedWhereAnyOfItsProcessesWas) {
    using platform::winapps::combine;
    EXPECT_EQ(combine({Reclaim::Gone, Reclaim::Done, Reclaim::Refused}), Reclaim::Done);
    EXPECT_EQ(combine({Reclaim::Gone, Reclaim::Refused}), Reclaim::Refused);
    EXPECT_EQ(combine({Reclaim::Gone, Reclaim::Gone}), Reclaim::Gone);
    EXPECT_EQ(combine({}), Reclaim::Gone);  // none of its processes is left

    // Less than asked is all there was: the caller does not ask again.
    using platform::winapps::settle;
    constexpr std::uint64_t kAsked = 256 * kMB;
    EXPECT_EQ(settle(Reclaim::Done, 900 * kMB, 40 * kMB, kAsked), Reclaim::Done);
    EXPECT_EQ(settle(Reclaim::Done, 300 * kMB, 100 * kMB, kAsked), Reclaim::Partial);
    EXPECT_EQ(settle(Reclaim::Done, 100 * kMB, 120 * kMB, kAsked), Reclaim::Partial);  // it grew meanwhile
    EXPECT_EQ(settle(Reclaim::Done, 100 * kMB, 120 * kMB, 0), Reclaim::Done);          // nothing asked
    EXPECT_EQ(settle(Reclaim::Gone, 900 * kMB, 0, kAsked), Reclaim::Gone);
    EXPECT_EQ(platform::winapps::fileName("C:\\Program Files\\App\\app.exe"), "app.exe");
    EXPECT_EQ(platform::winapps::fileName("app.exe"), "app.exe");
}

// The real system's calls. Under Wine the working-set trim itself is a stub
// that changes nothing; what is tested is that the processes are found,
// read, trimmed and named as they come and go.
TEST(WindowsApplications, TheSystemsOwnProcessesAreListedTrimmedAndSeenToEnd) {
    platform::Applications& apps = platform::userApplications();
    EXPECT_EQ(apps.unavailable(), "");
    // Listed once before the child starts: what is known of the processes
    // seen then must not hide one that starts later, nor stale figures.
    const std::vector<AppMemory> before = apps.list(0);
    const auto ownBefore = std::find_if(before.begin(), before.end(), [](const AppMemory& a) { return a.self; });
    ASSERT_NE(ownBefore, before.end());
    // Work the processor for longer than the system's clock step, so the
    // next listing must show this process's CPU time grown.
    const ULONGLONG busyUntil = GetTickCount64() + 100;
    volatile unsigned spin = 0;
    while (GetTickCount64() < busyUntil) spin = spin + 1;

    // A process of this user's to trim: a command interpreter waiting on
    // its input, which this test holds open.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    // Its output goes nowhere, and this test's own output is not handed
    // on: a child (or the console host Wine starts for it) outliving the
    // test would hold the runner's pipe open, and the run would never end.
    HANDLE nowhere =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(nowhere, INVALID_HANDLE_VALUE);
    for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
        SetHandleInformation(GetStdHandle(which), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = readEnd;
    start.hStdOutput = nowhere;
    start.hStdError = nowhere;
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\cmd.exe\" /q /k";
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &start, &child));
    CloseHandle(readEnd);
    CloseHandle(nowhere);
    WaitForInputIdle(child.hProcess, 2000);

    const std::vector<AppMemory> listed = apps.list(0);
    const auto self = std::find_if(listed.begin(), listed.end(), [](const AppMemory& a) { return a.self; });
    ASSERT_NE(self, listed.end());
    EXPECT_GT(self->inUse, 0u);
    EXPECT_GT(self->cpuMicros, ownBefore->cpuMicros);
    EXPECT_FALSE(self->name.empty());
    const auto cmd = std::find_if(listed.begin(), listed.end(), [](const AppMemory& a) {
        return a.id.size() > 8 && a.id.compare(a.id.size() - 8, 8, "\\cmd.exe") == 0;
    });
    ASSERT_NE(cmd, listed.end());
    EXPECT_FALSE(cmd->self);
    EXPECT_GT(cmd->inUse, 0u);

    AppMemory own = *self;
    EXPECT_EQ(apps.reclaim(own, 0), Reclaim::Protected);  // never Kestrune's own

    AppMemory shell = *cmd;
    EXPECT_TRUE(apps.refresh(shell));
    EXPECT_EQ(apps.reclaim(shell, 0), Reclaim::Done);
    EXPECT_GT(shell.inUse, 0u);  // read again after the trim
    // A command interpreter holds far less than this: all it had was taken.
    EXPECT_EQ(apps.reclaim(shell, std::uint64_t{1} << 30), Reclaim::Partial);

    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 5000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CloseHandle(writeEnd);
    EXPECT_EQ(apps.reclaim(shell, 0), Reclaim::Gone);
    EXPECT_FALSE(apps.refresh(shell));

    const platform::SystemFigures s = apps.system();
    EXPECT_GT(s.total, 0u);
    EXPECT_LE(s.available, s.total);
    EXPECT_EQ(s.used, s.total - s.available);
    EXPECT_LE(s.cache, s.total);
    EXPECT_LE(s.swapFree, s.swapTotal);
    EXPECT_LT(s.pressure, 0.0);  // Windows does not tell
}
