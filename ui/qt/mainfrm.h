#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>

#include "ui/forms/CommandDialogs.h"
#include "ui/forms/MainPresenter.h"
#include "ui/forms/MiscPresenter.h"
#include "ui/forms/WindowDialogs.h"
#include "ui/qt/ControlsView.h"

namespace thornvale {

// The editor's main window in Qt Widgets, built from its form table: it passes the events of its
// controls, menus and window to its presenter, and shows what the presenter sets.
class mainfrm : public QMainWindow, private ControlsView<forms::MainView> {
  Q_OBJECT

 public:
  // Its dialogs are Qt's, over this window; `answers`, where given, answers them instead (for
  // tests).
  explicit mainfrm(CommandDialogs* answers = nullptr, QWidget* parent = nullptr);
  ~mainfrm() override;

  forms::WindowDialogs dialogs;
  forms::MainPresenter presenter;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The start place is fixed; forms::keptOnScreen moves the window from there as it must.
  void keepOnScreen();

  [[nodiscard]] std::string programFolder() const override;
  [[nodiscard]] std::optional<Version> programVersion() const override;
  [[nodiscard]] std::unique_ptr<forms::MiscWindow> makeMiscWindow(const std::string& imageName) override;
  void closeWindow() override;
};

}  // namespace thornvale
