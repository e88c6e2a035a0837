// Builds the 48-byte status block a printer sends, field by field, and its device-ID text: the
// printer simulator's block, with the tests' ready printer.
#pragma once

#include "tools/printer_sim/status_block_image.h"

using printersim::Base64;

struct Block : printersim::StatusBlockImage {
    // The simulator's ready printer, with byte 46 set as the tests' printers report it.
    static Block Ready() {
        Block b;
        static_cast<printersim::StatusBlockImage&>(b) = printersim::StatusBlockImage::Ready();
        b.bytes[46] = 2;
        return b;
    }
};
