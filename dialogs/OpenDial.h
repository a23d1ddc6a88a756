#pragma once
// The image choice dialog: a file list, a folder list, a drive list and a file type list,
// kept linked, with an optional preview of the chosen file. Its texts are French only.
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace platform {
class ImageControl;
}
namespace imagecomp {
class TImageView;
}

namespace dialogs {

class TOpenDial : public QDialog {
  Q_OBJECT
 public:
  // `showPreview` is the main window's setting: read when the dialog is made, written
  // back when it closes.
  explicit TOpenDial(bool &showPreview, QWidget *owner = nullptr);

  bool Accepted = false;

  QLabel *Label1 = nullptr;
  QLineEdit *Edit = nullptr;
  QListWidget *FileListBox = nullptr;
  QLabel *Label3 = nullptr;
  QLabel *Label4 = nullptr;
  QListWidget *DirectoryListBox = nullptr;
  QLabel *Label5 = nullptr;
  QComboBox *DriveComboBox = nullptr;
  QLabel *Label2 = nullptr;
  QComboBox *FilterComboBox = nullptr;
  QPushButton *OKBtn = nullptr;
  QPushButton *CancelBtn = nullptr;
  QCheckBox *apercu = nullptr;
  QFrame *Panel = nullptr;
  platform::ImageControl *Image1 = nullptr;
  imagecomp::TImageView *Image = nullptr;

  // The file list's mask, patterns separated by ';', matched without regard to case.
  QString Mask() const { return mask_; }
  void SetMask(const QString &mask);
  // Changes the current folder (the process's own) and the lists that show it.
  void ChangeFolder(const QString &folder);
  // Writes `text` into the edit and applies it as the Enter key does.
  void ApplyEditText(const QString &text);

  void OKBtnClick();
  void CancelBtnClick();
  void FileListBoxClick();
  void FileListBoxDblClick();
  void apercuClick();
  void LoadPreview();

  // The file types of the type list, in order: description and mask.
  static const QList<QPair<QString, QString>> &FileTypes();

  void done(int result) override;

 protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  void FormClose();
  void FillFileList();
  void SelectFileRow(int row);
  void FillDirectoryList();
  void FillDriveList();
  // Shows the display that suits `name` (the plain control for metafiles and icons) and
  // hides the other; returns whether it is the plain control.
  bool ShowDisplayFor(const QString &name);
  void FitDisplay(QWidget *display, int w, int h, bool &stretch);

  bool &showPreview_;
  QString mask_;
  bool selecting_ = false;
};

}  // namespace dialogs
