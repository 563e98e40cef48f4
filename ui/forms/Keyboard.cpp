#include "ui/forms/Keyboard.h"

namespace thornvale::forms {
namespace {

bool isOption(const FormTable& form, std::size_t index) {
  return index < form.controls.size() && form.controls[index].kind == ControlKind::OptionButton;
}

}  // namespace

int firstStop(const FormTable& form) {
  for (const ControlRow& control : form.controls) {
    if (control.tabOrder == 0) return control.id;
  }
  return -1;
}

KeyboardPlace keyboardPlace(const FormTable& form, std::size_t index) {
  const bool afterOption = index > 0 && isOption(form, index - 1);
  if (isOption(form, index)) return {!afterOption, !afterOption};
  if (form.controls[index].tabOrder < 0) return {false, false};
  return {true, afterOption};
}

int groupStop(const FormTable& form, int option, const std::function<bool(int)>& checked) {
  std::size_t index = 0;
  while (index < form.controls.size() && form.controls[index].id != option) ++index;
  if (!isOption(form, index)) return option;
  while (index > 0 && isOption(form, index - 1)) --index;
  const int first = form.controls[index].id;
  for (; isOption(form, index); ++index) {
    if (checked(form.controls[index].id)) return form.controls[index].id;
  }
  return first;
}

}  // namespace thornvale::forms
