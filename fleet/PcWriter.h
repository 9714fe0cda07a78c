// One PC of the sample fleet.
#pragma once

#include <cstdint>

#include "fleet/FleetGenerator.h"

namespace fleet {

// Every row of PC `id` for the fleet of `seed`, table by table in the order
// of FleetTables(), each table's rows in key order. The rows depend only on
// the seed and the id.
void WritePcRows(uint64_t seed, int32_t id, FleetSink& sink);

}  // namespace fleet
