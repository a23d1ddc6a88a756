#pragma once
// The family of failures that the program shows to people. Each carries the text a
// person will read; the one handler at the event loop shows it in the standard error box.
#include <QString>
#include <stdexcept>

namespace platform {

// The base of the family: a failure with the text a person reads.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const QString &text) : std::runtime_error(text.toStdString()), text_(text) {}
  const QString &Text() const { return text_; }

 private:
  QString text_;
};

// An input/output failure, with the French text of the system's error and its errno.
class InOutError : public Failure {
 public:
  InOutError(const QString &text, int code) : Failure(text), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// Text where a number belongs, in a file or a field.
class ConvertError : public Failure {
 public:
  using Failure::Failure;
};

// A settings value of another type than text.
class RegistryError : public Failure {
 public:
  using Failure::Failure;
};

// The French texts of the platform's failures.
QString AccessDeniedText();                      // "Accès au fichier refusé"
QString DiskFullText();                          // "Disque plein"
QString CannotOpenText(const QString &path);     // "Impossible d'ouvrir le fichier %s"
QString CannotCreateText(const QString &path);   // "Impossible de créer le fichier %s"
QString WrongDataTypeText(const QString &name);  // "Type de données incorrect pour '%s'"

// The French text of an errno for an input/output failure: the two texts above for the
// errors a person can fix ("Accès au fichier refusé", "Disque plein"), a French text of
// its own for every other errno a file operation may return.
QString SystemErrorText(int code);

// Raises InOutError for errno `code`.
[[noreturn]] void RaiseInOutError(int code);

// The text of a failure as the standard error box shows it (a NUL shown as the symbol for
// it, since it would end the message wherever it meets C strings): a full stop is added when
// the last character sorts after the full stop ('.' is 0x2E) in character order.
QString WithFullStop(const QString &text);

// The text of any exception the program may meet.
QString TextOf(const std::exception &e);

}  // namespace platform
