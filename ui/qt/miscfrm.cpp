#include "ui/qt/miscfrm.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/commands/MiscCommands.h"
#include "ui/qt/CommandButton.h"
#include "ui/qt/FitFont.h"
#include "ui/qt/FittedIndicatorStyle.h"
#include "ui/qt/FrameBox.h"
#include "ui/qt/Twips.h"

namespace thornvale {

miscfrm::miscfrm(Dialogs& dialogs, std::string imageName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs, this),
      imageName_(std::move(imageName)) {
  setObjectName(QStringLiteral("miscfrm"));
  setWindowTitle(QStringLiteral("Misc Data Editor"));
  const Twips twips(screen());
  setFixedSize(twips.size(8070, 4755));

  Frame1 = place(new FrameBox(QStringLiteral("Misc Data"), this), "Frame1", twips.rect(120, 120, 7815, 4095));

  lbldebug =
      place(new QLabel(QStringLiteral("Debug Menu :"), Frame1), "lbldebug", twips.rect(120, 240, 1095, 255));

  auto* fitted = new FittedIndicatorStyle(this);
  opdebuge = place(new QRadioButton(QStringLiteral("Enabled"), Frame1), "opdebuge",
                   twips.rect(1200, 240, 1215, 195));

  opdebugd = place(new QRadioButton(QStringLiteral("Disabled"), Frame1), "opdebugd",
                   twips.rect(2160, 240, 975, 195));
  for (QRadioButton* option : {opdebuge, opdebugd}) {
    option->setStyle(fitted);
    connect(option, &QRadioButton::toggled, this, &miscfrm::moveTabStop);
  }

  Label1 = place(new QLabel(QStringLiteral("Hits to Kill a Grumkin:"), Frame1), "Label1",
                 twips.rect(3480, 240, 1695, 255));

  Text1 = place(new QLineEdit(QStringLiteral("Text1"), Frame1), "Text1", twips.rect(5160, 205, 735, 285));
  Text1->setAccessibleName(QStringLiteral("Hits to kill a Grumkin"));
  Text1->setAccessibleDescription(
      QStringLiteral("How many hits a Grumkin takes, a whole number from 0 to 255"));

  cmdsave =
      place(new CommandButton(QStringLiteral("Save"), this), "cmdsave", twips.rect(2880, 4320, 975, 375));

  cmdcancel =
      place(new CommandButton(QStringLiteral("Cancel"), this), "cmdcancel", twips.rect(4320, 4320, 975, 375));

  // Neither button is the window's default: Enter presses only the focused one. Escape closes the
  // window like its close box, writing nothing.
  moveTabStop();
  setTabOrder(cmdsave, cmdcancel);
  setTabOrder(cmdcancel, opdebuge);
  setTabOrder(opdebuge, opdebugd);
  setTabOrder(opdebugd, Text1);
  fitFont(this);
  cmdsave->setFocus();

  connect(cmdsave, &QPushButton::clicked, this, &miscfrm::cmdsave_Click);
  connect(cmdcancel, &QPushButton::clicked, this, &miscfrm::cmdcancel_Click);
}

bool miscfrm::Form_Load() {
  // This window is not on the screen yet: a failure is shown over the one that asked for it.
  DialogsBridge owner(dialogs_.dialogs(), parentWidget());
  const std::optional<MiscData> loaded = loadMisc(owner, imageName_);
  if (!loaded) return false;
  loaded_ = *loaded;
  const MiscShown shown = showMisc(loaded_);
  opdebugd->setChecked(shown.option == DebugMenu::Disabled);
  opdebuge->setChecked(shown.option == DebugMenu::Enabled);
  Text1->setText(QString::fromStdString(shown.hitCount));
  return true;
}

void miscfrm::moveTabStop() {
  // Tab goes into the two options at the selected one, or at the first while neither is; the
  // arrow keys move between them.
  QRadioButton* stop = opdebugd->isChecked() ? opdebugd : opdebuge;
  for (QRadioButton* option : {opdebuge, opdebugd}) {
    option->setFocusPolicy(option == stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

void miscfrm::cmdsave_Click() {
  const DebugMenu chosen = opdebugd->isChecked()   ? DebugMenu::Disabled
                           : opdebuge->isChecked() ? DebugMenu::Enabled
                                                   : DebugMenu::Unknown;
  if (saveMisc(dialogs_, imageName_, loaded_, chosen, Text1->text().toStdU16String())) accept();
}

void miscfrm::cmdcancel_Click() { reject(); }

}  // namespace thornvale
