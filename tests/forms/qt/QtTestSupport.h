#pragma once

// What the window tests share: one application object on the offscreen platform, and a record of
// what a progress bar and its label showed on screen.

#include "forms/qt/EnsureApplication.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>

#include <string>
#include <vector>

namespace zelvant::testing {

// One application object for the whole program, on the offscreen platform unless told otherwise.
inline void ensureOffscreenApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* application = ensureApplication().release(); // lives until the program ends
    (void)application;
}

// Records what the bar and the label showed each time they were painted, leaving out repeats:
// what the user actually saw, in order.
class PaintRecorder : public QObject {
public:
    PaintRecorder(QProgressBar* bar, QLabel* label) : bar_(bar), label_(label)
    {
        bar->installEventFilter(this);
        label->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override // notes, never stops the event
    {
        if (event->type() != QEvent::Paint)
            return false;
        if (watched == bar_ && (barValues.empty() || barValues.back() != bar_->value()))
            barValues.push_back(bar_->value());
        if (watched == label_ && (labelTexts.empty() || labelTexts.back() != label_->text().toStdString()))
            labelTexts.push_back(label_->text().toStdString());
        return false;
    }

    std::vector<int> barValues; // in tenths of a percent
    std::vector<std::string> labelTexts;

private:
    QProgressBar* bar_;
    QLabel* label_;
};

} // namespace zelvant::testing
