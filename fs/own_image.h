#pragma once
// The file that this process runs, open for reading. The path it was started
// by proves nothing: another program may rename the running file away and put
// another at its name, or point a folder link on that path elsewhere, between
// the start and the open. Failures: false, with a line (diagnose) naming why.
// Any thread.
#include "fs/safe_handle.h"

// Opens the module's path and keeps the handle only when the system says that
// its file is the very one mapped as this process's image.
bool openOwnImage(SafeKernelHandle& file);
