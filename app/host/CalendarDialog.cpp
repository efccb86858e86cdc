#include "app/host/CalendarDialog.h"

#include "hosts/caldav/CalDavLauncher.h"
#include "services/Settings.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zelvant {

CalendarDialog::CalendarDialog(Registry& registry, QWidget* parent) : QDialog(parent), registry_(registry)
{
    setWindowTitle("Standardkalender");
    auto* layout = new QGridLayout(this);
    auto* intro = new QLabel(
        "Die Kalenderdatei (iCalendar) oder die Adresse eines CalDAV-Kalenders (https://...), die als "
        "Kalender des Benutzers gilt:");
    intro->setWordWrap(true);
    layout->addWidget(intro, 0, 0, 1, 2);

    txtCalendar_ = new QLineEdit;
    txtCalendar_->setObjectName("txtCalendar");
    txtCalendar_->setMinimumWidth(360);
    txtCalendar_->setText(QString::fromStdString(defaultCalendarPath(registry_).string()));
    layout->addWidget(txtCalendar_, 1, 0);
    auto* browse = new QPushButton("&Durchsuchen...");
    browse->setObjectName("cmdBrowse");
    connect(browse, &QPushButton::clicked, this, &CalendarDialog::browse);
    layout->addWidget(browse, 1, 1);

    lblProblem_ = new QLabel;
    lblProblem_->setObjectName("lblProblem");
    lblProblem_->setStyleSheet("color: #b00020;");
    lblProblem_->setWordWrap(true);
    lblProblem_->hide();
    layout->addWidget(lblProblem_, 2, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText("Abbrechen");
    connect(buttons, &QDialogButtonBox::accepted, this, &CalendarDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CalendarDialog::reject);
    layout->addWidget(buttons, 3, 0, 1, 2);
}

QString CalendarDialog::path() const
{
    return txtCalendar_->text().trimmed();
}

void CalendarDialog::setPath(const QString& path)
{
    txtCalendar_->setText(path);
}

QString CalendarDialog::problem() const
{
    return lblProblem_->isHidden() ? QString() : lblProblem_->text();
}

void CalendarDialog::accept()
{
    const QString file = path();
    QString problem;
    const bool onServer = isServerCalendar(file.toStdString());
    if (file.isEmpty())
        problem = "Bitte eine Kalenderdatei oder die Adresse eines Kalenders auf einem Server angeben.";
    else if (const auto refused = onServer ? HttpClient::refusal(file.toStdString()) : std::nullopt)
        problem = QString::fromStdString(*refused);
    else if (!onServer && !QFileInfo(file).isFile())
        problem = QString("Die Datei \u201E%1\u201C gibt es nicht.").arg(file);
    else if (!setDefaultCalendarPath(registry_, std::filesystem::path(file.toStdString())))
        problem = "Der Standardkalender konnte nicht gespeichert werden.";
    lblProblem_->setText(problem);
    lblProblem_->setVisible(!problem.isEmpty());
    if (problem.isEmpty())
        QDialog::accept();
}

void CalendarDialog::browse()
{
    const QString chosen = QFileDialog::getOpenFileName(this, "Kalenderdatei w\u00E4hlen", path(),
                                                        "Kalender (*.ics);;Alle Dateien (*)");
    if (!chosen.isEmpty())
        txtCalendar_->setText(chosen);
}

} // namespace zelvant
