// The Windows side of the hand-off tests: fake clients started and stopped, programs run with
// their standard input and output, temporary folders, and the lines a console is expected to log.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "clients/DonkeyHandOff.h"

namespace hublane::test {

/// A path of the Linux build as Windows programs under Wine see it (drive Z: is the root).
inline std::string WindowsPath(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path.rfind('\\', 0) == 0 ? "Z:" + path : path;
}

/// A new empty folder below the temporary folder, removed with what it holds at the end.
class TempFolder {
  public:
    TempFolder() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        static int counter = 0;
        m_path = std::string(base) + "hublane-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++counter);
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~TempFolder() {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((m_path + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((m_path + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(m_path.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

  private:
    std::string m_path;
};

inline std::string Quoted(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) {
        line += (line.empty() ? "\"" : " \"") + arg + "\"";
    }
    return line;
}

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

/// One fake client: started with its options, ready once its windows exist, ended by the test.
class FakeClient {
  public:
    FakeClient(const TempFolder& folder, const std::string& name, std::vector<std::string> options)
        : m_log(folder.File(name + ".log")), m_ready(folder.File(name + ".ready")) {
        std::vector<std::string> args = {WindowsPath(HUBLANE_FAKE_DONKEY), "--log", m_log, "--ready",
                                         m_ready};
        args.insert(args.end(), options.begin(), options.end());
        std::string line = Quoted(args);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process)) {
            ADD_FAILURE() << "cannot start " << line;
            return;
        }
        CloseHandle(m_process.hThread);
        // Waits for the ready marker, a bounded number of 20 ms looks at the process.
        for (int i = 0; i < 1000; ++i) {
            if (GetFileAttributesA(m_ready.c_str()) != INVALID_FILE_ATTRIBUTES) {
                return;
            }
            if (WaitForSingleObject(m_process.hProcess, 20) == WAIT_OBJECT_0) {
                ADD_FAILURE() << "fake client ended before it was ready";
                return;
            }
        }
        ADD_FAILURE() << "fake client not ready after 20 s";
    }
    ~FakeClient() { Stop(); }
    FakeClient(const FakeClient&) = delete;
    FakeClient& operator=(const FakeClient&) = delete;

    void Stop() {
        if (m_process.hProcess != nullptr) {
            TerminateProcess(m_process.hProcess, 0);
            WaitForSingleObject(m_process.hProcess, 10000);
            CloseHandle(m_process.hProcess);
            m_process.hProcess = nullptr;
        }
    }
    /// What the consoles logged so far (each line is written before the message is answered).
    std::vector<std::string> Log() const { return ReadLines(m_log); }

  private:
    std::string m_log;
    std::string m_ready;
    PROCESS_INFORMATION m_process{};
};

/// What one console logs for a whole hand-off of rows.
inline std::vector<std::string> ConsoleLog(int console, const std::vector<clients::HandOffAddress>& rows) {
    const std::string c = "console" + std::to_string(console);
    std::vector<std::string> lines;
    auto command = [&](const std::string& text) {
        lines.push_back(c + " settext " + text);
        lines.push_back(c + " keydown 13 0");
        lines.push_back(c + " settext ");
    };
    for (int i = 0; i < 2000; ++i) {
        command("b 1");
    }
    lines.push_back(c + " settext ");
    for (const auto& row : rows) {
        command("n " + row.ip + ":" + row.port);
    }
    lines.push_back(c + " settext ");
    return lines;
}

struct ProgramRun {
    DWORD status = 0;
    std::string output;
};

/// Runs a program with input on its standard input and returns what it wrote on its standard
/// output and its exit status.
inline ProgramRun RunProgram(const std::vector<std::string>& args, const std::string& input) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inRead = nullptr;
    HANDLE inWrite = nullptr;
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        ADD_FAILURE() << "no pipes";
        return run;
    }
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::string line = Quoted(args);
    const BOOL started =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    if (!started) {
        CloseHandle(inWrite);
        CloseHandle(outRead);
        ADD_FAILURE() << "cannot start " << line;
        return run;
    }
    DWORD written = 0;
    WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(inWrite);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(outRead, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        run.output.append(buffer, got);
    }
    CloseHandle(outRead);
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &run.status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return run;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace hublane::test
