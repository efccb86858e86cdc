#pragma once

// The wizard "Zelvant Assistent" as a native window: it draws WizardLogic's state and hands
// every user action to it. Every control of the form is made once, named as the form names
// it; a page change only shows and hides them. NativeWizard.cpp holds the frame, the drawing
// and the actions, NativeWizardPages.cpp lays out the eight pages. Only for those two files.

#include "engine/Progress.h"
#include "forms/WizardLogic.h"
#include "windows/dialogs/NativeDialogs.h"
#include "windows/dialogs/Win32Support.h"

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace zelvant::native {

// The members of an option array in the form.
std::span<const wizard::OptionButton> membersOf(const wizard::WizardForm& form, OptionArray array);

class WizardWindow : public ModalWindow, private ProgressSink {
public:
    WizardWindow(const WizardEnvironment& environment, WizardSetup setup, Shell& shell);
    ~WizardWindow() override;

    // Builds the window over `owner`, shows it and returns when it has closed.
    void run(HWND owner);

private:
    // A control of the window under the form's name for it.
    struct Member {
        std::string name;
        HWND control = nullptr;
        std::optional<WizardPage> page;         // the page it is on; nothing: the frame around the pages
        const wizard::Control* state = nullptr; // the logic's state of it; nothing for labels and frames
        bool captioned = false;                 // its caption comes from the state
    };
    // A combo box and the entries it shows, so that they are refilled only when the form's change.
    struct ComboView {
        HWND control;
        const wizard::ComboBox* state;
        std::vector<std::string> items;
    };
    // A list view and the revision of the form's list it shows.
    struct ListViewView {
        HWND control;
        WizardList which;
        const wizard::ListView* state;
        unsigned revision;
    };

    int px(int twips) const { return pixels(twips, dpi_); }

    // NativeWizard.cpp: making controls, the frame, drawing the state, the actions.
    HWND add(const std::string& name, std::optional<WizardPage> page, const wizard::Control* state,
             const wchar_t* className, DWORD style, const Box& box, const std::string& text = {},
             HFONT font = nullptr, DWORD exStyle = 0);
    HWND find(const std::string& name) const;
    void onClick(HWND control, std::function<void()> action);
    void buildFrame();
    void buildButtons();
    void buildProgress();

    void render();
    void renderMembers();
    void renderButtons();
    void renderOptions();
    void renderInputs();
    void renderLists();
    void renderList(ListViewView& list);
    void rebuildList(ListViewView& list);
    void renderProgress();
    void renderCursor();
    void applyTabOrder(const std::vector<std::string>& names);
    void applyTabOrderAndFocus();

    void next();
    void back();
    void finish();
    void cancel();
    void chooseOption(OptionArray array, int index);

    void shown() override;
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void showProgress(double percent, const std::string& text) override;

    // NativeWizardPages.cpp: the pages, each laid out inside the page area.
    // What a list page has besides its texts and its list.
    struct ListPageParts {
        const char* allName;  // "Alle"
        const char* noneName; // "Keine"
        const char* checkName = nullptr;
        const wizard::CheckBox* check = nullptr;
        void (WizardLogic::*checkChanged)(CheckState) = nullptr;
    };
    void buildPages();
    int addLabel(const char* name, WizardPage page, int x, int y, int width, HFONT font);
    int addRowLabel(const char* name, WizardPage page, int x, int rowTop);
    int addTitleAndTexts(WizardPage page, int x, int y, int width);
    void addOption(OptionArray array, const char* prefix, int index, WizardPage page, const Box& box);
    int optionColumnWidth(OptionArray array) const;
    void addCombo(const char* name, WizardPage page, const wizard::ComboBox& state, const Box& box,
                  std::function<void(int index)> chosen,
                  std::function<void(const std::string& text)> typed = {});
    void addCheck(const char* name, WizardPage page, const wizard::CheckBox& state, const Box& box,
                  void (WizardLogic::*changed)(CheckState) = nullptr);
    void addDatePicker(const char* name, WizardPage page, const wizard::DatePicker& state, const Box& box,
                       void (WizardLogic::*changed)(std::optional<DateTime>));
    void buildOptionsPage(WizardPage page, const char* frameName, OptionArray array, const char* prefix);
    void buildTaskChoicePage();
    void buildAppointmentChoicePage();
    void buildListPage(WizardPage page, WizardList which, const wizard::ListView& state,
                       const ListPageParts& parts);

    std::unique_ptr<WizardLogic> logic_;
    WizardSetup setup_;
    Shell& shell_;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    Font font_, compactFont_, titleFont_, nameFont_;
    HICON infoIcon_ = nullptr;
    ToolTips tips_;

    std::vector<Member> members_;
    std::map<HWND, std::function<void(WORD code)>> commands_;          // a control's WM_COMMAND
    std::map<HWND, std::function<void(const NMHDR& header)>> notices_; // a control's WM_NOTIFY
    std::array<std::vector<HWND>, 4> options_;                         // by OptionArray
    std::vector<ComboView> combos_;
    std::vector<std::pair<HWND, const wizard::CheckBox*>> checks_;
    std::vector<std::pair<HWND, const wizard::DatePicker*>> dates_;
    std::vector<ListViewView> lists_;

    HWND cmdNext_ = nullptr, cmdFinish_ = nullptr;
    HWND barProgress_ = nullptr, lblProgress_ = nullptr, lblStatus_ = nullptr;
    HWND lblReport_ = nullptr, txtReport_ = nullptr;
    int nextId_ = 1000;
    bool rendering_ = false; // the controls' notifications while the state is drawn are not the user's
    bool waitCursor_ = false;
};

} // namespace zelvant::native
