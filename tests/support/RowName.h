#pragma once
// Names for the rows of parameterised tests. A test's name may hold only letters, digits
// and underscores, so a row's label ("a pixel wider gives two columns", "Aperçu",
// ".Jpeg") is spelled in those: accents dropped, every other run of characters one
// underscore. Each row then runs and is reported on its own under its label.
#include <gtest/gtest.h>

#include <QString>
#include <string>

inline std::string RowName(const QString &label) {
  const QString plain = label.normalized(QString::NormalizationForm_D);
  std::string name;
  for (const QChar c : plain) {
    if (c.category() == QChar::Mark_NonSpacing) continue;  // the accent of a decomposed letter
    const char16_t u = c.unicode();
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')) {
      name += char(u);
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name.empty() ? std::string("empty") : name;
}
inline std::string RowName(const char *label) {
  return RowName(QString::fromUtf8(label));
}
inline std::string RowName(const char16_t *label) {
  return RowName(QString::fromUtf16(label));
}
inline std::string RowName(const std::string &label) {
  return RowName(QString::fromStdString(label));
}

// A number as a row name: "2_5", "minus_3".
inline std::string RowName(double value) {
  return RowName(QString::number(value).replace(u'-', QStringLiteral("minus ")));
}

// The name generator of a table whose rows carry their label in `name`.
struct ByRowName {
  template <class Row>
  std::string operator()(const testing::TestParamInfo<Row> &info) const {
    return RowName(info.param.name);
  }
};
