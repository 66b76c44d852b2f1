// RuntimeError: the run-time error of the component, as the Err object of the
// language the ERP's components are written in carries it: a number, a source
// and a description.
//
// Code that lets errors pass simply does not catch this exception; routines
// that must never raise catch everything. A RuntimeError built without a
// description takes the standard text of its number ("Type mismatch" for 13,
// "Application-defined or object-defined error" for a number without one).
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace corvane {

// Error numbers the component raises or meets.
namespace err {
inline constexpr int32_t kInvalidCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kCannotCreateObject = 429;
inline constexpr int32_t kNoSuchMember = 438;
inline constexpr int32_t kDuplicateKey = 457;
}  // namespace err

// The source of errors raised by the component itself.
inline constexpr const char* kDefaultErrorSource = "Corvane";

class RuntimeError : public std::exception {
 public:
  // An empty source becomes kDefaultErrorSource; an empty description becomes
  // StandardErrorText(number).
  explicit RuntimeError(int32_t number, std::string source = {}, std::string description = {});

  int32_t number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// The standard description of an error number: the texts the ERP's own
// components show for the errors of their language runtime, and
// "Application-defined or object-defined error" for any other number.
std::string StandardErrorText(int32_t number);

// Turns any exception into a RuntimeError: a RuntimeError stays as it is; a
// std::bad_alloc becomes error 7; any other std::exception becomes error 440
// with its what() text. Call only inside a catch block.
RuntimeError CurrentExceptionAsRuntimeError();

}  // namespace corvane
