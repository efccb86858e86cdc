#pragma once

namespace zelvant {

// Blocks the calling thread for `milliseconds`; the window does not repaint meanwhile.
// Returns true, or false when the pause could not be made (a negative length).
bool Wait(int milliseconds);

} // namespace zelvant
