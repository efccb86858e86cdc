#pragma once

// The wizard's controls as plain state. The logic changes them, a window (Qt today, native
// windows later) draws them and reports the user's input back; nothing here knows a toolkit.

#include "hostapi/DateTime.h"
#include "services/Settings.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zelvant::wizard {

// What every control has.
struct Control {
    std::string caption;
    std::string toolTip;
    std::string tag;
    bool enabled = true;
    bool visible = true;
};

struct CommandButton : Control {
    bool isDefault = false; // pressed by Enter
    bool isCancel = false;  // pressed by Esc
    int leftTwips = 0;
};

// One member of an option array; its tag is the selection tag "1"/"0" ("" before any click).
struct OptionButton : Control {
    bool value = false; // chosen
};

struct CheckBox : Control {
    CheckState value = CheckState::Unchecked;
};

struct ComboBox : Control {
    std::vector<std::string> items;
    std::string text;
    int listIndex = -1;    // the chosen entry, -1 when the text is not one of them
    bool editable = false; // the user may type a text of his own
};

struct DatePicker : Control {
    std::optional<DateTime> value; // midnight of the chosen day; nothing when no valid date is held
};

struct ListColumn {
    std::string key;
    std::string header;
    int widthTwips = 0; // 0 hides the column, which still holds its texts
    bool operator==(const ListColumn&) const = default;
};

struct ListItem {
    std::string key;                // "x0000000001" for the first item of a fill
    std::vector<std::string> texts; // item text, then the sub-items in column order
    bool checked = true;
};

// A list view in report view with check boxes. Items are kept in the order shown.
struct ListView : Control {
    std::vector<ListColumn> columns;
    std::vector<ListItem> items;
    std::optional<std::size_t> sortColumn; // shown sorted by this column when set
    bool sortDescending = false;
    bool fullRowSelect = false;
    bool multiSelect = false;
    unsigned revision = 0; // grows whenever columns or items are replaced, so a view knows to rebuild
};

// barProgress and lblProgress; kept out of view until a run starts.
struct ProgressDisplay {
    bool shown = false;
    double value = 0;
    std::string text;
};

// The state of the whole wizard form.
struct WizardForm {
    int widthTwips = 11100;
    int heightTwips = 7680;
    std::string shownFrame; // "fraStep1".."fraStep8"; empty while the progress page shows
    bool busy = false;      // hourglass pointer

    CommandButton cmdInfo, cmdCancel, cmdBack, cmdNext, cmdFinish;

    std::array<OptionButton, 3> optSync;
    std::array<OptionButton, 2> optLinkType;
    std::array<OptionButton, 3> optTask;
    std::array<OptionButton, 3> optAppointmentType;

    ComboBox cboResource, cboBusyStatus, cboKategorie;
    CheckBox chkSummary, chkAllDayEvent, chkDetailed, chkCreateDeletedTasks;
    DatePicker dtpFrom, dtpTo;

    ListView lvwTasks, lvwAppointments, lvwDeleteLinks, lvwSync;

    // Below the page: why its list or box is empty when the plan or the calendar could not be
    // read; empty when there is nothing to say.
    std::string status;

    ProgressDisplay progress;
    // Shown below the progress after a run in which something failed: one line per failure.
    std::vector<std::string> reportLines;

    // Control names in tab order ("optSync(0)" for an array member); others have no tab stop.
    std::vector<std::string> tabOrder;
    // The control that has the focus after the last page change.
    std::string focus;
};

} // namespace zelvant::wizard
