#include "app/host/CommandBarView.h"

#include "app/host/FaceIcons.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace zelvant {

namespace {

Qt::ToolBarArea areaOf(int position)
{
    switch (position) {
    case kBarLeft:
        return Qt::LeftToolBarArea;
    case kBarRight:
        return Qt::RightToolBarArea;
    case kBarBottom:
        return Qt::BottomToolBarArea;
    default:
        return Qt::TopToolBarArea;
    }
}

// How a tool button shows a control of the given style, with or without a picture.
Qt::ToolButtonStyle buttonStyleOf(int style, bool hasIcon)
{
    switch (style) {
    case kButtonIcon:
        return hasIcon ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly;
    case kButtonCaption:
        return Qt::ToolButtonTextOnly;
    case kButtonIconAndCaption:
        return Qt::ToolButtonTextBesideIcon;
    default:
        return hasIcon ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly;
    }
}

QString qtext(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CommandBarView::CommandBarView(CommandBarModel& model, QMainWindow& window) : model_(model), window_(window)
{
    model_.setChangeListener([this] { scheduleRebuild(); });
}

CommandBarView::~CommandBarView()
{
    model_.setChangeListener({});
}

void CommandBarView::rebuild()
{
    rebuildPending_ = false;
    clear();
    for (const BarPtr& bar : model_.bars()) {
        if (bar->type() == kBarTypePopup) {
            auto* menu = window_.menuBar()->addMenu(qtext(bar->nameLocal()));
            menu->setObjectName(qtext(bar->name()));
            fill(*menu, *bar, false);
            menus_.emplace_back(menu);
        } else if (bar->type() == kBarTypeNormal) {
            auto* toolbar = new QToolBar(qtext(bar->nameLocal()), &window_);
            toolbar->setObjectName(qtext(bar->name()));
            toolbar->setIconSize(QSize(16, 16));
            window_.addToolBar(areaOf(bar->position()), toolbar);
            fill(*toolbar, *bar, true);
            toolbar->setVisible(bar->visible());
            toolbars_.emplace_back(toolbar);
        }
    }
}

QMenu* CommandBarView::menu(const std::string& name) const
{
    for (const auto& menu : menus_)
        if (menu && menu->objectName() == qtext(name))
            return menu;
    return nullptr;
}

QToolBar* CommandBarView::toolbar(const std::string& name) const
{
    for (const auto& toolbar : toolbars_)
        if (toolbar && toolbar->objectName() == qtext(name))
            return toolbar;
    return nullptr;
}

QAction* CommandBarView::action(const std::string& barName, const std::string& tag) const
{
    QWidget* target = menu(barName);
    if (!target)
        target = toolbar(barName);
    if (!target)
        return nullptr;
    for (QAction* action : target->actions())
        if (!action->isSeparator() && action->property("tag").toString() == qtext(tag))
            return action;
    return nullptr;
}

void CommandBarView::scheduleRebuild()
{
    if (rebuildPending_)
        return;
    rebuildPending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (rebuildPending_)
            rebuild();
    });
}

void CommandBarView::clear()
{
    window_.menuBar()->clear();
    for (const auto& menu : menus_)
        if (menu)
            menu->deleteLater();
    for (const auto& toolbar : toolbars_) {
        if (!toolbar)
            continue;
        window_.removeToolBar(toolbar);
        toolbar->deleteLater();
    }
    menus_.clear();
    toolbars_.clear();
}

void CommandBarView::fill(QWidget& target, CommandBar& bar, bool isToolbar)
{
    bool first = true;
    for (const ControlPtr& control : bar.controls()) {
        if (control->beginGroup() && !first) {
            auto* separator = new QAction(&target);
            separator->setSeparator(true);
            target.addAction(separator);
        }
        first = false;
        QAction* action = actionFor(control, &target);
        target.addAction(action);
        if (!isToolbar)
            continue;
        auto* toolbar = static_cast<QToolBar*>(&target);
        if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action))) {
            button->setToolButtonStyle(buttonStyleOf(control->style(), !action->icon().isNull()));
            button->setObjectName(action->objectName());
        }
    }
}

QAction* CommandBarView::actionFor(const ControlPtr& control, QObject* owner)
{
    auto* action = new QAction(faceIcon(control->faceId()), qtext(control->caption()), owner);
    action->setProperty("tag", qtext(control->tag()));
    action->setProperty("controlId", control->id());
    action->setObjectName(control->tag().empty() ? QString("control%1").arg(control->id())
                                                 : qtext(control->tag()));
    action->setIconVisibleInMenu(true);
    connect(action, &QAction::triggered, this, [weak = std::weak_ptr<CommandBarControl>(control)] {
        if (const ControlPtr clicked = weak.lock()) {
            try {
                clicked->execute();
            } catch (const std::exception&) {
                // The control was deleted meanwhile; the redrawn bars no longer show it.
            }
        }
    });
    return action;
}

} // namespace zelvant
