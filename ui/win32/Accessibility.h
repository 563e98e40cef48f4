#pragma once

#include <windows.h>

#include "ui/forms/FormTable.h"

namespace thornvale::win32 {

// Makes the accessible names and descriptions of the form table what Microsoft Active
// Accessibility reports for the controls of `window` that have no caption to read: annotations
// of the system's own accessible objects (IAccPropServices). They are made when a screen reader
// first asks a control for its accessible object, since oleacc and COM would cost every start.
void offerAccessibleNames(HWND window, const forms::FormTable& form);

// Makes them now, for the controls of `window`. S_OK, or why not (Wine, for one, may not keep
// annotations).
HRESULT annotateAccessibleNames(HWND window, const forms::FormTable& form);

}  // namespace thornvale::win32
