// The autostart switch in the registry: the value "Pelmo_bot" of the
// current user's Run key (the user's own, so that no Administrator is
// needed), present exactly while the switch is on, and the switch copy
// "Checked" under "Software\Bot". configDir names a key of
// HKEY_CURRENT_USER under which both keys are taken instead of the user's
// own (tests); empty means the user's own.
#include <windows.h>

#include <filesystem>
#include <system_error>

#include "base/windows_text_win.h"
#include "core/autostart.h"

namespace pelmo {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kCopyKey[] = L"Software\\Bot";
constexpr wchar_t kValueName[] = L"Pelmo_bot";

std::wstring KeyPath(const std::string& configDir, const wchar_t* key) {
  if (configDir.empty()) return key;
  return WideFromUtf8(configDir) + L"\\" + key;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path wide(WideFromUtf8(path));
  std::filesystem::path absolute = std::filesystem::absolute(wide, error);
  if (error) return wide.wstring();
  std::wstring text = absolute.lexically_normal().make_preferred().wstring();
  // "dir\." normalises to "dir\"; the value reads better without it.
  if (text.size() > 3 && text.back() == L'\\') text.pop_back();
  return text;
}

bool SetString(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const LSTATUS status = ::RegSetValueExW(handle, name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()), bytes);
  ::RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

}  // namespace

std::string DefaultConfigDir() { return {}; }

bool AutostartEntryExists(const std::string& configDir) {
  return ::RegGetValueW(HKEY_CURRENT_USER, KeyPath(configDir, kRunKey).c_str(), kValueName,
                        RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool WriteAutostartEntry(const std::string& configDir, const std::string& programPath,
                         const std::string& workDir) {
  std::wstring program;
  if (programPath.empty()) {
    wchar_t buffer[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, 32768);
    if (length == 0 || length >= 32768) return false;
    program.assign(buffer, length);
  } else {
    program = AbsolutePath(programPath);
  }
  const std::wstring command = Quoted(program) + L" --dir " + Quoted(AbsolutePath(workDir));
  return SetString(KeyPath(configDir, kRunKey), kValueName, command);
}

bool RemoveAutostartEntry(const std::string& configDir) {
  const LSTATUS status =
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, KeyPath(configDir, kRunKey).c_str(), kValueName);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool WriteAutostartSwitchCopy(const std::string& configDir, bool checked) {
  return SetString(KeyPath(configDir, kCopyKey), L"Checked", checked ? L"true" : L"false");
}

}  // namespace pelmo
