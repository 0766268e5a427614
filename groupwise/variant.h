// The automation value: what a late-bound call takes and returns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace gw {

class Object;
using ObjectRef = std::shared_ptr<Object>;

enum class VarType { Empty, Null, Bool, Int, Real, Date, Text, Object };

class Variant {
 public:
  Variant() = default;  // empty
  Variant(bool v) : type_(VarType::Bool), bool_(v) {}
  Variant(std::int32_t v) : type_(VarType::Int), int_(v) {}
  Variant(double v) : type_(VarType::Real), real_(v) {}
  Variant(std::u16string v) : type_(VarType::Text), text_(std::move(v)) {}
  Variant(const char16_t* v) : type_(VarType::Text), text_(v) {}
  // An 8-bit literal would otherwise become a Boolean; texts are UTF-16 (u"...").
  Variant(const char*) = delete;
  Variant(ObjectRef v);  // a null reference gives an empty value

  static Variant null() {
    Variant v;
    v.type_ = VarType::Null;
    return v;
  }
  static Variant date(double v) {
    Variant r(v);
    r.type_ = VarType::Date;
    return r;
  }

  VarType type() const { return type_; }
  bool isEmpty() const { return type_ == VarType::Empty; }
  bool isNull() const { return type_ == VarType::Null; }
  bool isObject() const { return type_ == VarType::Object; }
  bool isText() const { return type_ == VarType::Text; }
  bool isNumber() const {
    return type_ == VarType::Int || type_ == VarType::Real || type_ == VarType::Bool;
  }

  // Direct access; only valid for the matching type.
  const std::u16string& text() const { return text_; }
  const ObjectRef& object() const { return object_; }

  // Conversions by the automation rules. Empty gives "", 0, false and day 0; null and
  // anything that does not convert raise platform::ConversionError; an object converts
  // through its default value.
  std::u16string toText() const;
  std::int32_t toInt() const;  // reals round half to even; text is read as a number
  double toReal() const;
  double toDate() const;  // text is read as a date in the user's locale
  bool toBool() const;
  ObjectRef toObject() const;  // raises gw::Error unless an object

  static const char* typeName(VarType t);

 private:
  VarType type_ = VarType::Empty;
  union {
    bool bool_;
    std::int32_t int_;
    double real_ = 0;
  };
  std::u16string text_;
  ObjectRef object_;
};

}  // namespace gw
