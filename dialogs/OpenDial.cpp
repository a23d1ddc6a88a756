#include "OpenDial.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>

#include "ImageView.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "ui/Application.h"
#include "ui/Cursors.h"
#include "ui/ImageControl.h"
#include "ui/MessageBoxes.h"

namespace dialogs {

namespace {
const QString kAllPictures = QStringLiteral(
    "*.wmf;*.bmp;*.ico;*.pcx;*.tif;*.gif;*.jpg;*.png;*.pcd;*.tga;*.eps;*.dxf;"
    "*.heic;*.heif;*.avif;*.webp");
constexpr int kPathRole = Qt::UserRole;
constexpr int kHelpTopic = 4;

QLabel *Caption(const QString &text, QWidget *parent, QWidget *buddy, int x, int y) {
  auto *label = new QLabel(text, parent);
  label->move(x, y);
  label->setBuddy(buddy);
  return label;
}

bool IsPlainPictureName(const QString &name) {
  const QString ext = platform::ExtractFileExt(name).toUpper();
  return ext == u".WMF" || ext == u".ICO";
}
}  // namespace

const QList<QPair<QString, QString>> &TOpenDial::FileTypes() {
  static const QList<QPair<QString, QString>> kTypes = {
      {QStringLiteral("Toutes images"), kAllPictures},
      {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("*.bmp")},
      {QStringLiteral("Métafiles (*.wmf)"), QStringLiteral("*.wmf")},
      {QStringLiteral("Icônes (*.ico)"), QStringLiteral("*.ico")},
      {QStringLiteral("Pcx (*.pcx)"), QStringLiteral("*.pcx")},
      {QStringLiteral("Tiff (*.tif)"), QStringLiteral("*.tif")},
      {QStringLiteral("Gif (*.gif)"), QStringLiteral("*.gif")},
      {QStringLiteral("Jpeg (*.jpg)"), QStringLiteral("*.jpg")},
      {QStringLiteral("Png (*.png)"), QStringLiteral("*.png")},
      {QStringLiteral("Pcd (*.pcd)"), QStringLiteral("*.pcd")},
      {QStringLiteral("Tga (*.tga)"), QStringLiteral("*.tga")},
      {QStringLiteral("Eps (*.eps)"), QStringLiteral("*.eps")},
      {QStringLiteral("Dxf (*.dxf)"), QStringLiteral("*.dxf")},
  };
  return kTypes;
}

TOpenDial::TOpenDial(bool &showPreview, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), showPreview_(showPreview) {
  setObjectName(QStringLiteral("OpenDial"));
  setWindowTitle(QStringLiteral("Choisir une image"));
  setProperty("helpTopic", kHelpTopic);
  setFixedSize(594, 265);

  auto *lists = new QFrame(this);
  lists->setGeometry(8, 8, 410, 249);
  lists->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  Edit = new QLineEdit(kAllPictures, lists);
  Edit->setGeometry(10, 26, 185, 22);
  Edit->installEventFilter(this);
  Label1 = Caption(QStringLiteral("&Nom de fichier :"), lists, Edit, 10, 8);
  FileListBox = new QListWidget(lists);
  FileListBox->setGeometry(10, 54, 185, 132);
  DirectoryListBox = new QListWidget(lists);
  DirectoryListBox->setGeometry(210, 54, 190, 132);
  Label3 = Caption(QStringLiteral("&Dossiers :"), lists, DirectoryListBox, 210, 8);
  Label4 = new QLabel(lists);
  Label4->setGeometry(210, 28, 190, 18);
  FilterComboBox = new QComboBox(lists);
  FilterComboBox->setGeometry(10, 214, 185, 24);
  Label2 = Caption(QStringLiteral("&Types de fichiers :"), lists, FilterComboBox, 10, 195);
  DriveComboBox = new QComboBox(lists);
  DriveComboBox->setGeometry(210, 214, 190, 24);
  Label5 = Caption(QStringLiteral("&Lecteurs :"), lists, DriveComboBox, 210, 195);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setGeometry(428, 8, 75, 25);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Annuler"), this);
  CancelBtn->setGeometry(511, 8, 75, 25);
  apercu = new QCheckBox(QStringLiteral("Aperçu"), this);
  apercu->setGeometry(430, 48, 150, 20);
  Panel = new QFrame(this);
  Panel->setGeometry(430, 80, 153, 145);
  Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel->setAutoFillBackground(true);
  Image1 = new platform::ImageControl(Panel);
  Image1->hide();
  Image = new imagecomp::TImageView(Panel);
  Image->setGeometry(0, 0, 41, 41);
  Image->SetScrolling(true);
  Image->SetStretch(true);
  Image->SetImageDither(true);
  Image->SetTifSaveCompress(imagecomp::sNONE);
  Image->SetTiffPage(1);
  Image->SetTabStop(false);
  Image->SetImageName(QStringLiteral("file not found"));
  Image->Loaded();

  for (const auto &[description, mask] : FileTypes()) FilterComboBox->addItem(description, mask);

  // Every control is reachable by its caption.
  Edit->setAccessibleName(QStringLiteral("Nom de fichier"));
  FileListBox->setAccessibleName(QStringLiteral("Fichiers"));
  DirectoryListBox->setAccessibleName(QStringLiteral("Dossiers"));
  Label4->setAccessibleName(QStringLiteral("Dossier courant"));
  DriveComboBox->setAccessibleName(QStringLiteral("Lecteurs"));
  FilterComboBox->setAccessibleName(QStringLiteral("Types de fichiers"));
  OKBtn->setAccessibleName(QStringLiteral("OK"));
  CancelBtn->setAccessibleName(QStringLiteral("Annuler"));
  apercu->setAccessibleName(QStringLiteral("Aperçu"));
  Image->setAccessibleName(QStringLiteral("Aperçu de l'image"));
  Image1->setAccessibleName(QStringLiteral("Aperçu de l'image"));

  using platform::Guard;
  connect(OKBtn, &QPushButton::clicked, this, Guard([this] { OKBtnClick(); }));
  connect(CancelBtn, &QPushButton::clicked, this, Guard([this] { CancelBtnClick(); }));
  // A choice by mouse or keyboard; the dialog's own selections are not the user's choice.
  connect(FileListBox, &QListWidget::currentRowChanged, this, Guard([this] {
            if (!selecting_ && FileListBox->currentItem()) FileListBoxClick();
          }));
  connect(FileListBox, &QListWidget::itemDoubleClicked, this,
          Guard([this] { FileListBoxDblClick(); }));
  connect(DirectoryListBox, &QListWidget::itemActivated, this,
          Guard([this](QListWidgetItem *item) { ChangeFolder(item->data(kPathRole).toString()); }));
  connect(FilterComboBox, &QComboBox::activated, this,
          Guard([this](int index) { SetMask(FilterComboBox->itemData(index).toString()); }));
  connect(DriveComboBox, &QComboBox::activated, this,
          Guard([this](int index) { ChangeFolder(DriveComboBox->itemData(index).toString()); }));
  connect(apercu, &QCheckBox::toggled, this, Guard([this] { apercuClick(); }));

  mask_ = kAllPictures;
  FillDriveList();
  ChangeFolder(QDir::currentPath());
  FormCreate();
}

void TOpenDial::FormCreate() {
  SelectFileRow(0);
  apercu->setChecked(showPreview_);  // a change runs apercuClick
  Image->setVisible(apercu->isChecked());
}

void TOpenDial::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  platform::RunGuarded([this] { FormShow(); });
  OKBtn->setFocus();
}

void TOpenDial::FormShow() {
  FillFileList();
}

void TOpenDial::SetMask(const QString &mask) {
  mask_ = mask;
  FillFileList();
}

void TOpenDial::ChangeFolder(const QString &folder) {
  const QFileInfo info(folder);
  if (!info.isDir()) return;
  QDir::setCurrent(info.absoluteFilePath());
  Label4->setText(QDir::currentPath());
  Label4->setToolTip(QDir::currentPath());
  FillDirectoryList();
  FillFileList();
  // The drive list follows the folder: the deepest root that holds it.
  int best = -1, bestLength = -1;
  for (int i = 0; i < DriveComboBox->count(); ++i) {
    QString root = DriveComboBox->itemData(i).toString();
    if (!root.endsWith(u'/')) root += u'/';
    const QString here = QDir::currentPath() + u'/';
    if (here.startsWith(root) && root.size() > bestLength) {
      best = i;
      bestLength = int(root.size());
    }
  }
  if (best >= 0) DriveComboBox->setCurrentIndex(best);
}

void TOpenDial::SelectFileRow(int row) {
  selecting_ = true;
  if (row >= 0 && row < FileListBox->count()) FileListBox->setCurrentRow(row);
  selecting_ = false;
}

void TOpenDial::FillFileList() {
  selecting_ = true;
  FileListBox->clear();
  QDir dir(QDir::currentPath());
  dir.setNameFilters(mask_.split(u';', Qt::SkipEmptyParts));
  dir.setFilter(QDir::Files | QDir::Readable);  // no CaseSensitive: "photo.JPG" matches
  dir.setSorting(QDir::Name | QDir::IgnoreCase);
  for (const QString &name : dir.entryList()) FileListBox->addItem(name);
  selecting_ = false;
}

void TOpenDial::FillDirectoryList() {
  DirectoryListBox->clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  // The current path from the root down, then the folders inside it, indented.
  QStringList parts = QDir::currentPath().split(u'/', Qt::SkipEmptyParts);
  QString path = QStringLiteral("/");
  auto *root = new QListWidgetItem(open, QStringLiteral("/"), DirectoryListBox);
  root->setData(kPathRole, path);
  int depth = 1;
  for (const QString &part : parts) {
    path = QDir(path).filePath(part);
    auto *item = new QListWidgetItem(open, QString(depth * 3, u' ') + part, DirectoryListBox);
    item->setData(kPathRole, path);
    ++depth;
  }
  DirectoryListBox->setCurrentRow(DirectoryListBox->count() - 1);
  const QDir here(QDir::currentPath());
  for (const QString &sub :
       here.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
    auto *item = new QListWidgetItem(closed, QString(depth * 3, u' ') + sub, DirectoryListBox);
    item->setData(kPathRole, here.filePath(sub));
  }
}

void TOpenDial::FillDriveList() {
  DriveComboBox->clear();
  const QIcon drive = style()->standardIcon(QStyle::SP_DriveHDIcon);
  DriveComboBox->addItem(drive, QStringLiteral("/"), QStringLiteral("/"));
  DriveComboBox->addItem(style()->standardIcon(QStyle::SP_DirHomeIcon), QDir::homePath(),
                         QDir::homePath());
  for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    if (!volume.isValid() || !volume.isReady() || root == u"/") continue;
    // Volumes a person stores pictures on, not the system's own pseudo file systems.
    if (!root.startsWith(u"/media/") && !root.startsWith(u"/mnt/") &&
        !root.startsWith(u"/run/media/"))
      continue;
    const QString name = volume.displayName();
    DriveComboBox->addItem(style()->standardIcon(QStyle::SP_DriveFDIcon),
                           name == root ? root : QStringLiteral("%1 (%2)").arg(name, root), root);
  }
}

bool TOpenDial::ShowDisplayFor(const QString &name) {
  const bool plain = IsPlainPictureName(name);
  Image1->setVisible(plain);
  Image->setVisible(!plain);
  return plain;
}

void TOpenDial::FileListBoxClick() {
  if (QListWidgetItem *item = FileListBox->currentItem()) Edit->setText(item->text());
  if (!apercu->isChecked()) return;
  if (QListWidgetItem *item = FileListBox->currentItem()) ShowDisplayFor(item->text());
  LoadPreview();
}

void TOpenDial::apercuClick() {
  if (apercu->isChecked() && platform::FileExists(Edit->text())) {
    ShowDisplayFor(Edit->text());
    LoadPreview();
  } else {
    Image->hide();
    Image1->hide();
  }
}

void TOpenDial::FitDisplay(QWidget *display, int w, int h, bool &stretch) {
  const int panelW = Panel->width();
  const int panelH = Panel->height();
  using platform::Round;
  if (w > panelW || h > panelH) {
    stretch = true;
    if (w > h) {
      const int width = int(Round(4.0 * panelW / 5));
      display->resize(width, int(Round(double(width) * h / w)));
    } else {
      const int height = int(Round(4.0 * panelH / 5));
      display->resize(int(Round(double(height) * w / h)), height);
    }
  } else {
    stretch = false;
    display->resize(w, h);
  }
  display->move((panelW - display->width()) / 2, (panelH - display->height()) / 2);
}

void TOpenDial::LoadPreview() {
  platform::BusyCursor busy;
  try {
    QListWidgetItem *item = FileListBox->currentItem();
    if (!item) return;
    const QString name = item->text();
    bool stretch = false;
    if (!IsPlainPictureName(name)) {
      Image->SetImageName(name);
      FitDisplay(Image, Image->InfoWidth, Image->InfoHeight, stretch);
      Image->SetStretch(stretch);
    } else {
      platform::Picture picture;
      picture.LoadFromFile(name);
      Image1->SetPicture(picture);
      FitDisplay(Image1, picture.Width(), picture.Height(), stretch);
      Image1->SetStretch(stretch);
    }
  } catch (const std::exception &) {
    // A preview that cannot be made shows nothing and says nothing.
  }
}

bool TOpenDial::eventFilter(QObject *watched, QEvent *event) {
  if (watched == Edit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // Enter applies the name to the lists and does not press OK.
      platform::RunGuarded([this] { ApplyEditText(Edit->text()); });
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TOpenDial::ApplyEditText(const QString &text) {
  Edit->setText(text);
  QString last = text;
  const int slash = text.lastIndexOf(u'/');
  if (slash >= 0) {
    const QString folder = slash == 0 ? QStringLiteral("/") : text.left(slash);
    if (QFileInfo(folder).isDir()) ChangeFolder(folder);
    last = text.mid(slash + 1);
  }
  if (last.isEmpty()) return;
  if (last.contains(u'*') || last.contains(u'?')) {
    SetMask(last);
    return;
  }
  const QList<QListWidgetItem *> found = FileListBox->findItems(last, Qt::MatchFixedString);
  if (!found.isEmpty() || platform::FileExists(last)) {
    if (!found.isEmpty()) SelectFileRow(FileListBox->row(found.first()));
    return;
  }
  platform::ErrorBox(QStringLiteral("Nom de fichier incorrect - %1").arg(text), this);
}

void TOpenDial::OKBtnClick() {
  Accepted = true;
  accept();
}

void TOpenDial::FileListBoxDblClick() {
  if (QListWidgetItem *item = FileListBox->currentItem()) Edit->setText(item->text());
  Accepted = true;
  accept();
}

void TOpenDial::CancelBtnClick() {
  Accepted = false;
  reject();
}

bool TOpenDial::FormCloseQuery() {
  if (Accepted) return platform::FileExists(Edit->text());
  return true;
}

void TOpenDial::FormClose() {
  showPreview_ = apercu->isChecked();
}

void TOpenDial::done(int result) {
  bool mayClose = false;
  platform::RunGuarded([&] { mayClose = FormCloseQuery(); });
  if (!mayClose) return;
  platform::RunGuarded([this] { FormClose(); });
  QDialog::done(result);
}

}  // namespace dialogs
