// A stand-in for a running eDonkey2000 client, for the hand-off tests under Wine: a top-level
// window with the client's title holding console controls of class "RICHEDIT" (a class of its
// own by that name), which log every message they get once the window is ready.
//
// hublane-fakedonkey.exe --log FILE --ready FILE [--title TEXT] [--consoles N] [--other-child]
//                        [--no-children] [--hang-after N] [--hang-ms MS] [--lifetime-ms MS]
// The first console is a child of the main window; further ones sit inside a panel (grandchildren).
// --hang-after N stops answering after the N-th message to a console for --hang-ms (30 s).
// The program ends by itself after --lifetime-ms (60 s).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string log;
    std::string ready;
    std::string title = "eDonkey2000 v1.4";
    int consoles = 1;
    bool otherChild = false;
    bool noChildren = false;
    int hangAfter = -1;
    int hangMs = 30000;
    int lifetimeMs = 60000;
};

Options g_options;
FILE* g_log = nullptr;
bool g_ready = false;
int g_consoleMessages = 0;
std::vector<HWND> g_consoles;

int ConsoleNumber(HWND window) {
    for (std::size_t i = 0; i < g_consoles.size(); ++i) {
        if (g_consoles[i] == window) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

// One line per message: "console<N> settext <text>", "console<N> keydown <wParam> <lParam>", or
// "console<N> message 0x<id> <wParam> <lParam>" for any other.
void Log(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int number = ConsoleNumber(window);
    if (message == WM_SETTEXT) {
        std::fprintf(g_log, "console%d settext %s\n", number, reinterpret_cast<const char*>(lParam));
    } else if (message == WM_KEYDOWN) {
        std::fprintf(g_log, "console%d keydown %llu %lld\n", number, static_cast<unsigned long long>(wParam),
                     static_cast<long long>(lParam));
    } else {
        std::fprintf(g_log, "console%d message 0x%04x %llu %lld\n", number, message,
                     static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    }
    std::fflush(g_log);
}

LRESULT CALLBACK ConsoleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_ready) {
        Log(window, message, wParam, lParam);
        if ((message == WM_SETTEXT || message == WM_KEYDOWN) && ++g_consoleMessages == g_options.hangAfter) {
            Sleep(static_cast<DWORD>(g_options.hangMs));
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER || message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool Register(const char* name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

HWND Child(const char* className, HWND parent) {
    return CreateWindowA(className, "", WS_CHILD, 0, 0, 10, 10, parent, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

bool ParseOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--no-children") {
            g_options.noChildren = true;
        } else if (arg == "--other-child") {
            g_options.otherChild = true;
        } else if (!hasValue) {
            return false;
        } else if (arg == "--log") {
            g_options.log = argv[++i];
        } else if (arg == "--ready") {
            g_options.ready = argv[++i];
        } else if (arg == "--title") {
            g_options.title = argv[++i];
        } else if (arg == "--consoles") {
            g_options.consoles = std::atoi(argv[++i]);
        } else if (arg == "--hang-after") {
            g_options.hangAfter = std::atoi(argv[++i]);
        } else if (arg == "--hang-ms") {
            g_options.hangMs = std::atoi(argv[++i]);
        } else if (arg == "--lifetime-ms") {
            g_options.lifetimeMs = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    return !g_options.log.empty() && !g_options.ready.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (!ParseOptions(argc, argv)) {
        std::fprintf(stderr, "usage: hublane-fakedonkey.exe --log FILE --ready FILE [options]\n");
        return 64;
    }
    g_log = std::fopen(g_options.log.c_str(), "wb");
    if (g_log == nullptr || !Register("HublaneFakeDonkey", &MainProc) ||
        !Register("RICHEDIT", &ConsoleProc) || !Register("HublaneFakePanel", &DefWindowProcA)) {
        std::fprintf(stderr, "fakedonkey: cannot start\n");
        return 1;
    }
    HWND main = CreateWindowA("HublaneFakeDonkey", g_options.title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200,
                              100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (main == nullptr) {
        std::fprintf(stderr, "fakedonkey: no window\n");
        return 1;
    }
    if (!g_options.noChildren) {
        if (g_options.otherChild) {
            Child("HublaneFakePanel", main);
        }
        HWND panel = nullptr;
        for (int i = 0; i < g_options.consoles; ++i) {
            if (i > 0 && panel == nullptr) {
                panel = Child("HublaneFakePanel", main);
            }
            g_consoles.push_back(Child("RICHEDIT", i == 0 ? main : panel));
        }
        if (g_options.consoles == 0 && !g_options.otherChild) {
            Child("HublaneFakePanel", main);
        }
    }
    SetTimer(main, 1, static_cast<UINT>(g_options.lifetimeMs), nullptr);
    g_ready = true;
    if (FILE* ready = std::fopen(g_options.ready.c_str(), "wb")) {
        std::fputs("ready\n", ready);
        std::fclose(ready);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    std::fclose(g_log);
    return 0;
}
