// What the shipped program does when the C++ runtime gives up (an exception
// that nothing catches, such as a failed allocation inside a string): end at
// once. The runtime's own handler would first print the exception's demangled
// type to a standard error stream that a windowed program shows to nobody, and
// linking it brings a demangler of some 46 KB into every copy a player
// downloads. Linked into the program only; the tests keep the runtime's handler.
#include <cstdlib>
#include <exception>

void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }

// The strings' failures (a length past their maximum, an allocation refused)
// end the program the same way, without the throw that could only reach the
// handler above: the runtime's own versions build their exceptions from a
// second, reference-counted string class and a random-device reader, about
// 60 KB that no player needs.
namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std
