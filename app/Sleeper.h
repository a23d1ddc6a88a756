#pragma once
// A delay that keeps the program alive: the window messages go on being processed while
// it waits, so the splash window stays painted.
#include <QObject>
#include <QTimer>
#include <memory>

namespace app {

// `TSleeper`: the splash's delay.
class TSleeper : public QObject {
  Q_OBJECT
 public:
  explicit TSleeper(QObject *owner = nullptr);

  int Interval() const { return timer_ ? timer_->interval() : 0; }
  void SetInterval(int ms) {
    if (timer_) timer_->setInterval(ms);
  }
  // Returns once the interval has passed, having processed window messages meanwhile.
  void Delay();

 private:
  std::unique_ptr<QTimer> timer_;
  bool done_ = false;
};

}  // namespace app
