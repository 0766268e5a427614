#include "groupwise/variant.h"

#include <cmath>
#include <limits>

#include "groupwise/error.h"
#include "groupwise/object.h"
#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/numtext.h"
#include "platform/oledate.h"

namespace gw {
namespace {

[[noreturn]] void cannotConvert(VarType from, const char* to) {
  throw platform::ConversionError(std::string("Could not convert variant of type (") +
                                  Variant::typeName(from) + ") into type (" + to + ")");
}

std::int32_t roundToInt(double v, VarType from) {
  if (!std::isfinite(v)) cannotConvert(from, "Integer");
  double r = std::nearbyint(v);  // the default rounding mode rounds half to even
  if (r < std::numeric_limits<std::int32_t>::min() ||
      r > std::numeric_limits<std::int32_t>::max()) {
    throw platform::ConversionError("Overflow while converting variant of type (" +
                                    std::string(Variant::typeName(from)) + ") into type (Integer)");
  }
  return static_cast<std::int32_t>(r);
}

// Default values may themselves be objects; a chain this long is a fault.
constexpr int kMaxDefaultDepth = 8;

Variant resolveObject(const ObjectRef& obj) {
  Variant v = obj->defaultValue();
  for (int depth = 1; v.isObject(); ++depth) {
    if (depth >= kMaxDefaultDepth) throw Error("Object has no plain default value");
    v = v.object()->defaultValue();
  }
  return v;
}

}  // namespace

Variant::Variant(ObjectRef v) {
  if (v) {
    type_ = VarType::Object;
    object_ = std::move(v);
  }
}

const char* Variant::typeName(VarType t) {
  switch (t) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Bool:
      return "Boolean";
    case VarType::Int:
      return "Integer";
    case VarType::Real:
      return "Double";
    case VarType::Date:
      return "Date";
    case VarType::Text:
      return "String";
    case VarType::Object:
      return "Dispatch";
  }
  return "Unknown";
}

std::u16string Variant::toText() const {
  switch (type_) {
    case VarType::Empty:
      return {};
    case VarType::Null:
      cannotConvert(type_, "String");
    case VarType::Bool:
      return bool_ ? u"True" : u"False";
    case VarType::Int:
      return platform::fromAnsi(std::to_string(int_));
    case VarType::Real:
      return platform::fromAnsi(platform::floatToText(real_));
    case VarType::Date:
      return platform::fromAnsi(platform::dateToText(real_));
    case VarType::Text:
      return text_;
    case VarType::Object:
      return resolveObject(object_).toText();
  }
  return {};
}

std::int32_t Variant::toInt() const {
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      cannotConvert(type_, "Integer");
    case VarType::Bool:
      return bool_ ? -1 : 0;
    case VarType::Int:
      return int_;
    case VarType::Real:
    case VarType::Date:
      return roundToInt(real_, type_);
    case VarType::Text: {
      std::string ansi = platform::toAnsi(text_);
      if (auto i = platform::tryStrToInt(ansi)) return *i;
      if (auto d = platform::tryStrToFloat(ansi)) return roundToInt(*d, type_);
      cannotConvert(type_, "Integer");
    }
    case VarType::Object:
      return resolveObject(object_).toInt();
  }
  return 0;
}

double Variant::toReal() const {
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      cannotConvert(type_, "Double");
    case VarType::Bool:
      return bool_ ? -1 : 0;
    case VarType::Int:
      return int_;
    case VarType::Real:
    case VarType::Date:
      return real_;
    case VarType::Text: {
      if (auto d = platform::tryStrToFloat(platform::toAnsi(text_))) return *d;
      cannotConvert(type_, "Double");
    }
    case VarType::Object:
      return resolveObject(object_).toReal();
  }
  return 0;
}

double Variant::toDate() const {
  switch (type_) {
    case VarType::Text: {
      std::string ansi = platform::toAnsi(text_);
      if (auto d = platform::parseDateText(ansi)) return *d;
      throw platform::ConversionError("Type mismatch: \"" + platform::ansiToUtf8(ansi) +
                                      "\" is not a valid date");
    }
    case VarType::Null:
      cannotConvert(type_, "Date");
    case VarType::Object:
      return resolveObject(object_).toDate();
    default:
      return toReal();
  }
}

bool Variant::toBool() const {
  switch (type_) {
    case VarType::Empty:
      return false;
    case VarType::Null:
      cannotConvert(type_, "Boolean");
    case VarType::Bool:
      return bool_;
    case VarType::Int:
      return int_ != 0;
    case VarType::Real:
    case VarType::Date:
      return real_ != 0;
    case VarType::Text: {
      if (text_ == u"True" || text_ == u"true" || text_ == u"TRUE") return true;
      if (text_ == u"False" || text_ == u"false" || text_ == u"FALSE") return false;
      if (auto d = platform::tryStrToFloat(platform::toAnsi(text_))) return *d != 0;
      cannotConvert(type_, "Boolean");
    }
    case VarType::Object:
      return resolveObject(object_).toBool();
  }
  return false;
}

ObjectRef Variant::toObject() const {
  if (type_ != VarType::Object) {
    throw Error(std::string("Invalid variant operation: a value of type (") + typeName(type_) +
                ") is not a GroupWise object");
  }
  return object_;
}

}  // namespace gw
