// "PropsMgr.ShareProps": the shared login properties of ERP processes. It
// holds, per process ID, named properties; the component reads only
// "PropsString", the login property string ("LANGUAGE=CHT;..."), from which
// the message language is taken.
#pragma once

#include <cstdint>
#include <string>

#include "values/variant.h"

namespace corvane {

inline constexpr const char* kSharePropsProgId = "PropsMgr.ShareProps";

class IShareProps : public virtual Object {
 public:
  // The property `name` of process `process_id`; a process or property that
  // is not there raises a run-time error. Both arguments are passed by
  // reference, as the ERP's callers pass them.
  virtual Variant GetProperty(int32_t& process_id, std::string& name) = 0;
};

}  // namespace corvane
