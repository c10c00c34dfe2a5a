#pragma once
// The facts that open every run's log: what program, on what Windows, in what
// language, with what command line. User-interface thread, at the start.

void logRunFacts();
