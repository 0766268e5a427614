// Late-bound objects: members are reached by name, letter case ignored.
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>

#include "groupwise/variant.h"

namespace gw {

enum class InvokeKind { Get, Put, Method };

class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;

  // The class name used in error texts, e.g. "Account".
  virtual std::string_view typeName() const = 0;
  // Gets, puts or calls a member; a put passes the value as the one argument. Unknown
  // members, wrong arguments and refused operations raise gw::Error.
  virtual Variant invoke(std::string_view member, InvokeKind kind,
                         std::span<const Variant> args) = 0;
  // The value an object stands for when it is used as a plain value.
  virtual Variant defaultValue();

  Variant get(std::string_view member) { return invoke(member, InvokeKind::Get, {}); }
  void put(std::string_view member, const Variant& value) {
    invoke(member, InvokeKind::Put, std::span<const Variant>(&value, 1));
  }
  Variant call(std::string_view member, std::initializer_list<Variant> args) {
    return invoke(member, InvokeKind::Method, std::span<const Variant>(args.begin(), args.size()));
  }
};

// Creates an object from a ProgID registered with registerProgId; raises gw::Error
// for an unknown ProgID.
ObjectRef createOleObject(std::string_view progId);

using ObjectFactory = ObjectRef (*)();
void registerProgId(std::string_view progId, ObjectFactory factory);

}  // namespace gw
