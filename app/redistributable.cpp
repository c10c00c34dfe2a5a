#include "app/redistributable.h"

#include <windows.h>
#include <msi.h>

#include "fs/run_log.h"
#include "fs/safe_handle.h"
#include "fs/system_library.h"

const wchar_t* const VC_REDIST_URL_PATH =
    L"download/9/7/7/977B481A-7BA6-4E30-AC40-ED51EB2028F2/vcredist_x86.exe";
const wchar_t* const VC_REDIST_ARGS = L"/q /norestart";
const wchar_t* const VC_REDIST_2008_SP1_ATL_GUIDS[] = {
    L"{1F1C2DFC-2D24-3E06-BCB8-725134ADF989}",
    L"{B7E38540-E355-3503-AFD7-635B2F2F76E1}",
    L"{9BE518E6-ECC6-35A9-88E4-87755C07200F}",
    L"{86CE85E6-DBAC-3FFD-B977-E4B79F83C909}",
    nullptr,
};

bool isRedistInstalled() {
  // Without Windows Installer nothing can be installed through it: absent.
  SafeModuleHandle msi(loadSystemLibrary(L"msi.dll"));
  auto queryState = systemFunction<decltype(&::MsiQueryProductStateW)>(msi.get(), "MsiQueryProductStateW");
  if (queryState == nullptr) {
    logLine(L"Runtime: Windows Installer is not available, so the runtime counts as missing.");
    return false;
  }
  for (const wchar_t* const* code = VC_REDIST_2008_SP1_ATL_GUIDS; *code != nullptr; ++code) {
    INSTALLSTATE state = queryState(*code);
    logLine(L"Runtime: Windows Installer answers %d for %ls.", static_cast<int>(state), *code);
    if (state == INSTALLSTATE_DEFAULT) return true;
  }
  logLine(L"Runtime: missing.");
  return false;
}
