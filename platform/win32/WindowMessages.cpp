// Windows and their messages over QWidget: a window handle is its widget, a message is
// an event sent or posted to it; and the thread's Sleep.
#include <QApplication>
#include <QCoreApplication>
#include <QThread>
#include <QWidget>

#include "WinQt.h"

QWidget *WidgetOfHwnd(HWND window) {
  if (window == nullptr) return nullptr;
  for (QWidget *widget : QApplication::allWidgets())
    if (HwndOfWidget(widget) == window) return widget;
  return nullptr;
}

QEvent::Type WinMessageEvent::EventType() {
  static const auto type = QEvent::Type(QEvent::registerEventType());
  return type;
}

extern "C" {

HWND GetFocus(void) {
  return HwndOfWidget(QApplication::focusWidget());
}
HWND GetActiveWindow(void) {
  return HwndOfWidget(QApplication::activeWindow());
}
BOOL IsWindow(HWND window) {
  return WidgetOfHwnd(window) != nullptr;
}

BOOL GetClientRect(HWND window, RECT *rect) {
  QWidget *widget = WidgetOfHwnd(window);
  if (widget == nullptr || rect == nullptr) return FALSE;
  *rect = {0, 0, widget->width(), widget->height()};
  return TRUE;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM w, LPARAM l) {
  QWidget *widget = WidgetOfHwnd(window);
  if (widget == nullptr) return 0;
  WinMessageEvent event(message, w, l);
  QCoreApplication::sendEvent(widget, &event);
  return event.Result;
}

BOOL PostMessage(HWND window, UINT message, WPARAM w, LPARAM l) {
  QWidget *widget = WidgetOfHwnd(window);
  if (widget == nullptr) return FALSE;
  QCoreApplication::postEvent(widget, new WinMessageEvent(message, w, l));
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT *rect, BOOL) {
  QWidget *widget = WidgetOfHwnd(window);
  if (widget == nullptr) return FALSE;
  if (rect)
    widget->update(QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)));
  else
    widget->update();
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  QThread::msleep(milliseconds);
}

}  // extern "C"
