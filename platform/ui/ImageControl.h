#pragma once
// A plain image control: it shows its picture at the picture's own size from its top-left
// corner, or stretched over the whole control. The preview squares draw on the picture's
// bitmap and then ask the control to repaint.
#include <QWidget>

#include "gdi/Picture.h"

namespace platform {

class ImageControl : public QWidget {
  Q_OBJECT
 public:
  explicit ImageControl(QWidget *parent = nullptr);

  Picture &GetPicture() { return picture_; }
  const Picture &GetPicture() const { return picture_; }
  void SetPicture(const Picture &picture);  // a deep copy
  // Takes the picture as it is: a bitmap shared with another holder stays shared.
  void SetPicture(Picture &&picture);

  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  Picture picture_;
  bool stretch_ = false;
};

}  // namespace platform
