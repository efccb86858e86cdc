#include "hosts/commandbars/CommandBarModel.h"

#include <algorithm>
#include <utility>

namespace zelvant {

namespace {

const char* const kControlGone = "Das Steuerelement ist nicht mehr vorhanden.";
const char* const kBarGone = "Die Befehlsleiste ist nicht mehr vorhanden.";

// The handlers of one control's click event. Subscriptions hold it weakly, so a handler can be
// detached after its control is gone.
struct ClickHandlers {
    int nextKey = 0;
    std::vector<std::pair<int, ClickHandler>> entries;
};

} // namespace

// A control lives on its bar until it or the bar is deleted; then `bar_` is null and every
// call throws.
class CommandBarModel::Control : public CommandBarControl, public std::enable_shared_from_this<Control> {
public:
    Control(Bar& bar, ControlState state) : bar_(&bar), state_(std::move(state)) {}

    int type() const override { return alive().type; }
    int id() const override { return alive().id; }
    std::string caption() const override { return alive().caption; }
    void setCaption(const std::string& caption) override { change(state_.caption, caption); }
    std::string tag() const override { return alive().tag; }
    void setTag(const std::string& tag) override { change(state_.tag, tag); }
    std::string parameter() const override { return alive().parameter; }
    void setParameter(const std::string& parameter) override { change(state_.parameter, parameter); }
    std::string onAction() const override { return alive().onAction; }
    void setOnAction(const std::string& action) override { change(state_.onAction, action); }
    int faceId() const override { return alive().faceId; }
    void setFaceId(int faceId) override { change(state_.faceId, faceId); }
    int style() const override { return alive().style; }
    void setStyle(int style) override { change(state_.style, style); }
    bool beginGroup() const override { return alive().beginGroup; }
    void setBeginGroup(bool beginGroup) override { change(state_.beginGroup, beginGroup); }

    CommandBar& parent() override;
    void remove() override;
    void execute() override;
    ClickSubscription subscribeClick(ClickHandler handler) override;

    // The control's content, for storing.
    const ControlState& state() const { return alive(); }
    // Called by the bar when the control leaves it.
    void detach() { bar_ = nullptr; }

private:
    const ControlState& alive() const
    {
        if (!bar_)
            throw HostError(kControlGone);
        return state_;
    }
    template <typename T> void change(T& field, const T& value);

    Bar* bar_;
    ControlState state_;
    std::shared_ptr<ClickHandlers> handlers_ = std::make_shared<ClickHandlers>();
};

class CommandBarModel::Bar : public CommandBar {
public:
    Bar(CommandBarModel& model, BarState state) : model_(&model)
    {
        for (ControlState& control : state.controls)
            controls_.push_back(std::make_shared<Control>(*this, std::move(control)));
        state.controls.clear();
        state_ = std::move(state);
    }

    std::string name() const override { return alive().name; }
    std::string nameLocal() const override { return alive().nameLocal; }
    int type() const override { return alive().type; }
    int position() const override { return alive().position; }
    bool visible() const override { return alive().visible; }
    void setVisible(bool visible) override
    {
        alive();
        state_.visible = visible;
        model_->changed();
    }
    bool builtIn() const override { return alive().builtIn; }

    std::vector<ControlPtr> controls() override
    {
        alive();
        return {controls_.begin(), controls_.end()};
    }

    ControlPtr addControl(int type, const std::string& parameter, int before) override
    {
        alive();
        if (before < 0 || before > int(controls_.size()) + 1)
            throw HostError("Ung\u00FCltige Position " + std::to_string(before) +
                            " in der Befehlsleiste \u201E" + state_.name + "\u201C.");
        ControlState state;
        state.type = type;
        state.parameter = parameter;
        auto control = std::make_shared<Control>(*this, std::move(state));
        const auto at = before == 0 ? controls_.end() : controls_.begin() + (before - 1);
        controls_.insert(at, control);
        model_->changed();
        return control;
    }

    ControlPtr findControl(const std::string& tag) override
    {
        alive();
        for (const auto& control : controls_)
            if (control->state().tag == tag)
                return control;
        return nullptr;
    }

    void remove() override
    {
        alive();
        model_->removeBar(this);
    }

    // Takes `control` off the bar.
    void removeControl(Control* control)
    {
        const auto found = std::find_if(controls_.begin(), controls_.end(),
                                        [control](const auto& held) { return held.get() == control; });
        if (found == controls_.end())
            return;
        (*found)->detach();
        controls_.erase(found);
        model_->changed();
    }

    // Cuts the bar and its controls off the model.
    void detach()
    {
        for (const auto& control : controls_)
            control->detach();
        controls_.clear();
        model_ = nullptr;
    }

    // The bar's content with its controls, for storing.
    BarState state() const
    {
        BarState state = alive();
        for (const auto& control : controls_)
            state.controls.push_back(control->state());
        return state;
    }

    CommandBarModel& model() { return *model_; }

private:
    const BarState& alive() const
    {
        if (!model_)
            throw HostError(kBarGone);
        return state_;
    }

    CommandBarModel* model_;
    BarState state_; // without the controls, which live in controls_
    std::vector<std::shared_ptr<Control>> controls_;
};

// Control members that need the bar ----------------------------------------------------------------

template <typename T> void CommandBarModel::Control::change(T& field, const T& value)
{
    alive();
    field = value;
    bar_->model().changed();
}

CommandBar& CommandBarModel::Control::parent()
{
    alive();
    return *bar_;
}

void CommandBarModel::Control::remove()
{
    alive();
    bar_->removeControl(this);
}

void CommandBarModel::Control::execute()
{
    alive();
    const auto keepAlive = shared_from_this(); // a handler may drop the last other reference
    const auto handlers = handlers_->entries;  // a handler may attach or detach others
    bool cancelDefault = false;
    for (const auto& entry : handlers) {
        try {
            entry.second(*this, cancelDefault);
        } catch (const std::exception&) {
            // A failing handler must not take the host down; the others still hear the click.
        }
    }
    if (cancelDefault || !bar_)
        return;
    if (const auto& action = bar_->model().defaultAction_)
        action(*this);
}

ClickSubscription CommandBarModel::Control::subscribeClick(ClickHandler handler)
{
    alive();
    const int key = handlers_->nextKey++;
    handlers_->entries.emplace_back(key, std::move(handler));
    return ClickSubscription([weak = std::weak_ptr<ClickHandlers>(handlers_), key] {
        if (const auto handlers = weak.lock())
            std::erase_if(handlers->entries, [key](const auto& entry) { return entry.first == key; });
    });
}

// The model ------------------------------------------------------------------------------------------

CommandBarModel::CommandBarModel() = default;

CommandBarModel::~CommandBarModel()
{
    detachAll();
}

std::vector<BarPtr> CommandBarModel::bars()
{
    return {bars_.begin(), bars_.end()};
}

BarPtr CommandBarModel::find(const std::string& name)
{
    for (const auto& bar : bars_)
        if (bar->name() == name)
            return bar;
    return nullptr;
}

BarPtr CommandBarModel::item(const std::string& name)
{
    if (BarPtr bar = find(name))
        return bar;
    throw HostError("Es gibt keine Befehlsleiste \u201E" + name + "\u201C.");
}

BarPtr CommandBarModel::add(const std::string& name, int position)
{
    BarState state;
    state.name = name;
    state.nameLocal = name;
    state.position = position;
    return addBar(state);
}

ControlPtr CommandBarModel::findControl(const std::string& tag)
{
    for (const auto& bar : bars_)
        if (ControlPtr control = bar->findControl(tag))
            return control;
    return nullptr;
}

BarPtr CommandBarModel::addBar(const BarState& state)
{
    if (state.name.empty())
        throw HostError("Eine Befehlsleiste braucht einen Namen.");
    if (find(state.name))
        throw HostError("Es gibt schon eine Befehlsleiste \u201E" + state.name + "\u201C.");
    bars_.push_back(std::make_shared<Bar>(*this, state));
    changed();
    return bars_.back();
}

std::vector<BarState> CommandBarModel::state() const
{
    std::vector<BarState> states;
    for (const auto& bar : bars_)
        states.push_back(bar->state());
    return states;
}

void CommandBarModel::restore(const std::vector<BarState>& bars)
{
    detachAll();
    for (const BarState& bar : bars)
        if (!bar.name.empty() && !find(bar.name))
            bars_.push_back(std::make_shared<Bar>(*this, bar));
    changed();
}

void CommandBarModel::setDefaultAction(std::function<void(CommandBarControl&)> action)
{
    defaultAction_ = std::move(action);
}

void CommandBarModel::setChangeListener(std::function<void()> listener)
{
    listener_ = std::move(listener);
}

void CommandBarModel::changed()
{
    if (listener_)
        listener_();
}

void CommandBarModel::removeBar(Bar* bar)
{
    const auto found =
        std::find_if(bars_.begin(), bars_.end(), [bar](const auto& held) { return held.get() == bar; });
    if (found == bars_.end())
        return;
    (*found)->detach();
    bars_.erase(found);
    changed();
}

void CommandBarModel::detachAll()
{
    for (const auto& bar : bars_)
        bar->detach();
    bars_.clear();
}

} // namespace zelvant
