#pragma once
// Decimal wide text of an unsigned number, as command lines need it: no sign,
// grouping or padding. Any thread.
#include <string>
#include <type_traits>

template <typename T>
std::wstring t_to_wstring(T value) {
  static_assert(std::is_unsigned<T>::value, "t_to_wstring formats unsigned numbers");
  wchar_t digits[3 * sizeof(T) + 1];
  wchar_t* first = digits + sizeof(digits) / sizeof(digits[0]);
  do {
    *--first = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(first, digits + sizeof(digits) / sizeof(digits[0]));
}
