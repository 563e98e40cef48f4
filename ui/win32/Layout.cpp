#include "ui/win32/Layout.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ui/forms/FontRule.h"
#include "ui/forms/Keyboard.h"

namespace thornvale::win32 {
namespace {

using forms::ControlKind;
using forms::ControlRow;
using forms::FormTable;

struct Win32Kind {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

Win32Kind win32Kind(ControlKind kind) {
  switch (kind) {
    case ControlKind::ListBox:
      return {WC_LISTBOXW, WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
    case ControlKind::TextBox: return {WC_EDITW, ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    // The window's to write: greyed, and out of the user's reach.
    case ControlKind::LengthBox: return {WC_EDITW, WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    // Neither the default nor the cancel button: Enter elsewhere presses nothing.
    case ControlKind::CommandButton: return {WC_BUTTONW, BS_PUSHBUTTON, 0};
    case ControlKind::Label: return {WC_STATICW, SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::Frame: return {WC_BUTTONW, BS_GROUPBOX, 0};
    case ControlKind::OptionButton: return {WC_BUTTONW, BS_AUTORADIOBUTTON, 0};
  }
  return {WC_STATICW, 0, 0};
}

// The dialog manager moves the stop of a group to its checked option itself.
DWORD keyboardStyle(const FormTable& form, std::size_t index) {
  const forms::KeyboardPlace place = forms::keyboardPlace(form, index);
  return (place.stop ? WS_TABSTOP : 0) | (place.startsGroup ? WS_GROUP : 0);
}

// Room that a control's own decoration takes from its caption: a button's edges, an option
// button's circle, a frame's corners.
int decorationWidth(ControlKind kind, UINT dpi) {
  switch (kind) {
    case ControlKind::OptionButton: return twipsToPixels(300, dpi);
    case ControlKind::CommandButton:
    case ControlKind::Frame: return twipsToPixels(150, dpi);
    default: return 0;
  }
}

LOGFONTW messageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
  return metrics.lfMessageFont;
}

double pointsOf(LONG height, UINT dpi) { return std::abs(height) * 72.0 / dpi; }
LONG heightOf(double points, UINT dpi) { return -std::lround(points * dpi / 72.0); }

}  // namespace

RECT placeOf(const FormTable& form, const ControlRow& control, UINT dpi) {
  const forms::TwipsRect twips = forms::inWindow(form, control);
  const int left = twipsToPixels(twips.left, dpi);
  const int top = twipsToPixels(twips.top, dpi);
  return {left, top, left + twipsToPixels(twips.width, dpi), top + twipsToPixels(twips.height, dpi)};
}

void buildControls(HWND window, const FormTable& form, UINT dpi) {
  // A Windows frame only draws: the controls inside it are the window's children, placed by the
  // frame's own place.
  for (std::size_t i = 0; i < form.controls.size(); ++i) {
    const ControlRow& control = form.controls[i];
    const Win32Kind kind = win32Kind(control.kind);
    const RECT box = placeOf(form, control, dpi);
    HWND created =
        CreateWindowExW(kind.exStyle, kind.className, asciiWide(control.caption).c_str(),
                        WS_CHILD | WS_VISIBLE | kind.style | keyboardStyle(form, i), box.left, box.top,
                        box.right - box.left, box.bottom - box.top, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance(), nullptr);
    // No length limit of the box's own: a text too long is the Save command's to refuse.
    if (control.kind == ControlKind::TextBox) SendMessageW(created, EM_SETLIMITTEXT, 0, 0);
  }
}

void placeControls(HWND window, const FormTable& form, UINT dpi) {
  for (const ControlRow& control : form.controls) {
    const RECT box = placeOf(form, control, dpi);
    SetWindowPos(GetDlgItem(window, control.id), nullptr, box.left, box.top, box.right - box.left,
                 box.bottom - box.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void FormFonts::apply(HWND window, const FormTable& form, UINT dpi, bool redraw) {
  std::map<LONG, FontHandle> fonts;
  LOGFONTW face = messageFont(dpi);
  const auto fontOf = [&](LONG height) {
    auto [made, added] = fonts.try_emplace(height);
    if (added) {
      face.lfHeight = height;
      made->second.reset(CreateFontIndirectW(&face));
    }
    return made->second.get();
  };
  const LONG messageHeight = face.lfHeight;
  std::map<LONG, bool> used;
  HDC dc = GetDC(window);
  for (const ControlRow& control : form.controls) {
    LONG height = messageHeight;
    if (forms::hasCaption(control.kind)) {
      const std::wstring caption = asciiWide(control.caption);
      const int room =
          twipsToPixels(forms::captionRoom(form, control), dpi) - decorationWidth(control.kind, dpi);
      const double message = pointsOf(messageHeight, dpi);
      const double points = forms::captionPoints(message, [&](double size) {
        const HGDIOBJ old = SelectObject(dc, fontOf(size == message ? messageHeight : heightOf(size, dpi)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        SelectObject(dc, old);
        return extent.cx <= room;
      });
      if (points != message) height = heightOf(points, dpi);
    }
    used[height] = true;
    SendMessageW(GetDlgItem(window, control.id), WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(height)),
                 redraw ? TRUE : FALSE);
  }
  ReleaseDC(window, dc);
  // Only the sizes the controls took are kept; those only measured go.
  std::erase_if(fonts, [&](const auto& font) { return !used.contains(font.first); });
  fonts_.swap(fonts);
}

RECT windowRectFor(RECT client, DWORD style, DWORD exStyle, bool menu, UINT dpi) {
  AdjustWindowRectExForDpi(&client, style, menu ? TRUE : FALSE, exStyle, dpi);
  return client;
}

void fitClientArea(HWND window, int width, int height) {
  RECT client{};
  GetClientRect(window, &client);
  if (client.right == width && client.bottom == height) return;
  RECT frame{};
  GetWindowRect(window, &frame);
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + width - client.right,
               frame.bottom - frame.top + height - client.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

UINT windowDpi(HWND window) {
  const UINT dpi = GetDpiForWindow(window);
  return dpi == 0 ? USER_DEFAULT_SCREEN_DPI : dpi;
}

}  // namespace thornvale::win32
