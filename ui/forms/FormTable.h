#pragma once

#include <span>
#include <string_view>

namespace thornvale::forms {

// A window as data: its controls, size, place, caption and menus, in twips (1/1440 inch) and the
// names that the windows' handlers and tests use. Each front end builds its window from one of
// these and decides nothing of its own about it.

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

enum class ControlKind {
  ListBox,        // single selection, lines in the order given
  TextBox,        // one line the user types in
  LengthBox,      // a text box only the window writes: greyed, out of the keyboard's reach
  CommandButton,  // a push button that is neither the default nor the cancel button
  Label,
  Frame,         // a captioned frame around other controls
  OptionButton,  // one of a run of option buttons, which is one group
};

struct ControlRow {
  int id;
  std::string_view name;
  ControlKind kind;
  std::string_view caption;
  // Relative to the client area of the window, or of `container` where it has one.
  TwipsRect twips;
  // The keyboard order from the window's first stop; -1: no stop of its own.
  int tabOrder;
  // For screen readers, where a control has no caption to read; empty where it has one.
  std::string_view accessibleName;
  std::string_view accessibleDescription;
  std::string_view container;
};

struct MenuItemRow {
  int id;
  std::string_view name;
  // Empty for a separator.
  std::string_view caption;
};

struct MenuRow {
  std::string_view name;
  std::string_view caption;
  // A hidden menu is on no menu bar, but its items are the window's all the same.
  bool visible;
  std::span<const MenuItemRow> items;
};

struct FormTable {
  std::string_view name;
  // Empty where the window's caption is its program's (the main window's, with the version).
  std::string_view caption;
  int clientWidth;
  int clientHeight;
  // Where the client area's top-left corner starts on the screen; without one, the platform
  // chooses.
  bool hasStartPosition;
  int startLeft;
  int startTop;
  std::span<const ControlRow> controls;
  std::span<const MenuRow> menus;
};

// The control named `name`, or null.
[[nodiscard]] const ControlRow* findControl(const FormTable& form, std::string_view name);
[[nodiscard]] const ControlRow* findControl(const FormTable& form, int id);

// Where a control stands in its window's client area: its rectangle moved by its container's.
[[nodiscard]] TwipsRect inWindow(const FormTable& form, const ControlRow& control);

}  // namespace thornvale::forms
