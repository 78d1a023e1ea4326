#pragma once

#include <atomic>
#include <string>

#include <windows.h>

namespace platform {

// Where a program of the windows subsystem, which Windows starts without a
// console, writes lines for whoever started it: the standard handles it was
// handed (a file or pipe the output was redirected to), else the console of
// the program that started it (cmd.exe, PowerShell), which it joins; else
// nowhere (Explorer, Task Scheduler): then only the exit code tells.
class ParentConsole {
public:
    ParentConsole();
    ~ParentConsole();
    ParentConsole(const ParentConsole&) = delete;
    ParentConsole& operator=(const ParentConsole&) = delete;

    // A line of UTF-8 text, the line end added; false where it went nowhere.
    bool out(const std::string& line);
    bool err(const std::string& line);
    // Set once Ctrl+C, Ctrl+Break or the console's closing asked the
    // program to stop.
    static const std::atomic<bool>& interrupted();

private:
    HANDLE stream(DWORD which, HANDLE& opened);
    bool write(HANDLE h, const std::string& line);

    bool attached_ = false;
    bool triedToAttach_ = false;
    HANDLE out_ = nullptr;  // CONOUT$ opened here, closed at the end
    HANDLE err_ = nullptr;
};

}  // namespace platform
