#pragma once
// Where the suite finds the source tree and the build: written into one generated file, so no
// other test object depends on the folder it is built in.
#include <string>

namespace vexa::test {

const std::string& source_dir();
const std::string& binary_dir();
// The input type file that ships with the programs.
std::string shipped_input_types();

}  // namespace vexa::test
