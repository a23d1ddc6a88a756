#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "DialogHost.h"
#include "MessageBoxes.h"

namespace platform {

namespace {

// The window is made only when the job turns out long, so a short job shows nothing.
// Until then the job runs as every job does, under the busy cursor without dispatching
// messages; once it shows, it is application-modal and each step lets its events through,
// so "Annuler" can be clicked while no other window takes input in the middle of the job.
class QtProgressWindow final : public ProgressWindow {
 public:
  QtProgressWindow(QWidget *parent, int delayMs) : parent_(parent), delayMs_(delayMs) {
    clock_.start();
  }
  ~QtProgressWindow() override { delete dialog_.data(); }

  bool Step(const QString &text) override {
    if (cancelled_) return false;
    if (!dialog_ && clock_.elapsed() >= delayMs_) Show();
    if (dialog_) {
      label_->setText(text);
      label_->setAccessibleName(text);
      QCoreApplication::processEvents();
    }
    return !cancelled_;
  }

 private:
  void Show() {
    auto *dialog = new QDialog(parent_ ? parent_->window() : nullptr);
    dialog->setWindowTitle(ApplicationTitle());
    dialog->setWindowModality(Qt::ApplicationModal);
    label_ = new QLabel(dialog);
    label_->setMinimumWidth(280);
    auto *cancel = new QPushButton(QStringLiteral("Annuler"), dialog);
    cancel->setAccessibleName(QStringLiteral("Annuler"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto *column = new QVBoxLayout(dialog);
    column->addWidget(label_);
    column->addLayout(buttons);
    // The button, Escape and the window's close box all ask the job to stop at its next
    // step; from then on no more events are let through.
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(dialog, &QDialog::rejected, dialog, [this] { cancelled_ = true; });
    dialog_ = dialog;
    dialog->show();
  }

  QPointer<QWidget> parent_;
  int delayMs_;
  QElapsedTimer clock_;
  QPointer<QDialog> dialog_;
  QLabel *label_ = nullptr;
  bool cancelled_ = false;
};

// The host without windows: nothing shows and the job always goes on.
class SilentProgress final : public ProgressWindow {
 public:
  bool Step(const QString &) override { return true; }
};

}  // namespace

std::unique_ptr<ProgressWindow> DialogHost::Progress(QWidget *) {
  return std::make_unique<SilentProgress>();
}

std::unique_ptr<ProgressWindow> MakeProgressWindow(QWidget *parent, int delayMs) {
  return std::make_unique<QtProgressWindow>(parent, delayMs);
}

std::unique_ptr<ProgressWindow> QtDialogHost::Progress(QWidget *parent) {
  return MakeProgressWindow(parent, 500);
}

}  // namespace platform
