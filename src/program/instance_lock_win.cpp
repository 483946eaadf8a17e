#include <windows.h>

#include "base/windows_text_win.h"
#include "program/instance_lock.h"

namespace pelmo {

namespace {

constexpr wchar_t kMutexName[] = L"MyOwnMutex";

}  // namespace

InstanceLock::~InstanceLock() {
  if (m_held != -1) ::CloseHandle(reinterpret_cast<HANDLE>(m_held));
}

bool InstanceLock::Acquire(const std::string&, std::string& error) {
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kMutexName);
  const DWORD code = ::GetLastError();
  if (mutex == nullptr) {
    error = "не удалось создать мьютекс MyOwnMutex: " + SystemErrorUtf8(code);
    return false;
  }
  if (code == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mutex);
    error = "another instance is running (mutex MyOwnMutex)";
    return false;
  }
  if (m_held != -1) ::CloseHandle(reinterpret_cast<HANDLE>(m_held));
  m_held = reinterpret_cast<std::intptr_t>(mutex);
  return true;
}

}  // namespace pelmo
