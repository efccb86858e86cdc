#pragma once

#include "hostapi/Registry.h"
#include "services/Settings.h"

namespace zelvant {

// Where the wizard's options are remembered between runs.
class WizardSettingsStore {
public:
    virtual ~WizardSettingsStore() = default;
    // Overwrites `options` (the wizard's start-up state) with what is stored; `today` for missing dates.
    virtual void load(WizardOptions& options, DateTime today) = 0;
    // Remembers the options as a finished run leaves them.
    virtual void save(const WizardOptions& options) = 0;
};

// The options in the current user's registry.
class RegistrySettingsStore : public WizardSettingsStore {
public:
    explicit RegistrySettingsStore(Registry& registry) : registry_(registry) {}
    // Reads the stored values; what cannot be read leaves its option as it was.
    void load(WizardOptions& options, DateTime today) override { LoadSettings(registry_, options, today); }
    // Writes the options; a failed write is passed over, as nothing depends on it.
    void save(const WizardOptions& options) override { SaveSettings(registry_, options); }

private:
    Registry& registry_;
};

// The wizard form's own start-up state, before anything stored is applied: no option chosen,
// both dates on `today`.
inline WizardOptions wizardStartOptions(DateTime today)
{
    WizardOptions options;
    options.syncType = options.linkType = options.taskType = options.appointmentType = -1;
    options.dateFrom = options.dateTo = today;
    return options;
}

// The options an add-in applied to its wizard form before opening it: the wizard starts from
// them, and what a finished run leaves goes both back into the form and into the registry.
class AppliedSettings : public WizardSettingsStore {
public:
    AppliedSettings(Registry& registry, WizardOptions& options) : registry_(registry), options_(options) {}
    void load(WizardOptions& options, DateTime) override { options = options_; }
    void save(const WizardOptions& options) override
    {
        options_ = options;
        SaveSettings(registry_, options);
    }

private:
    Registry& registry_;
    WizardOptions& options_;
};

} // namespace zelvant
