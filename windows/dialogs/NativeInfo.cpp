#include "forms/InfoDialogLogic.h"
#include "services/Messages.h"
#include "windows/com/Wide.h"
#include "windows/dialogs/Artwork.h"
#include "windows/dialogs/NativeDialogs.h"
#include "windows/dialogs/Win32Support.h"

#include <algorithm>

namespace zelvant::native {

namespace {

// The window's measures, in twips.
constexpr int kWidth = 7200;
constexpr int kBannerHeight = 960;
constexpr int kMarginX = 300;
constexpr int kMarginY = 240;
constexpr int kLogoSize = 960;
constexpr int kLogoGap = 240;
constexpr int kSpacing = 150;
constexpr int kLineSpacing = 90;
constexpr int kButtonWidth = 1125;
constexpr int kButtonHeight = 345;
// The wizard's 300 twips: the window stands this far right of and below its owner's corner.
constexpr int kOffsetFromOwner = 300;

} // namespace

// The window "Zelvant Info": banner, logo, product name and version, a short description, a
// link to the product's page whose underline follows the mouse, the rights notice and OK. The
// logo and the link open their addresses through InfoDialogLogic.
class InfoWindow : public ModalWindow {
public:
    explicit InfoWindow(Shell& shell) : logic_(shell) {}
    // A window that failed half-built goes after this object: its link must not call back in here.
    ~InfoWindow() override
    {
        if (linkProcedure_ && IsWindow(link_))
            SetWindowLongPtrW(link_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(linkProcedure_));
    }

    void run(HWND owner)
    {
        create(info::kCaption, owner);
        dpi_ = dpiOf(window());
        font_ = messageFont(dpi_);
        titleFont_ = messageFont(dpi_, 1.3, true);
        bannerFont_ = messageFont(dpi_, 2.1, true);
        linkFont_ = messageFont(dpi_);
        underlinedFont_ = messageFont(dpi_, 1.0, false, true);
        tips_.create(window());
        const int height = build();
        setClientSize(px(kWidth), height);
        place(owner);
        runModal();
    }

private:
    int px(int twips) const { return pixels(twips, dpi_); }

    HWND label(const std::string& text, const Box& box, HFONT font, DWORD style = 0)
    {
        return createControl(window(), L"STATIC", wide(text), WS_VISIBLE | SS_LEFT | SS_NOPREFIX | style, box,
                             0, font);
    }

    int textHeight(const std::string& text, HFONT font, int width) const
    {
        return wrappedHeight(window(), font, text, width);
    }

    int separator(int y)
    {
        createControl(window(), L"STATIC", L"", WS_VISIBLE | SS_ETCHEDHORZ,
                      {px(kMarginX), y, px(kWidth - 2 * kMarginX), 2}, 0, nullptr);
        return y + px(kSpacing);
    }

    // Lays the window out from the top; returns the height of its client area.
    int build()
    {
        const int width = px(kWidth);
        const int left = px(kMarginX);
        const int inner = width - 2 * left;
        banner_ = createControl(window(), L"STATIC", L"", WS_VISIBLE | SS_OWNERDRAW,
                                {0, 0, width, px(kBannerHeight)}, 0, nullptr);

        // The logo on the left, name and description beside it.
        const int top = px(kBannerHeight + kMarginY);
        logo_ = createControl(window(), L"STATIC", L"", WS_VISIBLE | SS_OWNERDRAW | SS_NOTIFY,
                              {left, top, px(kLogoSize), px(kLogoSize)}, 0, nullptr);
        const int textLeft = left + px(kLogoSize + kLogoGap);
        const int textWidth = left + inner - textLeft;
        const int titleHeight = textHeight(info::kTitle, titleFont_.get(), textWidth);
        label(info::kTitle, {textLeft, top, textWidth, titleHeight}, titleFont_.get());
        const int descriptionTop = top + titleHeight + px(kLineSpacing);
        const int descriptionHeight = textHeight(info::kDescription, font_.get(), textWidth);
        label(info::kDescription, {textLeft, descriptionTop, textWidth, descriptionHeight}, font_.get());
        int y = std::max(top + px(kLogoSize), descriptionTop + descriptionHeight) + px(kSpacing);

        y = separator(y);
        const int introHeight = textHeight(info::kLinkIntro, font_.get(), inner);
        label(info::kLinkIntro, {left, y, inner, introHeight}, font_.get());
        y += introHeight + px(kLineSpacing);
        // Only as wide as its text: the underline follows the mouse over the text, not beside it.
        const std::string address = logic_.linkCaption();
        const int linkWidth = std::min(inner, lineWidth(window(), underlinedFont_.get(), address) + 2);
        const int linkHeight = textHeight(address, underlinedFont_.get(), inner);
        link_ = label(address, {left, y, linkWidth, linkHeight}, linkFont_.get(), SS_NOTIFY);
        followMouseOverLink();
        y += linkHeight + px(kSpacing);

        y = separator(y);
        const int buttonLeft = left + inner - px(kButtonWidth);
        const int rightsHeight = textHeight(info::kRights, font_.get(), inner);
        rights_ = label(info::kRights,
                        {left, y + (px(kButtonHeight) - rightsHeight) / 2, buttonLeft - left, rightsHeight},
                        font_.get());
        ok_ = createControl(window(), L"BUTTON", wide(info::kOkCaption),
                            WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                            {buttonLeft, y, px(kButtonWidth), px(kButtonHeight)}, IDOK, font_.get());
        tips_.set(ok_, info::kOkToolTip);
        return y + px(kButtonHeight + kMarginY);
    }

    // Right of and below the owner's top left corner; centred on the screen without an owner.
    void place(HWND owner)
    {
        RECT corner{};
        if (!owner || !GetWindowRect(owner, &corner)) {
            centre();
            return;
        }
        SetWindowPos(window(), nullptr, corner.left + px(kOffsetFromOwner), corner.top + px(kOffsetFromOwner),
                     0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void shown() override { SetFocus(ok_); }

    // The link is a static control; it tells of the mouse over it through a procedure of our own
    // in front of its own, as a static control reports no movements.
    void followMouseOverLink()
    {
        SetWindowLongPtrW(link_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        linkProcedure_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(link_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&InfoWindow::linkMessages)));
    }

    static LRESULT CALLBACK linkMessages(HWND link, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<InfoWindow*>(GetWindowLongPtrW(link, GWLP_USERDATA));
        if (message == WM_MOUSEMOVE) {
            if (self->logic_.mouseOverLink())
                self->styleLink();
            // Asked afresh each time: the system forgets the request once it has reported the leaving.
            TRACKMOUSEEVENT leaving{sizeof leaving, TME_LEAVE, link, 0};
            TrackMouseEvent(&leaving);
        } else if (message == WM_MOUSELEAVE) {
            if (self->logic_.mouseOverForm())
                self->styleLink();
        }
        return CallWindowProcW(self->linkProcedure_, link, message, wParam, lParam);
    }

    void styleLink()
    {
        SendMessageW(
            link_, WM_SETFONT,
            reinterpret_cast<WPARAM>(logic_.linkUnderlined() ? underlinedFont_.get() : linkFont_.get()),
            TRUE);
    }

    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_COMMAND: {
            const auto from = reinterpret_cast<HWND>(lParam);
            if (from == link_ && HIWORD(wParam) == STN_CLICKED)
                logic_.clickLink(); // a link that cannot be opened opens nothing and says nothing
            else if (from == logo_ && HIWORD(wParam) == STN_CLICKED)
                logic_.clickLogo();
            else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                close();
            return 0;
        }
        case WM_MOUSEMOVE:
            // Movements over the window outside the link take the underline away.
            if (logic_.mouseOverForm())
                styleLink();
            return 0;
        case WM_SETCURSOR: {
            const auto over = reinterpret_cast<HWND>(wParam);
            if (over == link_ || over == logo_) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLORSTATIC: {
            const auto from = reinterpret_cast<HWND>(lParam);
            if (from != link_ && from != rights_)
                break;
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(from == link_ ? COLOR_HOTLIGHT : COLOR_GRAYTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.hwndItem == banner_) {
                paintBanner(item.hDC, item.rcItem, bannerFont_.get(), kMessageTitle);
            } else {
                FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
                paintLogo(item.hDC, item.rcItem);
            }
            return TRUE;
        }
        case DM_GETDEFID:
            return MAKELRESULT(IDOK, DC_HASDEFID);
        case WM_CLOSE:
            close();
            return 0;
        default:
            break;
        }
        return byDefault(message, wParam, lParam);
    }

    InfoDialogLogic logic_;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    Font font_, titleFont_, bannerFont_, linkFont_, underlinedFont_;
    ToolTips tips_;
    HWND banner_ = nullptr, logo_ = nullptr, link_ = nullptr, rights_ = nullptr, ok_ = nullptr;
    WNDPROC linkProcedure_ = nullptr;
};

void showInfo(Shell& shell, HWND owner)
{
    const ControlsScope controls;
    InfoWindow window(shell);
    window.run(owner);
}

} // namespace zelvant::native
