#include "import/journal.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unordered_set>
#include <utility>

#include "platform/ansi.h"
#include "platform/locale.h"
#include "platform/oledate.h"

namespace importing {
namespace {

constexpr const char* kMagic = "Marrowby import journal";
constexpr const char* kSuffix = ".journal";
constexpr std::int64_t kSecondsPerDay = 86400;

std::string errnoText(int err) {
  return std::strerror(err);
}

// The characters a value writes escaped, and the letter after the backslash.
constexpr std::pair<char, char> kEscapes[] = {{'\\', '\\'}, {'\t', 't'}, {'\n', 'n'}, {'\r', 'r'}};

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto it = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                           [c](const auto& e) { return e.first == c; });
    if (it == std::end(kEscapes)) {
      out += c;
    } else {
      out += '\\';
      out += it->second;
    }
  }
  return out;
}

std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    char letter = text[i];
    auto it = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                           [letter](const auto& e) { return e.second == letter; });
    if (it == std::end(kEscapes)) return std::nullopt;
    out += it->first;
  }
  return out;
}

struct KindName {
  gw::CalendarKind kind;
  const char* word;
};
constexpr KindName kKindWords[] = {
    {gw::CalendarKind::Appointment, "appointments"},
    {gw::CalendarKind::Task, "tasks"},
    {gw::CalendarKind::Note, "notes"},
    {gw::CalendarKind::Mail, "mail"},
    {gw::CalendarKind::Phone, "phone messages"},
    {gw::CalendarKind::DocumentReference, "document references"},
};

std::int64_t localSeconds(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return platform::dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) * kSecondsPerDay +
         tm.tm_hour * 3600 + tm.tm_min * 60 + std::min(tm.tm_sec, 59);
}

std::int64_t nowSeconds() {
  return platform::dateToSeconds(platform::nowDate());
}

std::optional<std::int64_t> parseTime(std::string_view text) {
  // yyyy-mm-dd hh:mm:ss
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  auto number = [&](std::size_t at, std::size_t len) -> int {
    int v = 0;
    for (std::size_t i = at; i < at + len; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      v = v * 10 + (text[i] - '0');
    }
    return v;
  };
  int y = number(0, 4), mo = number(5, 2), d = number(8, 2);
  int h = number(11, 2), mi = number(14, 2), s = number(17, 2);
  if (y < 0 || mo < 0 || d < 0 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) {
    return std::nullopt;
  }
  if (!platform::isValidDate(y, mo, d)) return std::nullopt;
  return platform::dayNumber(y, mo, d) * kSecondsPerDay + h * 3600 + mi * 60 + s;
}

// mkdir -p; the folders it makes are private to the user.
void makeFolder(const std::string& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return;
  std::string path;
  std::size_t at = 0;
  while (at != std::string::npos) {
    std::size_t next = folder.find('/', at + 1);
    path = folder.substr(0, next);
    at = next;
    if (path.empty() || path == "/") continue;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
      throw JournalError("The import journal folder \"" + folder +
                         "\" cannot be made: " + errnoText(errno));
    }
  }
  if (!std::filesystem::is_directory(folder, ec)) {
    throw JournalError("The import journal folder \"" + folder + "\" is not a folder");
  }
}

// A file name that sorts in the order runs begin: the UTC time to the microsecond.
std::string newFileStem() {
  auto now = std::chrono::system_clock::now();
  auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count();
  std::time_t secs = static_cast<std::time_t>(micros / 1000000);
  std::tm tm{};
  gmtime_r(&secs, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "import-%04d%02d%02d-%02d%02d%02d-%06lld", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<long long>(micros % 1000000));
  return buf;
}

bool endsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The journal files of a folder, newest first.
std::vector<std::string> journalFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (endsWith(name, kSuffix) && it->is_regular_file(ec)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), std::greater<>());
  for (std::string& n : names) n = folder + "/" + n;
  return names;
}

// Whether another open writer holds the file's lock.
bool lockedByWriter(int fd) {
  if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
    ::flock(fd, LOCK_UN);
    return false;
  }
  return errno == EWOULDBLOCK;
}

}  // namespace

const char* kindWord(gw::CalendarKind kind) {
  for (const KindName& k : kKindWords) {
    if (k.kind == kind) return k.word;
  }
  return "items";
}

std::optional<gw::CalendarKind> kindFromWord(std::string_view word) {
  for (const KindName& k : kKindWords) {
    if (word == k.word) return k.kind;
  }
  return std::nullopt;
}

std::string journalTimeText(std::int64_t seconds) {
  platform::DateTimeParts p = platform::decodeDateTime(platform::secondsToDate(seconds));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return buf;
}

std::string journalFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home && home[0]) {
      base = home;
    } else if (const passwd* pw = ::getpwuid(::getuid())) {
      base = pw->pw_dir;
    } else {
      base = "/tmp";
    }
    base += "/.local/share";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/marrowby/journals";
}

// ---------------------------------------------------------------- writer

ImportJournal::ImportJournal(std::string path, int fd, bool addressBook)
    : path_(std::move(path)), fd_(fd), addressBook_(addressBook) {}

ImportJournal::ImportJournal(ImportJournal&& other) noexcept
    : path_(std::move(other.path_)),
      fd_(std::exchange(other.fd_, -1)),
      addressBook_(other.addressBook_),
      made_(other.made_),
      failure_(std::move(other.failure_)) {}

ImportJournal& ImportJournal::operator=(ImportJournal&& other) noexcept {
  if (this != &other) {
    close();
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
    addressBook_ = other.addressBook_;
    made_ = other.made_;
    failure_ = std::move(other.failure_);
  }
  return *this;
}

ImportJournal::~ImportJournal() {
  close();
}

void ImportJournal::close() {
  if (fd_ >= 0) ::close(fd_);  // closing drops the lock
  fd_ = -1;
}

ImportJournal ImportJournal::begin(const std::string& folder, const RunInfo& info) {
  makeFolder(folder);

  // Keep the newest runs: with the one starting now, kJournalsKept remain.
  std::size_t kept = 0;
  for (const Journal& j : listJournals(folder, nullptr, JournalPart::Head)) {
    if (j.inProgress) continue;
    if (++kept < kJournalsKept) continue;
    ::unlink(j.path.c_str());
  }

  const std::string stem = folder + "/" + newFileStem();
  std::string path;
  int fd = -1;
  for (int n = 1; fd < 0; ++n) {
    path = n == 1 ? stem + kSuffix : stem + "-" + std::to_string(n) + kSuffix;
    fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 && (errno != EEXIST || n >= 100)) {
      throw JournalError("The import journal \"" + path + "\" cannot be made: " + errnoText(errno));
    }
  }
  ::flock(fd, LOCK_EX | LOCK_NB);  // a new file: nobody else holds it

  ImportJournal journal(path, fd, info.target.addressBook);
  std::string head = std::string(kMagic) + "\n";
  head += "post office\t" + escape(info.postOffice) + "\n";
  head += "owner\t" + escape(platform::toUtf8(info.owner)) + "\n";
  if (info.target.addressBook) {
    head += "address book\t" + escape(platform::toUtf8(info.target.book)) + "\n";
  } else {
    head += std::string("calendar\t") + kindWord(info.target.kind) + "\n";
  }
  head += "file\t" + escape(info.importFile) + "\n";
  head += "started\t" + journalTimeText(nowSeconds()) + "\n";
  try {
    journal.writeLine(head);
  } catch (...) {
    journal.close();
    ::unlink(path.c_str());
    throw;
  }
  return journal;
}

void ImportJournal::writeLine(const std::string& line) {
  if (!failure_.empty()) throw JournalError(failure_);
  if (fd_ < 0) throw JournalError("The import journal \"" + path_ + "\" is closed");
  const char* p = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A line may be cut short now; nothing more is appended after it, and readers
      // ignore a last line without its line end.
      failure_ = "The import journal \"" + path_ +
                 "\" cannot be written: " + errnoText(n < 0 ? errno : ENOSPC);
      throw JournalError(failure_);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void ImportJournal::recordMade(const std::u16string& identity) {
  writeLine((addressBook_ ? "entry\t" : "item\t") + escape(platform::toUtf8(identity)) + "\n");
  ++made_;
}

void ImportJournal::finish() {
  if (fd_ < 0) return;
  if (made_ == 0) {
    close();
    ::unlink(path_.c_str());
    return;
  }
  try {
    writeLine("finished\t" + journalTimeText(nowSeconds()) + "\n");
  } catch (...) {
    close();
    throw;
  }
  close();
}

// ---------------------------------------------------------------- readers

namespace {

// A head read takes the file's first bytes (the head and the first identities) and its
// last ones (the end time), however many identities lie between.
constexpr std::size_t kHeadBytes = std::size_t{64} << 10;
constexpr std::size_t kTailBytes = 4096;

// Up to `size` bytes of the file from `offset`.
std::string readAt(int fd, std::size_t offset, std::size_t size) {
  std::string bytes(size, '\0');
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = ::pread(fd, bytes.data() + got, size - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace

Journal readJournal(const std::string& path, JournalPart part) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw JournalError("The import journal \"" + path + "\" cannot be read: " + errnoText(errno));
  }
  Journal j;
  j.path = path;
  struct stat st {};
  std::string bytes, tail;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    j.inProgress = lockedByWriter(fd);
    j.lastWritten = localSeconds(st.st_mtime);
    const auto size = static_cast<std::size_t>(st.st_size);
    bool whole = part == JournalPart::Whole || size <= kHeadBytes + kTailBytes;
    bytes = readAt(fd, 0, whole ? size : kHeadBytes);
    if (!whole) {
      tail = readAt(fd, size - kTailBytes, kTailBytes);
      // From the first line that begins in it.
      std::size_t nl = tail.find('\n');
      tail.erase(0, nl == std::string::npos ? tail.size() : nl + 1);
    }
  } else {
    ::close(fd);
    throw JournalError("The import journal \"" + path + "\" is not a file");
  }
  ::close(fd);

  auto notJournal = [&](const std::string& why) {
    return JournalError("\"" + path + "\" is not an import journal: " + why);
  };
  std::string_view text(bytes);
  std::size_t at = 0;
  bool first = true;
  bool haveOffice = false, haveOwner = false, haveTarget = false, haveStart = false;
  std::vector<std::u16string> items, entries;
  // A complete line ends with '\n'; a last line without one was cut short and is left out.
  for (std::size_t nl; (nl = text.find('\n', at)) != std::string_view::npos; at = nl + 1) {
    std::string_view line = text.substr(at, nl - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      if (line != kMagic) throw notJournal("its first line is not \"" + std::string(kMagic) + "\"");
      first = false;
      continue;
    }
    if (line.find('\0') != std::string_view::npos) continue;
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    std::string_view key = line.substr(0, tab);
    std::optional<std::string> value = unescape(line.substr(tab + 1));
    if (!value) continue;
    if (key == "item" || key == "entry") {
      if (value->empty()) continue;
      (key == "item" ? items : entries).push_back(platform::fromUtf8(*value));
    } else if (key == "post office") {
      j.info.postOffice = *value;
      haveOffice = true;
    } else if (key == "owner") {
      j.info.owner = platform::fromUtf8(*value);
      haveOwner = true;
    } else if (key == "calendar") {
      if (auto kind = kindFromWord(*value)) {
        j.info.target = JournalTarget::calendar(*kind);
        haveTarget = true;
      }
    } else if (key == "address book") {
      j.info.target = JournalTarget::bookNamed(platform::fromUtf8(*value));
      haveTarget = true;
    } else if (key == "file") {
      j.info.importFile = *value;
    } else if (key == "started") {
      if (auto t = parseTime(*value)) {
        j.started = *t;
        haveStart = true;
      }
    } else if (key == "finished") {
      j.finished = parseTime(*value);
    }
  }
  if (first) throw notJournal("it is empty");
  if (!haveOffice) throw notJournal("it names no post office");
  if (!haveOwner) throw notJournal("it names no account owner");
  if (!haveTarget) throw notJournal("it names no calendar kind or address book");
  if (!haveStart) throw notJournal("it has no start time");

  // A head read takes the end time from the last lines, not the identities there.
  for (std::size_t from = 0, nl; (nl = tail.find('\n', from)) != std::string::npos; from = nl + 1) {
    std::string_view line = std::string_view(tail).substr(from, nl - from);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.starts_with("finished\t")) continue;
    if (std::optional<std::string> value = unescape(line.substr(9))) {
      j.finished = parseTime(*value);
    }
  }

  // Each identity once, in the order made.
  std::vector<std::u16string>& made = j.info.target.addressBook ? entries : items;
  std::unordered_set<std::u16string> seen;
  seen.reserve(made.size());
  for (std::u16string& id : made) {
    if (seen.insert(id).second) j.made.push_back(std::move(id));
  }
  return j;
}

std::vector<Journal> listJournals(const std::string& folder, std::vector<std::string>* unreadable,
                                  JournalPart part) {
  std::vector<Journal> out;
  for (const std::string& path : journalFiles(folder)) {
    try {
      out.push_back(readJournal(path, part));
    } catch (const JournalError&) {
      if (unreadable) unreadable->push_back(path);
    }
  }
  return out;
}

bool isOfAccount(const Journal& journal, const std::string& postOffice,
                 const std::u16string& owner) {
  if (journal.info.owner != owner) return false;
  if (journal.info.postOffice == postOffice) return true;
  std::error_code ec1, ec2;
  auto a = std::filesystem::weakly_canonical(journal.info.postOffice, ec1);
  auto b = std::filesystem::weakly_canonical(postOffice, ec2);
  return !ec1 && !ec2 && a == b;
}

std::vector<Journal> journalsOf(const std::vector<Journal>& journals, const std::string& postOffice,
                                const std::u16string& owner) {
  std::vector<Journal> out;
  for (const Journal& j : journals) {
    if (isOfAccount(j, postOffice, owner)) out.push_back(j);
  }
  return out;
}

}  // namespace importing
