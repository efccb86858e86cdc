#include "forms/qt/WizardWindow.h"

#include "forms/qt/EnsureApplication.h"
#include "forms/WizardTexts.h"
#include "forms/qt/QtMessageSink.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zelvant {

using namespace wizard;

namespace {

// The form is laid out in twips; the screen shows 15 of them per pixel.
int px(int twips)
{
    return int(std::lround(twips / 15.0));
}

constexpr int kFormWidth = 11100;
constexpr int kFormHeight = 7680;
constexpr int kButtonTop = 6720;
constexpr int kButtonHeight = 375;
const QRect kPageArea(px(360), px(1920), px(10335), px(4095));
// Where the progress page puts the bar and its label; the report of failures goes below.
const QRect kBarArea(px(1920), px(3000), px(kFormWidth - 2 * 1920), 20);
const QRect kProgressLabelArea(px(1920), px(2720), px(kFormWidth - 2 * 1920), 18);
// Below the page, above the lower separator: what the page could not read.
const QRect kStatusArea(px(360), px(6040), px(10335), px(6400 - 6040));
const QRect kReportLabelArea(px(1920), px(3500), px(kFormWidth - 2 * 1920), 18);
const QRect kReportArea(px(1920), px(3780), px(kFormWidth - 2 * 1920), px(6300 - 3780));

// The texts beside a list are narrow, so that the list's columns fit; paragraphs stand apart.
constexpr int kListPageTextWidth = 220;
constexpr int kParagraphSpacing = 8;

const QColor kDeepBlue(0x1f, 0x4e, 0x8c);
const QColor kTeal(0x2a, 0x9d, 0x8f);

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

QString labelText(const char* name)
{
    for (const NamedText& entry : kLabels)
        if (qstrcmp(entry.name, name) == 0)
            return QString::fromUtf8(entry.text);
    return {};
}

QString toolTipText(const char* name)
{
    for (const NamedText& entry : kToolTips)
        if (qstrcmp(entry.name, name) == 0)
            return QString::fromUtf8(entry.text);
    return {};
}

QStringList itemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

DateTime dateTimeOf(const QDate& date)
{
    return makeDateTime(date.year(), unsigned(date.month()), unsigned(date.day()));
}

QDate qdateOf(DateTime value)
{
    const std::chrono::year_month_day day{dateOf(value)};
    return QDate(int(day.year()), int(unsigned(day.month())), int(unsigned(day.day())));
}

Qt::CheckState qtCheckState(CheckState state)
{
    switch (state) {
    case CheckState::Checked:
        return Qt::Checked;
    case CheckState::Greyed:
        return Qt::PartiallyChecked;
    case CheckState::Unchecked:
        break;
    }
    return Qt::Unchecked;
}

CheckState checkStateOf(Qt::CheckState state)
{
    return state == Qt::Checked            ? CheckState::Checked
           : state == Qt::PartiallyChecked ? CheckState::Greyed
                                           : CheckState::Unchecked;
}

// The header picture: a band in the product's colours with a calendar sheet and the product's name.
QPixmap headerPicture()
{
    QPixmap picture(px(kFormWidth), px(1500));
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, picture.width(), 0);
    band.setColorAt(0, kDeepBlue);
    band.setColorAt(1, kTeal);
    p.fillRect(picture.rect(), band);

    // A calendar sheet with its header strip, rings and a grid of days.
    const QRectF sheet(24, 24, 52, 50);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(sheet, 6, 6);
    p.setBrush(QColor(0xe7, 0x6f, 0x51));
    p.drawRect(QRectF(sheet.left(), sheet.top(), sheet.width(), 12));
    p.setBrush(kDeepBlue);
    p.drawRoundedRect(QRectF(sheet.left() + 10, sheet.top() - 5, 6, 12), 3, 3);
    p.drawRoundedRect(QRectF(sheet.right() - 16, sheet.top() - 5, 6, 12), 3, 3);
    p.setBrush(QColor(0xc9, 0xd6, 0xe8));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(sheet.left() + 6 + col * 11, sheet.top() + 17 + row * 10, 8, 7));

    QFont name = p.font();
    name.setPointSizeF(name.pointSizeF() * 2.0);
    name.setBold(true);
    p.setFont(name);
    p.setPen(Qt::white);
    p.drawText(QRectF(96, 0, picture.width() - 120, picture.height()), Qt::AlignVCenter | Qt::AlignLeft,
               QString::fromUtf8(kCaption));
    return picture;
}

// The info button's picture: a round "i".
QIcon infoIcon()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kDeepBlue);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6.75, 3, 2.5, 2.5));
    p.drawRoundedRect(QRectF(6.75, 6.5, 2.5, 6.5), 1, 1);
    return QIcon(picture);
}

// The buttons keep the form's widths; a caption wider than its button is set a little smaller.
void fitCaption(QPushButton* button)
{
    constexpr int kPadding = 10;
    QFont font = QApplication::font(button);
    while (QFontMetrics(font).horizontalAdvance(button->text()) + kPadding > button->width() &&
           font.pointSizeF() > 6.5)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
}

QFrame* separator(QWidget* parent, const char* name, int topTwips)
{
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, px(topTwips), px(kFormWidth), px(50));
    return line;
}

QWidget* newPage(const char* frameName)
{
    auto* page = new QWidget;
    page->setObjectName(frameName);
    return page;
}

} // namespace

WizardWindow::WizardWindow(WizardEnvironment environment, std::function<void()> openInfo, QWidget* parent)
    : QDialog(parent), openInfo_(std::move(openInfo))
{
    logic_ = std::make_unique<WizardLogic>(environment, static_cast<ProgressSink&>(*this), [this] {
        render();
        repaint();
    });
    setObjectName("frmZelvant");
    setWindowTitle(QString::fromUtf8(kCaption));
    setFixedSize(px(kFormWidth), px(kFormHeight));

    buildHeader();
    pages_ = new QStackedWidget(this);
    pages_->setObjectName("pages");
    pages_->setGeometry(kPageArea);
    for (QWidget* page : {buildPage1(), buildPage2(), buildPage3(), buildPage4(), buildPage5(), buildPage6(),
                          buildPage7(), buildPage8()})
        pages_->addWidget(page);
    buildButtons();
    buildProgress();
    render();
    applyTabOrderAndFocus();
}

WizardWindow::~WizardWindow() = default;

// Building ------------------------------------------------------------------------------------------

void WizardWindow::remember(QWidget* widget, const char* name)
{
    widget->setObjectName(name);
    controls_.insert(name, widget);
}

QLabel* WizardWindow::label(const char* name)
{
    auto* shown = new QLabel(labelText(name));
    shown->setObjectName(name);
    shown->setWordWrap(true);
    return shown;
}

QLabel* WizardWindow::title(const char* name)
{
    QLabel* shown = label(name);
    QFont font = shown->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    shown->setFont(font);
    return shown;
}

void WizardWindow::buildHeader()
{
    auto* imgTop = new QLabel(this);
    imgTop->setObjectName("imgTop");
    imgTop->setGeometry(0, 0, px(kFormWidth), px(1500));
    imgTop->setPixmap(headerPicture());
    separator(this, "fraSeparatorTop", 1500);
    separator(this, "fraSeparatorBottom", 6400);
}

void WizardWindow::buildButtons()
{
    const auto button = [this](QPushButton*& target, const char* name, int widthTwips) {
        target = new QPushButton(this);
        remember(target, name);
        target->resize(px(widthTwips), px(kButtonHeight));
    };
    button(cmdInfo_, "cmdInfo", 360);
    button(cmdCancel_, "cmdCancel", 1200);
    button(cmdBack_, "cmdBack", 1215);
    button(cmdNext_, "cmdNext", 1200);
    button(cmdFinish_, "cmdFinish", 1320);
    cmdInfo_->setIcon(infoIcon());
    cmdNext_->setDefault(true);

    connect(cmdInfo_, &QPushButton::clicked, this, [this] {
        if (openInfo_)
            openInfo_();
    });
    connect(cmdCancel_, &QPushButton::clicked, this, &WizardWindow::reject);
    connect(cmdBack_, &QPushButton::clicked, this, &WizardWindow::back);
    connect(cmdNext_, &QPushButton::clicked, this, &WizardWindow::next);
    connect(cmdFinish_, &QPushButton::clicked, this, &WizardWindow::finish);
}

void WizardWindow::buildProgress()
{
    lblProgress_ = new QLabel(this);
    lblProgress_->setObjectName("lblProgress");
    lblProgress_->setGeometry(kProgressLabelArea);
    barProgress_ = new QProgressBar(this);
    barProgress_->setObjectName("barProgress");
    barProgress_->setGeometry(kBarArea);
    barProgress_->setRange(0, 1000); // tenths of a percent: the engine reports 27.5 and the like
    barProgress_->setTextVisible(false);
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName("lblStatus");
    lblStatus_->setGeometry(kStatusArea);
    lblStatus_->setStyleSheet("color: #9b2c1f;");
    lblReport_ = new QLabel(labelText("lblReport"), this);
    lblReport_->setObjectName("lblReport");
    lblReport_->setGeometry(kReportLabelArea);
    lstReport_ = new QListWidget(this);
    lstReport_->setObjectName("lstReport");
    lstReport_->setGeometry(kReportArea);
    lstReport_->setFocusPolicy(Qt::NoFocus);
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

QWidget* WizardWindow::buildPage1()
{
    QWidget* page = newPage("fraStep1");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kParagraphSpacing);
    layout->addWidget(title("lblStep1"));
    for (const char* name : {"lblStep101", "lblStep102", "lblStep103"})
        layout->addWidget(label(name));
    auto* frame = new QGroupBox;
    frame->setObjectName("fraOptSync");
    auto* options = new QVBoxLayout(frame);
    for (QAbstractButton* option : optionGroup(OptionArray::Sync, "optSync", 3)->buttons())
        options->addWidget(option);
    layout->addWidget(frame);
    layout->addStretch();
    return page;
}

QWidget* WizardWindow::buildPage2()
{
    QWidget* page = newPage("fraStep2");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kParagraphSpacing);
    layout->addWidget(title("lblStep2"));
    for (const char* name : {"lblStep201", "lblStep202", "lblStep203"})
        layout->addWidget(label(name));
    auto* frame = new QGroupBox;
    frame->setObjectName("fraOptLink");
    auto* options = new QVBoxLayout(frame);
    for (QAbstractButton* option : optionGroup(OptionArray::LinkType, "optLinkType", 2)->buttons())
        options->addWidget(option);
    layout->addWidget(frame);
    layout->addStretch();
    return page;
}

QWidget* WizardWindow::buildPage3()
{
    QWidget* page = newPage("fraStep3");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kParagraphSpacing);
    layout->addWidget(title("lblStep3"));
    layout->addWidget(label("lblStep301"));
    layout->addWidget(label("lblStep302"));

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

QWidget* WizardWindow::listPage(int pageNumber, QTreeWidget*& list, WizardList which, const char* allName,
                                const char* noneName, std::initializer_list<const char*> texts,
                                QWidget* extra)
{
    const QString number = QString::number(pageNumber);
    QWidget* page = newPage(qPrintable("fraStep" + number));
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(16);
    grid->addWidget(title(qPrintable("lblStep" + number)), 0, 0, 1, 2);

    auto* sideWidget = new QWidget;
    sideWidget->setFixedWidth(kListPageTextWidth);
    auto* side = new QVBoxLayout(sideWidget);
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(kParagraphSpacing);
    for (const char* name : texts)
        side->addWidget(label(name));
    side->addStretch();
    grid->addWidget(sideWidget, 1, 0);

    static const std::array<const char*, 4> kListNames{"lvwTasks", "lvwAppointments", "lvwDeleteLinks",
                                                       "lvwSync"};
    list = new QTreeWidget;
    remember(list, kListNames[std::size_t(which)]);
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
    for (auto [name, caption, checked] : {std::tuple{allName, "Alle", true}, {noneName, "Keine", false}}) {
        auto* button = new QPushButton(QString::fromUtf8(caption));
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

QWidget* WizardWindow::buildPage4()
{
    chkDetailed_ = new QCheckBox;
    remember(chkDetailed_, "chkDetailed");
    return listPage(4, lvwTasks_, WizardList::Tasks, "cmdTaskAll", "cmdTaskNone",
                    {"lblStep401", "lblStep402"}, chkDetailed_);
}

QWidget* WizardWindow::buildPage5()
{
    QWidget* page = newPage("fraStep5");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kParagraphSpacing);
    layout->addWidget(title("lblStep5"));
    layout->addWidget(label("lblStep501"));

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
        picker->setDisplayFormat("dd.MM.yyyy");
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

QWidget* WizardWindow::buildPage6()
{
    return listPage(6, lvwAppointments_, WizardList::Appointments, "cmdAppAll", "cmdAppNone",
                    {"lblStep601", "lblStep602"}, nullptr);
}

QWidget* WizardWindow::buildPage7()
{
    return listPage(7, lvwDeleteLinks_, WizardList::DeleteLinks, "cmdAll", "cmdNone",
                    {"lblStep701", "lblStep702"}, nullptr);
}

QWidget* WizardWindow::buildPage8()
{
    chkCreateDeletedTasks_ = new QCheckBox;
    remember(chkCreateDeletedTasks_, "chkCreateDeletedTasks");
    connect(chkCreateDeletedTasks_, &QCheckBox::clicked, this, [this] {
        logic_->setCreateDeletedTasks(checkStateOf(chkCreateDeletedTasks_->checkState()));
        render();
    });
    return listPage(8, lvwSync_, WizardList::Sync, "cmdSyncAll", "cmdSyncNone",
                    {"lblStep801", "lblStep802", "lblStep803"}, chkCreateDeletedTasks_);
}

// Drawing the logic's state ---------------------------------------------------------------------------

void WizardWindow::render()
{
    rendering_ = true;
    const WizardForm& form = logic_->form();
    const bool onPage = !form.shownFrame.empty();
    pages_->setVisible(onPage);
    if (onPage)
        pages_->setCurrentIndex(QString::fromStdString(form.shownFrame).mid(7).toInt() - 1);
    renderButtons();
    renderOptions();
    renderInputs();
    renderLists();
    renderProgress();
    lblStatus_->setText(text(form.status));
    lblStatus_->setVisible(onPage && !form.status.empty());
    // The hourglass stays while an operation runs, wherever the mouse goes.
    if (form.busy || logic_->page() == kRunningPage)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
    rendering_ = false;
}

void WizardWindow::renderButtons()
{
    const WizardForm& form = logic_->form();
    for (auto [widget, state] : {std::pair{cmdInfo_, &form.cmdInfo},
                                 {cmdCancel_, &form.cmdCancel},
                                 {cmdBack_, &form.cmdBack},
                                 {cmdNext_, &form.cmdNext},
                                 {cmdFinish_, &form.cmdFinish}}) {
        widget->setText(text(state->caption));
        fitCaption(widget);
        widget->setToolTip(text(state->toolTip));
        widget->setEnabled(state->enabled);
        widget->move(px(state->leftTwips), px(kButtonTop));
        widget->setVisible(state->visible);
    }
}

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
            button->setText(text(members[i].caption));
            button->setToolTip(text(members[i].toolTip));
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
    for (auto [widget, state] : {std::pair{cboResource_, &form.cboResource},
                                 {cboBusyStatus_, &form.cboBusyStatus},
                                 {cboKategorie_, &form.cboKategorie}}) {
        QStringList items;
        for (const std::string& item : state->items)
            items << text(item);
        const QSignalBlocker quiet(widget);
        if (itemsOf(widget) != items) {
            widget->clear();
            widget->addItems(items);
        }
        widget->setEditable(state->editable);
        widget->setCurrentIndex(state->listIndex);
        if (state->editable && widget->currentText() != text(state->text))
            widget->setEditText(text(state->text));
        widget->setToolTip(text(state->toolTip));
        widget->setEnabled(state->enabled);
    }
    for (auto [widget, state] : {std::pair{chkSummary_, &form.chkSummary},
                                 {chkAllDayEvent_, &form.chkAllDayEvent},
                                 {chkDetailed_, &form.chkDetailed},
                                 {chkCreateDeletedTasks_, &form.chkCreateDeletedTasks}}) {
        widget->setText(text(state->caption));
        widget->setToolTip(text(state->toolTip));
        widget->setEnabled(state->enabled);
        widget->setTristate(state->value == CheckState::Greyed);
        widget->setCheckState(qtCheckState(state->value));
    }
    for (auto [widget, state] : {std::pair{dtpFrom_, &form.dtpFrom}, {dtpTo_, &form.dtpTo}}) {
        widget->setToolTip(text(state->toolTip));
        if (state->value)
            widget->setDate(qdateOf(*state->value));
    }
}

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
            headers << text(column.header);
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

void WizardWindow::renderProgress()
{
    const WizardForm& form = logic_->form();
    barProgress_->setVisible(form.progress.shown);
    lblProgress_->setVisible(form.progress.shown);
    barProgress_->setValue(int(std::lround(form.progress.value * 10)));
    lblProgress_->setText(text(form.progress.text));
    const bool report = !form.reportLines.empty();
    lblReport_->setVisible(report);
    lstReport_->setVisible(report);
    if (report && lstReport_->count() != int(form.reportLines.size())) {
        lstReport_->clear();
        for (const std::string& line : form.reportLines)
            lstReport_->addItem(text(line));
    }
}

void WizardWindow::applyTabOrderAndFocus()
{
    const WizardForm& form = logic_->form();
    // Controls outside the page's order are reached by the mouse only.
    for (QWidget* widget : controls_)
        widget->setFocusPolicy(Qt::ClickFocus);
    QWidget* previous = nullptr;
    for (const std::string& name : form.tabOrder) {
        QWidget* widget = controls_.value(text(name));
        if (!widget)
            continue;
        widget->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    if (cboResource_->lineEdit())
        cboResource_->lineEdit()->deselect();
    if (QWidget* focus = controls_.value(text(form.focus)); focus && focus->isEnabled())
        focus->setFocus(Qt::OtherFocusReason);
}

// Actions -------------------------------------------------------------------------------------------------

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
        accept();
        return;
    }
    render();
}

void WizardWindow::reject()
{
    // Also Esc and the window's close button: nothing is saved.
    logic_->cmdCancel();
    QDialog::reject();
}

void WizardWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    applyTabOrderAndFocus();
}

void WizardWindow::showProgress(double percent, const std::string& message)
{
    // The run holds the user-interface thread: draw the bar and the label right now.
    barProgress_->setValue(int(std::lround(percent * 10)));
    lblProgress_->setText(text(message));
    barProgress_->repaint();
    lblProgress_->repaint();
}

int runWizard(ProjectApplication& host, CalendarLauncher& launcher, WizardSettingsStore& settings,
              std::function<void()> openInfo, MessageSink* messages)
{
    const std::unique_ptr<QApplication> ownApplication = ensureApplication();
    QtMessageSink boxes;
    const SystemClock clock;
    WizardWindow window(
        {host, launcher, messages ? *messages : boxes, settings, clock, LinkKeyGenerator::randomSeed()},
        std::move(openInfo));
    boxes.setParent(&window);
    const int result = window.exec() == QDialog::Accepted ? 1 : 0;
    if (window.logic().hostSwitchLeftOff()) {
        try {
            host.setHostSwitch(true);
        } catch (const std::exception&) {
            // Only the host's screen refresh: nothing of the run depends on it.
        }
    }
    return result;
}

} // namespace zelvant
