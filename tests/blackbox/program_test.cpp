#include "common/text_win.hpp"
#include "support/harness.hpp"

#include <gtest/gtest.h>
#include <windows.h>

namespace velmora::test {
namespace {

TEST(Program, IsBuiltBesideTheTests) {
    EXPECT_NE(::GetFileAttributesW(widen(program_under_test()).c_str()), INVALID_FILE_ATTRIBUTES)
        << program_under_test();
}

} // namespace
} // namespace velmora::test
