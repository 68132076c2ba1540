// The communication log in a folder that POSIX file modes keep from being written to.

#include "protocol/comm_log.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace va48 {
namespace {

namespace fs = std::filesystem;

TEST(CommLogPosixTest, AReadOnlyFolderLosesTheWritesSilently) {
    TempDir temp{"va48_log_modes"};
    fs::permissions(temp.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    CommLog log(temp / "VA-48Viewer.log");
    log.Write("lost\n"); // must neither throw nor crash
    if (::geteuid() != 0) {
        EXPECT_FALSE(fs::exists(temp / "VA-48Viewer.log"));
    }
}

} // namespace
} // namespace va48
