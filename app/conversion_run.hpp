// One conversion run, from the command line's arguments to the exit status:
// load the music file and the voice bank, read the voice table file when
// there is one, make the output directory, check the header, write one MML
// file per song, and write the voice table file when none was read.
#pragma once

#include <string>
#include <vector>

#include "app/environment.hpp"

namespace tonvert {

// arguments: the command line after the program's name. Returns the exit
// status: 0 when the run reaches its end, 1 when it stops early.
int run_conversion(const std::vector<std::string>& arguments, Environment& environment);

}  // namespace tonvert
