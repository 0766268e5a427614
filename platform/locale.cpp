#include "platform/locale.h"

#include <cmath>
#include <ctime>
#include <mutex>

#include "platform/oledate.h"

namespace platform {
namespace {

std::mutex g_mutex;
UserLocale g_locale;
std::optional<double> g_fixedNow;

}  // namespace

const UserLocale& userLocale() {
  return g_locale;
}

void setUserLocale(const UserLocale& locale) {
  g_locale = locale;
}

double nowDate() {
  {
    std::lock_guard lock(g_mutex);
    if (g_fixedNow) return *g_fixedNow;
  }
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  DateTimeParts p{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour,        tm.tm_min,     tm.tm_sec == 60 ? 59 : tm.tm_sec};
  return encodeDateTime(p);
}

double todayDate() {
  DateTimeParts p = decodeDateTime(nowDate());
  return encodeDateTime({p.year, p.month, p.day, 0, 0, 0});
}

void setFixedNow(std::optional<double> now) {
  std::lock_guard lock(g_mutex);
  g_fixedNow = now;
}

}  // namespace platform
