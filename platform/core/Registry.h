#pragma once
// The settings store. A registry key under the current user, named K, is the INI file
// $XDG_CONFIG_HOME/K; each section is a group and each value a text. Integers are decimal
// text, booleans "0" or "1".
#include <QString>
#include <memory>

class QSettings;

namespace platform {

// One open key: the INI file of its name, written back when the key is closed.
class RegistryKey {
 public:
  explicit RegistryKey(const QString &keyName);
  ~RegistryKey();  // writes the file (the key is closed)
  RegistryKey(const RegistryKey &) = delete;
  RegistryKey &operator=(const RegistryKey &) = delete;

  QString FilePath() const;
  bool ValueExists(const QString &section, const QString &name) const;
  // Raises RegistryError "Type de données incorrect pour '<name>'" when the stored value
  // is not a single text.
  QString ReadString(const QString &section, const QString &name, const QString &def = {}) const;
  // Missing, or not a decimal integer: the default.
  int ReadInteger(const QString &section, const QString &name, int def) const;
  bool ReadBool(const QString &section, const QString &name, bool def) const;

  void WriteString(const QString &section, const QString &name, const QString &value);
  void WriteInteger(const QString &section, const QString &name, int value);
  void WriteBool(const QString &section, const QString &name, bool value);
  void EraseSection(const QString &section);
  // Writes the file now; raises InOutError when it cannot.
  void Flush();

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace platform
