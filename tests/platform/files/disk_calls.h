// Every fsync and rename the test program makes, in order, with the paths
// they name: "fsync <path>" and "rename <from> -> <to>". A test that links
// this sees the calls of its own code and of the libraries it loads, which
// then go on to the C library as usual.
#pragma once

#include <string>
#include <vector>

namespace disktest {

std::vector<std::string>& DiskCalls();

}  // namespace disktest
