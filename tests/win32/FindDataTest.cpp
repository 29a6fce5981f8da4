// Entries that Wine cannot make (cloud placeholders, deduplicated and compressed files,
// junctions, symbolic links) judged from synthetic find data; the walk over entries that a
// listing reports as such is in Win32PortsTest.cpp. And the registry roots, which Wine takes in
// either form.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/FindData.h"
#include "platform/win32/Win32Ports.h"
#include "win32/FindData.h"

namespace ardeko {
namespace {

using platform::win32::ClassifyFindData;
using namespace findData;

TEST(ClassifyFindData, NameSurrogatesAreSystemEntriesOtherReparsePointsOrdinaryAndUnfetchedContentCloudOnly) {
    const struct { const char* what; DWORD attributes, tag; bool directory, system, cloudOnly; } cases[] = {
        {"plain file", FILE_ATTRIBUTE_ARCHIVE, 0, false, false, false},
        {"system file", FILE_ATTRIBUTE_SYSTEM, 0, false, true, false},
        {"symbolic link to a file", kReparse, kSymlink, false, true, false},
        {"symbolic link to a folder", kReparse | kDir, kSymlink, true, true, false},
        {"junction", kReparse | kDir, kMountPoint, true, true, false},
        {"cloud file kept on this PC", kReparse | kPinned, kCloud3, false, false, false},
        {"cloud file only online", kReparse | kRecallOnDataAccess, kCloud3, false, false, true},
        {"cloud file recalled when opened", kReparse | kRecallOnOpen, kCloud, false, false, true},
        {"cloud folder not yet listed", kReparse | kDir | kRecallOnOpen, kCloud, true, false, false},
        {"offline file of a file server", FILE_ATTRIBUTE_OFFLINE, 0, false, false, true},
        {"deduplicated file", kReparse, kDedup, false, false, false},
        {"compressed system file", kReparse | FILE_ATTRIBUTE_READONLY, kWof, false, false, false},
        {"app execution alias", kReparse, kAppExecLink, false, false, false},
        // The tag field means nothing without the reparse attribute.
        {"stale tag on a plain folder", kDir, kMountPoint, true, false, false},
    };
    for (const auto& c : cases) {
        const auto a = ClassifyFindData(FindData(c.attributes, c.tag));
        EXPECT_EQ(a.directory, c.directory) << c.what;
        EXPECT_EQ(a.system, c.system) << c.what;
        EXPECT_EQ(a.cloudOnly, c.cloudOnly) << c.what;
        EXPECT_EQ(platform::win32::IsLink(c.attributes, c.tag), c.system && c.attributes != FILE_ATTRIBUTE_SYSTEM) << c.what;
    }
    EXPECT_TRUE(ClassifyFindData(FindData(kReparse | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, kDedup)).hidden);
    EXPECT_TRUE(ClassifyFindData(FindData(kReparse | FILE_ATTRIBUTE_READONLY, kWof)).readOnly);
}

TEST(RegistryRoot, IsTheHandleTheHeadersDefine) {
    EXPECT_EQ(platform::win32::RegistryRoot(0x80000001u), static_cast<void*>(HKEY_CURRENT_USER));
    EXPECT_EQ(platform::win32::RegistryRoot(0x80000002u), static_cast<void*>(HKEY_LOCAL_MACHINE));
}

}  // namespace
}  // namespace ardeko
