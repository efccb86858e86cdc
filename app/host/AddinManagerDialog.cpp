#include "app/host/AddinManagerDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvant {

namespace {

QString loadText(std::uint32_t loadBehavior)
{
    return loadBehavior == kLoadAtStartup ? "Beim Start laden" : "Nicht geladen";
}

} // namespace

AddinManagerDialog::AddinManagerDialog(AddinManager& manager, MessageSink& messages, QWidget* parent)
    : QDialog(parent), manager_(manager), messages_(messages), addins_(manager.addins())
{
    setWindowTitle("COM-Add-Ins");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Verf\u00FCgbare Add-Ins (angehakt = geladen):"));

    lstAddins_ = new QListWidget;
    lstAddins_->setObjectName("lstAddins");
    for (const AddinStatus& status : addins_) {
        auto* item =
            new QListWidgetItem(QString::fromStdString(status.registration.friendlyName), lstAddins_);
        item->setData(Qt::UserRole, QString::fromStdString(status.registration.progId));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(status.connected ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(lstAddins_);

    lblDetails_ = new QLabel;
    lblDetails_->setObjectName("lblDetails");
    lblDetails_->setWordWrap(true);
    lblDetails_->setMinimumHeight(60);
    layout->addWidget(lblDetails_);
    connect(lstAddins_, &QListWidget::currentRowChanged, this, &AddinManagerDialog::showDetails);
    if (!addins_.empty())
        lstAddins_->setCurrentRow(0);
    else
        lblDetails_->setText("Es ist kein Add-In registriert. Registrieren mit: zelvant register");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText("Abbrechen");
    connect(buttons, &QDialogButtonBox::accepted, this, &AddinManagerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AddinManagerDialog::reject);
    layout->addWidget(buttons);
    resize(420, 280);
}

void AddinManagerDialog::accept()
{
    for (int row = 0; row < lstAddins_->count(); ++row) {
        const QListWidgetItem* item = lstAddins_->item(row);
        const std::string progId = item->data(Qt::UserRole).toString().toStdString();
        const bool wanted = item->checkState() == Qt::Checked;
        if (wanted && !manager_.connected(progId) && !manager_.load(progId))
            messages_.warning("Das Add-In \u201E" + item->text().toStdString() +
                                  "\u201C konnte nicht geladen werden.",
                              "COM-Add-Ins");
        else if (!wanted && manager_.connected(progId))
            manager_.unload(progId);
    }
    QDialog::accept();
}

void AddinManagerDialog::showDetails()
{
    const int row = lstAddins_->currentRow();
    if (row < 0 || row >= int(addins_.size()))
        return;
    const AddinRegistration& addin = addins_[std::size_t(row)].registration;
    lblDetails_->setText(QString("Beschreibung: %1\nKlasse: %2\nLadeverhalten: %3")
                             .arg(QString::fromStdString(addin.description),
                                  QString::fromStdString(addin.progId), loadText(addin.loadBehavior)));
}

} // namespace zelvant
