#pragma once

#include "engine/Progress.h"
#include "forms/WizardLogic.h"

#include <QDialog>
#include <QHash>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLayout;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QVBoxLayout;

namespace zelvant {

// The wizard "Zelvant Assistent" in Qt Widgets: a dialog with the header picture across the top,
// the eight pages in a stacked widget and the button row at the bottom, put in place by layouts,
// so larger texts and scaling screens make the window larger rather than cut anything short; the
// form's 740 x 512 pixels are its least size. It draws WizardLogic's state and hands every user
// action to it; widgets carry the control names as object names.
// WizardWindow.cpp holds the frame and the navigation, WizardWindowChoicePages.cpp the pages of
// choices, WizardWindowListPages.cpp the list pages.
class WizardWindow : public QDialog, private ProgressSink {
    Q_OBJECT

public:
    // `openInfo` is called when the info button is clicked (the info dialog is someone else's).
    WizardWindow(WizardEnvironment environment, std::function<void()> openInfo, QWidget* parent = nullptr);
    ~WizardWindow() override;

    // The logic behind the window; not to be read while an operation runs.
    const WizardLogic& logic() const { return *logic_; }
    // True from the click that starts an operation until its end has been drawn.
    bool running() const { return running_; }

    // Leaves without saving anything (also Esc and the window's close button).
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showProgress(double percent, const std::string& text) override;

    // The frame: header, button row, progress page, status line, and what every page is made of.
    QWidget* buildHeader();
    QLayout* buildButtons();
    QWidget* buildProgress();
    QWidget* buildStatus();
    void fitToContents();
    QWidget* newPage(WizardPage page);
    QLabel* label(const char* name);
    QLabel* title(const char* name);
    void remember(QWidget* widget, const char* name);
    void render();
    void renderButtons();
    void renderProgress();
    void applyTabOrderAndFocus();

    // The pages of choices, with their option arrays, boxes and date pickers.
    QWidget* choicePage(WizardPage page, QVBoxLayout*& layout);
    QButtonGroup* optionGroup(OptionArray array, const char* name, int count);
    QWidget* buildOptionsPage(WizardPage which, const char* frameName, OptionArray array, const char* prefix,
                              int count);
    QWidget* buildTaskChoicePage();
    QWidget* buildAppointmentChoicePage();
    void renderOptions();
    void renderInputs();

    // The list pages.
    QWidget* listPage(WizardPage page, QTreeWidget*& list, WizardList which, const char* allName,
                      const char* noneName, QWidget* extra);
    QWidget* buildTaskListPage();
    QWidget* buildAppointmentListPage();
    QWidget* buildRemovalListPage();
    QWidget* buildSyncListPage();
    void renderLists();
    void renderList(QTreeWidget* view, const wizard::ListView& list, unsigned& revision);

    void next();
    void back();
    void finish();
    void endRun();

    std::unique_ptr<MessageSink> messages_; // the run's messages, shown on the window's thread
    std::unique_ptr<WizardLogic> logic_;
    std::function<void()> openInfo_;
    std::thread worker_;
    std::atomic<bool> workerDone_{true};
    bool running_ = false;
    QHash<QString, QWidget*> controls_; // by control name, for tab order and focus

    QStackedWidget* pages_;
    QPushButton *cmdInfo_, *cmdCancel_, *cmdBack_, *cmdNext_, *cmdFinish_;
    std::array<QButtonGroup*, 4> groups_{};
    QComboBox *cboResource_, *cboBusyStatus_, *cboKategorie_;
    QCheckBox *chkSummary_, *chkAllDayEvent_, *chkDetailed_, *chkCreateDeletedTasks_;
    QDateEdit *dtpFrom_, *dtpTo_;
    QTreeWidget *lvwTasks_, *lvwAppointments_, *lvwDeleteLinks_, *lvwSync_;
    std::array<unsigned, 4> listRevisions_{};
    QWidget* progress_; // holds the bar, its label and the report in the page's place
    QProgressBar* barProgress_;
    QLabel* lblProgress_;
    QLabel* lblStatus_;
    QLabel* lblReport_;
    QListWidget* lstReport_;
    bool rendering_ = false;
};

// Shows the wizard modally over the plan and the calendar and returns when it has closed:
// 1 after "Fertig", 0 when it was cancelled. Message boxes are the window's own unless `messages`
// is given. A run whose "Fertig" was never clicked leaves the host's screen off; it is switched
// on here. Creates the application object when there is none yet.
int runWizard(ProjectApplication& host, CalendarLauncher& launcher, WizardSettingsStore& settings,
              std::function<void()> openInfo = {}, MessageSink* messages = nullptr);

} // namespace zelvant
