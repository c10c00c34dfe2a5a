#pragma once
// The runtime's branch of the run: download its installer, check its
// signature, run it elevated, then go on with the normal start. Every failure
// enters StateFailed. User-interface thread; entered through beginState.

void onRedistDownload();
void onRedistDownloaded();
void onRedistInstall();
void onRedistInstalled();
