// The build without a PostgreSQL engine. An engine's own file defines OpenPostgres instead of
// this one.
#include "collect/store/SqlDb.h"

namespace hxc {

std::unique_ptr<SqlDbI> OpenPostgres(const std::string&, std::string* why) {
  *why = "this hxcollect was built without PostgreSQL";
  return nullptr;
}

}  // namespace hxc
