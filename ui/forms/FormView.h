#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace thornvale::forms {

// What a presenter asks of its window, by the IDs of the window's form table; each front end
// implements it over its own controls. Texts are UTF-16, one code unit per character of a text.
class FormView {
 public:
  virtual ~FormView() = default;

  virtual void setCaption(const std::string& caption) = 0;
  // The lines of a list box: none selected, the top in view.
  virtual void setLines(int list, const std::vector<std::u16string>& lines) = 0;
  // The selected line of a list box, or -1.
  [[nodiscard]] virtual int selectedLine(int list) const = 0;
  [[nodiscard]] virtual std::u16string text(int control) const = 0;
  virtual void setText(int control, std::u16string_view text) = 0;
  // A control or a menu item.
  virtual void enable(int control, bool enabled) = 0;
  [[nodiscard]] virtual bool checked(int option) const = 0;
  virtual void check(int option, bool checked) = 0;
  // Puts the keyboard focus on a control: at once, or, in a window not yet shown, when it shows.
  virtual void focus(int control) = 0;
  virtual void closeWindow() = 0;
};

}  // namespace thornvale::forms
