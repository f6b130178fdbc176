#pragma once
// The wait of `prlport find`, with its progress on standard error when that is a console.

// Waits `seconds`; on a console, a line "searching: N s of M s" that counts up in place.
void WaitShowingProgress(unsigned seconds);
