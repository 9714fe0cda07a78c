// The DeviceTypeID values the report shows: a DiskDrive row is a hard disk,
// a CD-ROM drive or a floppy drive; a PeripheralDevice row one of the
// peripheral kinds.
#pragma once

#include "platform/Database.h"

namespace DeviceType {

constexpr LONG kHardDisk = 0;
constexpr LONG kCDROM = 1;
constexpr LONG kFloppy = 2;
constexpr LONG kUSB = 5;
constexpr LONG kModem = 6;
constexpr LONG kParallelPort = 14;
constexpr LONG kSerialPort = 15;
constexpr LONG kInfrared = 16;
constexpr LONG kPCMCIA = 17;

}  // namespace DeviceType
