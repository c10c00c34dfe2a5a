#pragma once
// The clean-up run: waits for process pid to end, deletes file, then removes
// directory if it is empty. Silent; every failure leaves things where they are.
#include <string>

void cleanup(int pid, std::wstring file, std::wstring directory);
