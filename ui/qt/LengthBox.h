#pragma once

#include <QLineEdit>

namespace thornvale {

// A text box that only the window writes: disabled, so greyed and out of reach of the focus and
// the keyboard, but with digits that stand out from its background by at least 4.5 to 1 in any
// palette, since they are the user's only guide to the length a save takes. The platform's
// disabled text is often far paler than that.
class LengthBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit LengthBox(QWidget* parent);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void makeLegible();
};

// The contrast ratio of two colours, as WCAG counts it: 1 to 21.
[[nodiscard]] double contrastRatio(const QColor& a, const QColor& b);

}  // namespace thornvale
