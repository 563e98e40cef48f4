#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "ui/forms/CommandDialogs.h"
#include "ui/forms/MiscPresenter.h"
#include "ui/forms/WindowDialogs.h"
#include "ui/qt/ControlsView.h"

namespace thornvale {

// The modal misc data window in Qt Widgets, built from its form table: it passes the events of
// its controls and of the window to its presenter.
class miscfrm : public QDialog, private ControlsView<forms::FormView>, public forms::MiscWindow {
  Q_OBJECT

 public:
  // Over `parent`. Its own dialogs are Qt's, over this window; `answers`, where given, answers
  // them instead.
  miscfrm(std::string imageName, QWidget* parent, CommandDialogs* answers = nullptr);
  ~miscfrm() override;

  [[nodiscard]] forms::MiscPresenter& presenter() override { return presenter_; }
  void showModal() override { exec(); }

 private:
  void closeWindow() override;

  forms::WindowDialogs dialogs_;
  forms::MiscPresenter presenter_;
};

}  // namespace thornvale
