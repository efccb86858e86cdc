#pragma once

#include "app/host/AddinManager.h"
#include "services/Messages.h"

#include <QDialog>

class QLabel;
class QListWidget;

namespace zelvant {

// "COM-Add-Ins": the registered add-ins with a tick for each loaded one. OK loads every newly
// ticked add-in and unloads every cleared one.
class AddinManagerDialog : public QDialog {
    Q_OBJECT

public:
    AddinManagerDialog(AddinManager& manager, MessageSink& messages, QWidget* parent = nullptr);

    // The list of add-ins; each item carries its identifier as user data.
    QListWidget* list() const { return lstAddins_; }

    // Applies the ticks and closes.
    void accept() override;

private:
    void showDetails();

    AddinManager& manager_;
    MessageSink& messages_;
    std::vector<AddinStatus> addins_;
    QListWidget* lstAddins_;
    QLabel* lblDetails_;
};

} // namespace zelvant
