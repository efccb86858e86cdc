#include "forms/qt/QuickSyncWindow.h"

#include "forms/qt/EnsureApplication.h"
#include "forms/qt/QtMessageSink.h"
#include "forms/qt/Translated.h"
#include "forms/qt/WorkerRun.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace zelvant {
namespace {

// The bar counts in tenths of a percent, so the fractional steps of long runs still move it.
constexpr int kBarScale = 10;
// 420 pixels wide, or as wide as about 60 characters of a larger text.
constexpr int kWindowWidth = 420;
constexpr int kWindowWidthChars = 60;
// The failure list grows to 180 pixels or ten lines of text, whichever is more, then scrolls.
constexpr int kFailureListMaxHeight = 180;
constexpr int kFailureListMaxLines = 10;
constexpr int kItemPadding = 8;
// Milliseconds after showing by which the run starts even when the window was never exposed.
constexpr int kLatestStart = 500;

} // namespace

QuickSyncWindow::QuickSyncWindow(QuickSyncInputs inputs, QWidget* parent)
    : QDialog(parent), inputs_(std::move(inputs)), barProgress_(new QProgressBar(this)),
      lblProgress_(new QLabel(this)), lstFailures_(new QListWidget(this)),
      cmdOK_(new QPushButton(translated(QT_TRANSLATE_NOOP("Zelvant", "OK")), this))
{
    setWindowTitle(translated(kQuickSyncCaption));
    setModal(true);
    if (!inputs_.messages) {
        ownMessages_ = std::make_unique<QtMessageSink>(this);
        inputs_.messages = ownMessages_.get();
    }
    if (!inputs_.wait) // the pauses are the worker's: the window goes on painting meanwhile
        inputs_.wait = [](int milliseconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds{std::max(milliseconds, 0)});
        };

    barProgress_->setObjectName("barProgress");
    barProgress_->setRange(0, 100 * kBarScale);
    barProgress_->setValue(0);
    barProgress_->setTextVisible(false);
    lblProgress_->setObjectName("lblProgress");
    lblProgress_->setWordWrap(true); // the failures' heading is long in a large text
    lstFailures_->setObjectName("lstFailures");
    lstFailures_->setWordWrap(true);
    lstFailures_->setSpacing(2);
    lstFailures_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstFailures_->setVisible(false);
    cmdOK_->setObjectName("cmdOK");
    cmdOK_->setVisible(false);
    connect(cmdOK_, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 16);
    layout->setSpacing(10);
    layout->addWidget(lblProgress_);
    layout->addWidget(barProgress_);
    layout->addWidget(lstFailures_);
    layout->addLayout(buttons);
    setFixedWidth(std::max(kWindowWidth, fontMetrics().averageCharWidth() * kWindowWidthChars));
}

QuickSyncWindow::~QuickSyncWindow()
{
    // The window refuses to close while the run lasts; should it be destroyed regardless, the
    // worker must not outlive what it reports to.
    awaitWorker(worker_, workerDone_);
}

void QuickSyncWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The run waits until the window is really on screen, so its first steps are seen. Should
    // the desktop never say so, it starts anyway after a moment.
    if (started_)
        return;
    if (QWindow* window = windowHandle(); window && window->isExposed())
        QTimer::singleShot(0, this, &QuickSyncWindow::start);
    else if (window)
        window->installEventFilter(this);
    QTimer::singleShot(kLatestStart, this, &QuickSyncWindow::start);
}

bool QuickSyncWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        QTimer::singleShot(0, this, &QuickSyncWindow::start); // after the window's first picture
    return QDialog::eventFilter(watched, event);
}

void QuickSyncWindow::start()
{
    if (started_)
        return;
    started_ = true;
    if (QWindow* window = windowHandle())
        window->removeEventFilter(this);
    run();
}

void QuickSyncWindow::closeEvent(QCloseEvent* event)
{
    if (!finished_) {
        event->ignore(); // the run closes the window itself
        return;
    }
    QDialog::closeEvent(event);
}

void QuickSyncWindow::reject()
{
    if (finished_)
        QDialog::reject();
}

void QuickSyncWindow::showProgress(double percent, const std::string& text)
{
    // Called by the worker: the window shows each step in order, painted at once so that none
    // is skipped, while the run goes on.
    QMetaObject::invokeMethod(
        this,
        [this, percent, text] {
            barProgress_->setValue(int(std::lround(percent * kBarScale)));
            lblProgress_->setText(translated(text));
            barProgress_->repaint();
            lblProgress_->repaint();
        },
        Qt::QueuedConnection);
}

void QuickSyncWindow::run()
{
    setCursor(Qt::WaitCursor);
    workerDone_ = false;
    worker_ = std::thread([this] {
        WindowThreadMessages messages(this, *inputs_.messages);
        QuickSyncResult result = DoQuickSync(
            {inputs_.host, inputs_.launcher, messages, *this, inputs_.wait, inputs_.recreateDeleted});
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)]() mutable { endRun(std::move(result)); },
            Qt::QueuedConnection);
        workerDone_ = true;
    });
}

void QuickSyncWindow::endRun(QuickSyncResult result)
{
    worker_.join();
    result_ = std::move(result);
    finished_ = true;
    unsetCursor();
    if (result_.report.hasFailures())
        showFailures();
    else
        done(result_.calendarReached ? QDialog::Accepted : QDialog::Rejected);
}

void QuickSyncWindow::showFailures()
{
    lblProgress_->setText(translated(kQuickSyncFailedText));
    for (const std::string& line : result_.report.failureLines())
        lstFailures_->addItem(QString::fromStdString(line));
    lstFailures_->setVisible(true);
    fitFailureList();
    cmdOK_->setVisible(true);
    cmdOK_->setDefault(true);
    cmdOK_->setFocus();
    // As tall as the wrapped heading and the list need at the window's width; adjustSize() would
    // hold a large text to two thirds of the screen and cut it short.
    layout()->activate();
    resize(width(), layout()->totalHeightForWidth(width()));
}

void QuickSyncWindow::fitFailureList()
{
    // As tall as its wrapped lines, up to a handful; more lines scroll.
    layout()->activate();
    const int scrollBar = lstFailures_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QRect column(0, 0, lstFailures_->contentsRect().width() - scrollBar - kItemPadding, 100000);
    const QFontMetrics metrics(lstFailures_->font());
    int height = 2 * lstFailures_->frameWidth();
    for (int row = 0; row < lstFailures_->count(); ++row)
        height +=
            metrics.boundingRect(column, Qt::TextWordWrap, lstFailures_->item(row)->text()).height() + 6;
    lstFailures_->setFixedHeight(
        std::min(height, std::max(kFailureListMaxHeight, metrics.lineSpacing() * kFailureListMaxLines)));
}

int runQuickSyncWindow(ProjectApplication& host, CalendarLauncher& launcher,
                       std::function<bool()> recreateDeleted, QuickSyncResult* result)
{
    const std::unique_ptr<QApplication> ownApplication = ensureApplication();
    QuickSyncWindow window({host, launcher, std::move(recreateDeleted)});
    window.exec();
    if (result)
        *result = window.runResult();
    const bool clean = window.runResult().calendarReached && !window.runResult().report.hasFailures();
    return clean ? 0 : 1;
}

} // namespace zelvant
