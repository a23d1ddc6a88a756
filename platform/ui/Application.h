#pragma once
// The application object. Every exception that leaves an event handler is caught here,
// shown in the standard error box, and the program goes on: none crosses the event loop.
#include <QApplication>
#include <functional>

namespace platform {

class Application : public QApplication {
  Q_OBJECT
 public:
  Application(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;
};

// Runs `handler` and shows any failure it raises in the standard error box. For the
// places where the program itself calls a handler outside an event (start-up steps).
void RunGuarded(const std::function<void()> &handler);

// Shows the exception currently being handled; call only inside a catch block.
void ShowCurrentException();

// Wraps a handler for a signal connection so that a failure is shown before it could
// unwind into Qt's own frames: connect(button, &QPushButton::clicked, Guard([this] { ... })).
template <class F>
auto Guard(F handler) {
  return [handler = std::move(handler)](auto &&...args) {
    RunGuarded([&] { handler(std::forward<decltype(args)>(args)...); });
  };
}

}  // namespace platform
