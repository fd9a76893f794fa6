#include "labserver/lab_schema.h"

#include "labserver/sql/schema_sql.h"
#include "labserver/sql/summaries_sql.h"

namespace tarvelo::labserver {

std::optional<LabFailure> initLabServer(LabConnection& connection) {
  // One transaction: a server is set up whole or not at all.
  return connection.script(std::string("BEGIN;") + sql::kSchemaSql + sql::kSummariesSql + "COMMIT;");
}

}  // namespace tarvelo::labserver
