#include <gtest/gtest.h>

#include "platform/FileSystem.h"

// The portable core built for Windows answers like the Linux build.
TEST(WindowsBuild, WildcardMatchesAsOnLinux) {
    EXPECT_TRUE(ardeko::platform::WildcardMatch("*.DOC*", "bericht.docx"));
    EXPECT_FALSE(ardeko::platform::WildcardMatch("*.XLS", "bericht.docx"));
}
