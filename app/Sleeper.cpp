#include "Sleeper.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace app {

TSleeper::TSleeper(QObject *owner) : QObject(owner), timer_(std::make_unique<QTimer>()) {
  timer_->setSingleShot(true);
  timer_->setInterval(1000);
  connect(timer_.get(), &QTimer::timeout, this, [this] { done_ = true; });
}

void TSleeper::Delay() {
  if (!timer_) return;
  done_ = false;
  timer_->start();
  // Waits for the next message instead of spinning, so the wait costs no processor time
  // while the window stays responsive.
  while (!done_)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  timer_->stop();
}

}  // namespace app
