// DTS: the older, file-based sales order interface of a web service. It
// hands out sales orders by number and the keys of orders to delete, takes
// in the CRM's sales orders and deletion requests, and reports every check
// that refused an order, and every order written, in an XML log (xml_log.h)
// instead of an error text.
//
// Export: the orders of a comma-separated list of numbers (a number that no
// single order carries is left out; a blank one adds nothing), references
// translated to the CRM's keys (UUIDs of customers, departments, employees
// and items; names of the currency, sale style and settlement), as XML of the
// root "TavoSaleOrder", to a file or into sXML. The key export echoes the
// numbers as "Delete" records without reading the account.
//
// Import: each order is checked against the account (one of the ERP's own,
// or an imported one already checked, is refused; an unchecked imported one
// is replaced only with bReplace), then field by field, and written with its
// entries in one batch that first removes the order it replaces (with its
// entries) and checks again, inside its transaction, that nothing took the
// number meanwhile. A refused order does not stop the others; the call
// answers False when any order of the call was refused or failed. The
// deletion import removes unchecked imported orders (with their entries) by
// number.
//
// The four methods answer a Boolean and let nothing escape; a run-time
// failure (unreadable XML, a component that cannot be created, a failing
// query) answers False with its error text in the log. An object is used on
// the thread that created it, one call at a time; creating one reads the
// thread's schema folder, where the documents' schemas are.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "frame/outside/app_connection.h"
#include "frame/outside/connection.h"
#include "values/value_dictionary.h"
#include "values/value_vector.h"

namespace corvane {

class DTS : public Object {
 public:
  DTS();

  bool ExportXMLDataForWebService(const std::string& sDSN, int32_t lBaseType,
                                  const std::string& sFile, const std::string& sFilter,
                                  const std::string& sLogFile, std::string& sXML) noexcept;
  bool ExportXMLDataKeyForWebService(const std::string& sDSN, const std::string& sFile,
                                     const std::string& sFilter, const std::string& sLogFile,
                                     std::string& sXML) noexcept;
  bool ImportXMLDataForWebService(const std::string& sDSN, int32_t lBaseType, bool bReplace,
                                  const std::string& sFile, const std::string& sLogFile,
                                  std::string& sXML) noexcept;
  bool ImportXMLDataKeyForWebService(const std::string& sDSN, const std::string& sFile,
                                     const std::string& sLogFile, std::string& sXML) noexcept;

 private:
  // The frame of the four methods: keeps the property string and log path,
  // clears the error flag, parses the property string and creates the
  // application connection (unless `light`), runs `work`, and turns a
  // run-time failure into False with a log entry.
  template <typename Work>
  bool Run(const std::string& sDSN, const std::string& sLogFile, bool light, Work&& work) noexcept;

  // Appends one report to the call's log.
  void Log(const std::string& text);

  // The base-data lookup: kind, value, mode 0 (by name
  // or key: answers the ID) or 1 (by ID: answers the name or key). No single
  // match answers the mode's empty value and logs a warning (which sets the
  // error flag, but for contracts).
  // `found` (when given) tells whether exactly one row matched.
  Variant Lookup(int32_t kind, const Variant& value, int mode, bool* found = nullptr);
  RecordSetPtr Query(const std::string& sql);

  ValueVectorPtr ExportOrders(std::string filter);
  void ImportOrders(const ValueVector& orders, bool replace);
  void ImportOrder(const ValueDictionary& order, bool replace);
  // The value checks of an order; false (logged, error flag set) at the first failure.
  bool CheckOrder(const ValueDictionary& order);
  // The batch that writes the order; "" when a lookup found no single match.
  std::string OrderStatements(const ValueDictionary& order, int32_t inter_id);
  void ImportDeletions(const ValueVector& keys);

  bool Write(const ValueVectorPtr& list, const char* root, const std::string& file,
             std::string& xml);
  ValueVectorPtr Read(const char* root, const std::string& file, const std::string& xml);

  bool error_ = false;
  std::string log_file_;
  std::string props_;
  int32_t contract_id_ = 0;
  std::string contract_no_;
  std::shared_ptr<IAppConnection> app_;
};

}  // namespace corvane
