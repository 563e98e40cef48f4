#include "ui/forms/FormTable.h"

namespace thornvale::forms {

const ControlSpec* findControl(const FormSpec& form, std::string_view name) {
  for (const ControlSpec& control : form.controls) {
    if (control.name == name) return &control;
  }
  return nullptr;
}

const ControlSpec* findControl(const FormSpec& form, int id) {
  for (const ControlSpec& control : form.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

TwipsRect inWindow(const FormSpec& form, const ControlSpec& control) {
  TwipsRect place = control.twips;
  for (const ControlSpec* outer = findControl(form, control.container); outer != nullptr;
       outer = findControl(form, outer->container)) {
    place.left += outer->twips.left;
    place.top += outer->twips.top;
  }
  return place;
}

}  // namespace thornvale::forms
