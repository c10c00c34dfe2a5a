// The progress window's accessible object: one per window, made at the first
// question, counted by its references so that it outlives the window while a
// reader holds it; it allocates nothing per call but the strings it returns.
#include "ui/window_accessible.h"

#include <new>
#include <string>

#include "fs/diagnostic.h"
#include "ui/accessibility_api.h"
#include "ui/window.h"

namespace {

// IID_IAccessible. oleacc.dll exports it as data, which MinGW's import library
// links as a code thunk: its address there is not the GUID.
const IID ACCESSIBLE_ID = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The client itself, and its children's ids.
const LONG CLIENT_PART = CHILDID_SELF;
const LONG STATUS_PART = 1;
const LONG BAR_PART = 2;
const LONG PART_COUNT = 2;
const int TITLE_CHARS = 256;

// A reader's string, which it frees with SysFreeString; S_FALSE and null for no text.
HRESULT textOut(const std::wstring& text, BSTR* out) {
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = accessibilityApi()->sysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT numberOut(LONG number, VARIANT* out) {
  out->vt = VT_I4;
  out->lVal = number;
  return S_OK;
}

class WindowAccessible final : public IAccessible {
 public:
  explicit WindowAccessible(HWND window) : _window(window) {}
  HWND window() const { return _window; }
  void forget() { _window = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    bool ours =
        IsEqualIID(id, __uuidof(IUnknown)) || IsEqualIID(id, __uuidof(IDispatch)) || IsEqualIID(id, ACCESSIBLE_ID);
    *object = ours ? this : nullptr;
    if (!ours) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&_references)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // No type information: readers call the IAccessible methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // The window's own object (oleacc's), whose child this client is.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (_window == nullptr) return CO_E_OBJNOTCONNECTED;
    return accessibilityApi()->createStdAccessibleObject(_window, OBJID_WINDOW, __uuidof(IDispatch),
                                                         reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = PART_COUNT;
    return _window ? S_OK : CO_E_OBJNOTCONNECTED;
  }
  // Both children are simple elements, without objects of their own.
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    LONG part = 0;
    HRESULT known = partOf(child, &part);
    return FAILED(known) ? known : part == CLIENT_PART ? E_INVALIDARG : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    LONG part = 0;
    HRESULT known = partOf(child, &part);
    if (FAILED(known)) return known;
    if (part == STATUS_PART) return textOut(statusLine().text, name);
    if (part == BAR_PART) return S_FALSE;  // a bar under its line, as a progress dialog's
    wchar_t title[TITLE_CHARS] = {};
    return textOut(std::wstring(title, GetWindowTextW(_window, title, TITLE_CHARS)), name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (value == nullptr) return E_POINTER;
    *value = nullptr;
    LONG part = 0;
    HRESULT known = partOf(child, &part);
    if (FAILED(known)) return known;
    return part == BAR_PART ? textOut(percentText(statusLine().fraction), value) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    role->vt = VT_EMPTY;
    LONG part = 0;
    HRESULT known = partOf(child, &part);
    if (FAILED(known)) return known;
    return numberOut(part == STATUS_PART ? ROLE_SYSTEM_STATICTEXT
                     : part == BAR_PART  ? ROLE_SYSTEM_PROGRESSBAR
                                         : ROLE_SYSTEM_DIALOG,
                     role);
  }
  // A part that the paint leaves out (no words, no percentage) is invisible.
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    state->vt = VT_EMPTY;
    LONG part = 0;
    HRESULT known = partOf(child, &part);
    if (FAILED(known)) return known;
    if (part == CLIENT_PART)
      return numberOut((GetFocus() == _window ? STATE_SYSTEM_FOCUSED : 0) |
                           (IsWindowVisible(_window) ? 0 : STATE_SYSTEM_INVISIBLE),
                       state);
    StatusLine line = statusLine();
    bool shown = part == STATUS_PART ? !line.text.empty() : line.percent;
    return numberOut(STATE_SYSTEM_READONLY | (shown ? 0 : STATE_SYSTEM_INVISIBLE), state);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override { return noText(child, text); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override { return noText(child, text); }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override { return noText(child, text); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override { return noText(child, text); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    if (topic == nullptr) return E_POINTER;
    *topic = 0;
    return noText(child, file);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    focus->vt = VT_EMPTY;
    if (_window == nullptr) return CO_E_OBJNOTCONNECTED;
    return GetFocus() == _window ? numberOut(CLIENT_PART, focus) : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_POINTER;
    selection->vt = VT_EMPTY;
    return _window ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT child) override { return noAction(child); }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return noAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  // Screen coordinates of the part, as painted at the window's DPI.
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    LONG part = 0;
    HRESULT known = partOf(child, &part);
    if (FAILED(known)) return known;
    RECT rect = screenRect(part);
    *left = rect.left, *top = rect.top, *width = rect.right - rect.left, *height = rect.bottom - rect.top;
    return S_OK;
  }
  // From the client to its children; between the children in their order, the line above the bar.
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    end->vt = VT_EMPTY;
    LONG part = 0;
    HRESULT known = partOf(start, &part);
    if (FAILED(known)) return known;
    LONG to = 0;
    if (part == CLIENT_PART)
      to = direction == NAVDIR_FIRSTCHILD ? STATUS_PART : direction == NAVDIR_LASTCHILD ? BAR_PART : 0;
    else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN)
      to = part == STATUS_PART ? BAR_PART : 0;
    else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP)
      to = part == BAR_PART ? STATUS_PART : 0;
    return to ? numberOut(to, end) : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* found) override {
    if (found == nullptr) return E_POINTER;
    found->vt = VT_EMPTY;
    if (_window == nullptr) return CO_E_OBJNOTCONNECTED;
    POINT point = {x, y};
    for (LONG part : {STATUS_PART, BAR_PART, CLIENT_PART}) {
      RECT rect = screenRect(part);
      if (PtInRect(&rect, point)) return numberOut(part, found);
    }
    return S_FALSE;
  }

 private:
  // S_OK with *part when the window still stands and child names the client or one of its parts.
  HRESULT partOf(const VARIANT& child, LONG* part) const {
    if (_window == nullptr) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4 || child.lVal < CLIENT_PART || child.lVal > PART_COUNT) return E_INVALIDARG;
    *part = child.lVal;
    return S_OK;
  }
  HRESULT noText(const VARIANT& child, BSTR* text) const {
    if (text == nullptr) return E_POINTER;
    *text = nullptr;
    LONG part = 0;
    HRESULT known = partOf(child, &part);
    return FAILED(known) ? known : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT noAction(const VARIANT& child) const {
    LONG part = 0;
    HRESULT known = partOf(child, &part);
    return FAILED(known) ? known : DISP_E_MEMBERNOTFOUND;
  }
  RECT screenRect(LONG part) const {
    RECT rect = {};
    if (part == STATUS_PART) rect = statusTextRect(_window, statusLine().text);
    else if (part == BAR_PART) rect = progressBarRect(_window);
    else GetClientRect(_window, &rect);
    MapWindowPoints(_window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  LONG _references = 1;  // the window's own, until it goes
  HWND _window;
};

// The live window's object, or null before the first question.
WindowAccessible* _accessible = nullptr;

// What the last paint showed a reader.
std::wstring _spokenText, _spokenValue;
bool _barShown = false;

}  // namespace

bool answerGetObject(HWND window, WPARAM flags, LPARAM objectId, LRESULT* answer) {
  // In 64 bits lParam may carry the id sign-extended or not: its low 32 bits are the id.
  if (static_cast<DWORD>(objectId) != static_cast<DWORD>(OBJID_CLIENT)) return false;
  const AccessibilityApi* api = accessibilityApi();
  if (api == nullptr) return false;
  if (_accessible == nullptr || _accessible->window() != window) {
    forgetAccessible();
    _accessible = new (std::nothrow) WindowAccessible(window);
    if (_accessible == nullptr) return diagnose(L"Error: no memory for the window's accessible object.\n");
  }
  *answer = api->lresultFromObject(ACCESSIBLE_ID, flags, _accessible);
  // Said once: a reader asks again at every event it hears.
  static bool failureTold = false;
  if (*answer < 0 && !failureTold) {  // an error code; a reference is positive
    failureTold = true;
    diagnose(L"Error: the window's accessible object could not be handed over (0x%08lx).\n",
             static_cast<unsigned long>(*answer));
  }
  return true;
}

void announceChanges(HWND window, const StatusLine& line) {
  if (line.text != _spokenText) {
    _spokenText = line.text;
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, STATUS_PART);
  }
  if (line.percent != _barShown) {
    _barShown = line.percent;
    NotifyWinEvent(_barShown ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, window, OBJID_CLIENT, BAR_PART);
  }
  std::wstring value = percentText(line.fraction);
  if (_barShown && value != _spokenValue) {
    _spokenValue = value;
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window, OBJID_CLIENT, BAR_PART);
  }
}

void forgetAccessible() {
  if (_accessible == nullptr) return;
  _accessible->forget();
  // Readers in other processes lose it now, with an error at once: from here the thread waits for the
  // updater without pumping, and a call to the object would wait with it.
  accessibilityApi()->coDisconnectObject(_accessible, 0);
  _accessible->Release();
  _accessible = nullptr;
}
