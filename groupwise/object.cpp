#include "groupwise/object.h"

#include <cctype>
#include <mutex>
#include <string>
#include <unordered_map>

#include "groupwise/dispatch.h"
#include "groupwise/error.h"

namespace gw {
namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

struct Registry {
  std::mutex mutex;
  std::unordered_map<std::string, ObjectFactory> factories;
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

Variant Object::defaultValue() {
  throw Error("The GroupWise " + std::string(typeName()) + " object has no default value");
}

ObjectRef createOleObject(std::string_view progId) {
  ObjectFactory factory = nullptr;
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.factories.find(lower(progId));
    if (it != r.factories.end()) factory = it->second;
  }
  if (!factory)
    throw Error("Invalid class string: no program is registered as \"" + std::string(progId) +
                "\"");
  return factory();
}

void registerProgId(std::string_view progId, ObjectFactory factory) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.factories[lower(progId)] = factory;
}

MemberTable::MemberTable(std::initializer_list<std::pair<std::string_view, int>> members) {
  for (const auto& [name, id] : members) map_.emplace(lower(name), id);
}

int MemberTable::find(std::string_view name) const {
  char buf[64];
  if (name.size() > sizeof buf) return -1;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    buf[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  auto it = map_.find(std::string_view(buf, name.size()));
  return it == map_.end() ? -1 : it->second;
}

void throwUnknownMember(const Object& self, std::string_view member) {
  throw Error("Unknown name: \"" + std::string(member) + "\" is not a member of the GroupWise " +
              std::string(self.typeName()) + " object");
}

void throwReadOnly(const Object& self, std::string_view member) {
  throw Error("The member \"" + std::string(member) + "\" of the GroupWise " +
              std::string(self.typeName()) + " object cannot be set");
}

void throwNotAProperty(const Object& self, std::string_view member) {
  throw Error("The member \"" + std::string(member) + "\" of the GroupWise " +
              std::string(self.typeName()) + " object is a method and cannot be set");
}

void expectArgs(const Object& self, std::string_view member, std::span<const Variant> args,
                std::size_t minArgs, std::size_t maxArgs) {
  if (args.size() >= minArgs && args.size() <= maxArgs) return;
  std::string expected = minArgs == maxArgs
                             ? std::to_string(minArgs)
                             : std::to_string(minArgs) + " to " + std::to_string(maxArgs);
  throw Error("Wrong number of arguments for " + std::string(self.typeName()) + "." +
              std::string(member) + ": expected " + expected + ", got " +
              std::to_string(args.size()));
}

namespace {
[[noreturn]] void typeMismatch(const Object& self, std::string_view member, std::size_t k,
                               const char* expected, const Variant& got) {
  throw Error("Type mismatch: argument " + std::to_string(k + 1) + " of " +
              std::string(self.typeName()) + "." + std::string(member) + " must be " + expected +
              ", not a value of type (" + Variant::typeName(got.type()) + ")");
}
}  // namespace

std::u16string textArg(const Object& self, std::string_view member, std::span<const Variant> args,
                       std::size_t k) {
  const Variant& v = args[k];
  if (v.isText()) return v.text();
  if (v.isEmpty()) return {};
  typeMismatch(self, member, k, "a text", v);
}

std::int32_t intArg(const Object& self, std::string_view member, std::span<const Variant> args,
                    std::size_t k) {
  const Variant& v = args[k];
  if (v.type() == VarType::Int || v.type() == VarType::Bool) return v.toInt();
  if (v.type() == VarType::Real) {
    double d = v.toReal();
    if (d == static_cast<double>(static_cast<std::int64_t>(d))) return v.toInt();
  }
  typeMismatch(self, member, k, "an integer", v);
}

}  // namespace gw
