#include "platform/platform_components.h"

#include "frame/outside/app_connection.h"
#include "frame/outside/bill_service.h"
#include "frame/outside/connection.h"
#include "frame/outside/dom_document.h"
#include "frame/outside/list_server.h"
#include "frame/outside/list_update.h"
#include "frame/outside/object_factory.h"
#include "frame/outside/resource_loader.h"
#include "frame/outside/share_props.h"
#include "frame/outside/xml_transfer.h"
#include "frame/outside/system_services.h"
#include "platform/db/account_connection_component.h"
#include "platform/erp/app_connection.h"
#include "platform/erp/bill_package_reader.h"
#include "platform/erp/bill_save_service.h"
#include "platform/erp/list_server.h"
#include "platform/erp/list_update_service.h"
#include "platform/xml/dom_document.h"
#include "platform/xml/xml_reader.h"
#include "platform/xml/xml_writer.h"
#include "platform/win/file_system.h"
#include "platform/win/login_props.h"
#include "platform/win/module_folder.h"
#include "platform/win/registry_file.h"
#include "platform/win/resource_loader.h"

namespace corvane::platform {

void RegisterPlatformComponents() {
  RegisterProgId(kConnectionProgId, [] { return std::make_shared<db::ConnectionComponent>(); });
  RegisterProgId(kBillPackageProgId, [] { return std::make_shared<erp::BillPackageReader>(); });
  RegisterProgId(kBillSaveProgId, [] { return std::make_shared<erp::BillSaveService>(); });
  RegisterProgId(kListUpdateProgId, [] { return std::make_shared<erp::ListUpdateService>(); });
  RegisterProgId(kListServerProgId, [] { return std::make_shared<erp::ListServer>(); });
  RegisterProgId(kAppConnectionProgId, [] { return std::make_shared<erp::AppConnection>(); });
  RegisterProgId(kSharePropsProgId, [] { return std::make_shared<LoginProps>(); });
  RegisterProgId(kResourceLoaderProgId, [] { return std::make_shared<ResourceFileLoader>(); });
  RegisterProgId(kXmlWriterProgId, [] { return std::make_shared<xml::XmlWriter>(); });
  RegisterProgId(kXmlReaderProgId, [] { return std::make_shared<xml::XmlReader>(); });
  RegisterProgId(kDomDocumentProgId, [] { return std::make_shared<xml::DomDocument>(); });
  RegisterProgId(kFileSystemProgId, [] { return std::make_shared<FileSystem>(); });
  SetRegistryReaderProvider([] { return std::make_shared<RegistryFile>(); });
  // Keep a message pump the host installed before registering.
  SystemServices services = InstallSystemServices({});
  services.module_folder = ComponentModuleFolder;
  InstallSystemServices(std::move(services));
}

}  // namespace corvane::platform
