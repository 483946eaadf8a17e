// The autostart switch in the registry, under a scratch key of
// HKEY_CURRENT_USER that the test removes.
#include "core/autostart.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/windows_text_win.h"

namespace pelmo {
namespace {

class ScratchKey {
 public:
  ScratchKey() : m_path("Software\\PelmoTests\\" + std::to_string(::GetCurrentProcessId())) {}
  ~ScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, WideFromUtf8(m_path).c_str()); }
  const std::string& Path() const { return m_path; }
  // The string value, or "<none>".
  std::string Read(const std::string& subKey, const wchar_t* name) const {
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    const std::wstring key = WideFromUtf8(m_path + "\\" + subKey);
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer,
                       &size) != ERROR_SUCCESS) {
      return "<none>";
    }
    return Utf8FromWide(buffer);
  }

 private:
  std::string m_path;
};

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(Autostart, RunValueStartsTheProgramOnTheFolderWhileTheSwitchIsOn) {
  ScratchKey key;
  EXPECT_FALSE(AutostartEntryExists(key.Path()));
  // Removing the absent value succeeds.
  EXPECT_TRUE(RemoveAutostartEntry(key.Path()));

  ASSERT_TRUE(WriteAutostartEntry(key.Path(), "C:\\Pelmo\\pelmobot.exe", "D:/bots/pelmo/."));
  EXPECT_TRUE(AutostartEntryExists(key.Path()));
  EXPECT_EQ(key.Read(kRun, L"Pelmo_bot"), "\"C:\\Pelmo\\pelmobot.exe\" --dir \"D:\\bots\\pelmo\"");

  EXPECT_TRUE(RemoveAutostartEntry(key.Path()));
  EXPECT_FALSE(AutostartEntryExists(key.Path()));
  EXPECT_EQ(key.Read(kRun, L"Pelmo_bot"), "<none>");
}

TEST(Autostart, SwitchCopyIsWrittenUnderSoftwareBot) {
  ScratchKey key;
  ASSERT_TRUE(WriteAutostartSwitchCopy(key.Path(), true));
  EXPECT_EQ(key.Read("Software\\Bot", L"Checked"), "true");
  ASSERT_TRUE(WriteAutostartSwitchCopy(key.Path(), false));
  EXPECT_EQ(key.Read("Software\\Bot", L"Checked"), "false");
}

}  // namespace
}  // namespace pelmo
