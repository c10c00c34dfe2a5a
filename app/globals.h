#pragma once
// The run's globals, in one place. Every one of them is read and written on the
// user-interface thread only: workers never touch them and report through
// SendMessageW instead (tasks/worker_messages.h), so nothing here is locked.
#include <windows.h>

#include <memory>
#include <string>

#include "app/application_action.h"
#include "app/application_state.h"
#include "launch/held_file.h"

extern HINSTANCE _instance;           // the bootstrap's module; source of every resource
extern void* thread;                  // the one live worker; its class follows from _state
extern ApplicationAction _action;     // what the run is for
extern ApplicationState _state;       // the state last entered
extern HWND _window;                  // the progress window, once created
extern bool _double_buffering;        // paint through an off-screen bitmap (off for one paint after focus)
extern COLORREF FG_COLOR;             // the status text's colour, read from the resources by the first paint
extern std::wstring _redist_path;     // the downloaded redistributable installer
extern HeldFile _redist_file;         // that installer, held from its check until it has run
extern std::wstring _bootstraped_path;  // where the payload was extracted
extern DWORD _bootstraped_pid;        // the extracted updater's process id, 0 when none started
extern DWORD _bootstraped_exit_code;  // that updater's exit code
extern std::shared_ptr<void> _bootstraped_process;  // that updater's process, until it has been waited for
extern bool _cancelled;               // the player closed the window while a worker wrote
extern bool _closed_during_wait;     // the window was closed during the extracted updater's start check
