#pragma once
// The splash window shown while the program starts.
#include <QDialog>

#include "Sleeper.h"

class QLabel;

namespace app {

class TLogo : public QDialog {
  Q_OBJECT
 public:
  explicit TLogo(QWidget *owner = nullptr);
  QLabel *Image1 = nullptr;
  TSleeper *Sleeper = nullptr;

 private:
  void FormCreate();
};

}  // namespace app
