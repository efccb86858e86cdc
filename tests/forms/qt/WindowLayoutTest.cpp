#include "forms/qt/InfoDialog.h"
#include "forms/qt/QuickSyncWindow.h"
#include "forms/qt/WizardWindow.h"

#include "tests/forms/FormsWorld.h"
#include "tests/forms/qt/QtTestSupport.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QTest>
#include <QThread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace zelvant {
namespace {

using namespace zelvant::testing;
using Strings = std::vector<std::string>;
using P = WizardPage;

// The windows at the usual text size and at twice that size, which is what a user's larger font
// or a desktop's text scaling does to them: every text shows whole, no two controls lie over each
// other, nothing reaches out of what holds it. Pictures of each go to the build folder for a
// reviewer's eye; their pixels are not compared.

std::string nameOf(const QWidget* widget)
{
    return (widget->objectName().isEmpty() ? QString(widget->metaObject()->className())
                                           : widget->objectName())
        .toStdString();
}

std::string sizes(QSize has, QSize needs)
{
    return std::to_string(has.width()) + "x" + std::to_string(has.height()) + " < " +
           std::to_string(needs.width()) + "x" + std::to_string(needs.height());
}

// The controls of a window as a user sees them: named widgets and the plain boxes holding them,
// not the parts Qt builds inside a list or a combo box.
std::vector<QWidget*> visibleControls(QWidget* window)
{
    std::vector<QWidget*> controls;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        const bool plainBox = name.isEmpty() && widget->metaObject() == &QWidget::staticMetaObject;
        if (widget->isVisible() && !widget->isWindow() && !name.startsWith("qt_") &&
            (!name.isEmpty() || plainBox))
            controls.push_back(widget);
    }
    return controls;
}

// Whether the control shows its text whole: a wrapped label as tall as its lines at its width and
// as wide as its longest word, any other text at least as large as it asks to be.
std::string textFault(const QWidget* widget)
{
    const QSize has = widget->size();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->text().isEmpty())
            return {};
        if (label->wordWrap()) {
            const QSize needs(label->minimumSizeHint().width(), label->heightForWidth(has.width()));
            return has.width() < needs.width() || has.height() < needs.height() ? sizes(has, needs) : "";
        }
    } else if (!qobject_cast<const QAbstractButton*>(widget) && !qobject_cast<const QComboBox*>(widget) &&
               !qobject_cast<const QAbstractSpinBox*>(widget)) {
        // Lists, bars and boxes scroll or draw what they hold; they only need their least size.
        const QSize needs = widget->minimumSizeHint();
        return needs.isValid() && (has.width() < needs.width() || has.height() < needs.height())
                   ? sizes(has, needs)
                   : "";
    }
    const QSize needs = widget->sizeHint();
    return has.width() < needs.width() || has.height() < needs.height() ? sizes(has, needs) : "";
}

// What is wrong with the window as it shows: one line per fault, none when all is well.
Strings layoutFaults(QWidget* window)
{
    Strings faults;
    const std::vector<QWidget*> controls = visibleControls(window);
    for (QWidget* control : controls) {
        if (const std::string fault = textFault(control); !fault.empty())
            faults.push_back(nameOf(control) + " cut short: " + fault);
        for (QWidget* inner = control; inner != window; inner = inner->parentWidget())
            if (!inner->parentWidget()->rect().contains(inner->geometry())) {
                faults.push_back(nameOf(control) + " reaches out of " + nameOf(inner->parentWidget()));
                break;
            }
        for (QWidget* other : controls)
            if (other < control && other->parentWidget() == control->parentWidget() &&
                other->geometry().intersects(control->geometry()))
                faults.push_back(nameOf(control) + " overlaps " + nameOf(other));
    }
    return faults;
}

// The application's text at `scale` times its usual size while it lives; windows made meanwhile
// take it.
class TextScale {
public:
    explicit TextScale(double scale) : usual_(QApplication::font())
    {
        QFont larger = usual_;
        if (usual_.pointSizeF() > 0)
            larger.setPointSizeF(usual_.pointSizeF() * scale);
        else
            larger.setPixelSize(int(usual_.pixelSize() * scale));
        QApplication::setFont(larger);
        suffix_ = scale == 1 ? "" : "-bigfont";
    }
    ~TextScale() { QApplication::setFont(usual_); }
    const char* suffix() const { return suffix_; }

private:
    QFont usual_;
    const char* suffix_;
};

bool saved(const QPixmap& picture, const QString& path)
{
    QSaveFile file(path); // whole or not at all, should two runs write the same picture
    return file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit();
}

// Pictures of the window as it shows: at the screen's own scale, and at 200 % drawn afresh at
// twice the resolution, as a screen scaling twice shows it. On a screen that already scales
// (QT_SCALE_FACTOR), the picture at its scale goes to a folder of its own.
void savePictures(QWidget* window, const std::string& name)
{
    const double ratio = window->devicePixelRatioF();
    QDir folder(ZELVANT_SCREENSHOTS);
    const QString scaled = "scaled-screen";
    ASSERT_TRUE(folder.mkpath(ratio == 1 ? "." : scaled));
    if (ratio != 1)
        folder.cd(scaled);
    const QPixmap shown = window->grab();
    EXPECT_EQ(shown.size(), window->size() * ratio) << name; // the screen's pixels, not enlarged
    const QString base = folder.filePath(QString::fromStdString(name));
    EXPECT_TRUE(saved(shown, base + QString("-%1.png").arg(int(ratio * 100))));
    if (ratio == 1) {
        QPixmap twice(window->size() * 2);
        twice.setDevicePixelRatio(2);
        twice.fill(Qt::transparent);
        window->render(&twice);
        EXPECT_TRUE(saved(twice, base + "-200.png"));
    }
}

// Checks the window and takes its pictures.
void look(QWidget* window, const std::string& name)
{
    QApplication::processEvents();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") { // the scaled run really scales
        EXPECT_EQ(window->devicePixelRatioF(), 2.0) << name;
    }
    EXPECT_EQ(layoutFaults(window), Strings{}) << name;
    savePictures(window, name);
}

class WindowLayoutTest : public ::testing::Test {
protected:
    WindowLayoutTest() { ensureOffscreenApplication(); }
};

TEST_F(WindowLayoutTest, WizardPagesShowTheirTextsWholeAtOnceAndTwiceTheTextSize)
{
    enum class World { Usual, NoCalendar, FailingHost };
    // picture's name, surroundings, clicks from the start, the page they lead to
    const std::vector<std::tuple<const char*, World, std::vector<const char*>, P>> pages{
        {"wizard-step1", World::Usual, {}, P::Operation},
        {"wizard-step2", World::Usual, {"cmdNext"}, P::Direction},
        {"wizard-step3", World::Usual, {"cmdNext", "optLinkType(0)", "cmdNext"}, P::TaskChoice},
        {"wizard-step4",
         World::Usual,
         {"cmdNext", "optLinkType(0)", "cmdNext", "optTask(0)", "cmdNext"},
         P::TaskList},
        {"wizard-step5", World::Usual, {"cmdNext", "optLinkType(1)", "cmdNext"}, P::AppointmentChoice},
        {"wizard-step5-status",
         World::NoCalendar,
         {"cmdNext", "optLinkType(1)", "cmdNext"},
         P::AppointmentChoice},
        {"wizard-step6",
         World::Usual,
         {"cmdNext", "optLinkType(1)", "cmdNext", "optAppointmentType(0)", "cmdNext"},
         P::AppointmentList},
        {"wizard-step7", World::Usual, {"optSync(2)", "cmdNext"}, P::RemovalList},
        {"wizard-step8", World::Usual, {"optSync(1)", "cmdNext"}, P::SyncList},
        {"wizard-finished", World::FailingHost, {"optSync(1)", "cmdNext", "cmdFinish"}, P::Finished},
    };
    for (const double scale : {1.0, 2.0}) {
        const TextScale text(scale);
        for (const auto& [name, kind, clicks, page] : pages) {
            FormsWorld w;
            w.addTask("Entwurf", "Müller;Schmidt");
            w.addTask("Rohbau der Tiefgarage mit Zufahrt", "Müller");
            w.addLinkedTask("Richtfest", 1);
            w.addAppointment("Besprechung", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 9),
                             {"Projekt"});
            w.launcher.setStartFails(kind == World::NoCalendar);
            if (kind == World::FailingHost)
                w.host.faults().failOn("HostSwitch"); // a failed step, for the report below the bar
            WizardWindow window(w.environment(), [] {});
            window.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
            for (const char* control : clicks)
                window.findChild<QAbstractButton*>(control)->click();
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return !window.running() && window.logic().page() == page; }, 10000))
                << name;
            look(&window, name + std::string(text.suffix()));
        }
    }
}

// The check itself sees cut texts: held to the form's own size, the wizard cannot show twice the
// text, which is why it grows instead.
TEST_F(WindowLayoutTest, WizardHeldToTheFormsSizeCutsTwiceTheTextShort)
{
    const TextScale text(2);
    FormsWorld w;
    WizardWindow window(w.environment(), [] {});
    const wizard::WizardForm& form = window.logic().form();
    window.setFixedSize(form.widthTwips / 15, form.heightTwips / 15); // 15 twips to a pixel
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
    EXPECT_THAT(layoutFaults(&window), ::testing::Contains(::testing::StartsWith("optSync(0) cut short")));
}

TEST_F(WindowLayoutTest, QuickSyncShowsItsStepAndItsFailuresWholeAtOnceAndTwiceTheTextSize)
{
    for (const double scale : {1.0, 2.0}) {
        const TextScale text(scale);
        for (const bool failing : {false, true}) {
            const std::string name =
                std::string(failing ? "quicksync-failures" : "quicksync-running") + text.suffix();
            FormsWorld w;
            w.addLinkedTask("Entwurf", 1);
            if (failing)
                w.host.faults().failOn("HostSwitch");
            // The running window is looked at during the run's first pause, which holds the run until
            // then; a pause on the window's own thread is looked at right there.
            std::atomic<bool> paused{false}, looked{false};
            QuickSyncWindow* shown = nullptr;
            QuickSyncWindow window(QuickSyncInputs{
                w.host, w.launcher, [] { return false; }, &w.messages,
                [&](int) {
                    if (failing || paused.exchange(true))
                        return;
                    if (QThread::currentThread() == shown->thread()) {
                        look(shown, name);
                        looked = true;
                    }
                    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                    while (!looked && std::chrono::steady_clock::now() < until)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }});
            shown = &window;
            window.show();
            ASSERT_TRUE(QTest::qWaitFor([&] { return paused || window.finished(); }, 10000)) << name;
            if (!failing && !looked) {
                QTest::qWait(20); // the steps the worker reported so far reach the window
                look(&window, name);
                looked = true;
            }
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.finished(); }, 10000)) << name;
            EXPECT_EQ(window.isVisible(), failing) << name;
            if (failing)
                look(&window, name);
        }
    }
}

TEST_F(WindowLayoutTest, InfoDialogShowsItsTextsWholeAtOnceAndTwiceTheTextSize)
{
    struct NoShell : Shell {
        void open(const std::string&) override {}
    } shell;
    for (const double scale : {1.0, 2.0}) {
        const TextScale text(scale);
        InfoDialog dialog(shell);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        look(&dialog, "info" + std::string(text.suffix()));
    }
}

// What Qt itself puts into the windows (a text field's context menu, the standard buttons) is
// German as well, whatever the machine's language.
TEST(QtTextsTest, QtsOwnTextsAreGerman)
{
    testing::ensureOffscreenApplication();
    if (!useGermanQtTexts(*QCoreApplication::instance()))
        GTEST_SKIP() << "Qt's German catalogue (qt6-translations-l10n) is not installed";
    QLineEdit field("Anna");
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList entries;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            entries << action->text();
    for (const char* english : {"&Undo", "&Redo", "Cu&t", "&Copy", "&Paste", "Delete", "Select All"})
        EXPECT_FALSE(entries.contains(english)) << english << " in " << entries.join(", ").toStdString();
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "Abbrechen");
}

} // namespace
} // namespace zelvant
