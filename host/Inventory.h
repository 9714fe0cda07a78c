// What the database holds about PCs, asked before the component is: whether
// a PC has any inventory rows at all, and which PCs exist.
#pragma once

#include <cstdint>
#include <vector>

#include "HardwareList.h"

// True when any hardware table or the user-defined device values hold a row
// for `pcId`. Throws CDBException.
bool PcHasInventoryRows(CDataConnection& connection, int32_t pcId);

// Every PC identifier in SystemOverview or BIOS, ascending. Throws CDBException.
std::vector<int32_t> InventoryPcIds(CDataConnection& connection);
