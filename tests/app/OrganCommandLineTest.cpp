// The organ modes of the built player, run as a script runs them: without a display.
#include "SmfBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <tuple>

namespace {

TEST(OrganCommandLine, ReportsAndFitsWithoutAWindow) {
    TempDir folder;
    folder.write("fits.mid", singleTrackFile(wire("00 903C40 60 803C00")));
    folder.write("plus2.mid", singleTrackFile(wire("00 902940 60 802900")));
    // The arguments, the exit status, and standard output and error when they are checked.
    const std::tuple<std::string, int, std::string> runs[] = {
        {"--check-organ --json fits.mid", 0,
         R"({"path":"fits.mid","code":0,"outside":0,"first":null,"channels":[1],)"
         R"("fits":[0,-1,2,-3,4,5,-5,6,7,9,-10,11,12,-12],"best":0,"bestOutside":0,)"
         R"("polyphony":1,"fastRepeats":0})"
         "\n"},
        {"--check-organ fits.mid plus2.mid", 1,
         "fits.mid: code 0, 0 outside; channels 1; fits 0 -1 +2 -3 +4 +5 -5 +6 +7 +9 -10 +11 "
         "+12 -12; best 0 (0 outside); polyphony 1; fast repeats 0\nplus2.mid: code -4, 1 "
         "outside, first F2 at bar 1 beat 1 (tick 0, 0.00 s), channel 1, track 1; channels 1; "
         "fits +2 +7 +9; best +2 (0 outside); polyphony 1; fast repeats 0\n"},
        {"--check-organ --json plus2.mid . fits.mid", 2, ""},
        {"--check-organ --json", 2, ""},
        {"--check-organ fits.mid >/dev/full", 2, ""},
        {"--fit-organ plus2.mid organ.mid", 0,
         "organ.mid: transposed +2, notes kept 1, dropped 0\n"},
        {"--check-organ organ.mid", 0, ""},
        {"--fit-organ absent.mid organ.mid", 2, "absent.mid: cannot be read\n"},
        {"--fit-organ plus2.mid no/organ.mid", 2,
         "no/organ.mid: cannot be written: no file can be made in its folder (error -2597)\n"},
        {"--fit-organ plus2.mid", 2, ""},
    };
    for (const auto& [arguments, exitCode, told] : runs) {
        FILE* player = popen(("cd " + folder.path() + " && env -u DISPLAY -u WAYLAND_DISPLAY " +
                              VELTRANO_PLAYER + " " + arguments + " 2>&1")
                                 .c_str(),
                             "r");
        std::string output;
        for (int c; player && (c = std::fgetc(player)) != EOF;)
            output += static_cast<char>(c);
        const int status = player ? pclose(player) : -1;
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, exitCode) << arguments;
        EXPECT_TRUE(told.empty() || output == told) << arguments << " printed:\n" << output;
    }
}

} // namespace
