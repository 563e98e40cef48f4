#include "ui/win32/Accessibility.h"

#include <initguid.h>
// initguid.h first: the GUIDs of oleacc.h are defined here, so that no oleacc is linked.
#include <commctrl.h>
#include <objbase.h>
#include <oleacc.h>

#include <string>

#include "ui/win32/WindowHandles.h"

namespace thornvale::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 0x4143;  // "AC"

using CoInitializeExFunction = HRESULT(WINAPI*)(LPVOID, DWORD);
using CoCreateInstanceFunction = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

struct Ole {
  CoInitializeExFunction initialize = nullptr;
  CoCreateInstanceFunction create = nullptr;
};

// ole32 is loaded the first time a screen reader asks, and stays.
const Ole& ole() {
  static const Ole functions = [] {
    Ole loaded;
    if (HMODULE library = LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
      loaded.initialize = reinterpret_cast<CoInitializeExFunction>(
          reinterpret_cast<void*>(GetProcAddress(library, "CoInitializeEx")));
      loaded.create = reinterpret_cast<CoCreateInstanceFunction>(
          reinterpret_cast<void*>(GetProcAddress(library, "CoCreateInstance")));
    }
    return loaded;
  }();
  return functions;
}

LRESULT CALLBACK askedFor(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR data) {
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
    // Once for all the window's controls; the annotations stay with the controls.
    const auto& form = *reinterpret_cast<const forms::FormTable*>(data);
    HWND window = GetParent(control);
    for (const forms::ControlRow& each : form.controls) {
      if (!each.accessibleName.empty())
        RemoveWindowSubclass(GetDlgItem(window, each.id), &askedFor, kSubclassId);
    }
    annotateAccessibleNames(window, form);
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(control, &askedFor, kSubclassId);
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void offerAccessibleNames(HWND window, const forms::FormTable& form) {
  for (const forms::ControlRow& control : form.controls) {
    if (!control.accessibleName.empty()) {
      SetWindowSubclass(GetDlgItem(window, control.id), &askedFor, kSubclassId,
                        reinterpret_cast<DWORD_PTR>(&form));
    }
  }
}

HRESULT annotateAccessibleNames(HWND window, const forms::FormTable& form) {
  const Ole& functions = ole();
  if (functions.initialize == nullptr || functions.create == nullptr) return E_NOTIMPL;
  // The window's thread is a single-threaded apartment, as the common dialogs make it too.
  functions.initialize(nullptr, COINIT_APARTMENTTHREADED);
  IAccPropServices* services = nullptr;
  HRESULT result = functions.create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IAccPropServices, reinterpret_cast<void**>(&services));
  if (FAILED(result)) return result;
  for (const forms::ControlRow& control : form.controls) {
    if (control.accessibleName.empty()) continue;
    HWND child = GetDlgItem(window, control.id);
    for (const auto& [property, text] : {std::pair{PROPID_ACC_NAME, control.accessibleName},
                                         std::pair{PROPID_ACC_DESCRIPTION, control.accessibleDescription}}) {
      const HRESULT set = services->SetHwndPropStr(child, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                   property, asciiWide(text).c_str());
      if (FAILED(set) && SUCCEEDED(result)) result = set;
    }
  }
  services->Release();
  return result;
}

}  // namespace thornvale::win32
