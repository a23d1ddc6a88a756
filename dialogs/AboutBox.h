#pragma once
// The about box: the program's title, version and purpose.
#include <QDialog>
#include <cstdint>

class QFrame;
class QLabel;
class QPushButton;

namespace dialogs {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  // `language` is the main window's: 0 French, 1 English.
  explicit TAboutBox(uint8_t language, QWidget *owner = nullptr);

  QFrame *Panel1 = nullptr;
  QLabel *ProgramIcon = nullptr;
  QLabel *ProductName = nullptr;
  QLabel *Version = nullptr;
  QLabel *Notice = nullptr;
  QLabel *Comments = nullptr;
  QPushButton *OKButton = nullptr;

 private:
  void FormCreate();
  void SetLanguageTexts();
  uint8_t language_;
};

}  // namespace dialogs
