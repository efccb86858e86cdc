#include "forms/WizardTexts.h"
#include "windows/dialogs/NativeWizard.h"

#include "windows/com/Wide.h"

#include <algorithm>
#include <tuple>

namespace zelvant::native {

using namespace wizard;

namespace {

// The page area of the form in twips; every page is laid out inside it, from the top.
constexpr int kPageLeft = 360;
constexpr int kPageTop = 1920;
constexpr int kPageWidth = 10335;
constexpr int kPageHeight = 4095;

// Measures of the pages, in twips.
constexpr int kParagraph = 120;     // between the paragraphs of a page
constexpr int kRowHeight = 390;     // a row of options with their boxes and pickers
constexpr int kControlHeight = 345; // a closed combo box or a date picker; smaller things centre on it
constexpr int kOptionHeight = 285;  // an option button or a check box
constexpr int kFrameTop = 330;      // from a frame's top to its first row, below the frame's line
constexpr int kFrameBottom = 120;
constexpr int kFrameInset = 240;     // the options from their frame's left
constexpr int kOptionGlyph = 330;    // the round button and its gap, beside an option's caption
constexpr int kColumnGap = 120;      // between an option and its box, a label and its control
constexpr int kSideGap = 180;        // between the task page's frame and what stands beside it
constexpr int kComboDropDown = 2400; // a combo box with its list dropped down
constexpr int kComboWidth = 2700;
constexpr int kDateWidth = 1650;
constexpr int kLabelSlack = 30;      // so that a one-line label never wraps for a rounding
constexpr int kListTextWidth = 3300; // the texts beside a list are narrow, so that the list's columns fit
constexpr int kListGap = 240;
constexpr int kSmallButtonWidth = 1125;
constexpr int kSmallButtonHeight = 375;

// What a click makes of a check box: a greyed box becomes ticked, as a three-state box does.
CheckState afterClick(CheckState state)
{
    return state == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
}

} // namespace

void WizardWindow::buildPages()
{
    const WizardForm& form = logic_->form();
    buildOptionsPage(WizardPage::Operation, "fraOptSync", OptionArray::Sync, "optSync");
    buildOptionsPage(WizardPage::Direction, "fraOptLink", OptionArray::LinkType, "optLinkType");
    buildTaskChoicePage();
    buildListPage(WizardPage::TaskList, WizardList::Tasks, form.lvwTasks,
                  {.allName = "cmdTaskAll",
                   .noneName = "cmdTaskNone",
                   .checkName = "chkDetailed",
                   .check = &form.chkDetailed});
    buildAppointmentChoicePage();
    buildListPage(WizardPage::AppointmentList, WizardList::Appointments, form.lvwAppointments,
                  {.allName = "cmdAppAll", .noneName = "cmdAppNone"});
    buildListPage(WizardPage::RemovalList, WizardList::DeleteLinks, form.lvwDeleteLinks,
                  {.allName = "cmdAll", .noneName = "cmdNone"});
    buildListPage(WizardPage::SyncList, WizardList::Sync, form.lvwSync,
                  {.allName = "cmdSyncAll",
                   .noneName = "cmdSyncNone",
                   .checkName = "chkCreateDeletedTasks",
                   .check = &form.chkCreateDeletedTasks,
                   .checkChanged = &WizardLogic::setCreateDeletedTasks});
}

// What the pages are made of ------------------------------------------------------------------------------

// A label of WizardTexts.h at `width`, as tall as its wrapped text; returns where the next
// paragraph starts. An empty label takes no room.
int WizardWindow::addLabel(const char* name, WizardPage page, int x, int y, int width, HFONT font)
{
    const std::string text = labelText(name);
    const int height = wrappedHeight(window(), font, text, width);
    add(name, page, nullptr, L"STATIC", SS_LEFT | SS_NOPREFIX, {x, y, width, height}, text, font);
    return height == 0 ? y : y + height + px(kParagraph);
}

// A one-line label centred on a row of controls; returns its right edge.
int WizardWindow::addRowLabel(const char* name, WizardPage page, int x, int rowTop)
{
    const std::string text = labelText(name);
    const int width = lineWidth(window(), font_.get(), text) + px(kLabelSlack);
    const int height = wrappedHeight(window(), font_.get(), text, width);
    add(name, page, nullptr, L"STATIC", SS_LEFT | SS_NOPREFIX,
        {x, rowTop + (px(kControlHeight) - height) / 2, width, height}, text);
    return x + width;
}

// The page's bold title and its explaining texts, one under the other; returns where the
// page's own controls start.
int WizardWindow::addTitleAndTexts(WizardPage page, int x, int y, int width)
{
    const WizardPageView& view = WizardLogic::view(page);
    y = addLabel(view.title, page, x, y, width, titleFont_.get());
    for (const char* name : view.texts)
        y = addLabel(name, page, x, y, width, font_.get());
    return y;
}

void WizardWindow::addOption(OptionArray array, const char* prefix, int index, WizardPage page,
                             const Box& box)
{
    const OptionButton& state = membersOf(logic_->form(), array)[std::size_t(index)];
    // Not an automatic radio button: the logic decides what is chosen, render() shows it.
    const HWND button = add(std::string(prefix) + "(" + std::to_string(index) + ")", page, &state, L"BUTTON",
                            BS_RADIOBUTTON, box, state.caption);
    members_.back().captioned = true;
    options_[std::size_t(array)].push_back(button);
    onClick(button, [this, array, index] { chooseOption(array, index); });
}

// As wide as the array's longest caption: the boxes beside the options line up after it.
int WizardWindow::optionColumnWidth(OptionArray array) const
{
    int widest = 0;
    for (const OptionButton& member : membersOf(logic_->form(), array))
        widest = std::max(widest, lineWidth(window(), font_.get(), member.caption));
    return widest + px(kOptionGlyph);
}

void WizardWindow::addCombo(const char* name, WizardPage page, const ComboBox& state, const Box& box,
                            std::function<void(int index)> chosen,
                            std::function<void(const std::string&)> typed)
{
    // A combo box is made as tall as it is with its list dropped down; closed, its font sets it.
    const DWORD style = (state.editable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST) | WS_VSCROLL;
    const HWND control =
        add(name, page, &state, WC_COMBOBOXW, style, {box.x, box.y, box.width, px(kComboDropDown)});
    combos_.push_back({control, &state, {}});
    commands_[control] = [this, control, chosen = std::move(chosen), typed = std::move(typed)](WORD code) {
        if (rendering_)
            return;
        if (code == CBN_SELCHANGE)
            chosen(int(SendMessageW(control, CB_GETCURSEL, 0, 0)));
        else if (code == CBN_EDITCHANGE && typed)
            typed(textOf(control));
    };
}

void WizardWindow::addCheck(const char* name, WizardPage page, const CheckBox& state, const Box& box,
                            void (WizardLogic::*changed)(CheckState))
{
    // Three states, not automatic: the logic holds the value, a greyed one included.
    const HWND check = add(name, page, &state, L"BUTTON", BS_3STATE, box, state.caption);
    members_.back().captioned = true;
    checks_.emplace_back(check, &state);
    if (changed)
        onClick(check, [this, changed, &state] {
            (logic_.get()->*changed)(afterClick(state.value));
            render();
        });
}

void WizardWindow::addDatePicker(const char* name, WizardPage page, const DatePicker& state, const Box& box,
                                 void (WizardLogic::*changed)(std::optional<DateTime>))
{
    const HWND picker = add(name, page, &state, DATETIMEPICK_CLASSW, DTS_SHORTDATEFORMAT, box);
    // The German day whatever the desktop's own format.
    SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"dd.MM.yyyy"));
    dates_.emplace_back(picker, &state);
    notices_[picker] = [this, changed](const NMHDR& header) {
        if (header.code != DTN_DATETIMECHANGE || rendering_)
            return;
        const auto& change = *reinterpret_cast<const NMDATETIMECHANGE*>(&header);
        std::optional<DateTime> day;
        if (change.dwFlags == GDT_VALID)
            day = makeDateTime(change.st.wYear, change.st.wMonth, change.st.wDay);
        (logic_.get()->*changed)(day);
    };
}

// The pages
// ---------------------------------------------------------------------------------------------------

// A page that is its texts and one frame of options, one under the other.
void WizardWindow::buildOptionsPage(WizardPage page, const char* frameName, OptionArray array,
                                    const char* prefix)
{
    const int left = px(kPageLeft);
    const int width = px(kPageWidth);
    const int top = addTitleAndTexts(page, left, px(kPageTop), width);
    const int count = int(membersOf(logic_->form(), array).size());
    add(frameName, page, nullptr, L"BUTTON", BS_GROUPBOX,
        {left, top, width, px(kFrameTop + count * kRowHeight + kFrameBottom)});
    const int optionTop = top + px(kFrameTop) + (px(kControlHeight) - px(kOptionHeight)) / 2;
    for (int i = 0; i < count; ++i)
        addOption(array, prefix, i, page,
                  {left + px(kFrameInset), optionTop + px(i * kRowHeight), width - 2 * px(kFrameInset),
                   px(kOptionHeight)});
}

// Which tasks: the options in a frame with the resource's box beside the middle one; to the
// right the summary tasks, the busy status and the all-day box, row by row with the options.
void WizardWindow::buildTaskChoicePage()
{
    const WizardPage page = WizardPage::TaskChoice;
    const WizardForm& form = logic_->form();
    const int left = px(kPageLeft);
    const int right = left + px(kPageWidth);
    const int top = addTitleAndTexts(page, left, px(kPageTop), px(kPageWidth));
    const auto row = [&](int index) { return top + px(kFrameTop + index * kRowHeight); };
    const int centred = (px(kControlHeight) - px(kOptionHeight)) / 2;

    const int frameWidth = (px(kPageWidth) - px(kSideGap)) * 3 / 5;
    add("fraOptTask", page, nullptr, L"BUTTON", BS_GROUPBOX,
        {left, top, frameWidth, px(kFrameTop + 3 * kRowHeight + kFrameBottom)});
    const int optionLeft = left + px(kFrameInset);
    const int optionWidth = optionColumnWidth(OptionArray::Task);
    for (int i = 0; i < 3; ++i)
        addOption(OptionArray::Task, "optTask", i, page,
                  {optionLeft, row(i) + centred, optionWidth, px(kOptionHeight)});
    const int comboLeft = optionLeft + optionWidth + px(kColumnGap);
    addCombo(
        "cboResource", page, form.cboResource,
        {comboLeft, row(1), left + frameWidth - px(kFrameInset) - comboLeft, 0},
        [this](int index) {
            const std::vector<std::string>& names = logic_->form().cboResource.items;
            if (index >= 0 && std::size_t(index) < names.size())
                logic_->setResourceText(names[std::size_t(index)]);
        },
        [this](const std::string& typed) { logic_->setResourceText(typed); });

    const int sideLeft = left + frameWidth + px(kSideGap);
    addCheck("chkSummary", page, form.chkSummary,
             {sideLeft, row(0) + centred, right - sideLeft, px(kOptionHeight)}, &WizardLogic::setSummary);
    const int boxLeft = addRowLabel("lblBusyStatus", page, sideLeft, row(1)) + px(kColumnGap);
    addCombo("cboBusyStatus", page, form.cboBusyStatus, {boxLeft, row(1), right - boxLeft, 0},
             [this](int index) {
                 logic_->setBusyStatusIndex(index);
                 render();
             });
    addCheck("chkAllDayEvent", page, form.chkAllDayEvent,
             {boxLeft, row(2) + centred, right - boxLeft, px(kOptionHeight)});
}

// Which appointments: all, a category's (the box beside the second option) or a period's (the
// two dates beside the third).
void WizardWindow::buildAppointmentChoicePage()
{
    const WizardPage page = WizardPage::AppointmentChoice;
    const WizardForm& form = logic_->form();
    const int left = px(kPageLeft);
    const int top = addTitleAndTexts(page, left, px(kPageTop), px(kPageWidth));
    const auto row = [&](int index) { return top + px(kFrameTop + index * kRowHeight); };
    const int centred = (px(kControlHeight) - px(kOptionHeight)) / 2;

    add("fraOptAppointment", page, nullptr, L"BUTTON", BS_GROUPBOX,
        {left, top, px(kPageWidth), px(kFrameTop + 3 * kRowHeight + kFrameBottom)});
    const int optionLeft = left + px(kFrameInset);
    const int optionWidth = optionColumnWidth(OptionArray::AppointmentType);
    for (int i = 0; i < 3; ++i)
        addOption(OptionArray::AppointmentType, "optAppointmentType", i, page,
                  {optionLeft, row(i) + centred, optionWidth, px(kOptionHeight)});
    const int column = optionLeft + optionWidth + px(kColumnGap);
    addCombo("cboKategorie", page, form.cboKategorie, {column, row(1), px(kComboWidth), 0},
             [this](int index) {
                 logic_->setCategoryIndex(index);
                 render();
             });

    int x = addRowLabel("lblFrom", page, column, row(2)) + px(kColumnGap);
    addDatePicker("dtpFrom", page, form.dtpFrom, {x, row(2), px(kDateWidth), px(kControlHeight)},
                  &WizardLogic::setDateFrom);
    x += px(kDateWidth + kSideGap);
    x = addRowLabel("lblTo", page, x, row(2)) + px(kColumnGap);
    addDatePicker("dtpTo", page, form.dtpTo, {x, row(2), px(kDateWidth), px(kControlHeight)},
                  &WizardLogic::setDateTo);
}

// A list page: the title across, the texts on the left, the list on the right with "Alle" and
// "Keine" below it and the page's check box, where it has one, beside them.
void WizardWindow::buildListPage(WizardPage page, WizardList which, const ListView& state,
                                 const ListPageParts& parts)
{
    const WizardPageView& view = WizardLogic::view(page);
    const int left = px(kPageLeft);
    const int right = left + px(kPageWidth);
    const int below = addLabel(view.title, page, left, px(kPageTop), px(kPageWidth), titleFont_.get());
    int y = below;
    for (const char* name : view.texts)
        y = addLabel(name, page, left, y, px(kListTextWidth), font_.get());

    const int listLeft = left + px(kListTextWidth + kListGap);
    const int buttonTop = px(kPageTop + kPageHeight - kSmallButtonHeight);
    // The list is the page's only control with a tab stop.
    const HWND list = add(view.inputs.front(), page, &state, WC_LISTVIEWW,
                          LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_NOSORTHEADER,
                          {listLeft, below, right - listLeft, buttonTop - px(kParagraph) - below}, {},
                          nullptr, WS_EX_CLIENTEDGE);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_DOUBLEBUFFER,
                 LVS_EX_CHECKBOXES | LVS_EX_DOUBLEBUFFER);
    lists_.push_back({list, which, &state, 0});
    notices_[list] = [this, which](const NMHDR& header) {
        if (header.code != LVN_ITEMCHANGED || rendering_)
            return;
        const auto& change = *reinterpret_cast<const NMLISTVIEW*>(&header);
        const UINT image = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12; // 1 clear, 2 ticked, 0 none yet
        const bool ticked = (change.uChanged & LVIF_STATE) && change.iItem >= 0 && image != 0 &&
                            ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK);
        if (ticked)
            logic_->setItemChecked(which, std::size_t(change.iItem), image == 2);
    };

    // From the right: "Keine", then "Alle".
    int buttonLeft = right - px(kSmallButtonWidth);
    for (const auto& [name, caption, checked] : {std::tuple{parts.noneName, wizard::kCheckNoneCaption, false},
                                                 {parts.allName, wizard::kCheckAllCaption, true}}) {
        const HWND button =
            add(name, page, nullptr, L"BUTTON", BS_PUSHBUTTON,
                {buttonLeft, buttonTop, px(kSmallButtonWidth), px(kSmallButtonHeight)}, caption);
        tips_.set(button, toolTipText(name));
        onClick(button, [this, which, checked = checked] {
            logic_->setAllItems(which, checked);
            render();
        });
        buttonLeft -= px(kSmallButtonWidth + kColumnGap);
    }
    if (parts.check) {
        const int checkRight = buttonLeft + px(kSmallButtonWidth);
        addCheck(parts.checkName, page, *parts.check,
                 {listLeft, buttonTop + (px(kSmallButtonHeight) - px(kOptionHeight)) / 2,
                  checkRight - listLeft, px(kOptionHeight)},
                 parts.checkChanged);
    }
}

} // namespace zelvant::native
