// Handler family (rows are added as the family is built).
#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {

std::span<const HandlerRow> FamilyB8() { return {}; }
std::span<const HandlerRow> FamilyZhuZhouB8() { return {}; }

}  // namespace railfmt
