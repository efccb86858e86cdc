#pragma once

// What the wizard window's files share: the form's measures and the conversions between the
// logic's plain values and Qt's. Only for the WizardWindow*.cpp files.

#include "forms/WizardTexts.h"
#include "forms/qt/Translated.h"
#include "hostapi/DateTime.h"
#include "services/Settings.h"

#include <QDate>
#include <QString>

#include <cmath>
#include <string>

namespace zelvant::wizardwindow {

// The logic measures in twips, 15 of them to a pixel. The window is laid out by Qt's layouts; the
// form's measures only say how large it is at least and how far things stand apart.
inline int px(int twips)
{
    return int(std::lround(twips / 15.0));
}

// Paragraphs of a page stand apart by this many pixels.
inline constexpr int kParagraphSpacing = 8;

// A value as it is: a name, a key, an item of the plan or the calendar. What the user reads as the
// window's own words goes through translated() instead.
inline QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

// The text of a named label or tool tip, translated; empty for a name without one.
inline QString namedText(const auto& texts, const char* name)
{
    for (const wizard::NamedText& entry : texts)
        if (qstrcmp(entry.name, name) == 0)
            return translated(entry.text);
    return {};
}

inline QString labelText(const char* name)
{
    return namedText(wizard::kLabels, name);
}

inline QString toolTipText(const char* name)
{
    return namedText(wizard::kToolTips, name);
}

inline DateTime dateTimeOf(const QDate& date)
{
    return makeDateTime(date.year(), unsigned(date.month()), unsigned(date.day()));
}

inline QDate qdateOf(DateTime value)
{
    const std::chrono::year_month_day day{dateOf(value)};
    return QDate(int(day.year()), int(unsigned(day.month())), int(unsigned(day.day())));
}

inline Qt::CheckState qtCheckState(CheckState state)
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

inline CheckState checkStateOf(Qt::CheckState state)
{
    return state == Qt::Checked            ? CheckState::Checked
           : state == Qt::PartiallyChecked ? CheckState::Greyed
                                           : CheckState::Unchecked;
}

} // namespace zelvant::wizardwindow
