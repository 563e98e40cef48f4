#include "ui/qt/miscfrm.h"

#include <QPushButton>
#include <QRadioButton>

#include "ui/forms/Forms.h"
#include "ui/qt/FormControls.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/Twips.h"

namespace thornvale {
namespace {

const forms::FormTable& form() { return forms::miscfrm(); }

QString qtString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

miscfrm::miscfrm(CommandDialogs& ownerDialogs, std::string imageName, QWidget* parent,
                 CommandDialogs* answers)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      ControlsView(this),
      dialogs_(answers, [this] { return std::make_unique<QtDialogs>(this); }),
      ownerDialogs_(ownerDialogs),
      presenter(*this, dialogs_.get(), std::move(imageName)) {
  setObjectName(qtString(form().name));
  setWindowTitle(qtString(form().caption));
  const Twips twips(screen());
  setFixedSize(twips.size(form().clientWidth, form().clientHeight));
  controls_ = buildControls(this, form(), twips);

  // Neither button is the window's default: Enter presses only the focused one. Escape closes the
  // window like its close box, writing nothing.
  for (QWidget* control : std::as_const(controls_)) {
    if (auto* option = qobject_cast<QRadioButton*>(control)) {
      connect(option, &QRadioButton::toggled, this, &miscfrm::moveTabStop);
    }
  }
  moveTabStop();
  controls_.value(forms::kMiscCmdsave)->setFocus();
  connect(static_cast<QPushButton*>(controls_.value(forms::kMiscCmdsave)), &QPushButton::clicked, this,
          [this] { presenter.cmdsave_Click(); });
  connect(static_cast<QPushButton*>(controls_.value(forms::kMiscCmdcancel)), &QPushButton::clicked, this,
          [this] { presenter.cmdcancel_Click(); });
}

miscfrm::~miscfrm() = default;

void miscfrm::moveTabStop() {
  QRadioButton* first = nullptr;
  QRadioButton* selected = nullptr;
  for (const forms::ControlRow& control : form().controls) {
    auto* option = qobject_cast<QRadioButton*>(controls_.value(control.id));
    if (option == nullptr) continue;
    if (first == nullptr) first = option;
    if (option->isChecked()) selected = option;
  }
  QRadioButton* stop = selected != nullptr ? selected : first;
  for (const forms::ControlRow& control : form().controls) {
    if (auto* option = qobject_cast<QRadioButton*>(controls_.value(control.id))) {
      option->setFocusPolicy(option == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
  }
}

void miscfrm::closeWindow() { accept(); }

}  // namespace thornvale
