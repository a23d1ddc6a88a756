#include "MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "AboutBox.h"
#include "Binding.h"
#include "FormatDialog.h"
#include "ImageView.h"
#include "LanguageTexts.h"
#include "OpenDial.h"
#include "PosterFile.h"
#include "PosterPrinting.h"
#include "SheetLayout.h"
#include "core/CheckedOutput.h"
#include "core/Errors.h"
#include "core/FileCopy.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/PictureFormats.h"
#include "core/Registry.h"
#include "print/Printer.h"
#include "ui/Application.h"
#include "ui/Cursors.h"
#include "ui/DialogHost.h"
#include "ui/HelpViewer.h"
#include "ui/ImageControl.h"
#include "ui/MessageBoxes.h"

namespace app {

using layout::PictureOrigin;
using platform::BusyCursor;
using platform::Round;

namespace {
// Panel frames, in pixels: inner sizes leave out twice the border and twice the bevel.
constexpr int kToolColumnWidth = 49;
constexpr int kPanelBorderWidth = 2;
constexpr int kBevelWidth = 1;
constexpr int kPanelInset = kPanelBorderWidth + kBevelWidth;
constexpr int kCursorMain = 1;
constexpr int kMainHelpTopic = 1;
// The lowest tool ("Quitter", 32 pixels high at 456) and the panel's frame below it; the
// width leaves the picture and the preview a usable square.
constexpr int kMinimumHeight = 456 + 32 + kPanelInset;
constexpr int kMinimumWidth = kToolColumnWidth + 2 * 200;

TForm1 *theMainForm = nullptr;

// A picture read stopped by "Annuler" in its progress window: nothing to say, and the
// poster on screen stays as it was.
class PictureLoadStopped : public platform::Failure {
 public:
  PictureLoadStopped() : Failure(QStringLiteral("Chargement de l'image annulé")) {}
};

QFrame *LoweredPanel(QWidget *parent, const QString &name) {
  auto *panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(kBevelWidth);
  panel->setAutoFillBackground(true);
  return panel;
}
}  // namespace

TForm1 *MainForm() {
  return theMainForm;
}

TForm1::TForm1(const StartOptions &options, QWidget *parent) : QWidget(parent), options_(options) {
  if (options_.startFolder.isEmpty()) options_.startFolder = QDir::currentPath();
  theMainForm = this;
  setObjectName(QStringLiteral("Form1"));
  setProperty("helpTopic", kMainHelpTopic);
  resize(648, 526);
  // Every tool of the column stays in sight: the column has fixed places down to "Quitter".
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  setWindowIcon(QIcon(QStringLiteral(":/icons/muralix.svg")));
  CreateControls();
  // A failure here is shown, the rest of the creation is skipped and the window opens.
  platform::RunGuarded([this] { FormCreate(); });
}

TForm1::~TForm1() {
  // The child windows go first, while the poster document still exists for whatever their
  // destruction sets off.
  qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
  NewFor = nullptr;
  if (theMainForm == this) theMainForm = nullptr;
}

const MainWindowTexts &TForm1::Texts() const {
  return TextsFor(Language);
}

QToolButton *TForm1::CreateToolImage(const QString &name, int y, void (TForm1::*handler)()) {
  auto *button = new QToolButton(Panel1);
  button->setObjectName(name);
  button->setGeometry(8, y, 32, 32);
  button->setIcon(QIcon(QStringLiteral(":/tools/%1.svg").arg(name)));
  button->setIconSize(QSize(28, 28));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::TabFocus);
  connect(button, &QToolButton::clicked, this,
          platform::Guard([this, handler] { (this->*handler)(); }));
  return button;
}

void TForm1::CreateControls() {
  Panel1 = LoweredPanel(this, QStringLiteral("Panel1"));
  NewBtn = CreateToolImage(QStringLiteral("NewBtn"), 8, &TForm1::Nouveau1Click);
  ScanSelect = CreateToolImage(QStringLiteral("ScanSelect"), 64, &TForm1::ScanSelectClick);
  ScanImage = CreateToolImage(QStringLiteral("ScanImage"), 104, &TForm1::ScanImageClick);
  OpenBtn = CreateToolImage(QStringLiteral("OpenBtn"), 152, &TForm1::Ouvrir1Click);
  SaveBtn = CreateToolImage(QStringLiteral("SaveBtn"), 208, &TForm1::Enregistrer1Click);
  SaveAsBtn = CreateToolImage(QStringLiteral("SaveAsBtn"), 248, &TForm1::Enregistrersous1Click);
  FormatBtn = CreateToolImage(QStringLiteral("FormatBtn"), 304, &TForm1::FormatBtnClick);
  PrintBtn = CreateToolImage(QStringLiteral("PrintBtn"), 400, &TForm1::PrintBtnClick);
  ExitBtn = CreateToolImage(QStringLiteral("ExitBtn"), 456, &TForm1::Quitter1Click);
  HelpBtn = CreateToolImage(QStringLiteral("HelpBtn"), 380, &TForm1::Aide1Click);
  AProposBtn = CreateToolImage(QStringLiteral("AProposBtn"), 428, &TForm1::Apropos1Click);
  for (QToolButton *glyph : {HelpBtn, AProposBtn}) {
    glyph->setGeometry(glyph->x(), glyph->y(), 25, 25);
    glyph->setIconSize(QSize(21, 21));
    glyph->setFocusPolicy(Qt::NoFocus);  // not in the tab order
    glyph->hide();
  }

  Panel = LoweredPanel(this, QStringLiteral("Panel"));
  Panel->setLineWidth(kPanelBorderWidth);
  EmptyHint = new QLabel(Panel);
  EmptyHint->setObjectName(QStringLiteral("EmptyHint"));
  EmptyHint->setAlignment(Qt::AlignCenter);
  EmptyHint->setWordWrap(true);
  EmptyHint->setTextFormat(Qt::RichText);
  EmptyHint->setText(QStringLiteral(
      "<p><img src=\":/icons/muralix.png\" width=\"96\" height=\"96\"></p>"
      "<p style=\"font-size:15px; color:#3b4a5a\"><b>Aucune affiche</b></p>"
      "<p style=\"color:#5d6b78\">Chargez une image <img src=\":/tools/NewBtn.svg\" width=\"16\" "
      "height=\"16\"> ou numérisez-la <img src=\":/tools/ScanImage.svg\" width=\"16\" "
      "height=\"16\">,<br>ou ouvrez une affiche enregistrée <img src=\":/tools/OpenBtn.svg\" "
      "width=\"16\" height=\"16\">.</p>"));
  EmptyHint->setAccessibleName(QStringLiteral("Aucune affiche"));
  Feuille = new platform::ImageControl(Panel);
  Feuille->setObjectName(QStringLiteral("Feuille"));
  Feuille->hide();
  Tampon = new imagecomp::TImageView(Panel);
  Tampon->setObjectName(QStringLiteral("Tampon"));
  Tampon->setGeometry(0, 0, 105, 105);
  Tampon->SetAutoSize(true);
  Tampon->SetScrolling(true);
  Tampon->SetShowScrollbars(true);
  Tampon->SetImageReadRes(imagecomp::lAutoMatic);
  Tampon->SetImageWriteRes(imagecomp::sAutoMatic);
  Tampon->SetTifSaveCompress(imagecomp::sLZW);
  Tampon->SetTiffPage(1);
  Tampon->SetTiffAppend(false);
  Tampon->SetJPegSaveQuality(25);
  Tampon->SetJPegSaveSmooth(5);
  Tampon->SetZoomBy(10);
  Tampon->SetTabStop(false);
  Tampon->SetImageName(QStringLiteral("file not found"));
  Tampon->hide();
  Tampon->Loaded();

  Panel2 = LoweredPanel(this, QStringLiteral("Panel2"));
  Panel2->setLineWidth(kPanelBorderWidth);
  QFont sideFont = Panel2->font();
  sideFont.setPixelSize(11);
  Panel2->setFont(sideFont);
  Panel3 = new QFrame(Panel2);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel4 = new QFrame(Panel2);
  Panel4->setObjectName(QStringLiteral("Panel4"));
  CheckBox1 = new QCheckBox(Panel3);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setGeometry(14, 4, 80, 17);
  connect(CheckBox1, &QCheckBox::clicked, this, platform::Guard([this] { CheckBox1Click(); }));
  Label3 = new QLabel(Panel3);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->move(14, 22);
  QPalette red = Label3->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  Label3->setPalette(red);
  // Three lines in the foot's 55 pixels, so the preview square keeps its size.
  Resolution = new QLabel(Panel3);
  Resolution->setObjectName(QStringLiteral("Resolution"));
  Resolution->setGeometry(14, 38, 240, 15);
  Image = new platform::ImageControl(Panel4);
  Image->setObjectName(QStringLiteral("Image"));
  Image->hide();
}

void TForm1::FormCreate() {
  // The program's pointer on the tool images.
  platform::RegisterCursor(kCursorMain, platform::LoadCursorResource(QStringLiteral("Main")));
  for (QToolButton *b :
       {NewBtn, ScanSelect, ScanImage, OpenBtn, SaveBtn, SaveAsBtn, FormatBtn, PrintBtn, ExitBtn})
    b->setCursor(platform::CursorNumber(kCursorMain));
  // Texts, hints and the picture folder's name in the interface language.
  ApplyLanguage();
  // No poster yet: nothing to save, a last file to remember, the ratio locked.
  Document.Modified = false;
  ForgetLastFile = false;
  Document.KeepRatio = true;
  // The program's folder for what it writes: the user's data folder, since the program's
  // own folder is read-only once installed (the help file and settings key still come from
  // the program file).
  ProgramFolder = platform::ProgramDataFolder();
  // The picture folder is made when it is missing. One that cannot be written is said
  // once, by name, and the window still starts whole: only saving needs that folder.
  const bool missing = !platform::AnyEntryIn(PictureFolder());
  try {
    platform::PrepareWritableFolder(PictureFolder());
    if (missing) platform::SetCurrentDir(ProgramFolder);
  } catch (const platform::Failure &failure) {
    platform::ErrorBox(failure.Text(), this);
  }
  // The help file: the program file with the extension ".hlp".
  platform::SetHelpFile(platform::ChangeFileExt(platform::ProgramFile(), QStringLiteral(".hlp")));
  // The settings key: the program file's name with ".ini".
  SettingsKeyName = platform::ChangeFileExt(platform::ExtractFileName(platform::ProgramFile()),
                                            QStringLiteral(".ini"));
  // The last poster file, the window's place and size, the picture preview option.
  ReadSettings();
  // The caption without a poster.
  SetCaption(QString());
  // Reals are written and read with a decimal comma.
  QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
  // The empty state: only the commands that need no poster.
  ShowNoDocument();
}

void TForm1::ReadSettings() {
  platform::RegistryKey settings(SettingsKeyName);
  Document.PosterFileName =
      settings.ReadString(QStringLiteral("DernierFichier"), QStringLiteral("Fichier"));
  const QString mainW = QStringLiteral("MainW");
  if (settings.ReadBool(mainW, QStringLiteral("Maxi"), true)) {
    setWindowState(windowState() | Qt::WindowMaximized);
  } else {
    QSize screen(1024, 768);
    if (QScreen *s = QGuiApplication::primaryScreen()) screen = s->size();
    const int x = settings.ReadInteger(mainW, QStringLiteral("x"), 0);
    const int y = settings.ReadInteger(mainW, QStringLiteral("y"), 0);
    const int w = settings.ReadInteger(mainW, QStringLiteral("w"), screen.width());
    const int h = settings.ReadInteger(mainW, QStringLiteral("h"), screen.height());
    move(x, y);
    resize(w, h);
  }
  ShowPreview = settings.ReadBool(QStringLiteral("Options"), QStringLiteral("Aperçu"), true);
  OverlapMm = std::max(
      0, settings.ReadInteger(QStringLiteral("Options"), QStringLiteral("Recouvrement"), 0));
  NumberSheetsOn =
      settings.ReadBool(QStringLiteral("Options"), QStringLiteral("NumérosFeuilles"), false);
  AssemblyMapOn =
      settings.ReadBool(QStringLiteral("Options"), QStringLiteral("PlanAssemblage"), false);
  LosslessPictureOn =
      settings.ReadBool(QStringLiteral("Options"), QStringLiteral("SansPerte"), false);
  // A name that is no paper (settings edited by hand) leaves the A4.
  layout::UsePdfPaper(*this,
                      settings.ReadString(QStringLiteral("Options"), QStringLiteral("PapierPDF")));
}

void TForm1::OpenCommandLinePoster() {
  platform::RunGuarded([this] {
    if (options_.arguments.isEmpty()) return;
    Document.PosterFileName = options_.arguments.first();
    if (Document.PosterFileName.isEmpty()) return;
    // Named relative to the folder the program started in, which the first start leaves.
    if (!platform::FileExists(Document.PosterFileName) &&
        QFileInfo(Document.PosterFileName).isRelative())
      Document.PosterFileName = QDir(options_.startFolder).filePath(Document.PosterFileName);
    if (!platform::FileExists(Document.PosterFileName)) {
      Document.PosterFileName.clear();
      return;
    }
    try {
      ReadPosterFile(Document.PosterFileName);
    } catch (const std::exception &) {
      platform::SetNormalCursor();
      platform::ErrorBox(Texts().unknownFormat, this);
      ForgetLastFile = true;
      ShowNoDocument();
    }
  });
}

void TForm1::ApplyLanguage() {
  Language = kFrench;  // the program speaks French; English is a second table
  const MainWindowTexts &t = Texts();
  ImageFolderName = t.imageFolderName;
  const std::pair<QToolButton *, QString> hints[] = {
      {NewBtn, t.newBtnHint},     {ScanSelect, t.scanSelectHint}, {ScanImage, t.scanImageHint},
      {OpenBtn, t.openBtnHint},   {SaveBtn, t.saveBtnHint},       {FormatBtn, t.formatBtnHint},
      {PrintBtn, t.printBtnHint}, {SaveAsBtn, t.saveAsBtnHint},   {ExitBtn, t.exitBtnHint},
      {HelpBtn, t.helpBtnHint},   {AProposBtn, t.aProposBtnHint},
  };
  for (const auto &[button, hint] : hints) {
    button->setToolTip(hint);
    button->setAccessibleName(hint);
  }
  Label3->setText(t.sheetCountAtStart);
  Label3->adjustSize();  // read by a screen reader as its text: the sheet count itself
  CheckBox1->setText(t.landscapeCaption);
  CheckBox1->setAccessibleName(QString(t.landscapeCaption).remove(u'&'));
  Feuille->setAccessibleName(QStringLiteral("Image de l'affiche"));
  Image->setAccessibleName(QStringLiteral("Aperçu des feuilles"));
}

QString TForm1::PictureFolder() const {
  return ProgramFolder + ImageFolderName;
}

int TForm1::ScreenPpi() const {
  return logicalDpiX();
}

void TForm1::SetCaption(const QString &middle) {
  setWindowTitle(platform::ApplicationTitle() + middle + kCaptionNotice);
}

// ---------------------------------------------------------------------------------------
// Window layout

void TForm1::resizeEvent(QResizeEvent *) {
  platform::RunGuarded([this] { FormResize(); });
}

void TForm1::FormResize() {
  const int clientW = width();
  const int clientH = height();
  Panel1->setGeometry(0, 0, kToolColumnWidth, clientH);
  const int pictureW = (clientW - kToolColumnWidth) / 2;
  Panel->setGeometry(kToolColumnWidth, 0, pictureW, clientH);
  Panel2->setGeometry(kToolColumnWidth + pictureW, 0, clientW - kToolColumnWidth - pictureW,
                      clientH);
  const QRect inner = Panel2->rect().adjusted(kPanelInset, kPanelInset, -kPanelInset, -kPanelInset);
  Panel3->setGeometry(inner.left(), inner.bottom() + 1 - 55, inner.width(), 55);
  Panel4->setGeometry(inner.left(), inner.top(), inner.width(), inner.height() - 55);
  EmptyHint->setGeometry(Panel->rect().adjusted(16, 16, -16, -16));
  FitPicture();
  if (Feuille->isVisibleTo(this)) RefreshPreview();
}

void TForm1::FitPicture() {
  const int innerW = Panel->width() - 2 * kPanelBorderWidth - 2 * kBevelWidth;
  const int innerH = Panel->height() - 2 * kPanelBorderWidth - 2 * kBevelWidth;
  const int c = std::min(innerW, innerH);
  const platform::Picture &picture = Feuille->GetPicture();
  const int pw = picture.Width();
  const int ph = picture.Height();
  int w = pw, h = ph;
  if (pw > c || ph > c) {
    Feuille->SetStretch(true);
    if (pw > ph) {
      w = int(Round(4.0 * c / 5));
      h = int(Round(double(ph) * w / pw));
    } else {
      h = int(Round(4.0 * c / 5));
      w = int(Round(double(pw) * h / ph));
    }
  } else {
    Feuille->SetStretch(false);
  }
  Feuille->setGeometry((Panel->width() - w) / 2, (Panel->height() - h) / 2, w, h);
}

const platform::Picture &TForm1::PosterPicture() const {
  return Feuille->GetPicture();
}

QSize TForm1::PictureShownSize() const {
  return Feuille->size();
}

layout::SidePanel TForm1::Preview() {
  return {Panel4, Panel4->frameWidth(), Image, Label3, CheckBox1, Resolution};
}

void TForm1::SizePreviewSquare() {
  layout::SizePreviewSquare(*this);
}

void TForm1::RefreshPreview() {
  layout::RefreshPreview(*this);
}

void TForm1::CheckBox1Click() {
  layout::MainLandscapeBoxClick(*this);
}

void TForm1::CreateFormatDialog() {
  if (!NewFor) NewFor = new layout::TNewFor(*this, this);
}

// ---------------------------------------------------------------------------------------
// Closing

void TForm1::closeEvent(QCloseEvent *event) {
  bool allowed = false;
  platform::RunGuarded([&] { allowed = FormCloseQuery(); });
  if (!allowed) {
    event->ignore();
    return;
  }
  platform::RunGuarded([this] { FormClose(); });
  event->accept();
  // Closing the main window ends the program, whatever other window (the help) is open.
  QCoreApplication::quit();
}

bool TForm1::FormCloseQuery() {
  return AskSaveChanges();
}

void TForm1::FormClose() {
  platform::RegistryKey settings(SettingsKeyName);
  settings.EraseSection(QStringLiteral("DernierFichier"));
  settings.WriteString(QStringLiteral("DernierFichier"), QStringLiteral("Fichier"),
                       ForgetLastFile ? QString() : Document.PosterFileName);
  const QString mainW = QStringLiteral("MainW");
  settings.WriteInteger(mainW, QStringLiteral("x"), x());
  settings.WriteInteger(mainW, QStringLiteral("y"), y());
  settings.WriteInteger(mainW, QStringLiteral("w"), width());
  settings.WriteInteger(mainW, QStringLiteral("h"), height());
  settings.WriteBool(mainW, QStringLiteral("Maxi"), isMaximized());
  settings.EraseSection(QStringLiteral("Options"));
  settings.WriteBool(QStringLiteral("Options"), QStringLiteral("Aperçu"), ShowPreview);
  // Written only when set, so settings without an overlap stay as they were.
  if (OverlapMm > 0)
    settings.WriteInteger(QStringLiteral("Options"), QStringLiteral("Recouvrement"), OverlapMm);
  if (NumberSheetsOn)
    settings.WriteBool(QStringLiteral("Options"), QStringLiteral("NumérosFeuilles"), true);
  if (AssemblyMapOn)
    settings.WriteBool(QStringLiteral("Options"), QStringLiteral("PlanAssemblage"), true);
  if (LosslessPictureOn)
    settings.WriteBool(QStringLiteral("Options"), QStringLiteral("SansPerte"), true);
  if (!PdfPaperName.isEmpty())
    settings.WriteString(QStringLiteral("Options"), QStringLiteral("PapierPDF"), PdfPaperName);
  settings.Flush();
}

void TForm1::Quitter1Click() {
  close();
}

void TForm1::Aide1Click() {
  platform::ShowHelpTopic(0, this);
}

void TForm1::Apropos1Click() {
  if (aboutBox_) platform::Dialogs().ExecModal(*aboutBox_);
}

// ---------------------------------------------------------------------------------------
// The poster file

void TForm1::ReadPosterFile(const QString &path) {
  platform::SetBusyCursor();
  struct NormalCursorOnExit {
    ~NormalCursorOnExit() { platform::SetNormalCursor(); }
  } restore;
  Document.PosterFileName = path;
  TakePosterFileContents(Document, ReadPosterFileContents(path, ScreenPpi()));
  if (CheckBox1->isChecked() != Document.Landscape) {
    CheckBox1->setChecked(Document.Landscape);
    CheckBox1Click();
  }
  SetCaption(kCaptionSeparator + Document.PosterFileName);
  Document.ImagePath =
      platform::FindProgramDataFile(ImageFolderName + u'/' + Document.ImageFileName);
  // Only a regular file lying in the picture folder is the poster's picture: a link
  // there could lead anywhere.
  if (platform::IsPlainFile(Document.ImagePath)) {
    // Loaded as a new poster loads it, so a metafile keeps printing as vectors and an
    // icon keeps its transparency. A picture that cannot be read is said, like a missing one.
    try {
      Feuille->SetPicture(LoadPosterPicture(Document.ImagePath));
    } catch (const PictureLoadStopped &) {
      ShowNoDocument();
      Document.Modified = false;
      return;
    } catch (const platform::Failure &failure) {
      platform::SetNormalCursor();
      platform::ErrorBox(failure.Text(), this);
      platform::SetBusyCursor();
      ShowNoDocument();
      Document.Modified = false;
      return;
    }
    FitPicture();
    ShowDocument();
    platform::ThePrinter().SetOrientation(Document.Landscape ? platform::Orientation::Landscape
                                                             : platform::Orientation::Portrait);
  } else {
    platform::SetNormalCursor();
    platform::ErrorBox(Document.ImagePath + Texts().missingSuffix, this);
    platform::SetBusyCursor();
    ShowNoDocument();
  }
  Document.Modified = false;
}

namespace {
// Listens to the component's library failures for the length of one call, in place of
// the handler it had (put back at the end, also when the call raises).
class LibraryFailure {
 public:
  explicit LibraryFailure(imagecomp::TImageView *view)
      : view_(view), previous_(std::exchange(view->OnLibError, nullptr)) {
    view_->OnLibError = [this](imagecomp::TImageView *, int16_t, const QString &text,
                               const char *) {
      happened_ = true;
      text_ = text.trimmed();
    };
  }
  ~LibraryFailure() { view_->OnLibError = std::move(previous_); }
  LibraryFailure(const LibraryFailure &) = delete;
  LibraryFailure &operator=(const LibraryFailure &) = delete;
  bool Happened() const { return happened_; }
  const QString &Text() const { return text_; }

 private:
  imagecomp::TImageView *view_;
  std::function<void(imagecomp::TImageView *, int16_t, const QString &, const char *)> previous_;
  bool happened_ = false;
  QString text_;
};

// The progress window of one read by the component, for the length of the call: the
// library's readers report as they go and stop when "Annuler" was clicked.
class LoadProgress {
 public:
  LoadProgress(imagecomp::TImageView *view, QWidget *parent)
      : view_(view),
        window_(platform::Dialogs().Progress(parent)),
        previous_(std::exchange(view->OnProgress, nullptr)) {
    view_->OnProgress = [this](imagecomp::TImageView *, int16_t, const QString &, bool &cancel) {
      stopped_ = stopped_ || !window_->Step(QStringLiteral("Chargement de l'image…"));
      cancel = stopped_;
    };
  }
  ~LoadProgress() { view_->OnProgress = std::move(previous_); }
  LoadProgress(const LoadProgress &) = delete;
  LoadProgress &operator=(const LoadProgress &) = delete;
  bool Stopped() const { return stopped_; }

 private:
  imagecomp::TImageView *view_;
  std::unique_ptr<platform::ProgressWindow> window_;
  std::function<void(imagecomp::TImageView *, int16_t, const QString &, bool &)> previous_;
  bool stopped_ = false;
};
}  // namespace

void TForm1::WritePosterFile(const QString &path) {
  BusyCursor busy;
  const QString folder = PictureFolder() + u'/';
  const QString previousFileName = Document.ImageFileName;
  // A different picture already under this name in the picture folder would be taken
  // for ours when the poster is opened again: take the first free name instead. The
  // name is chosen before the poster file records it.
  if (Document.ImageOrigin == PictureOrigin::File)
    Document.ImageFileName =
        platform::FreeNameFor(Document.ImagePath, folder, Document.ImageFileName);
  const QString target = folder + Document.ImageFileName;
  // The picture goes into place first: a poster file naming a picture that is not there
  // would open as "introuvable". A picture made by this save goes again when the poster
  // file cannot be written, so a failure leaves everything as it was.
  bool pictureMade = false;
  try {
    switch (Document.ImageOrigin) {
      case PictureOrigin::File:
        if (!platform::FileExists(target)) {
          platform::CopyFileAtomic(Document.ImagePath, target);
          pictureMade = true;
        }
        break;
      case PictureOrigin::Scan: {
        // A scan is written into the picture folder and nowhere else.
        pictureMade = !platform::FileExists(target);
        // The component reports a failed write only to its error handler: catch it here so
        // a scan that could not be written is never taken for saved.
        LibraryFailure failure(Tampon);
        Tampon->SaveTiffFile(target);
        if (failure.Happened() || !platform::FileExists(target))
          throw platform::Failure(
              platform::CannotCreateText(target) +
              (failure.Text().isEmpty() ? QString() : QStringLiteral(" : ") + failure.Text()));
        break;
      }
      case PictureOrigin::PosterFile:
        break;
    }

    WritePosterFileContents(path, PosterFileContentsOf(Document));
  } catch (const platform::Failure &failure) {
    if (pictureMade) QFile::remove(target);
    Document.ImageFileName = previousFileName;
    const QString text = platform::WithFullStop(failure.Text()) + Texts().nothingSaved;
    if (const auto *io = dynamic_cast<const platform::InOutError *>(&failure))
      throw platform::InOutError(text, io->Code());
    throw platform::Failure(text);
  }
  // From now on the poster's picture is its copy, as when the poster is opened again:
  // the original may be moved or deleted without making the poster unsavable.
  if (Document.ImageOrigin == PictureOrigin::File || Document.ImageOrigin == PictureOrigin::Scan)
    Document.ImagePath = target;
  Document.Modified = false;
}

// ---------------------------------------------------------------------------------------
// States and commands

void TForm1::ShowNoDocument() {
  for (QWidget *w : {static_cast<QWidget *>(SaveBtn), static_cast<QWidget *>(SaveAsBtn),
                     static_cast<QWidget *>(FormatBtn), static_cast<QWidget *>(PrintBtn),
                     static_cast<QWidget *>(Feuille), static_cast<QWidget *>(CheckBox1),
                     static_cast<QWidget *>(Label3), static_cast<QWidget *>(Resolution),
                     static_cast<QWidget *>(Image)})
    w->hide();
  EmptyHint->show();
  Document.Modified = false;
  SetCaption(QString());
}

void TForm1::ShowDocument() {
  for (QWidget *w : {static_cast<QWidget *>(SaveBtn), static_cast<QWidget *>(SaveAsBtn),
                     static_cast<QWidget *>(FormatBtn), static_cast<QWidget *>(PrintBtn),
                     static_cast<QWidget *>(Feuille), static_cast<QWidget *>(CheckBox1),
                     static_cast<QWidget *>(Label3), static_cast<QWidget *>(Resolution),
                     static_cast<QWidget *>(Image)})
    w->show();
  EmptyHint->hide();
  RefreshPreview();
}

bool TForm1::AskSaveChanges() {
  if (!Document.Modified) return true;
  switch (platform::ConfirmBox(Texts().saveQuestion, this)) {
    case platform::MessageResult::Yes:
      Enregistrer1Click();
      return !Document.Modified;
    case platform::MessageResult::No:
      return true;
    default:
      return false;
  }
}

platform::Picture TForm1::LoadPosterPicture(const QString &path) {
  // "Image illisible : <path> : <reason>".
  const auto unreadable = [&path](const QString &reason) {
    return platform::Failure(imagecomp::UnreadablePictureText(path, reason));
  };
  platform::Picture picture;
  if (platform::HasPictureClass(platform::PictureFormatOfFile(path))) {
    try {
      picture.LoadFromFile(path);
    } catch (const std::exception &e) {
      throw unreadable(platform::TextOf(e));
    }
    if (picture.IsEmpty() || picture.Width() <= 0 || picture.Height() <= 0) throw unreadable({});
    return picture;
  }
  // The component keeps a failed read to itself and shows an empty picture; its reason
  // is caught here, and the poster it held (a scan) is put back.
  const bool keepScan = Document.ImageOrigin == PictureOrigin::Scan &&
                        Feuille->GetPicture().GetKind() == platform::Picture::Kind::Bitmap;
  const QImage scan = keepScan ? Feuille->GetPicture().Bitmap() : QImage();
  QString reason;
  bool failed = false;
  {
    LibraryFailure failure(Tampon);
    LoadProgress progress(Tampon, this);
    try {
      Tampon->SetImageName(path);
    } catch (const std::exception &e) {
      failed = true;
      reason = platform::TextOf(e);
    }
    if (failure.Happened()) {
      failed = true;
      reason = failure.Text();
    }
    if (progress.Stopped()) {
      if (keepScan) Tampon->SetPictureImage(scan);
      throw PictureLoadStopped();
    }
  }
  if (failed || !Tampon->Picture().HasContent()) {
    if (keepScan) Tampon->SetPictureImage(scan);
    throw unreadable(reason.isEmpty() ? imaging::Binding().LastErrorText : reason);
  }
  picture.AssignBitmap(Tampon->Picture().ToImage());
  return picture;
}

void TForm1::Nouveau1Click() {
  if (!AskSaveChanges()) return;
  QString chosen;
  {
    dialogs::TOpenDial dialog(ShowPreview, this);
    platform::Dialogs().ExecModal(dialog);
    if (!dialog.Accepted) return;
    chosen = dialog.Edit->text();
  }
  {
    BusyCursor busy;
    // The document changes only once the picture is really loaded: a picture that
    // cannot be read leaves the poster on screen and its files as they were.
    const QString path = platform::ExpandFileName(chosen);
    platform::Picture picture;
    try {
      picture = LoadPosterPicture(path);
    } catch (const PictureLoadStopped &) {
      return;
    }
    Document.ImagePath = path;
    Feuille->SetPicture(std::move(picture));
    FitPicture();
    Document.ImageFileName = platform::ExtractFileName(Document.ImagePath);
  }
  ShowDocument();
  Document.PosterWidth = Feuille->width();
  Document.PosterHeight = Feuille->height();
  Document.ImageOrigin = PictureOrigin::File;
  if (!ShowFormatDialogForNewPoster()) ShowNoDocument();
}

bool TForm1::ShowFormatDialogForNewPoster() {
  CreateFormatDialog();
  const int ppi = ScreenPpi();
  NewFor->SetWScrollPosition(std::min(layout::PositionOfPixels(Document.PosterWidth, ppi), 29700));
  NewFor->SetHScrollPosition(std::min(layout::PositionOfPixels(Document.PosterHeight, ppi), 29700));
  RefreshPreview();
  if (NewFor->Execute() != QDialog::Accepted) return false;
  Document.PosterWidth = layout::PixelsOfPosition(NewFor->WScrollPosition(), ppi);
  Document.PosterHeight = layout::PixelsOfPosition(NewFor->HScrollPosition(), ppi);
  Document.Modified = true;
  SetCaption(Texts().noNameCaption);
  Document.PosterFileName.clear();
  RefreshPreview();
  return true;
}

void TForm1::ScanImageClick() {
  // Without a scanner there is nothing to replace the poster with: say so before the save
  // question, and leave the poster as it is.
  bool available = false;
  {
    BusyCursor busy;
    imaging::Binding().LastErrorText.clear();
    available = Tampon->ScannerAvailable();
  }
  if (!available) {
    const QString reason = imaging::Binding().LastErrorText;
    platform::ErrorBox(reason.isEmpty() ? Texts().noScanner : reason, this);
    return;
  }
  if (!AskSaveChanges()) return;
  try {
    // The library's own failure (no scanner, a scanner that stopped) reaches the user;
    // a cancelled scan brings no picture and no message.
    QString failure;
    {
      BusyCursor busy;
      LibraryFailure scan(Tampon);
      Tampon->resize(0, Tampon->height());
      Tampon->AcquireFromScanner(this);
      failure = scan.Text();
    }
    if (!failure.isEmpty()) platform::ErrorBox(failure, this);
    if (Tampon->width() == 0 || !Tampon->Picture().HasContent()) {
      ShowNoDocument();
      return;
    }
    platform::Picture picture;
    picture.AssignBitmap(Tampon->Picture().ToImage());
    Feuille->SetPicture(std::move(picture));
    // The first free "scan<n>.tif" in the picture folder; it is written at save time.
    int n = 1;
    while (platform::FileExists(PictureFolder() + QStringLiteral("/scan%1.tif").arg(n))) ++n;
    Document.ImageFileName = QStringLiteral("scan%1.tif").arg(n);
    Document.ImagePath = PictureFolder() + u'/' + Document.ImageFileName;
    FitPicture();
    ShowDocument();
    Document.PosterWidth = Feuille->width();
    Document.PosterHeight = Feuille->height();
    Document.ImageOrigin = PictureOrigin::Scan;
    if (!ShowFormatDialogForNewPoster()) ShowNoDocument();
  } catch (const std::exception &) {
    ShowNoDocument();  // a failed scan leaves no poster and says nothing
  }
}

void TForm1::ScanSelectClick() {
  // With no scanner, say so; a choice the user cancelled needs no message.
  imaging::Binding().LastErrorCode = 0;
  if (Tampon->SelectScanner(this)) return;
  const imaging::TBindingState &state = imaging::Binding();
  if (state.LastErrorCode != 0 && state.LastErrorCode != MX_ERR_CANCELLED &&
      !state.LastErrorText.isEmpty())
    platform::ErrorBox(state.LastErrorText, this);
}

void TForm1::Ouvrir1Click() {
  const QString remembered = Document.PosterFileName;
  ForgetLastFile = false;
  platform::FileDialogSpec request;
  request.initialDir = ProgramFolder;
  if (!AskSaveChanges()) return;
  request.filter = Texts().fileFilter;
  request.defaultExt = Texts().defaultExt;
  request.fileName = Texts().initialFileName;
  request.fileMustExist = true;
  const QString chosen = platform::Dialogs().FileDialog(this, request);
  if (chosen.isEmpty()) return;
  try {
    ReadPosterFile(chosen);
    Document.ImageOrigin = PictureOrigin::PosterFile;
  } catch (const std::exception &) {
    ForgetLastFile = true;
    platform::SetNormalCursor();
    ShowNoDocument();
    SetCaption(QString());
    platform::ErrorBox(Texts().unknownFormat, this);
    Document.PosterFileName = remembered;
    if (Document.PosterFileName.isEmpty()) Nouveau1Click();
  }
}

void TForm1::Enregistrer1Click() {
  if (!Document.PosterFileName.isEmpty())
    WritePosterFile(Document.PosterFileName);
  else
    Enregistrersous1Click();
}

void TForm1::Enregistrersous1Click() {
  platform::FileDialogSpec request;
  request.initialDir = ProgramFolder;
  request.save = true;
  request.overwritePrompt = true;
  request.filter = Texts().fileFilter;
  request.defaultExt = Texts().defaultExt;
  request.fileName = Texts().initialFileName;
  const QString chosen = platform::Dialogs().FileDialog(this, request);
  if (chosen.isEmpty()) return;
  Document.PosterFileName = chosen;
  SetCaption(kCaptionSeparator + Document.PosterFileName);
  Enregistrer1Click();
}

void TForm1::FormatBtnClick() {
  CreateFormatDialog();
  layout::FormatBtnClick(*this, *NewFor);
}

void TForm1::PrintBtnClick() {
  layout::PrintPoster(*this);
}

void TForm1::Imprimer1Click() {
  PrintBtnClick();
}

}  // namespace app
