#pragma once
// The run's state machine. User-interface thread only; states nest on its stack.
#include <windows.h>

#include "app/application_state.h"

// Enters state and does its work, including every state it enters in turn.
void beginState(ApplicationState state);

// Creates the progress window once; false (after entering StateFailed) when it cannot be.
bool createUi();

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The runtime's branch, StateRedistDownload to StateRedistInstalled in that
// order: what each of its states does, defined with them (app/redist_states.cpp).
extern void (*const REDIST_STATES[StateRedistInstalled - StateRedistDownload + 1])();
