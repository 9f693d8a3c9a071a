// The window system of Windows (user32), built for Windows only.
#include "platform/WindowSystemWin.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace hublane::platform {
namespace {

BOOL CALLBACK VisitOne(HWND window, LPARAM visitor) {
    const auto& visit = *reinterpret_cast<const WindowSystem::WindowVisitor*>(visitor);
    return visit(reinterpret_cast<WindowHandle>(window)) ? TRUE : FALSE;
}

LPARAM AsParam(const WindowSystem::WindowVisitor& visit) {
    return reinterpret_cast<LPARAM>(&visit);
}

HWND AsHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

class Win32WindowSystem final : public WindowSystem {
  public:
    void VisitDesktopChildren(const WindowVisitor& visit) override {
        ::EnumChildWindows(::GetDesktopWindow(), &VisitOne, AsParam(visit));
    }
    void VisitTopLevelWindows(const WindowVisitor& visit) override {
        ::EnumWindows(&VisitOne, AsParam(visit));
    }
    void VisitDesktopWindows(const WindowVisitor& visit) override {
        ::EnumDesktopWindows(nullptr, &VisitOne, AsParam(visit));
    }
    void VisitDescendants(WindowHandle window, const WindowVisitor& visit) override {
        ::EnumChildWindows(AsHwnd(window), &VisitOne, AsParam(visit));
    }

    int ReadTitle(WindowHandle window, char* buffer, int size) override {
        if (size > 0) {
            buffer[0] = '\0';
        }
        return ::GetWindowTextA(AsHwnd(window), buffer, size);
    }
    int ReadClassName(WindowHandle window, char* buffer, int size) override {
        if (size > 0) {
            buffer[0] = '\0';
        }
        return ::GetClassNameA(AsHwnd(window), buffer, size);
    }

    SendStatus SendText(WindowHandle window, const std::string& text, int timeoutMs) override {
        return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), timeoutMs);
    }
    SendStatus SendKeyDown(WindowHandle window, std::uintptr_t wParam, std::intptr_t lParam,
                           int timeoutMs) override {
        return Send(window, WM_KEYDOWN, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam), timeoutMs);
    }

  private:
    static SendStatus Send(WindowHandle window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs) {
        DWORD_PTR answer = 0;
        // A program that has not looked at its messages for a while is not waited for at all.
        const UINT flags = SMTO_NORMAL | SMTO_ABORTIFHUNG;
        if (::SendMessageTimeoutA(AsHwnd(window), message, wParam, lParam, flags,
                                  static_cast<UINT>(timeoutMs > 0 ? timeoutMs : 1), &answer) != 0) {
            return SendStatus::Done;
        }
        return ::IsWindow(AsHwnd(window)) ? SendStatus::TimedOut : SendStatus::Failed;
    }
};

}  // namespace

std::unique_ptr<WindowSystem> CreateWin32WindowSystem() {
    return std::make_unique<Win32WindowSystem>();
}

}  // namespace hublane::platform
