#include "forms/qt/WizardWindow.h"

#include "forms/WizardTexts.h"
#include "forms/qt/WizardWindowSupport.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace zelvant {

using namespace wizard;
using namespace wizardwindow;

namespace {

// The texts beside a list are narrow, so that the list's columns fit: 220 pixels, or about as many
// characters as fit in them at the usual size when the text is larger.
constexpr int kListPageTextWidth = 220;
constexpr int kListPageTextChars = 32;

} // namespace

// A list page: the title across, the texts on the left, the list on the right with "Alle" and
// "Keine" below it and `extra`, when given, beside them.
QWidget* WizardWindow::listPage(WizardPage shown, QTreeWidget*& list, WizardList which, const char* allName,
                                const char* noneName, QWidget* extra)
{
    const WizardPageView& view = WizardLogic::view(shown);
    QWidget* page = newPage(shown);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(16);
    grid->addWidget(title(view.title), 0, 0, 1, 2);

    auto* sideWidget = new QWidget;
    sideWidget->setFixedWidth(
        std::max(kListPageTextWidth, sideWidget->fontMetrics().averageCharWidth() * kListPageTextChars));
    auto* side = new QVBoxLayout(sideWidget);
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(kParagraphSpacing);
    for (const char* name : view.texts)
        side->addWidget(label(name));
    side->addStretch();
    grid->addWidget(sideWidget, 1, 0);

    list = new QTreeWidget;
    remember(list, view.inputs.front()); // the list is the page's only control with a tab stop
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(false);
    connect(list, &QTreeWidget::itemChanged, this, [this, list, which](QTreeWidgetItem* item, int column) {
        if (!rendering_ && column == 0)
            logic_->setItemChecked(which, std::size_t(list->indexOfTopLevelItem(item)),
                                   item->checkState(0) == Qt::Checked);
    });

    auto* buttons = new QHBoxLayout;
    if (extra)
        buttons->addWidget(extra);
    buttons->addStretch();
    for (auto [name, caption, checked] : {std::tuple{allName, wizard::kCheckAllCaption, true},
                                          {noneName, wizard::kCheckNoneCaption, false}}) {
        auto* button = new QPushButton(translated(caption));
        remember(button, name);
        button->setToolTip(toolTipText(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, which, checked = checked] {
            logic_->setAllItems(which, checked);
            render();
        });
        buttons->addWidget(button);
    }
    auto* right = new QVBoxLayout;
    right->addWidget(list);
    right->addLayout(buttons);
    grid->addLayout(right, 1, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget* WizardWindow::buildTaskListPage()
{
    chkDetailed_ = new QCheckBox;
    remember(chkDetailed_, "chkDetailed");
    return listPage(WizardPage::TaskList, lvwTasks_, WizardList::Tasks, "cmdTaskAll", "cmdTaskNone",
                    chkDetailed_);
}

QWidget* WizardWindow::buildAppointmentListPage()
{
    return listPage(WizardPage::AppointmentList, lvwAppointments_, WizardList::Appointments, "cmdAppAll",
                    "cmdAppNone", nullptr);
}

QWidget* WizardWindow::buildRemovalListPage()
{
    return listPage(WizardPage::RemovalList, lvwDeleteLinks_, WizardList::DeleteLinks, "cmdAll", "cmdNone",
                    nullptr);
}

QWidget* WizardWindow::buildSyncListPage()
{
    chkCreateDeletedTasks_ = new QCheckBox;
    remember(chkCreateDeletedTasks_, "chkCreateDeletedTasks");
    connect(chkCreateDeletedTasks_, &QCheckBox::clicked, this, [this] {
        logic_->setCreateDeletedTasks(checkStateOf(chkCreateDeletedTasks_->checkState()));
        render();
    });
    return listPage(WizardPage::SyncList, lvwSync_, WizardList::Sync, "cmdSyncAll", "cmdSyncNone",
                    chkCreateDeletedTasks_);
}

// Drawing the logic's state ---------------------------------------------------------------------------

void WizardWindow::renderLists()
{
    const WizardForm& form = logic_->form();
    renderList(lvwTasks_, form.lvwTasks, listRevisions_[0]);
    renderList(lvwAppointments_, form.lvwAppointments, listRevisions_[1]);
    renderList(lvwDeleteLinks_, form.lvwDeleteLinks, listRevisions_[2]);
    renderList(lvwSync_, form.lvwSync, listRevisions_[3]);
}

void WizardWindow::renderList(QTreeWidget* view, const ListView& list, unsigned& revision)
{
    if (revision != list.revision) {
        revision = list.revision;
        view->clear();
        QStringList headers;
        for (const ListColumn& column : list.columns)
            headers << translated(column.header);
        view->setColumnCount(int(headers.size()));
        view->setHeaderLabels(headers);
        for (int c = 0; c < int(list.columns.size()); ++c) {
            const int width = list.columns[std::size_t(c)].widthTwips;
            view->setColumnHidden(c, width == 0);
            view->setColumnWidth(c, px(width));
        }
        view->setSelectionBehavior(list.fullRowSelect ? QAbstractItemView::SelectRows
                                                      : QAbstractItemView::SelectItems);
        view->setSelectionMode(list.multiSelect ? QAbstractItemView::ExtendedSelection
                                                : QAbstractItemView::SingleSelection);
        for (const ListItem& entry : list.items) {
            QStringList texts;
            for (const std::string& t : entry.texts)
                texts << text(t);
            auto* item = new QTreeWidgetItem(texts);
            item->setData(0, Qt::UserRole, text(entry.key));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            view->addTopLevelItem(item);
        }
        // The given widths are the least: a date or a name is never cut short behind them.
        for (int c = 1; c < int(list.columns.size()); ++c) {
            if (view->isColumnHidden(c))
                continue;
            view->resizeColumnToContents(c);
            view->setColumnWidth(c,
                                 std::max(view->columnWidth(c), px(list.columns[std::size_t(c)].widthTwips)));
        }
    }
    for (int row = 0; row < view->topLevelItemCount() && row < int(list.items.size()); ++row)
        view->topLevelItem(row)->setCheckState(0, list.items[std::size_t(row)].checked ? Qt::Checked
                                                                                       : Qt::Unchecked);
}

} // namespace zelvant
