#pragma once
// The main window: the tool column, the picture panel and the side panel with the sheet
// preview. It holds the one poster document, which every other window reaches through it.
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QToolButton;

namespace platform {
class ImageControl;
class Picture;
}  // namespace platform
namespace imagecomp {
class TImageView;
}
namespace dialogs {
class TAboutBox;
}
namespace layout {
class TNewFor;
class PosterHost;
}  // namespace layout

namespace app {

struct MainWindowTexts;

// Where the program's files are: normally beside the program file; tests point it
// elsewhere.
struct StartOptions {
  QStringList arguments;  // the command line without the program name
};

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm1(const StartOptions &options, QWidget *parent = nullptr);
  ~TForm1() override;

  // Opens the poster named on the command line. Run once every window of the program
  // exists, since reading a poster draws its sheet layout.
  void OpenCommandLinePoster();
  // The format dialog and the about box live as long as the program; the entry makes
  // them after this window.
  void CreateFormatDialog();
  void SetAboutBox(dialogs::TAboutBox *box) { aboutBox_ = box; }
  layout::TNewFor *NewFor = nullptr;
  // What the sheet layout, the format dialog and printing see of this window.
  layout::PosterHost &LayoutHost() { return *layoutHost_; }

  // --- Main window fields ---
  QString ProgramFolder;  // the program's folder for what it writes (platform::ProgramDataFolder)
  QString ImageFolderName;
  uint8_t Language = 0;
  QString SettingsKeyName;
  bool ShowPreview = true;
  bool ForgetLastFile = false;

  // --- The poster document ---
  QString PosterFileName;
  QString ImageFileName;
  QString ImagePath;
  int16_t ImageOrigin = 0;
  int32_t PosterWidth = 0;
  int32_t PosterHeight = 0;
  bool KeepRatio = true;
  bool Landscape = false;
  bool Modified = false;
  QString VersionTag;

  // --- Controls ---
  QFrame *Panel1 = nullptr;  // tool column
  QToolButton *NewBtn = nullptr, *ScanSelect = nullptr, *ScanImage = nullptr, *OpenBtn = nullptr,
              *SaveBtn = nullptr, *SaveAsBtn = nullptr, *FormatBtn = nullptr, *PrintBtn = nullptr,
              *ExitBtn = nullptr, *HelpBtn = nullptr, *AProposBtn = nullptr;
  QFrame *Panel = nullptr;  // picture panel
  platform::ImageControl *Feuille = nullptr;
  QLabel *EmptyHint = nullptr;  // what to do first, shown while there is no poster
  imagecomp::TImageView *Tampon = nullptr;
  QFrame *Panel2 = nullptr;  // side panel
  QFrame *Panel3 = nullptr;
  QFrame *Panel4 = nullptr;
  QCheckBox *CheckBox1 = nullptr;
  QLabel *Label3 = nullptr;
  platform::ImageControl *Image = nullptr;  // sheet preview

  // --- Poster file ---
  void ReadPosterFile(const QString &path);
  void WritePosterFile(const QString &path);
  QString PictureFolder() const;  // ProgramFolder + ImageFolderName, without separator

  // --- States and commands ---
  void ShowNoDocument();
  void ShowDocument();
  bool AskSaveChanges();
  void Nouveau1Click();
  void ScanImageClick();
  void ScanSelectClick();
  void Ouvrir1Click();
  void Enregistrer1Click();
  void Enregistrersous1Click();
  void FormatBtnClick();
  void PrintBtnClick();
  void Imprimer1Click();
  void Quitter1Click();
  void Aide1Click();
  void Apropos1Click();
  void CheckBox1Click();

  // --- Layout of the window ---
  void FitPicture();
  void RefreshPreview();
  void SizePreviewSquare();
  // The caption: application title + `middle` + the caption notice.
  void SetCaption(const QString &middle);
  // The screen's pixels per inch, in which poster sizes are held.
  int ScreenPpi() const;

  const MainWindowTexts &Texts() const;

 protected:
  void resizeEvent(QResizeEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

 private:
  void FormCreate();
  void FormResize();
  bool FormCloseQuery();
  void FormClose();
  void ApplyLanguage();
  void ReadSettings();
  void CreateControls();
  QToolButton *CreateToolImage(const QString &name, int y, void (TForm1::*handler)());
  // The picture of a poster: the platform's picture classes for BMP, WMF and ICO (a
  // metafile stays vectors, an icon keeps its transparency), the image component for the
  // rest. A picture that cannot be read raises a Failure naming the file and the reason.
  platform::Picture LoadPosterPicture(const QString &path);
  // Runs the format dialog for a picture just loaded; returns true when accepted.
  bool ShowFormatDialogForNewPoster();

  StartOptions options_;
  std::unique_ptr<layout::PosterHost> layoutHost_;
  dialogs::TAboutBox *aboutBox_ = nullptr;
  bool closing_ = false;
};

// The one main window of the program, for the windows that reach the poster document.
TForm1 *MainForm();

}  // namespace app
