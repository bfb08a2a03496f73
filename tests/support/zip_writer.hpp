#pragma once
// The tests' zip writer: stored and deflated entries with any names,
// including ones a safe reader must refuse. Folders come from the entries'
// names; a name ending in '/' is a folder entry of its own.

#include <string>
#include <vector>

namespace velmora::test {

struct ZipItem {
    std::string name; // '/'-separated
    std::string data;
    bool deflate = false;
};

std::string make_zip(const std::vector<ZipItem>& items);

} // namespace velmora::test
