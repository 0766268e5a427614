// A late-bound object with fixed member values, for values the post office never
// gives (a null, a failing member) and for accounts shaped as a test needs.
#pragma once

#include <cctype>
#include <functional>
#include <map>
#include <string>

#include "groupwise/error.h"
#include "groupwise/object.h"

namespace testing_support {

class FakeObject : public gw::Object {
 public:
  using Method = std::function<gw::Variant(std::span<const gw::Variant>)>;

  FakeObject& set(const std::string& member, gw::Variant value) {
    values_[lower(member)] = [value](std::span<const gw::Variant>) { return value; };
    return *this;
  }
  FakeObject& method(const std::string& member, Method m) {
    values_[lower(member)] = std::move(m);
    return *this;
  }
  std::string_view typeName() const override { return "Fake"; }
  gw::Variant invoke(std::string_view member, gw::InvokeKind kind,
                     std::span<const gw::Variant> args) override {
    auto it = values_.find(lower(std::string(member)));
    if (it == values_.end() || kind == gw::InvokeKind::Put) {
      throw gw::Error("Unknown name: \"" + std::string(member) + "\"");
    }
    return it->second(args);
  }

 private:
  static std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }
  std::map<std::string, Method> values_;
};

}  // namespace testing_support
