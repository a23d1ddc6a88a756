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

// Calls `handler` with the arguments, or with none when it takes none: signals may carry
// arguments the handler does not take (clicked(bool)). A function template of its own, so
// the branch not taken is never compiled for a handler it does not fit.
template <class F, class... Args>
void CallWithArgumentsItTakes(const F &handler, Args &&...args) {
  if constexpr (std::is_invocable_v<const F &, Args...>)
    handler(std::forward<Args>(args)...);
  else
    handler();
}

// Wraps a handler for a signal connection so that a failure is shown before it could
// unwind into Qt's own frames: connect(button, &QPushButton::clicked, Guard([this] { ... })).
// The wrapper is callable only with arguments the handler can do with: Qt probes it with
// fewer arguments than the signal carries.
template <class F>
auto Guard(F handler) {
  return [handler = std::move(handler)](
             auto &&...args) -> void requires(std::is_invocable_v<const F &, decltype(args)...> ||
                                              std::is_invocable_v<const F &>) {
    try {
      CallWithArgumentsItTakes(handler, std::forward<decltype(args)>(args)...);
    } catch (...) {
      ShowCurrentException();
    }
  };
}

}  // namespace platform
