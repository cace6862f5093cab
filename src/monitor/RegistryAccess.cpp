#include "monitor/RegistryAccess.h"

namespace hivelark {

const char* RootKeyName(DWORD code) {
  switch (code) {
  case HKEY_CLASSES_ROOT_CODE:
    return "HKEY_CLASSES_ROOT";
  case HKEY_CURRENT_USER_CODE:
    return "HKEY_CURRENT_USER";
  case HKEY_LOCAL_MACHINE_CODE:
    return "HKEY_LOCAL_MACHINE";
  case HKEY_USERS_CODE:
    return "HKEY_USERS";
  case HKEY_PERFORMANCE_DATA_CODE:
    return "HKEY_PERFORMANCE_DATA";
  case HKEY_CURRENT_CONFIG_CODE:
    return "HKEY_CURRENT_CONFIG";
  case HKEY_DYN_DATA_CODE:
    return "HKEY_DYN_DATA";
  default:
    return "";
  }
}

HKEY RootKeyHandle(DWORD code) {
  // The same conversion as the platform's HKEY_* definitions: through LONG, so that the code is
  // sign-extended in a 64-bit handle.
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(code)));
}

void TRegistry::SetRoot(DWORD code) {
  if (code == root_) {
    return;
  }
  root_ = code;
  Close();
}

bool TRegistry::OpenReadOnly(const std::string& path) {
  for (const REGSAM mask : {REGSAM{KEY_READ}, kKeyReadWithoutNotify, REGSAM{KEY_QUERY_VALUE}}) {
    HKEY opened = nullptr;
    if (Open(path, mask, &opened) == ERROR_SUCCESS) {
      key_.reset(opened);
      return true;
    }
  }
  return false;
}

bool TRegistry::HasKey(const std::string& path) const {
  UniqueKey probe;
  return Open(path, kKeyReadWithoutNotify, probe.put()) == ERROR_SUCCESS;
}

REGSAM SystemRegistryView() {
  // Asked once: whether the process runs under WoW64 does not change while it runs.
  static const REGSAM view = [] {
    BOOL underWow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64 ? REGSAM{KEY_WOW64_64KEY}
                                                                          : REGSAM{0};
  }();
  return view;
}

LONG TRegistry::Open(const std::string& path, REGSAM mask, HKEY* key) const {
  const bool fromRoot = !path.empty() && path.front() == '\\';
  const char* subKey = fromRoot ? path.c_str() + 1 : path.c_str();
  const HKEY base = (fromRoot || !key_) ? RootKeyHandle(root_) : key_.get();
  return RegOpenKeyExA(base, subKey, 0, mask | SystemRegistryView(), key);
}

} // namespace hivelark
