#pragma once
// What the progress window says for the run's state: the status line's words
// and the bar's share. The one source of both the paint and what the window
// tells screen readers, so the two cannot disagree. User-interface thread
// only (reads _state and the live worker). Never fails: a state without a
// line gives empty text and no bar.
#include <string>

struct StatusLine {
  std::wstring text;
  double fraction = 0.0;  // of the bar; 0 or less draws none
  bool percent = false;   // the line gives the bar's share; else no bar stands
};

StatusLine statusLine();

// The bar's share as the line writes it ("42%"): rounded up, so that any
// progress at all shows as 1%.
std::wstring percentText(double fraction);
