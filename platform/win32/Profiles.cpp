// Initialisation files the Windows way: "[section]" lines and "key=value" lines, names
// compared without regard to case, read fresh at every call so that the program and the
// imaging libraries, which both write "imtwain.ini", always see each other's values.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <cstring>
#include <optional>

#include "WinApi.h"

namespace {

QString IniPath(LPCSTR fileName) {
  QString name = QString::fromUtf8(fileName).replace(u'\\', u'/');
  if (name.contains(u'/')) return name;
  char folder[4096];
  GetWindowsDirectory(folder, sizeof folder);
  return QString::fromUtf8(folder) + u'/' + name;
}

QStringList ReadLines(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QString text = QString::fromUtf8(file.readAll());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QStringList lines = text.split(u'\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

bool IsSection(const QString &line, QString *name) {
  const QString t = line.trimmed();
  if (!t.startsWith(u'[') || !t.endsWith(u']')) return false;
  *name = t.mid(1, t.size() - 2).trimmed();
  return true;
}

bool KeyOf(const QString &line, QString *key, QString *value) {
  const int equals = line.indexOf(u'=');
  if (equals < 0 || line.trimmed().startsWith(u';')) return false;
  *key = line.left(equals).trimmed();
  *value = line.mid(equals + 1).trimmed();
  return true;
}

std::optional<QString> Lookup(const QStringList &lines, const QString &section,
                              const QString &key) {
  bool inSection = false;
  for (const QString &line : lines) {
    QString name, k, v;
    if (IsSection(line, &name)) {
      inSection = name.compare(section, Qt::CaseInsensitive) == 0;
    } else if (inSection && KeyOf(line, &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0) {
      return v;
    }
  }
  return std::nullopt;
}

}  // namespace

extern "C" {

DWORD GetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buffer, DWORD size,
                              LPCSTR fileName) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = 0;
  if (section == nullptr || key == nullptr || fileName == nullptr) return 0;
  const auto found =
      Lookup(ReadLines(IniPath(fileName)), QString::fromUtf8(section), QString::fromUtf8(key));
  const QByteArray value = found ? found->toUtf8() : QByteArray(def ? def : "");
  const size_t length = std::min<size_t>(size - 1, size_t(value.size()));
  std::memcpy(buffer, value.constData(), length);
  buffer[length] = 0;
  return DWORD(length);
}

UINT GetPrivateProfileInt(LPCSTR section, LPCSTR key, INT def, LPCSTR fileName) {
  char buffer[64];
  if (GetPrivateProfileString(section, key, "", buffer, sizeof buffer, fileName) == 0)
    return UINT(def);
  bool ok = false;
  const int value = QString::fromUtf8(buffer).toInt(&ok);
  return ok ? UINT(value) : UINT(def);
}

BOOL WritePrivateProfileString(LPCSTR sectionIn, LPCSTR keyIn, LPCSTR valueIn, LPCSTR fileName) {
  if (sectionIn == nullptr || fileName == nullptr) return FALSE;
  const QString path = IniPath(fileName);
  const QString section = QString::fromUtf8(sectionIn);
  QStringList lines = ReadLines(path);
  QStringList out;
  bool inSection = false;
  bool sectionSeen = false;
  bool written = false;
  const QString key = keyIn ? QString::fromUtf8(keyIn) : QString();
  const QString newLine = valueIn ? key + u'=' + QString::fromUtf8(valueIn) : QString();
  for (const QString &line : lines) {
    QString name, k, v;
    if (IsSection(line, &name)) {
      if (inSection && !written && valueIn && keyIn) {
        out += newLine;
        written = true;
      }
      inSection = name.compare(section, Qt::CaseInsensitive) == 0;
      sectionSeen = sectionSeen || inSection;
      if (inSection && keyIn == nullptr) continue;  // a NULL key erases the section
      out += line;
      continue;
    }
    if (inSection && keyIn == nullptr) continue;
    if (inSection && KeyOf(line, &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0) {
      if (valueIn && !written) out += newLine;
      written = true;
      continue;
    }
    out += line;
  }
  if (keyIn && valueIn && !written) {
    if (!sectionSeen)
      out += u'[' + section + u']';
    else if (inSection) {
      out += newLine;
      written = true;
    }
    if (!written) {
      // The section exists earlier in the file: put the key at its end.
      int index = -1;
      bool in = false;
      for (int i = 0; i < out.size(); ++i) {
        QString name;
        if (IsSection(out[i], &name)) in = name.compare(section, Qt::CaseInsensitive) == 0;
        if (in) index = i;
      }
      if (index < 0)
        out += newLine;
      else
        out.insert(index + 1, newLine);
    }
  }
  QFileInfo(path).dir().mkpath(QStringLiteral("."));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return FALSE;
  file.write((out.join(u'\n') + u'\n').toUtf8());
  return file.commit() ? TRUE : FALSE;
}

}  // extern "C"
