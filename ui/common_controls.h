#pragma once
// The common controls library, initialised once and kept for the process's
// life. Loaded from the system folder only; a library that cannot be loaded
// only means the boxes look plainer. User-interface thread.

void initCommonControls();
