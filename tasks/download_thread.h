#pragma once
// DownloadThread: fetches one file over plain HTTP with WinHTTP on its own
// thread, through the player's proxy, reporting each read cycle to a window
// with WM_WORKER_PROGRESS and, as its last act, WM_DOWNLOAD_FINISHED. Every
// wait is bounded: it ends when nothing arrives for silenceMs, and within a
// moment of requestStop(). Constructed, started, read and deleted on the UI
// thread (deleted only inside the handling of WM_DOWNLOAD_FINISHED);
// requestStop() too. The counters are written by the worker and read by the
// paint at any time; the flags only after WM_DOWNLOAD_FINISHED.
// Failures: start() false (no thread, no message), or success() false; each
// way writes its own line on the wide stderr. The bootstrap never deletes what
// it downloaded; the caller removes folder() (or the given file) when done.
#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <string>

#include "fs/safe_handle.h"
#include "tasks/download_proxy.h"
#include "tasks/download_progress.h"

struct RequestEvents;

// A download that receives nothing for this long fails.
const DWORD DOWNLOAD_SILENCE_MS = 60000;
// So does one that receives less than DOWNLOAD_FLOOR_BYTES in a window of this
// long (windows follow each other from the request on): a byte just before each
// silence limit would otherwise keep it going for ever.
const DWORD DOWNLOAD_FLOOR_WINDOW_MS = 60000;
const int32_t DOWNLOAD_FLOOR_BYTES = 16 * 1024;
// The real installer is a few MB: a longer answer is refused before it is written.
const DWORD DOWNLOAD_MAX_BYTES = 512u << 20;

class DownloadThread {
 public:
  // file may be empty: start() then makes a fresh folder in TEMP to hold the download.
  DownloadThread(HWND hwnd, const std::wstring& domain, const std::wstring& path, const std::wstring& file,
                 INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT, DWORD silenceMs = DOWNLOAD_SILENCE_MS,
                 DWORD floorWindowMs = DOWNLOAD_FLOOR_WINDOW_MS);
  DownloadThread(const DownloadThread&) = delete;
  DownloadThread& operator=(const DownloadThread&) = delete;

  // Reads the player's proxy setting (before anything is written: the system's
  // code that reads it is not ours to trust), chooses and opens the target
  // file, then starts the worker.
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

  // Ends the download within a moment, even while it waits for the server.
  void requestStop() {
    if (_stopEvent.valid()) SetEvent(_stopEvent.get());
  }

  void doDownload();

 private:
  // Opens the session, connection and request; true when the whole file arrived.
  bool fetch();
  // Sends the request and reads the answer into _file.
  bool exchange(HINTERNET request, RequestEvents* events);
  // Waits for the call just begun (begun: what it returned); false, with its line, unless it completed
  // well. Judges each floor window that ends meanwhile.
  bool await(RequestEvents* events, BOOL begun, const wchar_t* call);
  // Writes the line for error of call; returns false.
  bool failed(const wchar_t* call, DWORD error);
  // How the session reaches the server, as the lines name it; the host the request last tried.
  const std::wstring& way();
  std::wstring triedHost() const;

  DownloadProgress _counters;  // the announced length (-1 when none) and the bytes received
  bool _success;
  std::atomic<bool> _finished;  // set before the last message; read by the window at any time
  bool _stopped;
  std::wstring _domain;
  std::wstring _path;
  std::wstring _filepath;
  std::wstring _folder;
  SafeKernelHandle _file;
  HANDLE _thread;
  HWND _hwnd;
  INTERNET_PORT _port;
  DWORD _silenceMs;
  DWORD _floorWindowMs;
  DWORD _windowStart;     // when the current floor window began
  int32_t _windowBytes;   // bytes received before it
  PlayerProxy _proxy;     // read by start()
  std::wstring _way;           // how the session reaches the server, for the lines
  bool _automatic = false;     // _way does not yet say which proxy the system chose
  std::wstring _url;
  RequestEvents* _events = nullptr;  // while the request is open
  SafeKernelHandle _stopEvent;  // set by requestStop(); made by start()
};

DWORD WINAPI DownloadThreadRoutine(LPVOID worker);
