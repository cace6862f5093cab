#pragma once

#include "framework/Handles.h"

#include <windows.h>

#include <array>
#include <string>

namespace hivelark {

// The predefined root keys as the 32-bit codes that the rest of the program passes around and
// logs. The platform's HKEY_* names are handles (sign-extended on 64-bit), hence the _CODE names.
constexpr DWORD HKEY_CLASSES_ROOT_CODE = 0x80000000;
constexpr DWORD HKEY_CURRENT_USER_CODE = 0x80000001;
constexpr DWORD HKEY_LOCAL_MACHINE_CODE = 0x80000002;
constexpr DWORD HKEY_USERS_CODE = 0x80000003;
constexpr DWORD HKEY_PERFORMANCE_DATA_CODE = 0x80000004;
constexpr DWORD HKEY_CURRENT_CONFIG_CODE = 0x80000005;
constexpr DWORD HKEY_DYN_DATA_CODE = 0x80000006;

// All seven, in code order.
constexpr std::array<DWORD, 7> ROOT_KEY_CODES = {
    HKEY_CLASSES_ROOT_CODE,     HKEY_CURRENT_USER_CODE,   HKEY_LOCAL_MACHINE_CODE, HKEY_USERS_CODE,
    HKEY_PERFORMANCE_DATA_CODE, HKEY_CURRENT_CONFIG_CODE, HKEY_DYN_DATA_CODE};

// "HKEY_LOCAL_MACHINE" and so on; "" for a code that is not one of the seven (0 included).
const char* RootKeyName(DWORD code);

// The platform handle of a root key code.
HKEY RootKeyHandle(DWORD code);

// The notify filter bits are the platform's REG_NOTIFY_CHANGE_NAME (1, sub-key added or deleted),
// REG_NOTIFY_CHANGE_ATTRIBUTES (2), REG_NOTIFY_CHANGE_LAST_SET (4, value added, changed or
// deleted) and REG_NOTIFY_CHANGE_SECURITY (8). All four together:
constexpr DWORD kNotifyAllChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                                    REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;

// Access masks of TRegistry. KEY_READ (0x20019) carries KEY_NOTIFY, which a change notification
// needs; the read-only fallback (0x20009) does not.
constexpr REGSAM kKeyReadWithoutNotify =
    STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

// The view of the registry that the user sees, to be added to every access mask. A 32-bit program
// on 64-bit Windows (under WoW64) is shown the 32-bit copies of the redirected keys (most of
// HKEY_LOCAL_MACHINE\Software and parts of HKEY_CLASSES_ROOT): a key that the system's registry
// editor shows would be missing, or a 32-bit key of the same name under WOW6432Node watched and
// logged under the name the user typed. There it is KEY_WOW64_64KEY, the registry as the editor
// shows it, in which a path through WOW6432Node still reaches the 32-bit keys, explicitly.
// Everywhere else (32-bit Windows, the 64-bit build) it is 0: the one view there is.
REGSAM SystemRegistryView();

// A root key and at most one open key under it. One thread at a time.
//
// Every key is opened in the SystemRegistryView. Path rule of OpenReadOnly and HasKey: one leading
// backslash is dropped and the rest is opened from the root key; a path without one is opened from
// the key held open, if any, else from the root key. A second leading backslash is passed on (and
// the platform rejects it). A path of one backslash opens the root key itself.
class TRegistry {
public:
  TRegistry() = default;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  DWORD Root() const { return root_; }
  // A different root closes the open key; the same root changes nothing.
  void SetRoot(DWORD code);

  // Opens `path` with KEY_READ, else kKeyReadWithoutNotify, else KEY_QUERY_VALUE. On success the
  // new key replaces the one held; on failure the held key stays and the result is false.
  bool OpenReadOnly(const std::string& path);
  // Whether `path` opens with kKeyReadWithoutNotify; closes it at once, the held key untouched.
  bool HasKey(const std::string& path) const;
  // Closes the held key, without flushing it.
  void Close() { key_.reset(); }

  // The held key, or null.
  HKEY KeyHandle() const { return key_.get(); }

private:
  LONG Open(const std::string& path, REGSAM mask, HKEY* key) const;

  DWORD root_ = HKEY_CURRENT_USER_CODE;
  UniqueKey key_;
};

} // namespace hivelark
