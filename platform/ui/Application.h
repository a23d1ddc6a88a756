#pragma once
// The application object. Every exception that leaves an event handler is caught here,
// shown in the standard error box, and the program goes on: none crosses the event loop.
#include <QApplication>
#include <functional>
#include <type_traits>

namespace platform {

class Application : public QApplication {
  Q_OBJECT
 public:
  Application(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;
};

// The help topic of `widget`: its "helpTopic" property or its nearest parent's; 0 for none.
int HelpTopicOf(const QWidget *widget);

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
    RunGuarded([&] {
      // Signals may carry arguments the handler does not take (clicked(bool)).
      if constexpr (std::is_invocable_v<const F &, decltype(args)...>)
        handler(std::forward<decltype(args)>(args)...);
      else
        handler();
    });
  };
}

}  // namespace platform
