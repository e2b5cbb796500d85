// `minihost info`: the servers of each module under a header naming the file,
// and a clear message and a failing status for a file that is no module.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "minihost/cli/info_command.h"

namespace {

std::string fixture(const std::string &name) { return std::string(QR_TEST_PLUGIN_DIR) + "/" + name + ".so"; }

TEST(InfoCommand, ListsServersInTableOrder) {
    std::ostringstream out, err;
    EXPECT_EQ(minihost::cli::runInfo({fixture("fixture_good"), fixture("fixture_good_twin")}, out, err), 0);
    EXPECT_EQ(out.str(), fixture("fixture_good") +
                             ": 2 servers\n"
                             "  PixelFilterHandler  Fixture:Filter\n"
                             "  LayoutGeneric       Fixture:Command\n"
                             "\n" +
                             fixture("fixture_good_twin") +
                             ": 2 servers\n"
                             "  PixelFilterHandler  Fixture:Filter\n"
                             "  LayoutGeneric       Fixture:Command\n");
    EXPECT_EQ(err.str(), "");
}

TEST(InfoCommand, ABadFileIsNamedAndFailsTheRunButTheOthersAreListed) {
    std::ostringstream out, err;
    EXPECT_EQ(minihost::cli::runInfo({fixture("fixture_wrong_sync"), fixture("fixture_good")}, out, err), 1);
    EXPECT_EQ(err.str(), "minihost: " + fixture("fixture_wrong_sync") +
                             ": wrong synchronisation word 0x19940412 (expected 0x04121994)\n");
    EXPECT_EQ(out.str().rfind(fixture("fixture_good") + ": 2 servers\n", 0), 0u);
}

}  // namespace
