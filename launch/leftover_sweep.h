#pragma once
// Removing what killed runs left in TEMP: the folders that create_temp_directory
// made (extractions, downloads) and that no live run holds any longer. Only
// real folders of exactly that name shape directly in TEMP, never a link, never
// a folder that a live run holds or a process works in; at most a few per run,
// within a time budget. Each folder removed is logged; one that stays is named
// in a line. Any thread (a worker's, so that the window does not wait).
void sweepLeftovers();
