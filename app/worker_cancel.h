#pragma once
// The player's cancel: the window closed while a worker writes. A cancelled
// run starts nothing more, removes what the worker wrote and exits with 1,
// without a box. User-interface thread only.

// When the current state has a worker writing (the extraction, the download,
// the runtime's installer), asks it to stop at its next safe point, marks the run cancelled (_cancelled) and answers true: the
// message loop must then run on until the worker's completion message, whose
// handler cleans up and ends the run. False when no worker writes now.
bool cancelWritingWorker();
