#include "ui/qt/miscfrm.h"

#include "ui/forms/Forms.h"
#include "ui/qt/FormControls.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/Twips.h"

namespace thornvale {
namespace {

const forms::FormTable& form() { return forms::miscfrm(); }

}  // namespace

miscfrm::miscfrm(std::string imageName, QWidget* parent, CommandDialogs* answers)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      ControlsView(this),
      dialogs_(answers, [this] { return std::make_unique<QtDialogs>(this); }),
      presenter_(*this, dialogs_.get(), std::move(imageName)) {
  setObjectName(qtString(form().name));
  setWindowTitle(qtString(form().caption));
  const Twips twips(screen());
  setFixedSize(twips.size(form().clientWidth, form().clientHeight));
  controls_ = buildControls(this, form(), twips);
  connectEvents(this, controls_, {}, presenter_);
}

miscfrm::~miscfrm() = default;

void miscfrm::closeWindow() { accept(); }

}  // namespace thornvale
