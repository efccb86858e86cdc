#include "forms/qt/WizardWindow.h"

#include "forms/qt/EnsureApplication.h"
#include "forms/qt/QtMessageSink.h"
#include "forms/qt/WizardWindowSupport.h"
#include "forms/qt/WorkerRun.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zelvant {

using namespace wizard;
using namespace wizardwindow;

namespace {

// The form's measures in twips: the header's height, where the page starts below it and how far it
// stands in from the window's sides, the room of the status line, where the buttons start below the
// lower separator, and how far the progress page's bar stands in.
constexpr int kHeaderHeight = 1500;
constexpr int kSeparatorHeight = 50;
constexpr int kPageTop = 1920;
constexpr int kPageLeft = 360;
constexpr int kStatusHeight = 360;
constexpr int kButtonGap = 270;
constexpr int kButtonHeight = 375;
constexpr int kButtonsRight = 300;
constexpr int kButtonSpacing = 120;
constexpr int kBarLeft = 1920;
constexpr int kBarTop = 2720;

const QColor kDeepBlue(0x1f, 0x4e, 0x8c);
const QColor kTeal(0x2a, 0x9d, 0x8f);

// The header picture: a band in the product's colours with a calendar sheet and the product's name.
// Painted at whatever size the layout gives it, so it spans the window however wide larger texts
// make it, and stays sharp on a screen that scales. A label, as the picture has always been one.
class HeaderPicture : public QLabel {
public:
    explicit HeaderPicture(int widthTwips) : widthTwips_(widthTwips)
    {
        setObjectName("imgTop");
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        const QSize least = minimumSizeHint();
        return {std::max(px(widthTwips_), least.width()), least.height()};
    }

    // The name in full beside the sheet, with the band's height around it.
    QSize minimumSizeHint() const override
    {
        const QFontMetrics metrics(nameFont());
        return {kNameLeft + metrics.horizontalAdvance(name()) + kNameRight,
                std::max(px(kHeaderHeight), metrics.height() + 2 * kSheetTop)};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient band(0, 0, width(), 0);
        band.setColorAt(0, kDeepBlue);
        band.setColorAt(1, kTeal);
        p.fillRect(rect(), band);

        // A calendar sheet with its header strip, rings and a grid of days.
        const QRectF sheet(kSheetTop, (height() - kSheetHeight) / 2.0, kSheetWidth, kSheetHeight);
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

        p.setFont(nameFont());
        p.setPen(Qt::white);
        p.drawText(QRectF(kNameLeft, 0, width() - kNameLeft, height()), Qt::AlignVCenter | Qt::AlignLeft,
                   name());
    }

private:
    static constexpr int kSheetTop = 24;
    static constexpr int kSheetWidth = 52;
    static constexpr int kSheetHeight = 50;
    static constexpr int kNameLeft = 96;
    static constexpr int kNameRight = 24;

    static QString name() { return translated(kCaption); }

    // Twice the window's text, bold.
    QFont nameFont() const
    {
        QFont shown = font();
        if (shown.pointSizeF() > 0)
            shown.setPointSizeF(shown.pointSizeF() * 2.0);
        else
            shown.setPixelSize(shown.pixelSize() * 2);
        shown.setBold(true);
        return shown;
    }

    int widthTwips_;
};

// The info button's picture: a round "i", drawn for screens that scale as well.
QIcon infoIcon()
{
    QIcon icon;
    for (const int ratio : {1, 2}) {
        QPixmap picture(16 * ratio, 16 * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kDeepBlue);
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(6.75, 3, 2.5, 2.5));
        p.drawRoundedRect(QRectF(6.75, 6.5, 2.5, 6.5), 1, 1);
        p.end();
        icon.addPixmap(picture);
    }
    return icon;
}

QFrame* separator(const char* name)
{
    auto* line = new QFrame;
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(px(kSeparatorHeight));
    return line;
}

} // namespace

WizardWindow::WizardWindow(WizardEnvironment environment, std::function<void()> openInfo, QWidget* parent)
    : QDialog(parent), openInfo_(std::move(openInfo))
{
    // The operation runs on a worker thread (see finish()); what it says to the user comes back here.
    messages_ = std::make_unique<WindowThreadMessages>(this, environment.messages);
    const WizardEnvironment threaded{environment.host,     environment.launcher, *messages_,
                                     environment.settings, environment.clock,    environment.keySeed};
    logic_ = std::make_unique<WizardLogic>(threaded, static_cast<ProgressSink&>(*this), [this] {
        render();
        repaint();
    });
    setObjectName("frmZelvant");
    setWindowTitle(translated(kCaption));

    pages_ = new QStackedWidget;
    pages_->setObjectName("pages");
    // In the order of WizardPage: the page's number less one is its index.
    for (QWidget* page :
         {buildOptionsPage(WizardPage::Operation, "fraOptSync", OptionArray::Sync, "optSync", 3),
          buildOptionsPage(WizardPage::Direction, "fraOptLink", OptionArray::LinkType, "optLinkType", 2),
          buildTaskChoicePage(), buildTaskListPage(), buildAppointmentChoicePage(),
          buildAppointmentListPage(), buildRemovalListPage(), buildSyncListPage()})
        pages_->addWidget(page);

    // Top down: the header, the page or the progress in its place with the status line below, the
    // button row. Only the page's room grows when the window does.
    auto* body = new QVBoxLayout;
    body->setContentsMargins(px(kPageLeft), px(kPageTop - kHeaderHeight - kSeparatorHeight), px(kPageLeft),
                             0);
    body->setSpacing(0);
    body->addWidget(pages_, 1);
    body->addWidget(buildProgress(), 1);
    body->addWidget(buildStatus());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(separator("fraSeparatorTop"));
    layout->addLayout(body, 1);
    layout->addWidget(separator("fraSeparatorBottom"));
    layout->addLayout(buildButtons());

    render();
    fitToContents();
    applyTabOrderAndFocus();
}

WizardWindow::~WizardWindow()
{
    // The window refuses to close while a run lasts; should it be destroyed regardless, the
    // worker must not outlive what it reports to.
    awaitWorker(worker_, workerDone_);
}

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

QWidget* WizardWindow::newPage(WizardPage page)
{
    auto* shown = new QWidget;
    shown->setObjectName(WizardLogic::view(page).frame);
    return shown;
}

QWidget* WizardWindow::buildHeader()
{
    return new HeaderPicture(logic_->form().widthTwips);
}

QLayout* WizardWindow::buildButtons()
{
    const auto button = [this](QPushButton*& target, const char* name, int widthTwips) {
        target = new QPushButton;
        remember(target, name);
        // The form's width is the least; a longer caption, or a larger text, widens the button.
        target->setMinimumSize(px(widthTwips), px(kButtonHeight));
    };
    button(cmdInfo_, "cmdInfo", 360);
    button(cmdCancel_, "cmdCancel", 1200);
    button(cmdBack_, "cmdBack", 1215);
    button(cmdNext_, "cmdNext", 1200);
    button(cmdFinish_, "cmdFinish", 1320);
    cmdInfo_->setIcon(infoIcon());
    cmdNext_->setDefault(true);
    // The finish button names the chosen operation and at last says "Fertig": it is as wide as the
    // longest of them from the start, so the row does not shift when the choice changes.
    int finishWidth = cmdFinish_->minimumWidth();
    for (const OptionText& caption : kFinishBySync) {
        cmdFinish_->setText(translated(caption.caption));
        finishWidth = std::max(finishWidth, cmdFinish_->sizeHint().width());
    }
    cmdFinish_->setText(translated(kFinishClose.caption));
    cmdFinish_->setMinimumWidth(std::max(finishWidth, cmdFinish_->sizeHint().width()));

    connect(cmdInfo_, &QPushButton::clicked, this, [this] {
        if (openInfo_)
            openInfo_();
    });
    connect(cmdCancel_, &QPushButton::clicked, this, &WizardWindow::reject);
    connect(cmdBack_, &QPushButton::clicked, this, &WizardWindow::back);
    connect(cmdNext_, &QPushButton::clicked, this, &WizardWindow::next);
    connect(cmdFinish_, &QPushButton::clicked, this, &WizardWindow::finish);

    // The info button on the left; the others on the right, "Zurück" and "Weiter" side by side.
    auto* row = new QHBoxLayout;
    row->setContentsMargins(px(kPageLeft), px(kButtonGap), px(kButtonsRight), px(kButtonsRight));
    row->setSpacing(0);
    row->addWidget(cmdInfo_);
    row->addStretch();
    row->addWidget(cmdCancel_);
    row->addSpacing(px(kButtonSpacing));
    row->addWidget(cmdBack_);
    row->addWidget(cmdNext_);
    row->addSpacing(px(kButtonSpacing));
    row->addWidget(cmdFinish_);
    return row;
}

QWidget* WizardWindow::buildProgress()
{
    lblProgress_ = new QLabel;
    lblProgress_->setObjectName("lblProgress");
    lblProgress_->setWordWrap(true); // a long step in a large text takes a second line
    barProgress_ = new QProgressBar;
    barProgress_->setObjectName("barProgress");
    barProgress_->setRange(0, 1000); // tenths of a percent: the engine reports 27.5 and the like
    barProgress_->setTextVisible(false);
    lblReport_ = new QLabel(labelText("lblReport"));
    lblReport_->setObjectName("lblReport");
    lblReport_->setWordWrap(true);
    lstReport_ = new QListWidget;
    lstReport_->setObjectName("lstReport");
    lstReport_->setFocusPolicy(Qt::NoFocus);

    // In the page's place while a run goes on: the label and the bar, the report of failures below;
    // narrower than the page, as the bar has always been.
    progress_ = new QWidget;
    auto* column = new QVBoxLayout(progress_);
    const int side = px(kBarLeft - kPageLeft);
    column->setContentsMargins(side, px(kBarTop - kPageTop), side, 0);
    column->setSpacing(0);
    column->addWidget(lblProgress_);
    column->addSpacing(2);
    column->addWidget(barProgress_);
    column->addSpacing(2 * kParagraphSpacing);
    column->addWidget(lblReport_);
    column->addSpacing(4);
    column->addWidget(lstReport_, 1);
    column->addStretch(); // without a report, label and bar stay at the top
    return progress_;
}

QWidget* WizardWindow::buildStatus()
{
    lblStatus_ = new QLabel;
    lblStatus_->setObjectName("lblStatus");
    lblStatus_->setStyleSheet("color: #9b2c1f;");
    lblStatus_->setWordWrap(true);
    lblStatus_->setMinimumHeight(std::max(px(kStatusHeight), lblStatus_->fontMetrics().height() + 4));
    // Its room stays when there is nothing to say, so the page does not jump when there is.
    QSizePolicy policy = lblStatus_->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    lblStatus_->setSizePolicy(policy);
    return lblStatus_;
}

void WizardWindow::fitToContents()
{
    // At least the form's size; larger when the texts need it, with the height the wrapped texts
    // take at that width. The pages share the stack's room, so every page has its texts' room.
    QLayout* all = layout();
    all->activate();
    const WizardForm& form = logic_->form();
    QSize size = all->totalSizeHint().expandedTo({px(form.widthTwips), px(form.heightTwips)});
    size.setHeight(std::max(size.height(), all->totalHeightForWidth(size.width())));
    // Never smaller: a shrunk window would cut the wrapped texts short.
    setMinimumSize(size);
    resize(size);
}

// Drawing the logic's state ---------------------------------------------------------------------------

void WizardWindow::render()
{
    rendering_ = true;
    const WizardForm& form = logic_->form();
    const WizardPage page = logic_->page();
    const bool onPage = page != WizardPage::Running && page != WizardPage::Finished;
    pages_->setVisible(onPage);
    progress_->setVisible(!onPage);
    if (onPage)
        pages_->setCurrentIndex(int(page) - 1);
    renderButtons();
    renderOptions();
    renderInputs();
    renderLists();
    renderProgress();
    lblStatus_->setText(translated(form.status));
    lblStatus_->setVisible(onPage && !form.status.empty());
    // The hourglass stays while an operation runs, wherever the mouse goes.
    if (form.busy || page == WizardPage::Running)
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
        // Where the form puts a button is the row's business; the logic's left edges follow it.
        widget->setText(translated(state->caption));
        widget->setToolTip(translated(state->toolTip));
        widget->setEnabled(state->enabled);
        widget->setVisible(state->visible);
    }
}

void WizardWindow::renderProgress()
{
    const WizardForm& form = logic_->form();
    barProgress_->setVisible(form.progress.shown);
    lblProgress_->setVisible(form.progress.shown);
    barProgress_->setValue(int(std::lround(form.progress.value * 10)));
    lblProgress_->setText(translated(form.progress.text));
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
    if (running_)
        return;
    switch (logic_->prepareFinish()) {
    case FinishStep::Close:
        accept();
        return;
    case FinishStep::Stay:
        render();
        return;
    case FinishStep::Run:
        break;
    }
    // The operation runs on a worker thread, so the window keeps painting and can be moved. The
    // logic, the plan and the calendar are the worker's until it ends: the window only draws the
    // progress it is handed and refuses to close.
    running_ = true;
    workerDone_ = false;
    worker_ = std::thread([this] {
        logic_->runFinish();
        QMetaObject::invokeMethod(this, &WizardWindow::endRun, Qt::QueuedConnection);
        workerDone_ = true;
    });
}

void WizardWindow::endRun()
{
    worker_.join();
    running_ = false;
    render();
}

void WizardWindow::reject()
{
    if (running_)
        return; // Esc and the close button wait for the run's end
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
    // Called by the run on the worker thread, which waits until the step is drawn: every step is
    // seen, and the logic's state never changes while the window reads it.
    onWindowThread(this, [&] {
        barProgress_->setValue(int(std::lround(percent * 10)));
        lblProgress_->setText(translated(message));
        barProgress_->repaint();
        lblProgress_->repaint();
    });
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
