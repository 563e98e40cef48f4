#include "ui/win32/Win32Dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include "codec/WideString.h"

namespace thornvale::win32 {
namespace {

// The UTF-16 form of one of the commands' UTF-8 strings; empty for one that is not UTF-8.
std::wstring widenOrEmpty(const std::string& utf8) { return windows::widen(utf8).value_or(std::wstring()); }

// comdlg32 brings shell32 and ole32 with it, which cost the editor a third of its start-up under
// Wine; it is loaded when the Open dialog is first asked for, and stays.
using GetOpenFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
GetOpenFileNameFunction getOpenFileName() {
  static const auto function = [] {
    HMODULE library = LoadLibraryExW(L"comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return library == nullptr ? nullptr
                              : reinterpret_cast<GetOpenFileNameFunction>(
                                    reinterpret_cast<void*>(GetProcAddress(library, "GetOpenFileNameW")));
  }();
  return function;
}

}  // namespace

void Win32Dialogs::message(const std::string& title, const std::string& text, Icon icon) {
  // Style 16 is MB_OK | MB_ICONSTOP; the About box has no icon.
  const UINT style = MB_OK | (icon == Icon::Stop ? MB_ICONSTOP : 0);
  MessageBoxW(owner_, widenOrEmpty(text).c_str(), widenOrEmpty(title).c_str(), style);
}

std::string Win32Dialogs::openFile(const OpenRequest& request) {
  const std::wstring title = widenOrEmpty(request.title);
  const std::wstring filter = openFilter(request.types);
  const std::wstring folder = widenOrEmpty(request.initialFolder);
  // Room for a long path; a path that does not fit is an error of the dialog, read as a cancel.
  std::wstring path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = title.c_str();
  // The program never changes its working folder behind the user's back.
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  const GetOpenFileNameFunction show = getOpenFileName();
  if (show == nullptr || !show(&dialog)) return {};
  path.resize(wcslen(path.c_str()));
  return windows::narrow(path);
}

std::wstring openFilter(const std::vector<CommandDialogs::FileType>& types) {
  std::wstring filter;
  for (const CommandDialogs::FileType& type : types) {
    filter +=
        widenOrEmpty(std::string(type.description)) + L'\0' + widenOrEmpty(std::string(type.pattern)) + L'\0';
  }
  return filter + L'\0';
}

}  // namespace thornvale::win32
