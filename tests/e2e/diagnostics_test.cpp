// The extraction's diagnostic lines, byte for byte, read from the real
// program's standard error when its payload is damaged.
#include <gtest/gtest.h>

#include "tests/support/bootstrap_run.h"

using namespace testing_support;

namespace {

struct DiagnosticCase {
  const char* name;
  const wchar_t* payload;  // made by the extraction tests' archive fixture
  const char* errorStream;
};

const DiagnosticCase kCases[] = {
    {"NotAnArchive", L"not7z.7z", "Error returned by SzArchiveOpen: 17\r\n"},
    {"CrcMismatch", L"bad_crc.7z", "Error returned by SzExtract: 3\r\n"},
};

class Diagnostics : public ::testing::TestWithParam<DiagnosticCase> {};

TEST_P(Diagnostics, ErrorStreamHoldsExactlyTheLine) {
  BootstrapFixture f;
  ASSERT_TRUE(f.replacePayload(readFile(buildDir() + L"\\tests\\archives\\" + GetParam().payload)));
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = CreateFileW((f.scratch / L"stderr").c_str(), GENERIC_WRITE, 0, &inheritable, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  PROCESS_INFORMATION child = {};
  std::wstring line = L"\"" + f.setup + L"\"";
  ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child));
  CloseHandle(startup.hStdError);
  // It ends in the "Oups!" box (the whole-run tests check it), closed as a player would.
  for (int i = 0; i < 600 && WaitForSingleObject(child.hProcess, 100) == WAIT_TIMEOUT; ++i)
    if (HWND box = windowOf(child.dwProcessId, L"#32770")) PostMessageW(box, WM_COMMAND, IDOK, 0);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  EXPECT_EQ(readFile(f.scratch / L"stderr"), GetParam().errorStream);
}

INSTANTIATE_TEST_SUITE_P(DamagedPayload, Diagnostics, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DiagnosticCase>& info) { return info.param.name; });

}  // namespace
