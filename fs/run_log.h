#pragma once
// The run's log: the one place where a player or support can read why a run
// failed, since a windowed program has no standard error on Windows. Lines are
// kept in memory from the start; once the run shows itself (a window, a box)
// or fails, keepRunLog() writes them to "VorakSetup_YYYYMMDD_HHMMSS_PID.log"
// in the user's temporary folder, and every later line goes straight to that
// file, so that a killed run leaves all it wrote. A run that only starts the
// installed game never calls keepRunLog(): it writes nothing.
// Failures are silent: the log never changes a run's outcome.
// startRunLog() on the user-interface thread before any other thread exists;
// then logLine() from any thread; keepRunLog() on the user-interface thread.
#include <cstdarg>
#include <cstddef>
#include <string>

// Starts the clock and the buffer. Until it is called, logLine() does nothing.
void startRunLog();

// Room for one line of the log (or of the error stream); a longer one is cut.
const size_t LOG_LINE_CHARS = 2048;
// Formats (wide printf) into text, which holds LOG_LINE_CHARS, terminated even when cut.
void formatLine(wchar_t* text, const wchar_t* format, va_list values);

// One line (wide printf, no line end), after the milliseconds since the start.
void logLine(const wchar_t* format, ...);

// The same for a text already formatted; a line end at its end is dropped.
void logText(const wchar_t* text);

// From now on the run has a log file (made at the first call; later calls do nothing).
void keepRunLog();

// text with every character that could end a line or reorder one (C0 and C1
// controls, DEL, the line and paragraph separators, the bidirectional
// controls) replaced by "?", as the log holds it: a crafted name or address
// must not show a line that the program never wrote.
inline std::wstring logSafeText(std::wstring text) {
  for (wchar_t& c : text)
    if (c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
        (c >= 0x2028 && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069))
      c = L'?';
  return text;
}

// Whether name is one of the logs' ("VorakSetup_" 8 digits "_" 6 digits "_"
// digits ".log", ASCII digits), the only files that the rotation deletes.
bool isLogName(const wchar_t* name);

// The run's last line is written: closes the file, so that it is whole for
// whoever reads it next. Later lines go nowhere.
void closeRunLog();
