// The printer simulator's command-line options, shared by the programs that start one: its
// misbehaviours and what it reports.
#pragma once

#include <string>

#include "tools/printer_sim/printer_sim.h"

namespace printersim {

// The usage lines of the options TakeOption reads.
extern const char kOptionsUsage[];

// Takes the option at argv[*i] (and its value, advancing *i past it) into options. False when
// argv[*i] is not one of these options, or (with *error set) when its value is missing or bad.
bool TakeOption(int argc, char** argv, int* i, Options* options, std::string* error);

}  // namespace printersim
