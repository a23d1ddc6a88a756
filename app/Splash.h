#pragma once
// The splash window shown while the program starts.
#include <QDialog>

#include "Sleeper.h"

class QLabel;

namespace app {

// `TLogo`: the splash window, shown for the `Sleeper`'s two seconds.
class TLogo : public QDialog {
  Q_OBJECT
 public:
  explicit TLogo(QWidget *owner = nullptr);
  QLabel *Image1 = nullptr;  // `Image1`: the splash picture
  TSleeper *Sleeper = nullptr;

 private:
  void FormCreate();
};

}  // namespace app
