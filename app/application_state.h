#pragma once
// The numbered states of a run, in the order the whole program relies on.
enum ApplicationState {
  StateNone = 0,
  StateRedistDownload = 1,
  StateRedistDownloaded = 2,
  StateRedistInstall = 3,
  StateRedistInstalled = 4,
  StateStart = 5,
  StateLaunchInstalled = 6,
  StateLaunchExtracted = 7,
  StateWaitUpdater = 8,
  StateExtract = 9,
  StateExtracting = 10,
  StateLaunchFailed = 11,
  StateFailed = 12,
};
