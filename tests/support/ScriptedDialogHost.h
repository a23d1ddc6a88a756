#pragma once
// The tests' dialog host: every message box, file, print or program dialog takes the next
// queued answer instead of waiting for a person.
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

#include "ui/DialogHost.h"

namespace platform {

// A host that answers from a queue. Each call takes the next answer, which must be of
// the kind the call expects; a missing or mismatched answer fails loudly, because a
// test that did not foresee a dialog has found a fault.
class ScriptedDialogHost : public DialogHost {
 public:
  struct Shown {
    enum Kind { Message, File, Print, Modal } kind;
    MessageBoxSpec message;
    FileDialogSpec file;
    QString dialogClass;
  };
  using ModalScript = std::function<int(QDialog &)>;
  using PrintScript = std::function<bool(PrintDialogSpec &)>;
  // Answers each step of a progress window: false stands for a click on "Annuler".
  using ProgressScript = std::function<bool(const QString &step)>;

  void AnswerMessage(MessageResult result) { answers_.emplace_back(result); }
  void AnswerFile(const QString &path) { answers_.emplace_back(path); }
  void AnswerPrint(PrintScript script) { answers_.emplace_back(std::move(script)); }
  void AnswerModal(ModalScript script) { answers_.emplace_back(std::move(script)); }

  // Progress windows are not queued answers: every long job makes one, shown or not. They
  // go on unless a script says otherwise, and each step's text is kept.
  void AnswerProgress(ProgressScript script) { progress_ = std::move(script); }
  const std::vector<QString> &ProgressSteps() const { return steps_; }

  const std::vector<Shown> &ShownDialogs() const { return shown_; }
  size_t PendingAnswers() const { return answers_.size(); }
  // The last message box shown, for quick checks.
  const MessageBoxSpec *LastMessage() const;

  MessageResult MessageBox(QWidget *parent, const MessageBoxSpec &request) override;
  QString FileDialog(QWidget *parent, const FileDialogSpec &request) override;
  bool PrintDialog(QWidget *parent, PrintDialogSpec &request) override;
  int ExecModal(QDialog &dialog) override;
  std::unique_ptr<ProgressWindow> Progress(QWidget *parent) override;

 private:
  using Answer = std::variant<MessageResult, QString, PrintScript, ModalScript>;
  template <class T>
  T Next(const char *what);
  std::deque<Answer> answers_;
  std::vector<Shown> shown_;
  ProgressScript progress_;
  std::vector<QString> steps_;
};

}  // namespace platform

// Installs a scripted dialog host for as long as it lives, then checks that every queued
// answer was asked for and puts the Qt host back. A fixture holds one as `dialogs_` and
// queues answers through it: dialogs_->AnswerMessage(platform::MessageResult::Yes).
class ScriptedDialogs {
 public:
  ScriptedDialogs();
  ~ScriptedDialogs();
  ScriptedDialogs(const ScriptedDialogs &) = delete;
  ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

  platform::ScriptedDialogHost *operator->() const { return host_; }
  platform::ScriptedDialogHost &operator*() const { return *host_; }

 private:
  platform::ScriptedDialogHost *host_;
};
