// Placeholder until the state machine lands.
#include "app/state_machine.h"

#include "app/globals.h"

void beginState(ApplicationState state) { _state = state; }
bool createUi() { return false; }
