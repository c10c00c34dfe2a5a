// The extraction's diagnostic lines, byte for byte, as the real program writes
// them to its standard error stream when its payload is damaged.
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
    {"NotAnArchive", L"not7z.bin", "Error returned by SzArchiveOpen: 17\r\n"},
    {"CrcMismatch", L"bad_crc.7z", "Error returned by SzExtract: 3\r\n"},
};

class Diagnostics : public ::testing::TestWithParam<DiagnosticCase> {};

TEST_P(Diagnostics, ErrorStreamHoldsExactlyTheLine) {
  BootstrapFixture f;
  ASSERT_TRUE(f.replacePayload(readFile(buildDir() + L"\\tests\\archives\\" + GetParam().payload)));
  std::wstring errorFile = f.scratch / L"stderr.txt";
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE error = CreateFileW(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(error, INVALID_HANDLE_VALUE);
  // The child inherits this environment, so that its extraction goes to the scratch folder.
  wchar_t temp[MAX_PATH + 1] = {};
  GetEnvironmentVariableW(L"TMP", temp, MAX_PATH + 1);
  SetEnvironmentVariableW(L"TMP", f.tempDir.c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = error;
  PROCESS_INFORMATION child = {};
  std::wstring line = L"\"" + f.setup + L"\"";
  BOOL started = CreateProcessW(f.setup.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                f.scratch.path().c_str(), &startup, &child);
  SetEnvironmentVariableW(L"TMP", temp);
  ASSERT_TRUE(started);
  CloseHandle(error);
  CloseHandle(child.hThread);
  // The damaged payload ends in the "Oups!" box, closed as a player would.
  bool boxShown = false;
  for (int i = 0; i < 600 && WaitForSingleObject(child.hProcess, 100) == WAIT_TIMEOUT; ++i)
    boxShown = boxShown || closeErrorBoxOf(child.dwProcessId).shown;
  DWORD exitCode = 0;
  GetExitCodeProcess(child.hProcess, &exitCode);
  CloseHandle(child.hProcess);
  EXPECT_TRUE(boxShown);
  EXPECT_EQ(exitCode, 1u);
  EXPECT_EQ(readFile(errorFile), GetParam().errorStream);
}

INSTANTIATE_TEST_SUITE_P(DamagedPayload, Diagnostics, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DiagnosticCase>& info) { return info.param.name; });

}  // namespace
