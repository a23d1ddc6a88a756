#include "AboutBox.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/MessageBoxes.h"

namespace dialogs {

TAboutBox::TAboutBox(uint8_t language, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), language_(language) {
  setFixedSize(298, 196);
  QFont font = this->font();
  font.setPixelSize(11);
  setFont(font);

  Panel1 = new QFrame(this);
  Panel1->setGeometry(8, 8, 281, 145);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(1);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setGeometry(8, 8, 65, 57);
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/icons/muralix.png")));
  ProgramIcon->setAccessibleName(QStringLiteral("Icône"));

  ProductName = new QLabel(Panel1);
  ProductName->move(88, 16);
  QFont bold = font;
  bold.setBold(true);
  bold.setPixelSize(13);
  ProductName->setFont(bold);

  Version = new QLabel(QStringLiteral("Version 2.0 - 32 bits"), Panel1);
  Version->move(88, 40);

  Notice = new QLabel(QStringLiteral("Logiciel libre pour Linux et Qt 6"), Panel1);
  Notice->move(8, 80);

  Comments = new QLabel(Panel1);
  Comments->setGeometry(8, 104, 265, 33);
  Comments->setWordWrap(true);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setGeometry(111, 164, 75, 25);
  OKButton->setDefault(true);
  OKButton->setAccessibleName(QStringLiteral("OK"));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  FormCreate();
}

void TAboutBox::FormCreate() {
  ProductName->setText(platform::ApplicationTitle());
  ProductName->adjustSize();
  SetLanguageTexts();
  for (QLabel *label : {ProductName, Version, Notice, Comments}) {
    label->setAccessibleName(label->text());
    label->adjustSize();
  }
  Comments->setGeometry(8, 104, 265, 33);
}

void TAboutBox::SetLanguageTexts() {
  if (language_ == 1) {
    setWindowTitle(QStringLiteral("About"));
    Comments->setText(QStringLiteral("Placards creation for Windows 95"));
  } else {
    setWindowTitle(QStringLiteral("A propos"));
    Comments->setText(QStringLiteral("Création d'affiches pour Windows 95 et supérieur"));
  }
}

}  // namespace dialogs
