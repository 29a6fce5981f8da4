#include <gtest/gtest.h>

#include <cstring>

#include "PosixTestUtil.h"
#include "platform/posix/PosixPorts.h"
#include "platform/posix/PosixRegistry.h"

using namespace ardeko;
using namespace ardeko::posixtest;
using namespace ardeko::platform;

namespace {

// UTF-8 (up to three-byte sequences) to UTF-16LE with byte-order mark, as the registry
// editor writes version 5 files.
std::string Utf16File(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned code = c;
        if (c >= 0xE0) {
            code = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3Fu);
            i += 3;
        } else if (c >= 0xC0) {
            code = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
            i += 2;
        } else {
            ++i;
        }
        out.push_back(static_cast<char>(code & 0xFF));
        out.push_back(static_cast<char>(code >> 8));
    }
    return out;
}

struct Read {
    long rc;
    std::uint32_t type = 0;
    std::string data;
    std::uint32_t size = 0;
};

class PosixRegistryTest : public ::testing::Test {
protected:
    TempHome home;
    testkit::TempDir machine;
    ScopedEnv machineEnv{"ARDEKO_MACHINE_REGISTRY", machine.str()};
    ScopedEnv noDocs{"XDG_CONFIG_DIRS", home.home() + "/none"};
    std::unique_ptr<Registry> reg = posix::MakePosixRegistry();

    std::string userFile() const { return home.config() + "/Veltrano/HKEY_CURRENT_USER.reg"; }
    std::string machineFile() const { return machine / "HKEY_LOCAL_MACHINE.reg"; }
    void WriteUser(const std::string& bytes) {
        std::filesystem::create_directories(home.config() + "/Veltrano");
        WriteFile(userFile(), bytes);
    }

    Read Query(std::uint32_t hive, const std::string& key, const std::string& name,
               std::uint32_t capacity = 10000, std::uint32_t access = 0x20019 /*KEY_READ*/) {
        RegHandle h = 0;
        const long opened = reg->OpenKeyEx(hive, key, access, h);
        if (opened != ERROR_SUCCESS_) return {opened};
        Read r{0};
        r.rc = reg->QueryValueEx(h, name, capacity, r.type, r.data, r.size);
        EXPECT_EQ(reg->CloseKey(h), ERROR_SUCCESS_);
        return r;
    }
};

const char kRegedit4[] =
    "REGEDIT4\r\n"
    "\r\n"
    "; a comment\r\n"
    "[HKEY_CURRENT_USER\\Software\\Veltrano\\OffArdeko]\r\n"
    "\"Doku\"=\"C:\\\\Programme\\\\Veltrano\\\\Handbuch \\\"neu\\\".pdf\"\r\n"
    "@=\"Standard\"\r\n"
    "\"Leer\"=\"\"\r\n"
    "\"Zahl\"=dword:0000002a\r\n"
    "\"Pfad\"=hex(2):25,57,49,4e,44,49,52,25,5c,\\\r\n"
    "  e4,00\r\n"
    "\"Bytes\"=hex:01,02,ff\r\n"
    "\"Gr\xF6\xDF" "e\"=\"\xC4rger\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Fremd]\r\n"
    "\"x\"=\"y\"\r\n";

TEST_F(PosixRegistryTest, ReadsRegedit4Values) {
    WriteUser(kRegedit4);
    const std::string key = "Software\\Veltrano\\OffArdeko";
    const struct {
        const char* name;
        std::uint32_t type;
        std::string data;
    } cases[] = {
        {"Doku", REG_SZ_, std::string("C:\\Programme\\Veltrano\\Handbuch \"neu\".pdf") + '\0'},
        {"DOKU", REG_SZ_, std::string("C:\\Programme\\Veltrano\\Handbuch \"neu\".pdf") + '\0'},
        {"", REG_SZ_, std::string("Standard") + '\0'},
        {"Leer", REG_SZ_, std::string(1, '\0')},
        {"Zahl", REG_DWORD_, std::string("\x2a\0\0\0", 4)},
        {"Pfad", REG_EXPAND_SZ_, std::string("%WINDIR%\\ä") + '\0'},
        {"Bytes", 3, "\x01\x02\xff"},
        {"Größe", REG_SZ_, std::string("Ärger") + '\0'},
    };
    for (const auto& c : cases) {
        auto r = Query(HKEY_CURRENT_USER_, key, c.name);
        ASSERT_EQ(r.rc, ERROR_SUCCESS_) << c.name;
        EXPECT_EQ(r.type, c.type) << c.name;
        EXPECT_EQ(r.data, c.data) << c.name;
        EXPECT_EQ(r.size, c.data.size()) << c.name;
    }
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, "software\\VELTRANO\\offardeko\\", "Zahl").rc, ERROR_SUCCESS_);
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, key, "Fehlt").rc, ERROR_FILE_NOT_FOUND_);
    // The section of another root in this file does not count, nor is it the machine's hive.
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, "Software\\Fremd", "x").rc, ERROR_FILE_NOT_FOUND_);
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, "Software\\Fremd", "x").rc, ERROR_FILE_NOT_FOUND_);
    // Keys on the way to a listed key exist.
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, "Software\\Veltrano", "x").rc, ERROR_FILE_NOT_FOUND_);
    RegHandle h = 0;
    EXPECT_EQ(reg->OpenKeyEx(HKEY_CURRENT_USER_, "Software\\Veltrano", 0x20019, h), ERROR_SUCCESS_);
    EXPECT_EQ(reg->CloseKey(h), ERROR_SUCCESS_);
    EXPECT_EQ(reg->CloseKey(h), ERROR_INVALID_HANDLE_);
    EXPECT_EQ(reg->OpenKeyEx(HKEY_CURRENT_USER_, "Software\\Velt", 0x20019, h), ERROR_FILE_NOT_FOUND_);
}

TEST_F(PosixRegistryTest, ReadsVersion5UnicodeFile) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltrano\\OffArdeko]\r\n"
        "\"Doku\"=\"C:\\\\Programme\\\\Veltrano\\\\Dokumentation für Word.pdf\"\r\n"
        "\"Ausdruck\"=hex(2):25,00,50,00,52,00,4f,00,47,00,52,00,41,00,4d,00,46,00,49,00,\\\r\n"
        "  4c,00,45,00,53,00,25,00,5c,00,e4,00,00,00\r\n"
        "\"Zahl\"=dword:ffffffff\r\n"
        "\"Weg\"=\"x\"\r\n"
        "\"Weg\"=-\r\n";
    WriteFile(machineFile(), Utf16File(text));
    const std::string key = "Software\\Veltrano\\OffArdeko";

    auto doku = Query(HKEY_LOCAL_MACHINE_, key, "Doku");
    ASSERT_EQ(doku.rc, ERROR_SUCCESS_);
    EXPECT_EQ(doku.data, std::string("C:\\Programme\\Veltrano\\Dokumentation für Word.pdf") + '\0');
    auto expand = Query(HKEY_LOCAL_MACHINE_, key, "Ausdruck");
    EXPECT_EQ(expand.type, REG_EXPAND_SZ_);
    EXPECT_EQ(expand.data, std::string("%PROGRAMFILES%\\ä") + '\0');
    auto number = Query(HKEY_LOCAL_MACHINE_, key, "Zahl");
    EXPECT_EQ(number.data, std::string("\xff\xff\xff\xff", 4));
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, key, "Weg").rc, ERROR_FILE_NOT_FOUND_);

    // The same file saved as UTF-8 is read alike, and so is a file named directly.
    WriteFile(machine / "anders.reg", text);
    ScopedEnv direct("ARDEKO_MACHINE_REGISTRY", machine / "anders.reg");
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, key, "Doku").data, doku.data);
}

TEST_F(PosixRegistryTest, TextUpToTheBufferSizeIsReadWhole) {
    WriteUser("REGEDIT4\n[HKEY_CURRENT_USER\\Lang]\n\"a\"=\"" + std::string(9999, 'a') + "\"\n\"b\"=\"" +
              std::string(10000, 'b') + "\"\n");
    auto fits = Query(HKEY_CURRENT_USER_, "Lang", "a");
    ASSERT_EQ(fits.rc, ERROR_SUCCESS_);
    EXPECT_EQ(fits.size, 10000u);
    auto tooLong = Query(HKEY_CURRENT_USER_, "Lang", "b");
    EXPECT_EQ(tooLong.rc, ERROR_MORE_DATA_);
    EXPECT_EQ(tooLong.size, 10001u);
    EXPECT_TRUE(tooLong.data.empty());
}

TEST_F(PosixRegistryTest, MissingOrBrokenHiveHasNoKeys) {
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, "Software\\Veltrano\\OffArdeko", "Doku").rc, ERROR_FILE_NOT_FOUND_);
    WriteFile(machineFile(), "[HKEY_LOCAL_MACHINE\\Software]\n\"a\"=\"b\"\n");  // no header line
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, "Software", "a").rc, ERROR_FILE_NOT_FOUND_);
    RegHandle h = 0;
    EXPECT_EQ(reg->OpenKeyEx(0x80000003u, "x", 0, h), ERROR_INVALID_HANDLE_);
    std::uint32_t type = 0, size = 0;
    std::string data;
    EXPECT_EQ(reg->QueryValueEx(12345, "x", 100, type, data, size), ERROR_INVALID_HANDLE_);

    std::string why;
    EXPECT_FALSE(posix::ParseRegFile("hello\n", "HKEY_CURRENT_USER", &why));
    EXPECT_FALSE(why.empty());
}

TEST_F(PosixRegistryTest, DeletedKeysAndValuesAreGone) {
    WriteUser(
        "REGEDIT4\n[HKEY_CURRENT_USER\\A\\B]\n\"v\"=\"1\"\n[HKEY_CURRENT_USER\\A\\C]\n\"v\"=\"2\"\n"
        "[-HKEY_CURRENT_USER\\A\\B]\n[HKCU\\A\\C]\n\"w\"=\"3\"\n");
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, "A\\B", "v").rc, ERROR_FILE_NOT_FOUND_);
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, "A\\C", "v").data, std::string("2") + '\0');
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, "A\\C", "w").data, std::string("3") + '\0');
}

TEST_F(PosixRegistryTest, FullAccessToUnwritableHiveIsDenied) {
    WriteFile(machineFile(), "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Veltrano\\OffArdeko]\n\"Doku\"=\"/d\"\n");
    const std::string key = "Software\\Veltrano\\OffArdeko";
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, key, "Doku", 10000, KEY_ALL_ACCESS_).rc, ERROR_SUCCESS_);
    Immutable locked(machineFile());
    if (!locked.ok()) GTEST_SKIP() << "needs root and chattr";
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, key, "Doku", 10000, KEY_ALL_ACCESS_).rc, ERROR_ACCESS_DENIED_);
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, key, "Doku").rc, ERROR_SUCCESS_);  // reading alone is allowed
    // A missing key stays "not found", rights or not.
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE_, "Software\\Nichts", "Doku", 10000, KEY_ALL_ACCESS_).rc,
              ERROR_FILE_NOT_FOUND_);
}

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TEST_F(PosixRegistryTest, PersonalFallsBackToTheDocumentsFolder) {
    // No hive file and no folder configuration: ~/Documents.
    auto r = Query(HKEY_CURRENT_USER_, kShellFolders, "Personal", 10000, KEY_ALL_ACCESS_);
    ASSERT_EQ(r.rc, ERROR_SUCCESS_);
    EXPECT_EQ(r.type, REG_SZ_);
    EXPECT_EQ(r.data, home.home() + "/Documents" + '\0');
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, kShellFolders, "AppData").rc, ERROR_FILE_NOT_FOUND_);

    // The user's folder configuration, as the desktop keeps it.
    std::filesystem::create_directories(home.config());
    WriteFile(home.config() + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, kShellFolders, "Personal").data, home.home() + "/Dokumente" + '\0');

    // A value in the hive file wins.
    WriteUser("REGEDIT4\n[HKEY_CURRENT_USER\\" + std::string(kShellFolders) + "]\n\"Personal\"=\"/srv/Ablage\"\n");
    EXPECT_EQ(Query(HKEY_CURRENT_USER_, kShellFolders, "personal").data, std::string("/srv/Ablage") + '\0');
}

}  // namespace
