// A stand-in for a running eMule, for the hand-off tests under Wine: a top-level window that
// answers eMule's registered window message with its own number and logs every WM_COPYDATA it
// gets, once the window is ready.
//
// hublane-fakeemule.exe --log FILE --ready FILE [--message NAME] [--answer-other] [--hang-on-ask]
//                       [--hang-after N] [--hang-ms MS] [--lifetime-ms MS]
// --message: the name registered (default: a release eMule's); --answer-other: the message is
// answered with 1 instead; --hang-on-ask: the first question is answered only after --hang-ms;
// --hang-after N: the N-th WM_COPYDATA is answered only after --hang-ms (30 s).
// Log lines: "ask" per registered message, "copydata DWDATA CBDATA terminated|unterminated TEXT"
// per WM_COPYDATA (TEXT: the UTF-16 units up to the first zero, as UTF-8).
// The program ends by itself after --lifetime-ms (60 s).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Options {
    std::string log;
    std::string ready;
    std::string message = "EMULE-{4EADC6FC-516F-4b7c-9066-97D893649570}";
    bool answerOther = false;
    bool hangOnAsk = false;
    int hangAfter = -1;
    int hangMs = 30000;
    int lifetimeMs = 60000;
};

Options g_options;
FILE* g_log = nullptr;
bool g_ready = false;
UINT g_message = 0;
int g_copies = 0;

std::string Utf8(const wchar_t* text, int units) {
    if (units <= 0) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, units, out.data(), size, nullptr, nullptr);
    return out;
}

void LogCopy(const COPYDATASTRUCT& data) {
    const auto* units = static_cast<const wchar_t*>(data.lpData);
    const int count = static_cast<int>(data.cbData / sizeof(wchar_t));
    int length = 0;
    while (units != nullptr && length < count && units[length] != L'\0') {
        ++length;
    }
    const bool terminated = data.cbData % sizeof(wchar_t) == 0 && count > 0 && length == count - 1;
    std::fprintf(g_log, "copydata %llu %lu %s %s\n", static_cast<unsigned long long>(data.dwData),
                 static_cast<unsigned long>(data.cbData), terminated ? "terminated" : "unterminated",
                 Utf8(units, length).c_str());
    std::fflush(g_log);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER || message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    if (g_ready && message == g_message) {
        std::fputs("ask\n", g_log);
        std::fflush(g_log);
        if (g_options.hangOnAsk) {
            g_options.hangOnAsk = false;
            Sleep(static_cast<DWORD>(g_options.hangMs));
        }
        return g_options.answerOther ? 1 : static_cast<LRESULT>(g_message);
    }
    if (g_ready && message == WM_COPYDATA) {
        LogCopy(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (++g_copies == g_options.hangAfter) {
            Sleep(static_cast<DWORD>(g_options.hangMs));
        }
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool ParseOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--answer-other") {
            g_options.answerOther = true;
        } else if (arg == "--hang-on-ask") {
            g_options.hangOnAsk = true;
        } else if (!hasValue) {
            return false;
        } else if (arg == "--log") {
            g_options.log = argv[++i];
        } else if (arg == "--ready") {
            g_options.ready = argv[++i];
        } else if (arg == "--message") {
            g_options.message = argv[++i];
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
        std::fprintf(stderr, "usage: hublane-fakeemule.exe --log FILE --ready FILE [options]\n");
        return 64;
    }
    g_log = std::fopen(g_options.log.c_str(), "wb");
    g_message = RegisterWindowMessageA(g_options.message.c_str());
    WNDCLASSW wc{};
    wc.lpfnWndProc = &MainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"HublaneFakeEmule";
    if (g_log == nullptr || g_message == 0 || RegisterClassW(&wc) == 0) {
        std::fprintf(stderr, "fakeemule: cannot start\n");
        return 1;
    }
    HWND main = CreateWindowW(L"HublaneFakeEmule", L"eMule v0.50a", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (main == nullptr) {
        std::fprintf(stderr, "fakeemule: no window\n");
        return 1;
    }
    SetTimer(main, 1, static_cast<UINT>(g_options.lifetimeMs), nullptr);
    g_ready = true;
    if (FILE* ready = std::fopen(g_options.ready.c_str(), "wb")) {
        std::fputs("ready\n", ready);
        std::fclose(ready);
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    std::fclose(g_log);
    return 0;
}
