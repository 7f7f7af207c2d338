// Handler family (rows are added as the family is built).
#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {

std::span<const HandlerRow> FamilyBA() { return {}; }

}  // namespace railfmt
