#include "windows/dialogs/Win32Support.h"

#include "windows/com/Wide.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace zelvant::native {

namespace {

// The class every window of this folder is made of; each window object handles its own messages.
constexpr wchar_t kClassName[] = L"ZelvantNativeWindow";

// The module's manifest as Windows looks for it in a DLL (ISOLATIONAWARE_MANIFEST_RESOURCE_ID).
constexpr WORD kManifestResource = 2;

// This DLL, not the host's program: window classes and controls belong to the module that made them.
HINSTANCE thisModule()
{
    static const char anchor = 0;
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&anchor), &module);
    return module;
}

int systemDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

std::wstring windowText(HWND control)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(control, text.data(), int(text.size()))));
    return text;
}

// The rectangle `text` needs in `font` when drawn with `format` (DT_CALCRECT is added).
RECT measure(HWND window, HFONT font, const std::string& text, int width, UINT format)
{
    const std::wstring shown = wide(text);
    RECT area{0, 0, width, 0};
    const HDC dc = GetDC(window);
    const HGDIOBJ previous = SelectObject(dc, font);
    DrawTextW(dc, shown.c_str(), int(shown.size()), &area, format | DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return area;
}

// The activation context of this module's manifest, made once; INVALID_HANDLE_VALUE without one.
HANDLE moduleContext()
{
    static const HANDLE context = [] {
        ACTCTXW request{};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.hModule = thisModule();
        request.lpResourceName = MAKEINTRESOURCEW(kManifestResource);
        return CreateActCtxW(&request);
    }();
    return context;
}

} // namespace

int dpiOf(HWND window)
{
    // GetDpiForWindow came with Windows 10 (and a later wine); looked up, so that older
    // systems still load the add-in and fall back to the screen's DPI.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window)
        if (const UINT dpi = getDpiForWindow(window); dpi > 0)
            return int(dpi);
    return systemDpi();
}

Font messageFont(int dpi, double scale, bool bold, bool underline)
{
    LOGFONTW font{};
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font = metrics.lfMessageFont;
    else
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    // The desktop states the font for its own DPI; the window may be drawn at another.
    font.lfHeight = LONG(std::lround(MulDiv(font.lfHeight, dpi, systemDpi()) * scale));
    if (bold)
        font.lfWeight = FW_BOLD;
    font.lfUnderline = underline ? TRUE : FALSE;
    return Font(CreateFontIndirectW(&font));
}

HWND createControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                   const Box& box, int id, HFONT font, DWORD exStyle)
{
    const HWND control = CreateWindowExW(
        exStyle, className, text.c_str(), WS_CHILD | style, box.x, box.y, box.width, box.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), thisModule(), nullptr);
    if (!control)
        throw std::runtime_error("Ein Steuerelement des Fensters konnte nicht angelegt werden (Fehler " +
                                 std::to_string(GetLastError()) + ").");
    if (font)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void setText(HWND control, const std::string& text)
{
    const std::wstring wanted = wide(text);
    if (windowText(control) != wanted)
        SetWindowTextW(control, wanted.c_str());
}

std::string textOf(HWND control)
{
    return narrow(windowText(control));
}

bool isShown(HWND control)
{
    return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void setVisible(HWND control, bool visible)
{
    if (isShown(control) != visible)
        ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void setEnabled(HWND control, bool enabled)
{
    if ((IsWindowEnabled(control) != FALSE) != enabled)
        EnableWindow(control, enabled ? TRUE : FALSE);
}

int wrappedHeight(HWND window, HFONT font, const std::string& text, int width)
{
    if (text.empty())
        return 0;
    const RECT area = measure(window, font, text, width, DT_WORDBREAK | DT_EXPANDTABS);
    return area.bottom - area.top;
}

int lineWidth(HWND window, HFONT font, const std::string& text)
{
    const RECT area = measure(window, font, text, 0, DT_SINGLELINE);
    return area.right - area.left;
}

void showBarAt(HWND bar, int position)
{
    // A themed bar glides up to a higher value in small steps that the message loop drives, and
    // a run holding the thread turns no loop: the bar would lag behind the label. A lower value
    // is drawn at once, so the bar goes one step past the value and comes back.
    const int top = int(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
    if (position < top)
        SendMessageW(bar, PBM_SETPOS, WPARAM(position + 1), 0);
    SendMessageW(bar, PBM_SETPOS, WPARAM(position), 0);
}

HWND createReportBox(HWND parent, const Box& box, HFONT font)
{
    return createControl(parent, L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, box,
                         0, font, WS_EX_CLIENTEDGE);
}

void setReportLines(HWND box, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\r\n") + line;
    setText(box, text);
}

// Tool tips -------------------------------------------------------------------------------------------

void ToolTips::create(HWND window)
{
    window_ = window;
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                            thisModule(), nullptr);
    // The long tips wrap instead of running across the screen.
    if (tips_)
        SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, pixels(6000, dpiOf(window)));
}

void ToolTips::set(HWND control, const std::string& text)
{
    if (!tips_)
        return; // the window works without its tips
    const std::wstring tip = wide(text);
    setOne(control, tip);
    // An editable combo box is mostly its edit field, a window of its own under the mouse.
    COMBOBOXINFO combo{};
    combo.cbSize = sizeof combo;
    if (GetComboBoxInfo(control, &combo) && combo.hwndItem && combo.hwndItem != control)
        setOne(combo.hwndItem, tip);
}

void ToolTips::setOne(HWND control, const std::wstring& text)
{
    const auto known = shown_.find(control);
    if (known != shown_.end() && known->second == text)
        return;
    std::wstring copy = text; // the tool tip copies the text; the structure wants it writable
    TTTOOLINFOW tool{};
    // The size of the older structure: comctl32 before version 6 refuses the longer one.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = copy.data();
    SendMessageW(tips_, known == shown_.end() ? TTM_ADDTOOLW : TTM_UPDATETIPTEXTW, 0,
                 reinterpret_cast<LPARAM>(&tool));
    shown_[control] = text;
}

// The host and the controls' version ----------------------------------------------------------------------

HWND hostWindow()
{
    const HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (!foreground || !GetWindowThreadProcessId(foreground, &process) || process != GetCurrentProcessId())
        return nullptr;
    // A tool window or message box of the host stands for the host's main window.
    return GetAncestor(foreground, GA_ROOTOWNER);
}

ControlsScope::ControlsScope()
{
    // The add-in lives in the host's program, whose manifest decides which common controls a
    // window gets: without one, the old unthemed version 5. A manifest in this DLL (resource 2)
    // asks for version 6; its context is active while our windows are made and run. Without
    // such a resource everything works with what the host has.
    if (const HANDLE context = moduleContext(); context != INVALID_HANDLE_VALUE)
        active_ = ActivateActCtx(context, &cookie_) != FALSE;
    // Registered once, inside the context, so that the classes are those of the version in use.
    static const bool registered = [] {
        INITCOMMONCONTROLSEX classes{};
        classes.dwSize = sizeof classes;
        classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
        return InitCommonControlsEx(&classes) != FALSE;
    }();
    static_cast<void>(registered);
}

ControlsScope::~ControlsScope()
{
    if (active_)
        DeactivateActCtx(0, cookie_);
}

// The modal window ---------------------------------------------------------------------------------------

ModalWindow::~ModalWindow()
{
    if (window_) {
        // The derived window is gone already: its last messages go to the default handling.
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    // A DLL's window class outlives the DLL, procedure and all; unregistered after each window,
    // a reloaded add-in never meets a stale one. While another of our windows is open this
    // fails, and that window's end does it.
    UnregisterClassW(kClassName, thisModule());
}

void ModalWindow::create(const std::string& title, HWND owner)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &ModalWindow::procedure;
    windowClass.hInstance = thisModule();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("Die Fensterklasse konnte nicht angemeldet werden (Fehler " +
                                 std::to_string(GetLastError()) + ").");

    owner_ = owner;
    // Without an owner the window needs a task bar button of its own, or it could get lost.
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (owner ? 0 : WS_EX_APPWINDOW);
    CreateWindowExW(exStyle, kClassName, wide(title).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 100,
                    100, owner, nullptr, thisModule(), this);
    if (!window_)
        throw std::runtime_error("Das Fenster konnte nicht angelegt werden (Fehler " +
                                 std::to_string(GetLastError()) + ").");
}

void ModalWindow::setClientSize(int width, int height)
{
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrW(window_, GWL_EXSTYLE)));
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ModalWindow::centre()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner_ ? owner_ : window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT area = monitor.rcWork;
    if (owner_ && IsWindowVisible(owner_) && !IsIconic(owner_))
        GetWindowRect(owner_, &area);
    RECT frame{};
    GetWindowRect(window_, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // Centred over the owner, but never with its caption off the screen.
    const int x = std::max(monitor.rcWork.left, std::min(area.left + (area.right - area.left - width) / 2,
                                                         monitor.rcWork.right - width));
    const int y = std::max(monitor.rcWork.top, std::min(area.top + (area.bottom - area.top - height) / 2,
                                                        monitor.rcWork.bottom - height));
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ModalWindow::runModal()
{
    // The owner takes no input while this window is up. EnableWindow says whether it was
    // disabled already (by a window of ours further out), and then it stays so.
    const bool ownerWasEnabled = owner_ && !EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Nothing may leave between disabling the owner and enabling it again.
    try {
        shown();
    } catch (...) {
        failure_ = std::current_exception();
    }

    MSG message{};
    while (!closing_ && !failure_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The host is ending: this window goes, and the request is handed on to the host's loop.
            PostQuitMessage(int(message.wParam));
            break;
        }
        if (got < 0)
            break;
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The owner first: were it still disabled when this window goes, the system would
    // activate some other program's window instead.
    if (ownerWasEnabled)
        EnableWindow(owner_, TRUE);
    DestroyWindow(window_);
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
}

LRESULT ModalWindow::byDefault(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK ModalWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* created = static_cast<ModalWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<ModalWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // The system calls in here from its own code, which an exception must not cross: it is
    // kept, the window closes, and runModal throws it again to whoever opened the window.
    try {
        return self->onMessage(message, wParam, lParam);
    } catch (...) {
        if (!self->failure_)
            self->failure_ = std::current_exception();
        self->close();
        return 0;
    }
}

} // namespace zelvant::native
