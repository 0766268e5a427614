// Texts between the window's controls (Unicode) and the program's 8-bit
// (Windows-1252) and automation (UTF-16) texts.
#pragma once

#include <QListWidget>
#include <QString>
#include <array>
#include <string>

#include "platform/ansi.h"

inline QString fromWide(const std::u16string& s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::u16string toWide(const QString& s) {
  return s.toStdU16String();
}

inline QString fromAnsi(const std::string& s) {
  return fromWide(platform::fromAnsi(s));
}

inline std::string toAnsi(const QString& s) {
  return platform::toAnsi(toWide(s));
}

// Adds the names to the end of a list.
template <std::size_t N>
void fillList(QListWidget* list, const std::array<const char*, N>& names) {
  for (const char* n : names) list->addItem(QString::fromLatin1(n));
}
