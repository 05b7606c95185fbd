#pragma once
// The client's custom window messages: one QEvent type that carries the
// message id, wParam and lParam. Panels and the measurement loop post them to
// the main dialog (the logging panel receives UWM_LOG_PROGRESS); a "sent"
// message is delivered at once on the calling (UI) thread.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <cstdint>

namespace kelvara {

enum WindowMessage : int {
  UWM_CONNECTED = 0x1401,
  UWM_DISCONNECTED = 0x1402,
  UWM_TAKE_PICTURE = 0x2401,
  UWM_START_MEASUREMENT = 0x2402,
  UWM_STOP_MEASUREMENT = 0x2403,
  UWM_WAIT_CURSOR = 0x2404,
  UWM_START_3D = 0x2405,
  UWM_STOP_3D = 0x2406,
  UWM_FORMAT_CHANGED = 0x2407,
  UWM_START_LOGGING = 0x2408,
  UWM_STOP_LOGGING = 0x2409,
  UWM_LOG_PROGRESS = 0x3401,
  UWM_SET_FLIP = 0x3411,
  UWM_SET_VIEW_RANGE = 0x3412,
  UWM_REDRAW_FRAME = 0x3413,
  UWM_SET_CENTER_MARK = 0x3414,
  UWM_SET_STOP_SAMPLING = 0x3416,
};

class WindowMessageEvent : public QEvent {
 public:
  WindowMessageEvent(int message, intptr_t wparam, intptr_t lparam)
      : QEvent(Type()), message_(message), wparam_(wparam), lparam_(lparam) {}

  // The one event type of every custom message, registered on first use.
  static QEvent::Type Type() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  int message() const { return message_; }
  intptr_t wparam() const { return wparam_; }
  intptr_t lparam() const { return lparam_; }

 private:
  int message_;
  intptr_t wparam_;
  intptr_t lparam_;
};

// Queued for the receiver's thread; safe from any thread (PostMessage).
inline void PostWindowMessage(QObject* receiver, int message, intptr_t wparam = 0, intptr_t lparam = 0) {
  if (receiver) QCoreApplication::postEvent(receiver, new WindowMessageEvent(message, wparam, lparam));
}

// Handled before it returns; call it on the receiver's thread (SendMessage).
inline bool SendWindowMessage(QObject* receiver, int message, intptr_t wparam = 0, intptr_t lparam = 0) {
  if (!receiver) return false;
  WindowMessageEvent event(message, wparam, lparam);
  return QCoreApplication::sendEvent(receiver, &event);
}

}  // namespace kelvara
