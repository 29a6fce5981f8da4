#include <gtest/gtest.h>

#include "PosixTestUtil.h"
#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"

using namespace ardeko::posixtest;
using namespace ardeko::platform;
using namespace std::string_literals;

constexpr auto HKCU = HKEY_CURRENT_USER_, HKLM = HKEY_LOCAL_MACHINE_, KEY_READ_ = 0x20019u;
const std::string kKey = "Software\\Veltrano\\OffArdeko";

class PosixRegistryTest : public ::testing::Test {
protected:
    // "type:data" of a value (text with its NUL), else "key" or "value" and the error code.
    std::string Query(std::uint32_t hive, const std::string& key, const std::string& name,
                      std::uint32_t access = KEY_READ_, std::uint32_t capacity = 10000) {
        RegHandle h = 0;
        if (const long rc = reg->OpenKeyEx(hive, key, access, h); rc != ERROR_SUCCESS_) return "key " + std::to_string(rc);
        std::uint32_t type = 0, size = 0;
        std::string data;
        const long rc = reg->QueryValueEx(h, name, capacity, type, data, size);
        EXPECT_TRUE(reg->CloseKey(h) == ERROR_SUCCESS_ && reg->CloseKey(h) == ERROR_INVALID_HANDLE_);
        if (rc != ERROR_SUCCESS_) return "value " + std::to_string(rc) + (size ? " size " + std::to_string(size) : "");
        return std::to_string(type) + ":" + data + (size == data.size() ? "" : " size " + std::to_string(size));
    }
    TempHome home;
    std::string user = home.config + "/Veltrano/HKEY_CURRENT_USER.reg", machine = home.dir / "HKEY_LOCAL_MACHINE.reg";
    ScopedEnv machineEnv{"ARDEKO_MACHINE_REGISTRY", home.home}, noDocs{"XDG_CONFIG_DIRS", home.dir / "none"};
    std::unique_ptr<Registry> reg = posix::MakePosixRegistry();
};

TEST_F(PosixRegistryTest, ReadsRegedit4Values) {
    std::filesystem::create_directories(home.config + "/Veltrano");
    WriteFile(user, "REGEDIT4\r\n\r\n; a comment\r\n[HKEY_CURRENT_USER\\" + kKey + "]\r\n"
                    "\"Doku\"=\"C:\\\\Programme\\\\Handbuch \\\"neu\\\".pdf\"\r\n@=\"Standard\"\r\n\"Zahl\"=dword:0000002a\r\n"
                    "\"Pfad\"=hex(2):25,57,49,4e,44,49,52,25,5c,\\\r\n  e4,00\r\n\"Gr\xF6\xDF" "e\"=\"\xC4rger\"\r\n"
                    "\"Weg\"=\"x\"\r\n\"Weg\"=-\r\n[HKEY_LOCAL_MACHINE\\Software\\Fremd]\r\n\"x\"=\"y\"\r\n"
                    "[HKCU\\A\\B]\r\n\"v\"=\"1\"\r\n[HKCU\\A\\C]\r\n\"v\"=\"2\"\r\n[-HKEY_CURRENT_USER\\A\\B]\r\n");
    const struct { std::string key, name, result; } cases[] = {
        {kKey, "Doku", "1:C:\\Programme\\Handbuch \"neu\".pdf\0"s}, {kKey, "", "1:Standard\0"s}, {kKey, "Zahl", "4:\x2a\0\0\0"s},
        {"software\\VELTRANO\\offardeko\\", "DOKU", "1:C:\\Programme\\Handbuch \"neu\".pdf\0"s}, {kKey, "Weg", "value 2"},
        {kKey, "Pfad", "2:%WINDIR%\\ä\0"s}, {kKey, "Größe", "1:Ärger\0"s},  // Windows-1252 in the file
        {"Software\\Veltrano", "x", "value 2"}, {"Software\\Velt", "x", "key 2"},  // keys on the way to a listed key exist
        {"A\\B", "v", "key 2"}, {"A\\C", "v", "1:2\0"s}, {"Software\\Fremd", "x", "key 2"},  // nor does another root's section
    };
    for (const auto& c : cases) EXPECT_EQ(Query(HKCU, c.key, c.name), c.result) << c.key << " " << c.name;
    EXPECT_EQ(Query(HKCU, kKey, "", KEY_READ_, 9) + "|" + Query(HKCU, kKey, "", KEY_READ_, 8), "1:Standard\0|value 234 size 9"s);
    EXPECT_EQ(Query(HKLM, "Software\\Fremd", "x"), "key 2");
}

TEST_F(PosixRegistryTest, MachineHiveInUtf16OrUtf8MissingBrokenOrUnwritable) {
    EXPECT_EQ(Query(HKLM, kKey, "Doku"), "key 2");
    WriteFile(machine, "[HKEY_LOCAL_MACHINE\\" + kKey + "]\n\"Doku\"=\"/d\"\n");  // no header line
    EXPECT_EQ(Query(HKLM, kKey, "Doku") + "|" + Query(0x80000003u, kKey, "Doku"), "key 2|key 6");
    const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" + kKey + "]\r\n"
                             "\"Doku\"=\"C:\\\\Dokumentation für Word.pdf\"\r\n\"Pfad\"=hex(2):25,00,50,00,5c,00,e4,00,00,00\r\n";
    WriteFile(machine, "\xFF\xFE" + posix::TextEncoder("UTF-16LE").encode(text));
    EXPECT_EQ(Query(HKLM, kKey, "Doku", KEY_ALL_ACCESS_), "1:C:\\Dokumentation für Word.pdf\0"s);
    EXPECT_EQ(Query(HKLM, kKey, "Pfad"), "2:%P\\ä\0"s);
    WriteFile(home.dir / "anders.reg", text);  // UTF-8, in a file named directly
    ScopedEnv direct("ARDEKO_MACHINE_REGISTRY", home.dir / "anders.reg");
    EXPECT_EQ(Query(HKLM, kKey, "Pfad"), "2:%P\\ä\0"s);
    Immutable locked(home.dir / "anders.reg");
    if (!locked.ok) GTEST_SKIP() << "needs root and chattr";
    EXPECT_EQ(Query(HKLM, kKey, "Doku", KEY_ALL_ACCESS_) + "|" + Query(HKLM, "Software\\Nichts", "Doku", KEY_ALL_ACCESS_), "key 5|key 2");
    EXPECT_EQ(Query(HKLM, kKey, "Pfad"), "2:%P\\ä\0"s);  // reading alone is allowed
}

TEST_F(PosixRegistryTest, PersonalIsTheDocumentsFolder) {
    const std::string folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    EXPECT_EQ(Query(HKCU, folders, "Personal", KEY_ALL_ACCESS_), "1:" + home.home + "/Documents" + '\0');
    // The desktop's folder configuration, then a value in the hive file win.
    std::filesystem::create_directories(home.config + "/Veltrano");
    WriteFile(home.config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(Query(HKCU, folders, "Personal"), "1:" + home.home + "/Dokumente" + '\0');
    WriteFile(user, "REGEDIT4\n[HKEY_CURRENT_USER\\" + folders + "]\n\"Personal\"=\"/srv/Ablage\"\n");
    EXPECT_EQ(Query(HKCU, folders, "personal"), "1:/srv/Ablage\0"s);
}
