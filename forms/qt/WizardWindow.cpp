#include "forms/qt/WizardWindow.h"

#include "forms/qt/EnsureApplication.h"
#include "forms/qt/QtMessageSink.h"
#include "forms/qt/WizardWindowSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>

namespace zelvant {

using namespace wizard;
using namespace wizardwindow;

namespace {

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

const QColor kDeepBlue(0x1f, 0x4e, 0x8c);
const QColor kTeal(0x2a, 0x9d, 0x8f);

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
    // In the order of WizardPage: the page's number less one is its index.
    for (QWidget* page :
         {buildOptionsPage(WizardPage::Operation, "fraOptSync", OptionArray::Sync, "optSync", 3),
          buildOptionsPage(WizardPage::Direction, "fraOptLink", OptionArray::LinkType, "optLinkType", 2),
          buildTaskChoicePage(), buildTaskListPage(), buildAppointmentChoicePage(),
          buildAppointmentListPage(), buildRemovalListPage(), buildSyncListPage()})
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

QWidget* WizardWindow::newPage(WizardPage page)
{
    auto* shown = new QWidget;
    shown->setObjectName(WizardLogic::view(page).frame);
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

// Drawing the logic's state ---------------------------------------------------------------------------

void WizardWindow::render()
{
    rendering_ = true;
    const WizardForm& form = logic_->form();
    const WizardPage page = logic_->page();
    const bool onPage = page != WizardPage::Running && page != WizardPage::Finished;
    pages_->setVisible(onPage);
    if (onPage)
        pages_->setCurrentIndex(int(page) - 1);
    renderButtons();
    renderOptions();
    renderInputs();
    renderLists();
    renderProgress();
    lblStatus_->setText(text(form.status));
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
        widget->setText(text(state->caption));
        fitCaption(widget);
        widget->setToolTip(text(state->toolTip));
        widget->setEnabled(state->enabled);
        widget->move(px(state->leftTwips), px(kButtonTop));
        widget->setVisible(state->visible);
    }
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
