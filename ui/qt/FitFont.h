#pragma once

class QWidget;

namespace thornvale {

// The layouts are fixed in twips, but the platform's font may be wider than the one they were
// drawn for, and a caption cut off is worse than a smaller one. This keeps the platform's font
// for `area` and everything in it, and only lowers its size, never below 6 points, until the
// caption of every label and button under `area` fits its box.
void fitFont(QWidget* area);

}  // namespace thornvale
