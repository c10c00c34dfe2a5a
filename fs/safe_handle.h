#pragma once
// GenericSafeHandle owns one handle value and releases it when it goes out of
// scope. INVALID_HANDLE_VALUE (all bits set) and null are never released.
// Not copyable; any thread.
#include <windows.h>

template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class GenericSafeHandle {
 public:
  explicit GenericSafeHandle(Handle handle = invalid()) : _handle(handle) {}
  ~GenericSafeHandle() { reset(); }
  GenericSafeHandle(const GenericSafeHandle&) = delete;
  GenericSafeHandle& operator=(const GenericSafeHandle&) = delete;

  Handle get() const { return _handle; }
  bool valid() const { return _handle != invalid() && _handle != nullptr; }
  void reset(Handle handle = invalid()) {
    if (valid()) Release(_handle);
    _handle = handle;
  }

 private:
  static Handle invalid() { return reinterpret_cast<Handle>(INVALID_HANDLE_VALUE); }
  Handle _handle;
};

using SafeKernelHandle = GenericSafeHandle<HANDLE, CloseHandle>;
using SafeModuleHandle = GenericSafeHandle<HMODULE, FreeLibrary>;
