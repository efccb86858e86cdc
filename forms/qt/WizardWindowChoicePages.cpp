#include "forms/qt/WizardWindow.h"

#include "forms/qt/WizardWindowSupport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace zelvant {

using namespace wizard;
using namespace wizardwindow;

namespace {

QStringList itemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

// A page of choices: its title and texts from the top, then what the caller adds to `layout`.
QWidget* WizardWindow::choicePage(WizardPage page, QVBoxLayout*& layout)
{
    QWidget* shown = newPage(page);
    layout = new QVBoxLayout(shown);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kParagraphSpacing);
    const WizardPageView& view = WizardLogic::view(page);
    layout->addWidget(title(view.title));
    for (const char* name : view.texts)
        layout->addWidget(label(name));
    return shown;
}

QButtonGroup* WizardWindow::optionGroup(OptionArray array, const char* name, int count)
{
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < count; ++i) {
        auto* option = new QRadioButton;
        remember(option, qPrintable(QString("%1(%2)").arg(name).arg(i)));
        group->addButton(option, i);
    }
    connect(group, &QButtonGroup::idClicked, this, [this, array](int index) {
        logic_->clickOption(array, index);
        render();
    });
    groups_[std::size_t(array)] = group;
    return group;
}

// A page that is one framed group of options, one under the other.
QWidget* WizardWindow::buildOptionsPage(WizardPage which, const char* frameName, OptionArray array,
                                        const char* prefix, int count)
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = choicePage(which, layout);
    auto* frame = new QGroupBox;
    frame->setObjectName(frameName);
    auto* options = new QVBoxLayout(frame);
    for (QAbstractButton* option : optionGroup(array, prefix, count)->buttons())
        options->addWidget(option);
    layout->addWidget(frame);
    layout->addStretch();
    return page;
}

QWidget* WizardWindow::buildTaskChoicePage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = choicePage(WizardPage::TaskChoice, layout);

    auto* frame = new QGroupBox;
    frame->setObjectName("fraOptTask");
    auto* grid = new QGridLayout(frame);
    const QList<QAbstractButton*> options = optionGroup(OptionArray::Task, "optTask", 3)->buttons();
    cboResource_ = new QComboBox;
    remember(cboResource_, "cboResource");
    cboResource_->setMinimumWidth(180);
    grid->addWidget(options[0], 0, 0);
    grid->addWidget(options[1], 1, 0);
    grid->addWidget(cboResource_, 1, 1);
    grid->addWidget(options[2], 2, 0);
    grid->setColumnStretch(2, 1);
    connect(cboResource_, &QComboBox::editTextChanged, this, [this](const QString& typed) {
        if (!rendering_)
            logic_->setResourceText(typed.toStdString());
    });

    chkSummary_ = new QCheckBox;
    remember(chkSummary_, "chkSummary");
    connect(chkSummary_, &QCheckBox::clicked, this, [this] {
        logic_->setSummary(checkStateOf(chkSummary_->checkState()));
        render();
    });
    auto* lblBusyStatus = label("lblBusyStatus");
    lblBusyStatus->setWordWrap(false);
    cboBusyStatus_ = new QComboBox;
    remember(cboBusyStatus_, "cboBusyStatus");
    connect(cboBusyStatus_, &QComboBox::activated, this, [this](int index) {
        logic_->setBusyStatusIndex(index);
        render();
    });
    chkAllDayEvent_ = new QCheckBox;
    remember(chkAllDayEvent_, "chkAllDayEvent");

    auto* side = new QGridLayout;
    side->addWidget(chkSummary_, 0, 0, 1, 2);
    side->addWidget(lblBusyStatus, 1, 0);
    side->addWidget(cboBusyStatus_, 1, 1);
    side->addWidget(chkAllDayEvent_, 2, 1);
    side->setRowStretch(3, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(frame, 3);
    row->addSpacing(12);
    row->addLayout(side, 2);
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

QWidget* WizardWindow::buildAppointmentChoicePage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = choicePage(WizardPage::AppointmentChoice, layout);

    auto* frame = new QGroupBox;
    frame->setObjectName("fraOptAppointment");
    auto* grid = new QGridLayout(frame);
    const QList<QAbstractButton*> options =
        optionGroup(OptionArray::AppointmentType, "optAppointmentType", 3)->buttons();
    cboKategorie_ = new QComboBox;
    remember(cboKategorie_, "cboKategorie");
    cboKategorie_->setMinimumWidth(180);
    connect(cboKategorie_, &QComboBox::activated, this, [this](int index) {
        logic_->setCategoryIndex(index);
        render();
    });
    const auto datePicker = [this](QDateEdit*& picker, const char* name, auto setter) {
        picker = new QDateEdit;
        remember(picker, name);
        picker->setCalendarPopup(true);
        // How a date is written differs between languages, so the format is translated too.
        picker->setDisplayFormat(translated(QT_TRANSLATE_NOOP("Zelvant", "dd.MM.yyyy")));
        connect(picker, &QDateEdit::dateChanged, this, [this, setter](const QDate& date) {
            if (!rendering_)
                (logic_.get()->*setter)(date.isValid() ? std::optional(dateTimeOf(date)) : std::nullopt);
        });
    };
    datePicker(dtpFrom_, "dtpFrom", &WizardLogic::setDateFrom);
    datePicker(dtpTo_, "dtpTo", &WizardLogic::setDateTo);

    auto* period = new QHBoxLayout;
    period->addWidget(label("lblFrom"));
    period->addWidget(dtpFrom_);
    period->addSpacing(8);
    period->addWidget(label("lblTo"));
    period->addWidget(dtpTo_);
    period->addStretch();
    grid->addWidget(options[0], 0, 0);
    grid->addWidget(options[1], 1, 0);
    grid->addWidget(cboKategorie_, 1, 1, Qt::AlignLeft);
    grid->addWidget(options[2], 2, 0);
    grid->addLayout(period, 2, 1);
    grid->setColumnStretch(1, 1);
    layout->addWidget(frame);
    layout->addStretch();
    return page;
}

// Drawing the logic's state ---------------------------------------------------------------------------

void WizardWindow::renderOptions()
{
    const WizardForm& form = logic_->form();
    const auto renderArray = [](QButtonGroup* group, const auto& members) {
        const bool anyChosen =
            std::any_of(members.begin(), members.end(), [](const auto& m) { return m.value; });
        // An exclusive group cannot uncheck its last button; none chosen is a state of its own.
        group->setExclusive(anyChosen);
        for (std::size_t i = 0; i < members.size(); ++i) {
            QAbstractButton* button = group->button(int(i));
            button->setText(translated(members[i].caption));
            button->setToolTip(translated(members[i].toolTip));
            button->setEnabled(members[i].enabled);
            button->setChecked(members[i].value);
        }
        group->setExclusive(true);
    };
    renderArray(groups_[std::size_t(OptionArray::Sync)], form.optSync);
    renderArray(groups_[std::size_t(OptionArray::LinkType)], form.optLinkType);
    renderArray(groups_[std::size_t(OptionArray::Task)], form.optTask);
    renderArray(groups_[std::size_t(OptionArray::AppointmentType)], form.optAppointmentType);
}

void WizardWindow::renderInputs()
{
    const WizardForm& form = logic_->form();
    // The resources and categories are the plan's and the calendar's names, shown as they are; the
    // busy states are the window's own words.
    for (auto [widget, state, ownWords] : {std::tuple{cboResource_, &form.cboResource, false},
                                           {cboBusyStatus_, &form.cboBusyStatus, true},
                                           {cboKategorie_, &form.cboKategorie, false}}) {
        QStringList items;
        for (const std::string& item : state->items)
            items << (ownWords ? translated(item) : text(item));
        const QSignalBlocker quiet(widget);
        if (itemsOf(widget) != items) {
            widget->clear();
            widget->addItems(items);
        }
        widget->setEditable(state->editable);
        widget->setCurrentIndex(state->listIndex);
        if (state->editable && widget->currentText() != text(state->text))
            widget->setEditText(text(state->text));
        widget->setToolTip(translated(state->toolTip));
        widget->setEnabled(state->enabled);
    }
    for (auto [widget, state] : {std::pair{chkSummary_, &form.chkSummary},
                                 {chkAllDayEvent_, &form.chkAllDayEvent},
                                 {chkDetailed_, &form.chkDetailed},
                                 {chkCreateDeletedTasks_, &form.chkCreateDeletedTasks}}) {
        widget->setText(translated(state->caption));
        widget->setToolTip(translated(state->toolTip));
        widget->setEnabled(state->enabled);
        widget->setTristate(state->value == CheckState::Greyed);
        widget->setCheckState(qtCheckState(state->value));
    }
    for (auto [widget, state] : {std::pair{dtpFrom_, &form.dtpFrom}, {dtpTo_, &form.dtpTo}}) {
        widget->setToolTip(translated(state->toolTip));
        if (state->value)
            widget->setDate(qdateOf(*state->value));
    }
}

} // namespace zelvant
