#include "Registry.h"

#include <QDir>
#include <QSettings>
#include <cerrno>

#include "Errors.h"
#include "Paths.h"

namespace platform {

RegistryKey::RegistryKey(const QString &keyName) {
  QDir().mkpath(ConfigFolder());
  settings_ = std::make_unique<QSettings>(ConfigFolder() + keyName, QSettings::IniFormat);
}

RegistryKey::~RegistryKey() {
  settings_->sync();
}

QString RegistryKey::FilePath() const {
  return settings_->fileName();
}

static QString Key(const QString &section, const QString &name) {
  return section + u'/' + name;
}

bool RegistryKey::ValueExists(const QString &section, const QString &name) const {
  return settings_->contains(Key(section, name));
}

QString RegistryKey::ReadString(const QString &section, const QString &name,
                                const QString &def) const {
  const QVariant value = settings_->value(Key(section, name));
  if (!value.isValid()) return def;
  // An INI value with an unquoted comma reads as a list: not a text value.
  if (value.typeId() != QMetaType::QString) throw RegistryError(WrongDataTypeText(name));
  return value.toString();
}

int RegistryKey::ReadInteger(const QString &section, const QString &name, int def) const {
  if (!ValueExists(section, name)) return def;
  bool ok = false;
  const int value = ReadString(section, name).trimmed().toInt(&ok, 10);
  return ok ? value : def;
}

bool RegistryKey::ReadBool(const QString &section, const QString &name, bool def) const {
  return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void RegistryKey::WriteString(const QString &section, const QString &name, const QString &value) {
  settings_->setValue(Key(section, name), value);
}

void RegistryKey::WriteInteger(const QString &section, const QString &name, int value) {
  WriteString(section, name, QString::number(value));
}

void RegistryKey::WriteBool(const QString &section, const QString &name, bool value) {
  WriteString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void RegistryKey::EraseSection(const QString &section) {
  settings_->remove(section);
}

void RegistryKey::Flush() {
  settings_->sync();
  if (settings_->status() == QSettings::AccessError) throw InOutError(AccessDeniedText(), EACCES);
}

}  // namespace platform
