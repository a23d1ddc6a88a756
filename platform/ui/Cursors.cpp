#include "Cursors.h"

#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <map>

namespace platform {

namespace {
int busyDepth = 0;
std::map<int, QCursor> &Table() {
  static std::map<int, QCursor> table;
  return table;
}
}  // namespace

void SetBusyCursor() {
  if (busyDepth++ == 0 && qGuiApp) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void SetNormalCursor() {
  if (busyDepth == 0) return;
  if (--busyDepth == 0 && qGuiApp) {
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
  }
}

bool IsBusyCursorShown() {
  return busyDepth > 0;
}

QCursor LoadCursorResource(const QString &name) {
  QPixmap pixmap(QStringLiteral(":/cursors/%1.png").arg(name));
  if (pixmap.isNull()) return QCursor(Qt::ArrowCursor);
  int x = -1, y = -1;
  QFile hotspot(QStringLiteral(":/cursors/%1.hotspot").arg(name));
  if (hotspot.open(QIODevice::ReadOnly)) {
    const QList<QByteArray> parts = hotspot.readAll().simplified().split(' ');
    if (parts.size() == 2) {
      x = parts[0].toInt();
      y = parts[1].toInt();
    }
  }
  return QCursor(pixmap, x, y);
}

void RegisterCursor(int number, const QCursor &cursor) {
  Table()[number] = cursor;
}

QCursor CursorNumber(int number) {
  auto it = Table().find(number);
  return it == Table().end() ? QCursor(Qt::ArrowCursor) : it->second;
}

}  // namespace platform
