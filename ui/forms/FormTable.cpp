#include "ui/forms/FormTable.h"

namespace thornvale::forms {

const ControlRow* findControl(const FormTable& form, std::string_view name) {
  for (const ControlRow& control : form.controls) {
    if (control.name == name) return &control;
  }
  return nullptr;
}

const ControlRow* findControl(const FormTable& form, int id) {
  for (const ControlRow& control : form.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

TwipsRect inWindow(const FormTable& form, const ControlRow& control) {
  TwipsRect place = control.twips;
  for (const ControlRow* outer = findControl(form, control.container); outer != nullptr;
       outer = findControl(form, outer->container)) {
    place.left += outer->twips.left;
    place.top += outer->twips.top;
  }
  return place;
}

}  // namespace thornvale::forms
