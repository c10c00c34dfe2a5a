#pragma once
// DownloadThread: fetches one file over plain HTTP with WinHTTP on its own
// thread, reporting each read cycle to a window with WM_WORKER_PROGRESS and, as
// its last act, WM_DOWNLOAD_FINISHED. Constructed, started, read and deleted on
// the UI thread (deleted only inside the handling of WM_DOWNLOAD_FINISHED);
// requestStop() too. The counters are written by the worker and read by the
// paint at any time; the flags only after WM_DOWNLOAD_FINISHED.
// Failures: start() false (no thread, no message), or success() false. The
// bootstrap never deletes what it downloaded; the caller removes folder() (or
// the given file) when done with it. Diagnostics go to the wide stderr.
#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <string>

#include "app/safe_handle.h"
#include "tasks/download_progress.h"

class DownloadThread {
 public:
  // file may be empty: start() then makes a fresh folder in TEMP to hold the download.
  DownloadThread(HWND hwnd, const std::wstring& domain, const std::wstring& path, const std::wstring& file,
                 INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT);
  DownloadThread(const DownloadThread&) = delete;
  DownloadThread& operator=(const DownloadThread&) = delete;

  // Chooses and opens the target file, then starts the worker.
  bool start();

  // The fraction done; 0 while the length is not (or never) known.
  double progress() const { return _counters.fraction(); }
  const DownloadProgress& counters() const { return _counters; }
  DownloadProgress& counters() { return _counters; }

  bool finished() const { return _finished; }
  // True only for a 200 answer read to its end without an error, of the
  // announced length when one was announced, and not stopped.
  bool success() const { return _success; }
  // True when requestStop() ended the download early.
  bool stopped() const { return _stopped; }
  std::wstring file() const { return _filepath; }
  // The handle that wrote file(), still open after a success (closed with this
  // object); see HeldFile::hold. UI thread, after WM_DOWNLOAD_FINISHED.
  SafeKernelHandle& writtenFile() { return _file; }
  // The folder start() made for the download (holding it and the name's .tmp
  // reservation); empty when a target file was given.
  std::wstring folder() const { return _folder; }

  // Asks the worker to stop before its next read cycle. Any thread.
  void requestStop() { _stopRequested.store(true, std::memory_order_relaxed); }

  void doDownload();

 private:
  // Reads the answer into _file; true when the whole of it arrived.
  bool transfer(HINTERNET request);

  DownloadProgress _counters;  // the announced length (-1 when none) and the bytes received
  bool _success;
  bool _finished;
  bool _stopped;
  std::wstring _domain;
  std::wstring _path;
  std::wstring _filepath;
  std::wstring _folder;
  SafeKernelHandle _file;
  HANDLE _thread;
  HWND _hwnd;
  INTERNET_PORT _port;
  std::atomic<bool> _stopRequested;
};

DWORD WINAPI DownloadThreadRoutine(LPVOID worker);
