#include "ui/win32/Layout.h"

#include <algorithm>
#include <string>

namespace thornvale::win32 {
namespace {

std::wstring captionOf(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Room that a control's own decoration takes from its caption: a button's edges, a radio
// button's circle, a group box's corners.
int decorationWidth(HWND control, UINT dpi) {
  wchar_t kind[32] = {};
  GetClassNameW(control, kind, 32);
  if (lstrcmpiW(kind, L"Button") != 0) return 0;
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  if (style == BS_AUTORADIOBUTTON || style == BS_RADIOBUTTON) return twipsToPixels(300, dpi);
  return twipsToPixels(150, dpi);
}

bool captionsFit(HWND window, std::span<const int> captioned, HFONT font, UINT dpi) {
  HDC dc = GetDC(window);
  const HGDIOBJ old = SelectObject(dc, font);
  bool fit = true;
  for (int id : captioned) {
    HWND control = GetDlgItem(window, id);
    const std::wstring caption = captionOf(control);
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    RECT box{};
    GetClientRect(control, &box);
    if (extent.cx + decorationWidth(control, dpi) > box.right) fit = false;
  }
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return fit;
}

RECT inPixels(const TwipsRect& twips, UINT dpi) {
  const int left = twipsToPixels(twips.left, dpi);
  const int top = twipsToPixels(twips.top, dpi);
  return {left, top, left + twipsToPixels(twips.width, dpi), top + twipsToPixels(twips.height, dpi)};
}

}  // namespace

RECT placedAt(std::span<const Placement> placements, int id, UINT dpi) {
  const auto place = std::find_if(placements.begin(), placements.end(),
                                  [id](const Placement& each) { return each.id == id; });
  return place == placements.end() ? RECT{} : inPixels(place->twips, dpi);
}

void placeControls(HWND window, std::span<const Placement> placements, UINT dpi) {
  for (const Placement& place : placements) {
    const RECT box = inPixels(place.twips, dpi);
    SetWindowPos(GetDlgItem(window, place.id), nullptr, box.left, box.top, box.right - box.left,
                 box.bottom - box.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HFONT fittingFont(HWND window, std::span<const int> captioned, UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
  LOGFONTW face = metrics.lfMessageFont;
  // Heights in half points, as negative character heights in pixels.
  const LONG smallest = -MulDiv(6, static_cast<int>(dpi), 72);
  const LONG halfPoint = std::max(1, MulDiv(1, static_cast<int>(dpi), 144));
  for (;;) {
    HFONT font = CreateFontIndirectW(&face);
    if (captionsFit(window, captioned, font, dpi) || face.lfHeight >= smallest) return font;
    DeleteObject(font);
    face.lfHeight = std::min(smallest, face.lfHeight + halfPoint);
  }
}

void applyFont(HWND window, HFONT font, bool redraw) {
  struct Change {
    HFONT font;
    BOOL redraw;
  } change{font, redraw ? TRUE : FALSE};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM change) -> BOOL {
        const auto* c = reinterpret_cast<const Change*>(change);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(c->font), c->redraw);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&change));
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

HWND createControl(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, DWORD exStyle, int id,
                   const RECT& box) {
  return CreateWindowExW(exStyle, kind, text, WS_CHILD | WS_VISIBLE | style, box.left, box.top,
                         box.right - box.left, box.bottom - box.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), nullptr);
}

void registerWindowClass(const wchar_t* className, WNDPROC procedure, bool withIcon) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance(), className, &existing)) return;
  WNDCLASSEXW kind{};
  kind.cbSize = sizeof kind;
  kind.lpfnWndProc = procedure;
  kind.hInstance = instance();
  if (withIcon) {
    // A program built without the icon resource gets the system's.
    kind.hIcon = LoadIconW(instance(), MAKEINTRESOURCEW(1));
    kind.hIconSm =
        static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  }
  kind.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  kind.lpszClassName = className;
  RegisterClassExW(&kind);
}

}  // namespace thornvale::win32
