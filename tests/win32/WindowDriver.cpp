#include "tests/win32/WindowDriver.h"

#include <gtest/gtest.h>

namespace thornvale::test::win32 {

void clickLine(HWND list, int row) {
  RECT item{};
  ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)),
            LB_ERR);
  // The list scrolls the line into view first, as a user would.
  SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);
  SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
}

void pressKey(HWND control, UINT virtualKey) {
  SetFocus(control);
  SendMessageW(control, WM_KEYDOWN, virtualKey, 1);
  SendMessageW(control, WM_KEYUP, virtualKey, 1 | (1u << 30) | (1u << 31));
}

void typeText(HWND edit, std::u16string_view text) {
  for (char16_t c : text) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
}

void retype(HWND edit, std::u16string_view text) {
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_CHAR, VK_BACK, 1);
  typeText(edit, text);
}

void click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

void chooseMenuItem(HWND window, int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

std::u16string textOf(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return std::u16string(text.begin(), text.end());
}

std::vector<std::u16string> linesOf(HWND list) {
  std::vector<std::u16string> lines;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    line.resize(
        static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
    lines.emplace_back(line.begin(), line.end());
  }
  return lines;
}

int selectedLine(HWND list) {
  const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

RECT placeOf(HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

std::vector<std::u16string> menuItems(HMENU menu) {
  std::vector<std::u16string> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t caption[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = caption;
    info.cch = 128;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    const std::wstring text = (info.fType & MFT_SEPARATOR) != 0 ? L"-" : caption;
    items.emplace_back(text.begin(), text.end());
  }
  return items;
}

bool menuItemEnabled(HMENU menu, int id) {
  return (GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED)) == 0;
}

namespace {

const wchar_t* watchedClass = nullptr;
const std::function<void(HWND)>* watcher = nullptr;
bool watchedShown = false;

void CALLBACK lookForModal(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND found = FindWindowW(watchedClass, nullptr);
  if (found == nullptr || !IsWindowVisible(found)) return;
  KillTimer(nullptr, timer);
  watchedShown = true;
  (*watcher)(found);
}

}  // namespace

bool whileModal(const wchar_t* className, const std::function<void()>& action,
                const std::function<void(HWND)>& whileShown) {
  watchedClass = className;
  watcher = &whileShown;
  watchedShown = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, lookForModal);
  action();
  KillTimer(nullptr, timer);
  watcher = nullptr;
  return watchedShown;
}

}  // namespace thornvale::test::win32
