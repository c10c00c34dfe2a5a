#pragma once
// Decimal wide text of a number, as command lines need it.
#include <sstream>
#include <string>

template <typename T>
std::wstring t_to_wstring(T value) {
  std::wstringstream stream;
  stream << value;
  return stream.str();
}
