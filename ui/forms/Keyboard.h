#pragma once

#include <cstddef>
#include <functional>

#include "ui/forms/FormTable.h"

namespace thornvale::forms {

// Where the keyboard goes in a window, for every front end. The stops follow the form table; a run
// of option buttons next to each other in it is one group, in which selecting one clears the
// others, and one stop.

// The control that has the focus when the window is first shown: its first stop.
[[nodiscard]] int firstStop(const FormTable& form);

struct KeyboardPlace {
  // Tab stops at the control: one with a place in the keyboard order, or the first option of a
  // group (groupStop says where a toolkit that moves the stop within the group puts it).
  bool stop;
  // The control starts a group: the first option of a run, and the first stop after one.
  bool startsGroup;
};
[[nodiscard]] KeyboardPlace keyboardPlace(const FormTable& form, std::size_t index);

// Where Tab enters the group of `option`: at its checked option, or at its first while none is
// checked. `option` itself where it is no option button.
[[nodiscard]] int groupStop(const FormTable& form, int option,
                            const std::function<bool(int option)>& checked);

}  // namespace thornvale::forms
