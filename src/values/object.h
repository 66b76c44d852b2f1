// Object: the common base of everything a Variant can hold by reference: the
// value containers and the outside components created by ProgID.
//
// Objects are shared by reference (std::shared_ptr), as COM objects are; the
// last reference released destroys the object. An object is used only on the
// thread that created it.
#pragma once

#include <memory>

namespace corvane {

class Object {
 public:
  virtual ~Object() = default;

 protected:
  Object() = default;
  Object(const Object&) = default;
  Object& operator=(const Object&) = default;
};

using ObjectPtr = std::shared_ptr<Object>;

}  // namespace corvane
