#include "app/globals.h"

HINSTANCE _instance = nullptr;
void* thread = nullptr;
ApplicationAction _action = ActionNone;
ApplicationState _state = StateNone;
HWND _window = nullptr;
bool _double_buffering = true;
COLORREF FG_COLOR = 0;
std::wstring _redist_path;
HeldFile _redist_file;
std::wstring _bootstraped_path;
DWORD _bootstraped_pid = 0;
DWORD _bootstraped_exit_code = 0;
std::shared_ptr<void> _bootstraped_process;
bool _cancelled = false;
bool _closed_during_wait = false;
