#include "ui/miscfrm.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "codec/FileError.h"
#include "ui/Dialogs.h"
#include "ui/FitFont.h"
#include "ui/Twips.h"

namespace thornvale {

miscfrm::miscfrm(Dialogs& dialogs, QString fileName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      fileName_(std::move(fileName)) {
  setObjectName(QStringLiteral("miscfrm"));
  setWindowTitle(QStringLiteral("Misc Data Editor"));
  const Twips twips(screen());
  setFixedSize(twips.size(8070, 4755));

  Frame1 = new QGroupBox(QStringLiteral("Misc Data"), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Frame1->setGeometry(twips.rect(120, 120, 7815, 4095));

  lbldebug = new QLabel(QStringLiteral("Debug Menu :"), Frame1);
  lbldebug->setObjectName(QStringLiteral("lbldebug"));
  lbldebug->setGeometry(twips.rect(120, 240, 1095, 255));

  opdebuge = new QRadioButton(QStringLiteral("Enabled"), Frame1);
  opdebuge->setObjectName(QStringLiteral("opdebuge"));
  opdebuge->setGeometry(twips.rect(1200, 240, 1215, 195));

  opdebugd = new QRadioButton(QStringLiteral("Disabled"), Frame1);
  opdebugd->setObjectName(QStringLiteral("opdebugd"));
  opdebugd->setGeometry(twips.rect(2160, 240, 975, 195));

  Label1 = new QLabel(QStringLiteral("Hits to Kill a Grumkin:"), Frame1);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(twips.rect(3480, 240, 1695, 255));

  Text1 = new QLineEdit(QStringLiteral("Text1"), Frame1);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(twips.rect(5160, 205, 735, 285));

  cmdsave = new QPushButton(QStringLiteral("Save"), this);
  cmdsave->setObjectName(QStringLiteral("cmdsave"));
  cmdsave->setGeometry(twips.rect(2880, 4320, 975, 375));

  cmdcancel = new QPushButton(QStringLiteral("Cancel"), this);
  cmdcancel->setObjectName(QStringLiteral("cmdcancel"));
  cmdcancel->setGeometry(twips.rect(4320, 4320, 975, 375));

  // Neither button answers Enter; Escape closes the window like its close box, writing nothing.
  for (QPushButton* button : {cmdsave, cmdcancel}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  setTabOrder(cmdsave, cmdcancel);
  setTabOrder(cmdcancel, opdebuge);
  setTabOrder(opdebuge, opdebugd);
  setTabOrder(opdebugd, Text1);
  fitFont(this);
  cmdsave->setFocus();

  connect(cmdsave, &QPushButton::clicked, this, &miscfrm::cmdsave_Click);
  connect(cmdcancel, &QPushButton::clicked, this, &miscfrm::cmdcancel_Click);
}

void miscfrm::Form_Load() {
  loaded_ = ReadMiscData(QFile::encodeName(fileName_).toStdString());
  opdebugd->setChecked(loaded_.debugMenu == kDebugMenuDisabled);
  opdebuge->setChecked(loaded_.debugMenu == kDebugMenuEnabled);
  // A byte past the end of a short image has no value to show.
  Text1->setText(loaded_.hitCount ? QString::number(*loaded_.hitCount) : QString());
}

void miscfrm::cmdsave_Click() {
  MiscData values;
  if (opdebugd->isChecked()) {
    values.debugMenu = kDebugMenuDisabled;
  } else if (opdebuge->isChecked()) {
    values.debugMenu = kDebugMenuEnabled;
  }
  // An empty box for a byte the file does not have is no hit count to refuse: the debug menu
  // can still be saved. Anything typed there is the user's wish and goes to the core, which
  // refuses a byte past the end.
  const QString hits = Text1->text();
  if (loaded_.hitCount || !hits.trimmed().isEmpty()) {
    values.hitCount = parseHitCount(hits.toStdU16String());
    if (!values.hitCount) {
      showRefusal(dialogs_, this, QString::fromUtf8(kHitCountRefusal));
      return;
    }
  }
  if (values.debugMenu || values.hitCount) {
    try {
      WriteMiscData(QFile::encodeName(fileName_).toStdString(), values);
    } catch (const FileError& error) {
      showError(dialogs_, this, error);
      return;
    }
  }
  accept();
}

void miscfrm::cmdcancel_Click() { reject(); }

}  // namespace thornvale
