#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>

#include "ui/forms/CommandDialogs.h"
#include "ui/forms/MainPresenter.h"
#include "ui/forms/WindowDialogs.h"
#include "ui/qt/ControlsView.h"

namespace thornvale {

// The editor's main window in Qt Widgets, built from its form table: it passes the events of its
// controls and menus to its presenter, and shows what the presenter sets.
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
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void connectControls();
  // The start place is fixed; forms::keptOnScreen moves the window from there as it must.
  void keepOnScreen();

  [[nodiscard]] std::string programFolder() const override;
  [[nodiscard]] std::optional<Version> programVersion() const override;
  void showMiscWindow(const std::string& imageName) override;
  void closeWindow() override;

  // The line a mouse press found already selected: releasing on it selects it again.
  int reclickedRow_ = -1;
};

}  // namespace thornvale
