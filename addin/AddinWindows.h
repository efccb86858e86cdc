#pragma once

// The add-in's two windows as it drives them, free of any toolkit: the host shell puts its Qt
// windows behind these, a native build its own. A form object lives from its first use until
// the add-in is disconnected; each showModal() opens the window anew.

#include "services/Settings.h"

#include <memory>
#include <string>
#include <vector>

namespace zelvant {

// The wizard "Zelvant Assistent".
class WizardFormHandle {
public:
    virtual ~WizardFormHandle() = default;
    // The options the wizard starts with.
    virtual WizardOptions options() const = 0;
    // Replaces the options the wizard starts with.
    virtual void applyOptions(const WizardOptions& options) = 0;
    // Gives a tab stop only to these controls, in this order; the first one gets the focus.
    virtual void setTabOrder(const std::vector<std::string>& controls) = 0;
    // Hides the label of that control name.
    virtual void hideLabel(const std::string& name) = 0;
    // Shows the wizard modally without an owner window; returns when it has closed.
    virtual void showModal() = 0;
};

// The window of the quick synchronisation.
class QuickSyncFormHandle {
public:
    virtual ~QuickSyncFormHandle() = default;
    // Shows the window modally without an owner window; returns when it has closed.
    virtual void showModal() = 0;
};

// Makes the form objects.
class AddinWindows {
public:
    virtual ~AddinWindows() = default;
    // A new wizard form.
    virtual std::unique_ptr<WizardFormHandle> createWizard() = 0;
    // A new quick synchronisation form.
    virtual std::unique_ptr<QuickSyncFormHandle> createQuickSync() = 0;
};

} // namespace zelvant
