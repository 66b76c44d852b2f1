// "TavoListServer.clsListUpdate": the ERP's list update service, which
// deletes one document the way the ERP's own document lists do.
//
// Created for one call; belongs to the thread that created it.
#pragma once

#include <cstdint>
#include <string>

#include "values/variant.h"

namespace corvane {

inline constexpr const char* kListUpdateProgId = "TavoListServer.clsListUpdate";

class IListUpdate : public virtual Object {
 public:
  // Deletes the document `inter_id` of transaction type `tran_type`, numbered
  // `bill_no`, with the list template (`list_id`, `bill_cls`, `template_id`)
  // of its kind, on behalf of the user of `login` ("connection string|user
  // ID|user name"). Answers whether it deleted it; on a refusal it may write
  // into `error_text` and put its own message into `message`. `zero` is
  // passed holding 0. The arguments are the ones the ERP's callers give by
  // position (the ones they leave out are not part of this interface).
  virtual bool DeleteBill(std::string& bill_no, Variant& props, int32_t& list_id,
                          std::string& login, int32_t& inter_id, int32_t& tran_type,
                          int32_t& bill_cls, int32_t& template_id, std::string& error_text,
                          int32_t& zero, std::string& message) = 0;
};

}  // namespace corvane
