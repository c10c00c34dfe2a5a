#include "ui/accessibility_api.h"

#include "fs/diagnostic.h"
#include "fs/system_library.h"

namespace {

HMODULE library(const wchar_t* name) {
  HMODULE module = loadSystemLibrary(name);
  if (module == nullptr)
    diagnose(L"Error: %ls cannot be loaded (%lu); screen readers find the window's title only.\n", name,
             GetLastError());
  return module;
}

const AccessibilityApi* load() {
  static AccessibilityApi api;
  // OLE automation first: oleacc.dll needs it, and so finds the system folder's copy loaded already.
  HMODULE automation = library(L"oleaut32.dll");
  HMODULE com = library(L"ole32.dll");
  HMODULE accessibility = library(L"oleacc.dll");
  api.lresultFromObject = systemFunction<decltype(&::LresultFromObject)>(accessibility, "LresultFromObject");
  api.createStdAccessibleObject =
      systemFunction<decltype(&::CreateStdAccessibleObject)>(accessibility, "CreateStdAccessibleObject");
  api.sysAllocStringLen = systemFunction<decltype(&::SysAllocStringLen)>(automation, "SysAllocStringLen");
  api.coDisconnectObject = systemFunction<decltype(&::CoDisconnectObject)>(com, "CoDisconnectObject");
  auto coInitializeEx = systemFunction<decltype(&::CoInitializeEx)>(com, "CoInitializeEx");
  if (api.lresultFromObject == nullptr || api.createStdAccessibleObject == nullptr ||
      api.sysAllocStringLen == nullptr || api.coDisconnectObject == nullptr || coInitializeEx == nullptr) {
    if (automation && com && accessibility) diagnose(L"Error: an accessibility function is missing.\n");
    return nullptr;
  }
  // Kept for the thread's life; a later initialisation (the elevated start's) then only counts.
  HRESULT apartment = coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(apartment)) {
    diagnose(L"Error: no single-threaded apartment for screen readers (0x%08lx).\n",
             static_cast<unsigned long>(apartment));
    return nullptr;
  }
  return &api;
}

}  // namespace

const AccessibilityApi* accessibilityApi() {
  static const AccessibilityApi* api = load();
  return api;
}
