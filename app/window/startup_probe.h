// Start-up measurement: when PARROTEL_FIRST_PAINT_LOG names a file, the time
// of the main window's first paint (wall clock, nanoseconds since the epoch)
// is written there, so a script that notes the launch time can measure the
// start-up. Nothing happens without the variable.
#pragma once

namespace startup_probe {

// Call from the main window's paint handler; acts on the first call only.
void NoteFirstPaint();

}  // namespace startup_probe
