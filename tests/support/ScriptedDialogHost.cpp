#include "ScriptedDialogHost.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <stdexcept>
#include <string>

namespace platform {

template <class T>
T ScriptedDialogHost::Next(const char *what) {
  if (answers_.empty())
    throw std::logic_error(std::string("scripted dialogs: no answer queued for ") + what);
  Answer a = std::move(answers_.front());
  answers_.pop_front();
  if (!std::holds_alternative<T>(a))
    throw std::logic_error(std::string("scripted dialogs: the next answer is not for ") + what);
  return std::get<T>(std::move(a));
}

const MessageBoxSpec *ScriptedDialogHost::LastMessage() const {
  for (auto it = shown_.rbegin(); it != shown_.rend(); ++it)
    if (it->kind == Shown::Message) return &it->message;
  return nullptr;
}

MessageResult ScriptedDialogHost::MessageBox(QWidget *, const MessageBoxSpec &request) {
  shown_.push_back({Shown::Message, request, {}, {}});
  return Next<MessageResult>("a message box");
}

QString ScriptedDialogHost::FileDialog(QWidget *, const FileDialogSpec &request) {
  shown_.push_back({Shown::File, {}, request, {}});
  return Next<QString>("a file dialog");
}

bool ScriptedDialogHost::PrintDialog(QWidget *, PrintDialogSpec &request) {
  shown_.push_back({Shown::Print, {}, {}, {}});
  return Next<PrintScript>("a print dialog")(request);
}

int ScriptedDialogHost::ExecModal(QDialog &dialog) {
  shown_.push_back({Shown::Modal, {}, {}, QString::fromLatin1(dialog.metaObject()->className())});
  return Next<ModalScript>("a modal dialog")(dialog);
}

std::unique_ptr<ProgressWindow> ScriptedDialogHost::Progress(QWidget *) {
  class Scripted final : public ProgressWindow {
   public:
    explicit Scripted(ScriptedDialogHost &host) : host_(host) {}
    bool Step(const QString &text) override {
      host_.steps_.push_back(text);
      return !host_.progress_ || host_.progress_(text);
    }

   private:
    ScriptedDialogHost &host_;
  };
  return std::make_unique<Scripted>(*this);
}

}  // namespace platform

ScriptedDialogs::ScriptedDialogs() {
  auto host = std::make_unique<platform::ScriptedDialogHost>();
  host_ = host.get();
  platform::SetDialogHost(std::move(host));
}

ScriptedDialogs::~ScriptedDialogs() {
  EXPECT_EQ(host_->PendingAnswers(), 0u) << "a queued dialog answer was never asked for";
  platform::SetDialogHost(nullptr);
}
