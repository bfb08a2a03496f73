#pragma once
// A small zip writer for test archives: stored and deflated entries with any
// names, including ones a safe reader must refuse.

#include <string>
#include <vector>

namespace velmora::test {

struct ZipItem {
    std::string name; // ends with '/' for a folder
    std::string data;
    bool deflate = false;
};

std::string make_zip(const std::vector<ZipItem>& items);

} // namespace velmora::test
