// Other programs' windows as the hand-off sees them: the three ways of walking the
// windows, a window's descendants, its title and class name, and the two messages the hand-off
// sends, each bounded in time. The Win32 backend is WindowSystemWin; tests use recording fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace hublane::platform {

/// An opaque window handle (an HWND on Windows).
using WindowHandle = std::uintptr_t;

/// How one message to another program's window went.
enum class SendStatus {
    Done,      ///< the window handled it
    TimedOut,  ///< the window's program did not handle it within the time limit (it hangs)
    Failed,    ///< it could not be sent (the window is gone)
};

/// Other programs' windows. Every call is synchronous; an enumeration calls the visitor once per
/// window, and stops as soon as the visitor returns false.
class WindowSystem {
  public:
    using WindowVisitor = std::function<bool(WindowHandle)>;

    virtual ~WindowSystem() = default;

    /// Every window below the desktop window: the top-level windows and, recursively, all their
    /// descendants (EnumChildWindows on GetDesktopWindow).
    virtual void VisitDesktopChildren(const WindowVisitor& visit) = 0;
    /// The top-level windows (EnumWindows).
    virtual void VisitTopLevelWindows(const WindowVisitor& visit) = 0;
    /// The top-level windows of the current desktop (EnumDesktopWindows without a desktop).
    virtual void VisitDesktopWindows(const WindowVisitor& visit) = 0;
    /// Every descendant of window, children and theirs (EnumChildWindows).
    virtual void VisitDescendants(WindowHandle window, const WindowVisitor& visit) = 0;

    /// Copies at most size - 1 characters of the window's title into buffer and terminates it with
    /// a zero; returns how many characters were copied (GetWindowTextA).
    virtual int ReadTitle(WindowHandle window, char* buffer, int size) = 0;
    /// The same for the name of the window's class (GetClassNameA).
    virtual int ReadClassName(WindowHandle window, char* buffer, int size) = 0;

    /// Sends WM_SETTEXT with text (bytes as they stand), waiting at most timeoutMs.
    virtual SendStatus SendText(WindowHandle window, const std::string& text, int timeoutMs) = 0;
    /// Sends WM_KEYDOWN with wParam and lParam, waiting at most timeoutMs.
    virtual SendStatus SendKeyDown(WindowHandle window, std::uintptr_t wParam, std::intptr_t lParam,
                                   int timeoutMs) = 0;
};

}  // namespace hublane::platform
