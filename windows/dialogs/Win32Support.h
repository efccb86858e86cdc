#pragma once

// What the native windows of this folder share: a modal top-level window with its own message
// loop, twips and fonts at the window's DPI, texts in UTF-8, tool tips, and the few controls
// that more than one window uses. Only for the files of this folder.

#include <windows.h>

#include <commctrl.h>

#include <exception>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace zelvant::native {

// The forms are measured in twips, 1440 to the inch; a window turns them into its pixels.
inline int pixels(int twips, int dpi)
{
    return MulDiv(twips, dpi, 1440);
}

// The dots per inch the window is drawn with.
int dpiOf(HWND window);

// A rectangle in pixels, in the parent's client coordinates.
struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
};

// GDI objects go back to the system when their owner goes.
struct GdiDeleter {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;

// The desktop's message font at `dpi`, `scale` times its size.
Font messageFont(int dpi, double scale = 1.0, bool bold = false, bool underline = false);

// A child control at `box`; `id` is what WM_COMMAND names it by.
HWND createControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                   const Box& box, int id, HFONT font, DWORD exStyle = 0);

// Texts go in and out of controls as UTF-8. setText leaves an unchanged text alone, so that
// drawing the same state again does not make the control flicker.
void setText(HWND control, const std::string& text);
std::string textOf(HWND control);

// Shows, hides, enables or disables only when the state differs.
void setVisible(HWND control, bool visible);
void setEnabled(HWND control, bool enabled);
bool isShown(HWND control); // its own visibility, whatever its parent's

// How tall `text` stands when wrapped at `width` pixels in `font`, as a static control wraps it.
int wrappedHeight(HWND window, HFONT font, const std::string& text, int width);
// How wide `text` is on one line in `font`.
int lineWidth(HWND window, HFONT font, const std::string& text);

// Moves a progress bar to `position` at once (see the definition for why that needs care).
void showBarAt(HWND bar, int position);

// A read-only box of failure lines: wraps long lines, scrolls, and lets the user copy them.
HWND createReportBox(HWND parent, const Box& box, HFONT font);
void setReportLines(HWND box, const std::vector<std::string>& lines);

// The tool tips of one window's controls; each control gets its tip on first use.
class ToolTips {
public:
    ToolTips() = default;
    ToolTips(const ToolTips&) = delete;
    ToolTips& operator=(const ToolTips&) = delete;

    // Must be called once the window exists; the tips die with it.
    void create(HWND window);
    void set(HWND control, const std::string& text);

private:
    void setOne(HWND control, const std::wstring& text);

    HWND window_ = nullptr;
    HWND tips_ = nullptr;
    std::map<HWND, std::wstring> shown_;
};

// The host's window the add-in's windows belong over: the foreground window when it is one of
// this process's; nothing otherwise (another program's window is none of our business).
HWND hostWindow();

// Keeps the common controls of version 6 (themed, with every style used here) in use while it
// lives, and makes sure they are registered; see the definition.
class ControlsScope {
public:
    ControlsScope();
    ~ControlsScope();
    ControlsScope(const ControlsScope&) = delete;
    ControlsScope& operator=(const ControlsScope&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

// A top-level window shown modally: it disables its owner, runs its own message loop with the
// dialog keys (Tab, Enter, Esc) until close() is called, and gives the owner back. The derived
// window handles its messages in onMessage().
class ModalWindow {
public:
    ModalWindow(const ModalWindow&) = delete;
    ModalWindow& operator=(const ModalWindow&) = delete;
    virtual ~ModalWindow();

    HWND window() const { return window_; }

protected:
    ModalWindow() = default;

    // Makes the hidden window with the caption `title`, owned by `owner` (may be nothing).
    void create(const std::string& title, HWND owner);
    // Sizes the window so that its client area is so many pixels.
    void setClientSize(int width, int height);
    // Centres the window over the owner, or over the screen without one.
    void centre();
    // Shows the window and runs until close(); rethrows what a message handler threw.
    void runModal();
    // Ends runModal's loop after the current message.
    void close() { closing_ = true; }

    // Called once the window is on screen and painted.
    virtual void shown() {}
    // The window's messages; what it leaves alone goes to byDefault().
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT byDefault(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HWND owner_ = nullptr;
    bool closing_ = false;
    std::exception_ptr failure_;
};

} // namespace zelvant::native
