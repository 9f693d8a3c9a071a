// Other programs' windows as the hand-offs see them: the three ways of walking the
// windows, a window's descendants, its title and class name, and the messages the hand-offs send
// (typed text and keys; a registered message and copied data), each bounded in time. The Win32
// backend is WindowSystemWin; tests use recording fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

    /// The number of the window message registered under name (RegisterWindowMessage): every
    /// program that registers the same name gets the same number. 0 when none could be had.
    virtual std::uint32_t RegisterMessage(const std::string& name) = 0;
    /// Sends message with wParam and lParam 0, waiting at most timeoutMs; when Done, answer holds
    /// what the window returned. A program that looks hung is not waited for.
    virtual SendStatus SendRegistered(WindowHandle window, std::uint32_t message, std::uintptr_t& answer,
                                      int timeoutMs) = 0;
    /// Sends WM_COPYDATA carrying tag (dwData) and bytes (lpData, cbData their count), waiting at
    /// most timeoutMs.
    virtual SendStatus SendCopyData(WindowHandle window, std::uintptr_t tag,
                                    const std::vector<std::uint8_t>& bytes, int timeoutMs) = 0;
};

}  // namespace hublane::platform
