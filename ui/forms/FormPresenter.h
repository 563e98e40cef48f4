#pragma once

#include <span>

namespace thornvale::forms {

// What a toolkit reports of a control, in the words its handlers are named by: Click for a button
// or a menu item pressed, and for a line of a list selected by mouse or keyboard, the selected line
// again included; Change for a new text in a text box, typed or set.
enum class ControlEvent { Click, Change };

// What a window does when, for every front end. A front end builds the window's controls from its
// form table and reports here what happens to them and to the window; the presenter decides what
// that does, and shows it through the window's view.
class FormPresenter {
 public:
  virtual ~FormPresenter() = default;

  // Runs the handler wired to `event` of `control`; an event wired to none does nothing.
  virtual void handle(int control, ControlEvent event) = 0;
  // Escape, pressed where no control of the window takes it.
  virtual void escapePressed() = 0;
  // The close box, or the system asks the window to close: whether it goes.
  [[nodiscard]] virtual bool closeRequested() = 0;
};

// One line of a window's wiring: the handler that an event of a control runs.
template <class Presenter>
struct Wire {
  int control;
  ControlEvent event;
  void (Presenter::*handler)();
};

template <class Presenter>
void dispatch(std::span<const Wire<Presenter>> wiring, Presenter& presenter, int control,
              ControlEvent event) {
  for (const Wire<Presenter>& wire : wiring) {
    if (wire.control == control && wire.event == event) (presenter.*wire.handler)();
  }
}

}  // namespace thornvale::forms
