#pragma once
// Whether the current user may write in a directory, by its security
// descriptor. False on any failure. Any thread.
#include <string>

bool canWriteIn(std::wstring directory);
