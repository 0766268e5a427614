// Helpers for objects that dispatch members by name: a case-insensitive member table
// and argument checks with clear error texts.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "groupwise/error.h"
#include "groupwise/object.h"

namespace gw {

class MemberTable {
 public:
  MemberTable(std::initializer_list<std::pair<std::string_view, int>> members);
  // The member's id, or -1.
  int find(std::string_view name) const;

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, int, Hash, std::equal_to<>> map_;
};

[[noreturn]] void throwUnknownMember(const Object& self, std::string_view member);
[[noreturn]] void throwReadOnly(const Object& self, std::string_view member);
[[noreturn]] void throwNotAProperty(const Object& self, std::string_view member);

// Raises unless the call has between minArgs and maxArgs arguments.
void expectArgs(const Object& self, std::string_view member, std::span<const Variant> args,
                std::size_t minArgs, std::size_t maxArgs);
inline void expectArgs(const Object& self, std::string_view member, std::span<const Variant> args,
                       std::size_t n) {
  expectArgs(self, member, args, n, n);
}

// Argument k (0-based) as text / integer; anything else raises a type mismatch.
std::u16string textArg(const Object& self, std::string_view member, std::span<const Variant> args,
                       std::size_t k);
std::int32_t intArg(const Object& self, std::string_view member, std::span<const Variant> args,
                    std::size_t k);

}  // namespace gw
