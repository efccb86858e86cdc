#pragma once

#include "hosts/commandbars/CommandBarModel.h"

#include <QObject>
#include <QPointer>

#include <string>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace zelvant {

// Draws the command-bar model into a main window: each menu bar popup ("File", "Tools") as a
// menu of the menu bar under its local name, each toolbar as a tool bar in its docking area.
// A triggered entry clicks its control in the model. Changes of the model are drawn again once
// the current event is handled, so a click may change the bars it came from.
class CommandBarView : public QObject {
    Q_OBJECT

public:
    CommandBarView(CommandBarModel& model, QMainWindow& window);
    ~CommandBarView() override;

    // Draws every bar now.
    void rebuild();
    // The menu drawn for the bar of that name, or nullptr.
    QMenu* menu(const std::string& name) const;
    // The tool bar drawn for the bar of that name, or nullptr.
    QToolBar* toolbar(const std::string& name) const;
    // The action drawn for the first control with that tag on the named bar, or nullptr.
    QAction* action(const std::string& barName, const std::string& tag) const;

private:
    void scheduleRebuild();
    void clear();
    void fill(QWidget& target, CommandBar& bar, bool isToolbar);
    QAction* actionFor(const ControlPtr& control, QObject* owner);

    CommandBarModel& model_;
    QMainWindow& window_;
    std::vector<QPointer<QMenu>> menus_;
    std::vector<QPointer<QToolBar>> toolbars_;
    bool rebuildPending_ = false;
};

} // namespace zelvant
