// The picture's file write on POSIX, where a test can plant files in its way.
#include "platform/file_write.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace secant {
namespace {

std::uint64_t attemptAlone(int attempt) {
    return static_cast<std::uint64_t>(attempt);
}

std::string contentOf(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A file at the first temporary name, linked to another: the write must take
// the next name and never write through the one it finds.
TEST(FileWrite, NeverOpensAFileAtTheTemporaryName) {
    char folderTemplate[] = "/tmp/secant-file-write-XXXXXX";
    const std::string folder = mkdtemp(folderTemplate);
    const std::string victim = folder + "/victim";
    const std::string planted = folder + "/.secant-" + temporaryNameSuffix<std::string>(0);
    std::ofstream(victim) << "victim";
    ASSERT_EQ(link(victim.c_str(), planted.c_str()), 0);

    const std::string target = folder + "/plot.svg";
    EXPECT_TRUE(writeFileWhole(target.c_str(), "<svg/>", attemptAlone).written());
    EXPECT_EQ(contentOf(target), "<svg/>");
    EXPECT_EQ(contentOf(victim), "victim");
    EXPECT_EQ(contentOf(planted), "victim");

    for (const std::string& file : {target, victim, planted}) {
        (void)unlink(file.c_str());
    }
    (void)rmdir(folder.c_str());
}

}  // namespace
}  // namespace secant
