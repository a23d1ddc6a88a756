#pragma once
// Every modal window goes through one interface: message boxes, the common file and
// print dialogs, and the program's own dialogs. The Qt host shows real windows; the
// command line installs a console host, and tests a scripted one whose answers they queue.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QWidget;

namespace platform {

enum class MessageIcon { Error, Question, Information, Warning };
enum class MessageResult { Ok, Yes, No, Cancel };

struct MessageBoxSpec {
  QString title;
  QString text;
  MessageIcon icon = MessageIcon::Error;
  bool yesNoCancel = false;  // otherwise a single OK button
};

// Open and save dialogs. `filter` is written the Windows way, "Description|*.EXT", and
// `defaultExt` has no dot ("AFF").
struct FileDialogSpec {
  QString title;
  QString initialDir;
  QString fileName;
  QString filter;
  QString defaultExt;
  bool save = false;
  bool fileMustExist = false;    // open: the chosen file must exist
  bool overwritePrompt = false;  // save: ask before replacing a file
};

// The print dialog's request and answer: page range (numbers from 1), copies.
struct PrintDialogSpec {
  int minPage = 1;
  int maxPage = 1;
  bool pageRangeAllowed = false;
  // answers
  bool pageRangeChosen = false;
  int fromPage = 1;
  int toPage = 1;
  int copies = 1;
};

// A long job's progress window, made for one job and closed when it is destroyed. The job
// calls Step before each of its steps; the window appears only once the job has lasted
// about half a second, and Step returns false once the person asked to stop ("Annuler").
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual bool Step(const QString &text) = 0;
};

// The interface every modal window goes through.
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  virtual MessageResult MessageBox(QWidget *parent, const MessageBoxSpec &request) = 0;
  // Returns the chosen path, or an empty string when cancelled.
  virtual QString FileDialog(QWidget *parent, const FileDialogSpec &request) = 0;
  // Returns false when cancelled; fills in the answers of `request` otherwise.
  virtual bool PrintDialog(QWidget *parent, PrintDialogSpec &request) = 0;
  // Shows one of the program's own dialogs modally and returns its result code.
  virtual int ExecModal(QDialog &dialog) = 0;
  // The progress window of a long job, modal to `parent`'s window while it shows. The
  // default shows nothing and never stops the job (a host without windows).
  virtual std::unique_ptr<ProgressWindow> Progress(QWidget *parent);
};

// The host in force (the Qt host unless a test installed another).
DialogHost &Dialogs();
// Installs `host` for the rest of the run (nullptr puts the Qt host back).
void SetDialogHost(std::unique_ptr<DialogHost> host);

// The host that shows real windows: the one in force unless another is installed.
class QtDialogHost : public DialogHost {
 public:
  MessageResult MessageBox(QWidget *parent, const MessageBoxSpec &request) override;
  QString FileDialog(QWidget *parent, const FileDialogSpec &request) override;
  bool PrintDialog(QWidget *parent, PrintDialogSpec &request) override;
  int ExecModal(QDialog &dialog) override;
  std::unique_ptr<ProgressWindow> Progress(QWidget *parent) override;
};

// The Qt host's progress window, appearing after `delayMs` milliseconds of the job.
std::unique_ptr<ProgressWindow> MakeProgressWindow(QWidget *parent, int delayMs);

// The print dialog of the printing backend in force; defined by the printer support,
// the one call from this area up to the printer's, joined by the link.
bool ShowSystemPrintDialog(QWidget *parent, PrintDialogSpec &request);

// Turns "Affiches (*.AFF)|*.AFF" into Qt's "Affiches (*.AFF *.aff)".
QString QtFilterFromWindowsFilter(const QString &filter);

}  // namespace platform
