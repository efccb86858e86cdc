#pragma once

#include "hostapi/Registry.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace zelvant {

// "Standardkalender": which calendar the add-in reaches as the user's calendar: an iCalendar file
// or a server's collection. Opens with the stored choice; OK stores a file that exists or an
// address that may carry credentials, anything else is named in the dialog and keeps it open.
class CalendarDialog : public QDialog {
    Q_OBJECT

public:
    explicit CalendarDialog(Registry& registry, QWidget* parent = nullptr);

    // The file named in the dialog.
    QString path() const;
    // Names a file in the dialog.
    void setPath(const QString& path);
    // The problem the last OK ran into; empty when there was none.
    QString problem() const;

    // Stores the file and closes, or names the problem and stays open.
    void accept() override;

private:
    void browse();

    Registry& registry_;
    QLineEdit* txtCalendar_;
    QLabel* lblProblem_;
};

} // namespace zelvant
