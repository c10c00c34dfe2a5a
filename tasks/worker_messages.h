#pragma once
// The notifications that workers send to the progress window, always with
// SendMessageW (synchronous), wParam 0 and lParam the sending worker's address.
#include <windows.h>

const UINT WM_WORKER_PROGRESS = WM_APP + 1;      // progress changed: repaint now
const UINT WM_DOWNLOAD_FINISHED = WM_APP + 2;    // DownloadThread's last act
const UINT WM_PROCESS_FINISHED = WM_APP + 3;     // ProcessThread's last act
const UINT WM_EXTRACTION_FINISHED = WM_APP + 4;  // ExtractionThread's last act
const UINT WM_REPAINT_REQUEST = WM_APP + 5;      // sent by nothing of ours; repaints
