#pragma once

#include "engine/EngineInputs.h"
#include "engine/LinkKeys.h"

namespace zelvant {

// Reserves in `keys` every link key already written in the plan (the tasks' link fields) and in
// the calendar (the appointments' link property), so that a new link never takes the key of an
// old one. An item that cannot be read is passed over: its key stays unknown but is not harmed.
void reserveKeysInUse(const EngineInputs& inputs, LinkKeyGenerator& keys);

} // namespace zelvant
