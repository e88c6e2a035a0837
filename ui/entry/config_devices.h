// The trays and options of the printer configuration: their numbers in the status manager's
// tables, the device pair of the settings record each stands for, the resource string that names
// the device and the one that names the tray.
#pragma once

#include "core/driver_devmode.h"
#include "win/base.h"

namespace orla {

struct ConfigDevice {
    WORD number;          // bin or option number of the tables
    unsigned pair;        // dm::kFeeder1 ...
    UINT deviceString;    // the device's name in the description (resource strings 201 to 219)
    UINT trayNameString;  // the tray's name shown to the user (bins only)
};

// Bins in the order a table built from the settings record lists them.
inline constexpr ConfigDevice kBinDevicesInTableOrder[] = {
    {1, dm::kFeeder1, 201, 301},         {2, dm::kFeeder2, 202, 302},   {3, dm::kFeeder3, 203, 303},
    {4, dm::kFeeder4, 204, 304},         {5, dm::kFeeder5, 205, 305},   {1001, dm::kMsf, 206, 306},
    {4001, dm::kMultiPurpose, 219, 319}, {2001, dm::kManual, 207, 307}, {3001, dm::kEnvelopeFeeder, 208, 308},
};

inline constexpr ConfigDevice kOptionDevices[] = {
    {1, dm::kDuplex, 209, 0},       {1001, dm::kSorter, 210, 0}, {2001, dm::kPlotter, 211, 0},
    {3001, dm::kNic, 212, 0},       {4001, dm::kRcc, 213, 0},    {5001, dm::kFinisher1, 214, 0},
    {5002, dm::kFinisher2, 215, 0}, {5003, dm::kLcs, 216, 0},    {7001, dm::kHdd, 218, 0},
};

template <size_t N>
inline const ConfigDevice* FindConfigDevice(const ConfigDevice (&table)[N], WORD number) {
    for (const ConfigDevice& d : table)
        if (d.number == number) return &d;
    return nullptr;
}

}  // namespace orla
