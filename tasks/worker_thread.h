#pragma once
// The part of the worker pattern that every worker shares: a detached thread,
// and synchronous notifications. Called by workers; start on the UI thread,
// notify on the worker thread.
#include <windows.h>

// Starts routine(worker) on a new thread that nothing waits for: the handle is
// stored in threadField and closed at once. False when no thread was created.
bool startWorkerThread(LPTHREAD_START_ROUTINE routine, void* worker, HANDLE& threadField);

// Sends message to window with lParam = worker, and waits until it is handled.
// After a completion message the worker may have been deleted: touch nothing of it.
void notifyWindow(HWND window, UINT message, void* worker);
