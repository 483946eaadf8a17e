// Temporary files of processes that are gone, as Windows tells them, and
// a rewrite while another process holds the file open for a moment.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "base/text_file.h"
#include "base/windows_text_win.h"
#include "fakes/temp_dir.h"

namespace pelmo {
namespace {

// The id of a process that has run and ended: this test program, asked
// only for its list of tests.
DWORD IdOfAnEndedProcess() {
  wchar_t path[MAX_PATH];
  if (::GetModuleFileNameW(nullptr, path, MAX_PATH) == 0) return 0;
  std::wstring command = L"\"" + std::wstring(path) + L"\" --gtest_list_tests";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
    return 0;
  }
  ::WaitForSingleObject(process.hProcess, 30000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return process.dwProcessId;
}

TEST(TextFile, RemovesOnlyTheTemporaryFilesOfProcessesThatAreGone) {
  const DWORD ended = IdOfAnEndedProcess();
  ASSERT_NE(ended, 0u);
  const std::string gone = std::to_string(ended);
  const std::string alive = std::to_string(::GetCurrentProcessId());
  TempDir dir;
  std::vector<std::string> kept = {".seen.txt.tmp" + alive + "-3", ".x.tmp12a-4", "stat.ini",
                                   "x.tmp" + gone + "-0"};
  for (const std::string& name : kept) dir.WriteFile(name, "data");
  dir.WriteFile(".stat.ini.tmp" + gone + "-180", "[TESTPC]\r\nTot");
  dir.WriteFile("sub/.stat.ini.tmp" + gone + "-1", "below: not looked at");

  EXPECT_EQ(RemoveStaleTempFiles(dir.Path()), 1);
  kept.push_back("sub");
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(dir.List(), kept);
  EXPECT_EQ(RemoveStaleTempFiles(dir.FilePath("missing")), 0);
}

// A scanner opens the file without sharing it and lets go a moment later:
// the rewrite waits for it rather than fail.
TEST(TextFile, RewriteWaitsForAFileHeldOpenAMoment) {
  TempDir dir;
  dir.WriteFile("stat.ini", "old");
  const HANDLE held = ::CreateFileW(WideFromUtf8(dir.FilePath("stat.ini")).c_str(), GENERIC_READ,
                                    0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread scanner([held] {
    ::Sleep(300);
    ::CloseHandle(held);
  });
  EXPECT_NO_THROW(RewriteFile(dir.FilePath("stat.ini"), "[TESTPC]\r\nTotal=1\r\n"));
  scanner.join();
  EXPECT_EQ(dir.ReadFile("stat.ini"), "[TESTPC]\r\nTotal=1\r\n");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"stat.ini"});
}

}  // namespace
}  // namespace pelmo
