#include "engine/Progress.h"
#include "forms/InfoDialogLogic.h"
#include "services/Messages.h"
#include "windows/com/Wide.h"
#include "windows/dialogs/NativeDialogs.h"
#include "windows/dialogs/Win32Support.h"

#include <algorithm>
#include <cmath>

namespace zelvant::native {

namespace {

// The message the window posts itself as it shows: the run starts once the window is painted.
constexpr UINT kStartRun = WM_APP + 1;

// The window's measures, in twips.
constexpr int kWidth = 6300;
constexpr int kMarginX = 240;
constexpr int kMarginTop = 210;
constexpr int kMarginBottom = 240;
constexpr int kGap = 150;
constexpr int kBarHeight = 300;
constexpr int kReportMaxHeight = 2700; // more failure lines than fit scroll
constexpr int kButtonWidth = 1125;
constexpr int kButtonHeight = 345;

// The bar counts in tenths of a percent, so the fractional steps of long runs still move it.
constexpr int kBarScale = 10;

// Pauses for so many milliseconds while the windows keep painting. Clicks and keys stay in the
// queue until the run is over, as it is not meant to be interrupted; only painting, posted
// and sent messages and timers are handled meanwhile.
void waitKeepingPainted(int milliseconds)
{
    const ULONGLONG end = GetTickCount64() + ULONGLONG(std::max(milliseconds, 0));
    for (;;) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0,
                            PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(int(message.wParam)); // the host is ending: its loop gets the request
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(end - now),
                                  QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_TIMER);
    }
}

} // namespace

// The quick synchronisation's window: a label over a progress bar. The run starts by itself
// once the window is on screen, and the window closes itself at the end. When anything failed
// it stays open with the failures and an OK button, so that such a run is never taken for a
// clean one.
class QuickSyncWindow : public ModalWindow, private ProgressSink {
public:
    explicit QuickSyncWindow(const QuickSyncSetup& setup) : setup_(setup) {}

    QuickSyncResult run(HWND owner)
    {
        create(kQuickSyncCaption, owner);
        dpi_ = dpiOf(window());
        font_ = messageFont(dpi_);
        const int inner = px(kWidth - 2 * kMarginX);
        // One line, as tall as the font; a longer text ends in "..." rather than wrapping away.
        const int line = wrappedHeight(window(), font_.get(), "X", inner);
        label_ = createControl(window(), L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
                               {px(kMarginX), px(kMarginTop), inner, line}, 0, font_.get());
        bar_ = createControl(window(), PROGRESS_CLASSW, L"", WS_VISIBLE | PBS_SMOOTH,
                             {px(kMarginX), px(kMarginTop) + line + px(kGap), inner, px(kBarHeight)}, 0,
                             nullptr);
        SendMessageW(bar_, PBM_SETRANGE32, 0, 100 * kBarScale);
        setClientSize(px(kWidth), px(kMarginTop + kGap + kBarHeight + kMarginBottom) + line);
        centre();
        runModal();
        return result_;
    }

private:
    int px(int twips) const { return pixels(twips, dpi_); }

    void shown() override
    {
        // Posted, so that the loop is running when the run starts; runModal has painted the
        // window already, so the first progress is not drawn into a window not yet on screen.
        PostMessageW(window(), kStartRun, 0, 0);
    }

    void start()
    {
        if (started_)
            return;
        started_ = true;
        running_ = true;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        const QuickSyncServices services{setup_.host, setup_.launcher,     setup_.messages,
                                         *this,       &waitKeepingPainted, setup_.recreateDeleted};
        result_ = DoQuickSync(services);
        running_ = false;
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        if (result_.report.hasFailures())
            showFailures();
        else
            close();
    }

    // Below the bar: the heading for failures, the lines in a box, and OK.
    void showFailures()
    {
        RECT bar{};
        GetWindowRect(bar_, &bar);
        MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&bar), 2);
        const int left = px(kMarginX);
        const int inner = px(kWidth - 2 * kMarginX);
        const std::string heading = kQuickSyncFailedText;
        const int headingHeight = wrappedHeight(window(), font_.get(), heading, inner);
        const int headingTop = bar.bottom + px(kGap);
        createControl(window(), L"STATIC", wide(heading), WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                      {left, headingTop, inner, headingHeight}, 0, font_.get());

        const std::vector<std::string> lines = result_.report.failureLines();
        const int boxTop = headingTop + headingHeight + px(kGap) / 2;
        const HWND box =
            createReportBox(window(), {left, boxTop, inner, reportHeight(lines, inner)}, font_.get());
        setReportLines(box, lines);
        setVisible(box, true);

        RECT placed{};
        GetWindowRect(box, &placed);
        const int buttonTop = boxTop + (placed.bottom - placed.top) + px(kGap);
        const HWND ok = createControl(
            window(), L"BUTTON", wide(info::kOkCaption), WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
            {left + inner - px(kButtonWidth), buttonTop, px(kButtonWidth), px(kButtonHeight)}, IDOK,
            font_.get());
        setClientSize(px(kWidth), buttonTop + px(kButtonHeight + kMarginBottom));
        SetFocus(ok);
    }

    // As tall as the wrapped lines, up to a handful; more lines scroll.
    int reportHeight(const std::vector<std::string>& lines, int width) const
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        // The box's frame, its scroll bar and the edit field's own margins take their share.
        const int frame = 2 * GetSystemMetrics(SM_CXEDGE);
        const int textWidth = width - frame - GetSystemMetrics(SM_CXVSCROLL) - px(120);
        const int height = wrappedHeight(window(), font_.get(), text, textWidth) + frame + px(60);
        return std::min(height, px(kReportMaxHeight));
    }

    void showProgress(double percent, const std::string& text) override
    {
        // Drawn at once: the run holds the thread until its next pause.
        showBarAt(bar_, int(std::lround(percent * kBarScale)));
        setText(label_, text);
        UpdateWindow(bar_);
        UpdateWindow(label_);
    }

    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case kStartRun:
            start();
            return 0;
        case WM_SETCURSOR:
            if (running_) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_COMMAND:
            // OK, Enter and Esc, once the run is over; the run closes a clean window itself.
            if ((LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && started_ && !running_)
                close();
            return 0;
        case WM_CLOSE:
            if (started_ && !running_)
                close();
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(IDOK, DC_HASDEFID);
        default:
            break;
        }
        return byDefault(message, wParam, lParam);
    }

    QuickSyncSetup setup_;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    Font font_;
    HWND label_ = nullptr;
    HWND bar_ = nullptr;
    QuickSyncResult result_;
    bool started_ = false;
    bool running_ = false;
};

QuickSyncResult showQuickSync(const QuickSyncSetup& setup, HWND owner)
{
    const ControlsScope controls;
    QuickSyncWindow window(setup);
    return window.run(owner);
}

} // namespace zelvant::native
