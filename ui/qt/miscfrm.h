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
// its controls to its presenter.
class miscfrm : public QDialog, private ControlsView<forms::FormView> {
  Q_OBJECT

 public:
  // Over `parent`, whose dialogs are `ownerDialogs`. Its own dialogs are Qt's, over this window;
  // `answers`, where given, answers them instead.
  miscfrm(CommandDialogs& ownerDialogs, std::string imageName, QWidget* parent,
          CommandDialogs* answers = nullptr);
  ~miscfrm() override;

  // Reads the two bytes into the controls. False after a file failure, which the parent shows;
  // the window is then not to be shown.
  [[nodiscard]] bool Form_Load() { return presenter.Form_Load(ownerDialogs_); }

 private:
  forms::WindowDialogs dialogs_;
  CommandDialogs& ownerDialogs_;

 public:
  forms::MiscPresenter presenter;

 private:
  // Tab goes into a run of option buttons at the selected one, or at the first while none is;
  // the arrow keys move between them.
  void moveTabStop();
  void closeWindow() override;
};

}  // namespace thornvale
