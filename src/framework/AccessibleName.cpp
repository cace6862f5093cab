#include "framework/AccessibleName.h"

#include "framework/SystemFunction.h"

#include <oleacc.h>

namespace hivelark {
namespace {

// The interface's identifier as the platform defines it: the copy in some import libraries is
// refused by accessibility servers.
constexpr IID kAccessibleInterface = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::wstring Widen(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// IEnumVARIANT and IOleWindow, spelled out for the same reason.
constexpr IID kEnumVariantInterface = {
    0x00020404, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kOleWindowInterface = {
    0x00000114, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The functions of the accessibility libraries, looked up at the first question from a screen
// reader: imported, the libraries (and what they pull in) would load at every start, where most
// starts have no screen reader. Loaded once and kept to the end; null where one is missing.
struct AccessibilityFunctions {
  decltype(&CreateStdAccessibleObject) createStandardObject = nullptr;
  decltype(&LresultFromObject) resultFromObject = nullptr;
  decltype(&SysAllocStringLen) allocateString = nullptr;
};

const AccessibilityFunctions& Accessibility() {
  static const AccessibilityFunctions functions = [] {
    AccessibilityFunctions found;
    HMODULE accessibility = LoadLibraryA("oleacc.dll");
    found.createStandardObject = LookUpFunction<decltype(found.createStandardObject)>(
        accessibility, "CreateStdAccessibleObject");
    found.resultFromObject =
        LookUpFunction<decltype(found.resultFromObject)>(accessibility, "LresultFromObject");
    found.allocateString = LookUpFunction<decltype(found.allocateString)>(
        LoadLibraryA("oleaut32.dll"), "SysAllocStringLen");
    return found;
  }();
  return functions;
}

bool IsSelf(const VARIANT& child) {
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The platform's object with a name of our own: every other question goes to the platform's
// object, so that the role, the value, the state and the rest stay as the platform gives them.
class NamedAccessible final : public IAccessible {
public:
  NamedAccessible(IAccessible* standard, std::wstring name)
      : standard_(standard), name_(std::move(name)) {}
  NamedAccessible(const NamedAccessible&) = delete;
  NamedAccessible& operator=(const NamedAccessible&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kAccessibleInterface)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // The enumeration of the children and the window behind the object are the platform's. No
    // other interface of the platform's object is handed out: this object is the one to ask.
    if (IsEqualIID(iid, kEnumVariantInterface) || IsEqualIID(iid, kOleWindowInterface)) {
      return standard_->QueryInterface(iid, object);
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (name == nullptr) {
      return E_POINTER;
    }
    if (!IsSelf(child)) {
      return standard_->get_accName(child, name);
    }
    *name = Accessibility().allocateString(name_.data(), static_cast<UINT>(name_.size()));
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  // Late binding is not offered: through the platform's type information it would reach the
  // platform's object and its name.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) {
      return E_POINTER;
    }
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return standard_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return standard_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return standard_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return standard_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

private:
  ~NamedAccessible() { standard_->Release(); }

  LONG references_ = 1;
  IAccessible* standard_;
  std::wstring name_;
};

} // namespace

LRESULT AnswerNamedAccessibleObject(HWND window, WPARAM wParam, LPARAM lParam,
                                    const std::string& name) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT || name.empty()) {
    return 0;
  }
  const AccessibilityFunctions& functions = Accessibility();
  if (functions.createStandardObject == nullptr || functions.resultFromObject == nullptr ||
      functions.allocateString == nullptr) {
    return 0;
  }
  IAccessible* standard = nullptr;
  if (FAILED(functions.createStandardObject(window, OBJID_CLIENT, kAccessibleInterface,
                                            reinterpret_cast<void**>(&standard))) ||
      standard == nullptr) {
    return 0;
  }
  auto* named = new NamedAccessible(standard, Widen(name));
  const LRESULT result = functions.resultFromObject(kAccessibleInterface, wParam, named);
  named->Release();
  // A failure (a negative HRESULT) leaves the answer to the platform.
  return result > 0 ? result : 0;
}

} // namespace hivelark
