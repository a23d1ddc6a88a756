#pragma once
// Cursors: the busy cursor over the whole screen, and the program's cursor table, in
// which its own cursors are registered by number (1 "Main", 5 "GRABHAND").
#include <QCursor>
#include <QString>

namespace platform {

// The hourglass for the whole screen. Calls nest: the normal cursor comes back when
// every busy call has its normal call.
void SetBusyCursor();
void SetNormalCursor();
bool IsBusyCursorShown();

// Shows the busy cursor for the lifetime of the object, also when a failure unwinds.
class BusyCursor {
 public:
  BusyCursor() { SetBusyCursor(); }
  ~BusyCursor() { SetNormalCursor(); }
  BusyCursor(const BusyCursor &) = delete;
  BusyCursor &operator=(const BusyCursor &) = delete;
};

// Loads the cursor resource `name` (":/cursors/<name>.png" with its hot spot in
// ":/cursors/<name>.hotspot" as "x y"); the arrow when the resource is missing.
QCursor LoadCursorResource(const QString &name);
void RegisterCursor(int number, const QCursor &cursor);
QCursor CursorNumber(int number);

}  // namespace platform
