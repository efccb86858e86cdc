#include "windows/dialogs/NativeWizard.h"

#include "forms/WizardTexts.h"
#include "windows/com/Wide.h"
#include "windows/dialogs/Artwork.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace zelvant::native {

using namespace wizard;

namespace {

// The frame of the form, in twips: header, separators, button row, progress page, status line.
constexpr int kHeaderHeight = 1500;
constexpr int kLowerSeparatorTop = 6400;
constexpr int kButtonTop = 6720;
constexpr int kButtonHeight = 375;
constexpr int kInfoIconSize = 240;
constexpr int kProgressLeft = 1920;
constexpr int kProgressLabelTop = 2720;
constexpr int kBarTop = 3000;
constexpr int kBarHeight = 300;
constexpr int kLineHeight = 270;
constexpr int kReportLabelTop = 3500;
constexpr int kReportTop = 3780;
constexpr int kReportBottom = 6300;
constexpr int kStatusLeft = 360;
constexpr int kStatusTop = 6040;
constexpr int kStatusWidth = 10335;
constexpr int kStatusHeight = 360;
// A caption needs this much room beside it in its button, or it is set in the compact font.
constexpr int kCaptionPadding = 150;

// What the page could not read is said in a dark red.
constexpr COLORREF kStatusColour = RGB(0x9b, 0x2c, 0x1f);

// The bar counts in tenths of a percent: the engine reports 27.5 and the like.
constexpr int kBarScale = 10;

int barPosition(double percent)
{
    return int(std::lround(percent * kBarScale));
}

WPARAM checkOf(CheckState state)
{
    switch (state) {
    case CheckState::Checked:
        return BST_CHECKED;
    case CheckState::Greyed:
        return BST_INDETERMINATE;
    case CheckState::Unchecked:
        break;
    }
    return BST_UNCHECKED;
}

SYSTEMTIME systemTimeOf(DateTime value)
{
    const std::chrono::local_days day = dateOf(value);
    const std::chrono::year_month_day date{day};
    SYSTEMTIME time{};
    time.wYear = WORD(int(date.year()));
    time.wMonth = WORD(unsigned(date.month()));
    time.wDay = WORD(unsigned(date.day()));
    time.wDayOfWeek = WORD(std::chrono::weekday{day}.c_encoding());
    return time;
}

void setStyleBit(HWND control, LONG_PTR bit, bool on)
{
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    if (((style & bit) != 0) != on)
        SetWindowLongPtrW(control, GWL_STYLE, on ? style | bit : style & ~bit);
}

// Moves a control only when it is elsewhere, as moving means drawing it again.
void moveTo(HWND control, int x, int y)
{
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    if (place.left != x || place.top != y)
        SetWindowPos(control, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void setFontOf(HWND control, HFONT font)
{
    if (reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) != font)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

// Sends a list view message that carries a structure.
template <typename Structure> LRESULT sendList(HWND list, UINT message, WPARAM wParam, Structure& data)
{
    return SendMessageW(list, message, wParam, reinterpret_cast<LPARAM>(&data));
}

} // namespace

std::span<const OptionButton> membersOf(const WizardForm& form, OptionArray array)
{
    switch (array) {
    case OptionArray::Sync:
        return form.optSync;
    case OptionArray::LinkType:
        return form.optLinkType;
    case OptionArray::Task:
        return form.optTask;
    case OptionArray::AppointmentType:
        break;
    }
    return form.optAppointmentType;
}

namespace {

std::string namedText(std::span<const NamedText> texts, std::string_view name)
{
    for (const NamedText& entry : texts)
        if (entry.name == name)
            return entry.text;
    return {};
}

} // namespace

std::string labelText(std::string_view name)
{
    return namedText(kLabels, name);
}

std::string toolTipText(std::string_view name)
{
    return namedText(kToolTips, name);
}

WizardWindow::WizardWindow(const WizardEnvironment& environment, WizardSetup setup, Shell& shell)
    : setup_(std::move(setup)), shell_(shell)
{
    // The logic draws the progress page itself before a run starts: the whole window, at once.
    logic_ = std::make_unique<WizardLogic>(environment, static_cast<ProgressSink&>(*this), [this] {
        render();
        if (window())
            RedrawWindow(window(), nullptr, nullptr, RDW_ERASENOW | RDW_UPDATENOW | RDW_ALLCHILDREN);
    });
}

WizardWindow::~WizardWindow()
{
    if (infoIcon_)
        DestroyIcon(infoIcon_);
}

void WizardWindow::run(HWND owner)
{
    create(kCaption, owner);
    dpi_ = dpiOf(window());
    font_ = messageFont(dpi_);
    compactFont_ = messageFont(dpi_, 0.85);
    titleFont_ = messageFont(dpi_, 1.25, true);
    nameFont_ = messageFont(dpi_, 2.0, true);
    const WizardForm& form = logic_->form();
    setClientSize(px(form.widthTwips), px(form.heightTwips));
    centre();
    tips_.create(window());

    buildFrame();
    buildPages();
    buildProgress();
    // The add-in's order as it set it before opening; the page's own order, which the logic
    // keeps, replaces it as the window shows. For the first page the two agree.
    applyTabOrder(setup_.tabOrder);
    render();
    runModal();
}

void WizardWindow::shown()
{
    applyTabOrderAndFocus();
}

// Making controls -----------------------------------------------------------------------------------------

HWND WizardWindow::add(const std::string& name, std::optional<WizardPage> page, const Control* state,
                       const wchar_t* className, DWORD style, const Box& box, const std::string& text,
                       HFONT font, DWORD exStyle)
{
    // Made hidden; render() shows what the page shows.
    const HWND control = createControl(window(), className, wide(text), style, box, nextId_++,
                                       font ? font : font_.get(), exStyle);
    members_.push_back({name, control, page, state, false});
    return control;
}

HWND WizardWindow::find(const std::string& name) const
{
    const auto found = std::find_if(members_.begin(), members_.end(),
                                    [&](const Member& member) { return member.name == name; });
    return found == members_.end() ? nullptr : found->control;
}

void WizardWindow::onClick(HWND control, std::function<void()> action)
{
    commands_[control] = [action = std::move(action)](WORD code) {
        if (code == BN_CLICKED)
            action();
    };
}

void WizardWindow::buildFrame()
{
    const int width = px(logic_->form().widthTwips);
    add("imgTop", std::nullopt, nullptr, L"STATIC", SS_OWNERDRAW, {0, 0, width, px(kHeaderHeight)});
    add("fraSeparatorTop", std::nullopt, nullptr, L"STATIC", SS_ETCHEDHORZ, {0, px(kHeaderHeight), width, 2});
    add("fraSeparatorBottom", std::nullopt, nullptr, L"STATIC", SS_ETCHEDHORZ,
        {0, px(kLowerSeparatorTop), width, 2});
    buildButtons();
}

void WizardWindow::buildButtons()
{
    const WizardForm& form = logic_->form();
    const auto button = [this](const char* name, const CommandButton& state, int widthTwips, DWORD style) {
        const HWND made = add(name, std::nullopt, &state, L"BUTTON", BS_PUSHBUTTON | style,
                              {px(state.leftTwips), px(kButtonTop), px(widthTwips), px(kButtonHeight)});
        members_.back().captioned = true;
        return made;
    };
    const HWND cmdInfo = button("cmdInfo", form.cmdInfo, 360, BS_ICON);
    const HWND cmdCancel = button("cmdCancel", form.cmdCancel, 1200, 0);
    const HWND cmdBack = button("cmdBack", form.cmdBack, 1215, 0);
    cmdNext_ = button("cmdNext", form.cmdNext, 1200, form.cmdNext.isDefault ? BS_DEFPUSHBUTTON : 0);
    cmdFinish_ = button("cmdFinish", form.cmdFinish, 1320, 0);
    // Esc presses the cancel button: the dialog keys send IDCANCEL.
    SetWindowLongPtrW(cmdCancel, GWLP_ID, IDCANCEL);

    // The info button shows the desktop's own information symbol.
    infoIcon_ = static_cast<HICON>(
        LoadImageW(nullptr, IDI_INFORMATION, IMAGE_ICON, px(kInfoIconSize), px(kInfoIconSize), 0));
    if (infoIcon_)
        SendMessageW(cmdInfo, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(infoIcon_));

    onClick(cmdInfo, [this] { showInfo(shell_, window()); });
    onClick(cmdCancel, [this] { cancel(); });
    onClick(cmdBack, [this] { back(); });
    onClick(cmdNext_, [this] { next(); });
    onClick(cmdFinish_, [this] { finish(); });
}

void WizardWindow::buildProgress()
{
    const int width = px(logic_->form().widthTwips - 2 * kProgressLeft);
    const int left = px(kProgressLeft);
    lblProgress_ = createControl(window(), L"STATIC", L"", SS_LEFT | SS_NOPREFIX,
                                 {left, px(kProgressLabelTop), width, px(kLineHeight)}, 0, font_.get());
    barProgress_ = createControl(window(), PROGRESS_CLASSW, L"", PBS_SMOOTH,
                                 {left, px(kBarTop), width, px(kBarHeight)}, 0, nullptr);
    SendMessageW(barProgress_, PBM_SETRANGE32, 0, 100 * kBarScale);
    lblStatus_ =
        createControl(window(), L"STATIC", L"", SS_LEFT | SS_NOPREFIX,
                      {px(kStatusLeft), px(kStatusTop), px(kStatusWidth), px(kStatusHeight)}, 0, font_.get());
    lblReport_ = createControl(window(), L"STATIC", wide(labelText("lblReport")), SS_LEFT | SS_NOPREFIX,
                               {left, px(kReportLabelTop), width, px(kLineHeight)}, 0, font_.get());
    txtReport_ =
        createReportBox(window(), {left, px(kReportTop), width, px(kReportBottom - kReportTop)}, font_.get());
}

// Drawing the logic's state ---------------------------------------------------------------------------------

void WizardWindow::render()
{
    if (!window() || !cmdNext_)
        return; // the logic draws before the window is built, and nothing is there yet
    rendering_ = true;
    renderMembers();
    renderButtons();
    renderOptions();
    renderInputs();
    renderLists();
    renderProgress();
    renderCursor();
    rendering_ = false;
}

// What every control has: where it shows, whether it is enabled, its tool tip and caption.
void WizardWindow::renderMembers()
{
    const WizardPage page = logic_->page();
    const bool onPage = page != WizardPage::Running && page != WizardPage::Finished;
    for (const Member& member : members_) {
        bool visible = member.page ? onPage && *member.page == page : true;
        if (member.state) {
            visible = visible && member.state->visible;
            setEnabled(member.control, member.state->enabled);
            tips_.set(member.control, member.state->toolTip);
            if (member.captioned)
                setText(member.control, member.state->caption);
        }
        if (std::ranges::find(setup_.hiddenLabels, member.name) != setup_.hiddenLabels.end())
            visible = false;
        setVisible(member.control, visible);
    }
}

void WizardWindow::renderButtons()
{
    const WizardForm& form = logic_->form();
    for (const auto& [name, state] : {std::pair{"cmdInfo", &form.cmdInfo},
                                      {"cmdCancel", &form.cmdCancel},
                                      {"cmdBack", &form.cmdBack},
                                      {"cmdNext", &form.cmdNext},
                                      {"cmdFinish", &form.cmdFinish}}) {
        const HWND button = find(name);
        moveTo(button, px(state->leftTwips), px(kButtonTop));
        // The buttons keep the form's widths; a caption wider than its button is set smaller.
        RECT size{};
        GetClientRect(button, &size);
        const bool fits =
            lineWidth(window(), font_.get(), state->caption) + px(kCaptionPadding) <= size.right;
        setFontOf(button, fits ? font_.get() : compactFont_.get());
    }
}

void WizardWindow::renderOptions()
{
    const WizardForm& form = logic_->form();
    for (OptionArray array :
         {OptionArray::Sync, OptionArray::LinkType, OptionArray::Task, OptionArray::AppointmentType}) {
        const std::span<const OptionButton> members = membersOf(form, array);
        const std::vector<HWND>& buttons = options_[std::size_t(array)];
        for (std::size_t i = 0; i < members.size() && i < buttons.size(); ++i)
            SendMessageW(buttons[i], BM_SETCHECK, members[i].value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void WizardWindow::renderInputs()
{
    for (ComboView& combo : combos_) {
        const ComboBox& state = *combo.state;
        if (combo.items != state.items) {
            SendMessageW(combo.control, CB_RESETCONTENT, 0, 0);
            for (const std::string& item : state.items)
                SendMessageW(combo.control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item).c_str()));
            combo.items = state.items;
        }
        if (int(SendMessageW(combo.control, CB_GETCURSEL, 0, 0)) != state.listIndex)
            SendMessageW(combo.control, CB_SETCURSEL, WPARAM(state.listIndex), 0);
        // A typed text need not be one of the entries.
        if (state.editable)
            setText(combo.control, state.text);
    }
    for (const auto& [box, state] : checks_)
        if (SendMessageW(box, BM_GETCHECK, 0, 0) != LRESULT(checkOf(state->value)))
            SendMessageW(box, BM_SETCHECK, checkOf(state->value), 0);
    for (const auto& [picker, state] : dates_) {
        if (!state->value)
            continue; // the picker keeps showing its last day
        SYSTEMTIME wanted = systemTimeOf(*state->value);
        SYSTEMTIME shown{};
        const bool same =
            SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown)) == GDT_VALID &&
            shown.wYear == wanted.wYear && shown.wMonth == wanted.wMonth && shown.wDay == wanted.wDay;
        if (!same)
            SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&wanted));
    }
}

void WizardWindow::renderLists()
{
    for (ListViewView& list : lists_)
        renderList(list);
}

void WizardWindow::renderList(ListViewView& list)
{
    // Rebuilding a list loses the user's scrolling and selection: only when the logic refilled it.
    if (list.revision != list.state->revision)
        rebuildList(list);
    const std::vector<ListItem>& items = list.state->items;
    for (std::size_t row = 0; row < items.size(); ++row) {
        const UINT wanted = UINT(items[row].checked ? 2 : 1) << 12; // the state images: 1 clear, 2 ticked
        const auto shown = UINT(SendMessageW(list.control, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
        if (shown == wanted)
            continue;
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = wanted;
        sendList(list.control, LVM_SETITEMSTATE, row, item);
    }
}

void WizardWindow::rebuildList(ListViewView& list)
{
    const ListView& state = *list.state;
    const HWND view = list.control;
    SendMessageW(view, WM_SETREDRAW, FALSE, 0);
    SendMessageW(view, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageW(view, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (std::size_t c = 0; c < state.columns.size(); ++c) {
        std::wstring header = wide(state.columns[c].header);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = header.data();
        column.cx = px(state.columns[c].widthTwips); // 0 hides the column, which still holds its texts
        column.iSubItem = int(c);
        sendList(view, LVM_INSERTCOLUMNW, c, column);
    }
    setStyleBit(view, LVS_SINGLESEL, !state.multiSelect);
    SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 state.fullRowSelect ? LVS_EX_FULLROWSELECT : 0);
    // The logic keeps the items in the order shown, sorted where the list is sorted.
    for (std::size_t row = 0; row < state.items.size(); ++row) {
        const std::vector<std::string>& texts = state.items[row].texts;
        for (std::size_t c = 0; c < texts.size() && c < state.columns.size(); ++c) {
            std::wstring text = wide(texts[c]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = int(row);
            item.iSubItem = int(c);
            item.pszText = text.data();
            if (c == 0)
                sendList(view, LVM_INSERTITEMW, 0, item);
            else
                sendList(view, LVM_SETITEMTEXTW, row, item);
        }
    }
    // The given widths are the least: a date or a name is never cut short behind them.
    for (std::size_t c = 1; c < state.columns.size(); ++c) {
        const int least = px(state.columns[c].widthTwips);
        if (least == 0)
            continue;
        SendMessageW(view, LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE);
        if (int(SendMessageW(view, LVM_GETCOLUMNWIDTH, c, 0)) < least)
            SendMessageW(view, LVM_SETCOLUMNWIDTH, c, least);
    }
    SendMessageW(view, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(view, nullptr, TRUE);
    list.revision = state.revision;
}

void WizardWindow::renderProgress()
{
    const WizardForm& form = logic_->form();
    const WizardPage page = logic_->page();
    setVisible(barProgress_, form.progress.shown);
    setVisible(lblProgress_, form.progress.shown);
    showBarAt(barProgress_, barPosition(form.progress.value));
    setText(lblProgress_, form.progress.text);
    const bool report = !form.reportLines.empty();
    setReportLines(txtReport_, form.reportLines);
    setVisible(lblReport_, report);
    setVisible(txtReport_, report);
    const bool onPage = page != WizardPage::Running && page != WizardPage::Finished;
    setText(lblStatus_, form.status);
    setVisible(lblStatus_, onPage && !form.status.empty());
}

void WizardWindow::renderCursor()
{
    // The hourglass stays while the logic works, wherever the mouse goes. Set at once: a run
    // holds the thread, so no WM_SETCURSOR would come to set it.
    const bool wait = logic_->form().busy || logic_->page() == WizardPage::Running;
    if (wait == waitCursor_)
        return;
    waitCursor_ = wait;
    SetCursor(LoadCursorW(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

void WizardWindow::applyTabOrder(const std::vector<std::string>& names)
{
    // Controls outside the order are reached by the mouse only. The dialog keys walk the
    // controls in their z-order, so the named ones are stacked in the order given.
    for (const Member& member : members_)
        setStyleBit(member.control, WS_TABSTOP, false);
    HWND previous = HWND_TOP;
    for (const std::string& name : names) {
        const HWND control = find(name);
        if (!control)
            continue;
        setStyleBit(control, WS_TABSTOP, true);
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
}

void WizardWindow::applyTabOrderAndFocus()
{
    const WizardForm& form = logic_->form();
    applyTabOrder(form.tabOrder);
    if (const HWND focus = find(form.focus); focus && IsWindowEnabled(focus) && isShown(focus))
        SetFocus(focus);
}

// Actions ---------------------------------------------------------------------------------------------------

void WizardWindow::next()
{
    logic_->cmdNext();
    render();
    applyTabOrderAndFocus();
}

void WizardWindow::back()
{
    logic_->cmdBack();
    render();
    applyTabOrderAndFocus();
}

void WizardWindow::finish()
{
    if (logic_->cmdFinish() == FinishResult::Close) {
        close();
        return;
    }
    render();
    // The run hid the button that had the focus; "Fertig" takes it, so that Enter closes.
    if (logic_->page() == WizardPage::Finished)
        SetFocus(cmdFinish_);
}

void WizardWindow::cancel()
{
    // Also Esc and the window's close button: nothing is saved. A run is not broken off.
    if (logic_->page() == WizardPage::Running)
        return;
    logic_->cmdCancel();
    close();
}

void WizardWindow::chooseOption(OptionArray array, int index)
{
    logic_->clickOption(array, index);
    render();
}

void WizardWindow::showProgress(double percent, const std::string& text)
{
    // The run holds the thread: the bar and the label are drawn right now.
    showBarAt(barProgress_, barPosition(percent));
    setText(lblProgress_, text);
    UpdateWindow(barProgress_);
    UpdateWindow(lblProgress_);
}

// Messages --------------------------------------------------------------------------------------------------

LRESULT WizardWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (const auto handler = commands_.find(reinterpret_cast<HWND>(lParam)); handler != commands_.end())
            handler->second(HIWORD(wParam));
        else if (LOWORD(wParam) == IDCANCEL)
            cancel();
        return 0;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (const auto handler = notices_.find(header.hwndFrom); handler != notices_.end())
            handler->second(header);
        return 0;
    }
    case DM_GETDEFID: {
        // Enter presses "Weiter >"; after a run only "Fertig" is left to press.
        const HWND button = logic_->page() == WizardPage::Finished ? cmdFinish_ : cmdNext_;
        return button ? MAKELRESULT(GetDlgCtrlID(button), DC_HASDEFID) : 0;
    }
    case WM_DRAWITEM: {
        // The header picture is the only control the window draws itself.
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlType != ODT_STATIC)
            break;
        paintHeader(item.hDC, item.rcItem, nameFont_.get(), kCaption);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == lblStatus_) {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kStatusColour);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_SETCURSOR:
        if (waitCursor_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        cancel();
        return 0;
    default:
        break;
    }
    return byDefault(message, wParam, lParam);
}

void showWizard(const WizardEnvironment& environment, const WizardSetup& setup, Shell& shell, HWND owner)
{
    const ControlsScope controls;
    WizardWindow window(environment, setup, shell);
    window.run(owner);
}

} // namespace zelvant::native
