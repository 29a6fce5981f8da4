#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "platform/posix/PosixPorts.h"
#include "support/RegSubs.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using namespace ardeko::platform;

namespace {

const std::string kTitle = "Veltrano Archivierungs-Assistent v3.00";
const std::string kKey = "Software\\Veltrano\\OffArdeko";

class ReadRegValueTest : public ::testing::Test {
protected:
    ReadRegValueTest() { Module().ProductTitle = kTitle; }
    testkit::TestEnv env;
};

TEST_F(ReadRegValueTest, ReadsByTheStoredType) {
    env.registry.SetString(HKEY_LOCAL_MACHINE_, kKey, "Doku", "/opt/veltrano/Handbuch.pdf");
    env.registry.SetString(HKEY_LOCAL_MACHINE_, kKey, "Ausdruck", "%WINDIR%\\x", REG_EXPAND_SZ_);
    env.registry.SetString(HKEY_LOCAL_MACHINE_, kKey, "Leer", "");
    env.registry.SetString(HKEY_LOCAL_MACHINE_, kKey, "Lang", std::string(9999, 'l'));
    env.registry.SetDword(HKEY_LOCAL_MACHINE_, kKey, "Zahl", 42);

    const struct {
        const char* name;
        std::uint32_t expected;
        RegValue value;
    } cases[] = {
        {"Doku", REG_SZ_, std::string("/opt/veltrano/Handbuch.pdf")},
        {"Ausdruck", REG_EXPAND_SZ_, std::string("%WINDIR%\\x")},  // not expanded
        {"Leer", REG_SZ_, std::string()},
        {"Lang", REG_SZ_, std::string(9999, 'l')},
        {"Zahl", REG_DWORD_, std::uint32_t{42}},
    };
    for (const auto& c : cases) {
        RegValue result;
        EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE_, kKey, c.name, c.expected, result, true)) << c.name;
        EXPECT_EQ(result, c.value) << c.name;
    }
    EXPECT_TRUE(env.ui.systemBoxes.empty());
    EXPECT_EQ(env.registry.openHandles, 0);
    // Every open asks for full access, which a user without write rights does not get.
    for (const auto& open : env.registry.opens) EXPECT_EQ(std::get<2>(open), KEY_ALL_ACCESS_);
}

TEST_F(ReadRegValueTest, FailuresLeaveTheResultAndShowBoxesOnlyWhenAsked) {
    env.registry.SetString(HKEY_LOCAL_MACHINE_, kKey, "Zulang", std::string(10000, 'z'));
    env.registry.SetDword(HKEY_LOCAL_MACHINE_, kKey, "Zahl", 7);
    const struct {
        const char* key;
        const char* name;
        std::uint32_t expected;
        std::string box;
    } cases[] = {
        {"Software\\Fehlt", "Doku", REG_SZ_,
         "Eintrag kann nicht geöffnet werden:\r\nKey/Path= Software\\Fehlt\r\nDLL-Rückmeldung=2"},
        {kKey.c_str(), "Fehlt", REG_SZ_, "Eintrag/Wert kann nicht gelesen werden:\r\nKey= Fehlt\r\nDLL-Rückmeldung=2"},
        {kKey.c_str(), "Zulang", REG_SZ_, "Eintrag/Wert kann nicht gelesen werden:\r\nKey= Zulang\r\nDLL-Rückmeldung=234"},
    };
    for (const auto& c : cases) {
        for (bool show : {false, true}) {
            env.ui.systemBoxes.clear();
            RegValue result = std::string("vorher");
            EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE_, c.key, c.name, c.expected, result, show)) << c.name;
            EXPECT_EQ(result, RegValue(std::string("vorher"))) << c.name;
            if (!show) {
                EXPECT_TRUE(env.ui.systemBoxes.empty()) << c.name;
                continue;
            }
            ASSERT_EQ(env.ui.systemBoxes.size(), 1u) << c.name;
            EXPECT_EQ(env.ui.systemBoxes[0].text, c.box);
            EXPECT_EQ(env.ui.systemBoxes[0].title, kTitle);
            EXPECT_EQ(env.ui.systemBoxes[0].flags, 48);
        }
    }
    EXPECT_EQ(env.ui.beeps, 0);
    EXPECT_EQ(env.registry.openHandles, 0);  // a failed read still closes the key

    env.registry.openError = ERROR_ACCESS_DENIED_;
    RegValue result;
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE_, kKey, "Zahl", REG_DWORD_, result, true));
    EXPECT_EQ(env.ui.systemBoxes.back().text,
              "Eintrag kann nicht geöffnet werden:\r\nKey/Path= " + kKey + "\r\nDLL-Rückmeldung=5");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(result));
}

TEST_F(ReadRegValueTest, BinaryValueGivesNothing) {
    class BinaryRegistry : public testkit::FakeRegistry {
    public:
        long QueryValueEx(RegHandle, const std::string&, std::uint32_t, std::uint32_t& type, std::string& data,
                          std::uint32_t& size) override {
            type = 3;
            data = "\x01\x02";
            size = 2;
            return ERROR_SUCCESS_;
        }
    } binary;
    binary.SetString(HKEY_LOCAL_MACHINE_, kKey, "Bytes", "");
    auto p = ports();
    p.registry = &binary;
    ScopedPorts scope(p);
    RegValue result = std::uint32_t{1};
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE_, kKey, "Bytes", REG_SZ_, result, true));
    EXPECT_EQ(result, RegValue(std::uint32_t{1}));
    EXPECT_EQ(binary.openHandles, 0);
}

TEST_F(ReadRegValueTest, UnexpectedErrorIsShownAlwaysAndTheKeyClosed) {
    class ThrowingRegistry : public testkit::FakeRegistry {
    public:
        long QueryValueEx(RegHandle, const std::string&, std::uint32_t, std::uint32_t&, std::string&,
                          std::uint32_t&) override {
            throw std::runtime_error("Speicher voll");
        }
    } throwing;
    throwing.SetString(HKEY_CURRENT_USER_, kKey, "Doku", "x");
    auto p = ports();
    p.registry = &throwing;
    {
        ScopedPorts scope(p);
        RegValue result = std::string("vorher");
        EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER_, kKey, "Doku", REG_SZ_, result, false));
        EXPECT_EQ(result, RegValue(std::string("vorher")));
        ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
        EXPECT_EQ(env.ui.systemBoxes[0].text, "Fehler bei Eintrag lesen: Speicher voll");
        EXPECT_EQ(env.ui.systemBoxes[0].title, kTitle);
        EXPECT_EQ(throwing.openHandles, 0);
    }
    // No registry at all.
    p.registry = nullptr;
    ScopedPorts none(p);
    RegValue result;
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER_, kKey, "Doku", REG_SZ_, result, false));
    ASSERT_EQ(env.ui.systemBoxes.size(), 2u);
    EXPECT_EQ(env.ui.systemBoxes[1].text.rfind("Fehler bei Eintrag lesen: ", 0), 0u);

    // Not even a screen to show it on: still no exception.
    p.ui = nullptr;
    ScopedPorts blind(p);
    EXPECT_NO_THROW(EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER_, kKey, "Doku", REG_SZ_, result, true)));
}

// Sets an environment variable for one scope.
class Env {
public:
    Env(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~Env() {
        if (saved_) setenv(name_, saved_->c_str(), 1);
        else unsetenv(name_);
    }
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// The same routine over this machine's registry stand-in (hive files in a temporary home).
class ReadRegValueOnHivesTest : public ReadRegValueTest {
protected:
    testkit::TempDir home;
    Env homeEnv{"HOME", home.str()};
    Env configEnv{"XDG_CONFIG_HOME", home / ".config"};
    Env machineEnv{"ARDEKO_MACHINE_REGISTRY", home / "HKEY_LOCAL_MACHINE.reg"};
    std::unique_ptr<Registry> hives = posix::MakePosixRegistry();
    std::optional<ScopedPorts> scope;

    ReadRegValueOnHivesTest() {
        auto p = ports();
        p.registry = hives.get();
        scope.emplace(p);
    }
};

TEST_F(ReadRegValueOnHivesTest, PersonalIsTheDocumentsFolder) {
    RegValue result;
    EXPECT_TRUE(ReadRegValue(HKEY_CURRENT_USER_, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                             "Personal", REG_SZ_, result, false));
    EXPECT_EQ(result, RegValue(home.str() + "/Documents"));
}

TEST_F(ReadRegValueOnHivesTest, MachineHiveThatTheUserCannotWriteGivesNothing) {
    const std::string file = home / "HKEY_LOCAL_MACHINE.reg";
    std::ofstream(file) << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" << kKey << "]\n\"Doku\"=\"/opt/doku.pdf\"\n";
    RegValue result;
    ASSERT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE_, kKey, "Doku", REG_SZ_, result, false));
    EXPECT_EQ(result, RegValue(std::string("/opt/doku.pdf")));

    if (geteuid() != 0 || std::system(("chattr +i '" + file + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "needs root and chattr";
    RegValue denied = std::string("vorher");
    const bool read = ReadRegValue(HKEY_LOCAL_MACHINE_, kKey, "Doku", REG_SZ_, denied, true);
    std::system(("chattr -i '" + file + "'").c_str());
    EXPECT_FALSE(read);
    EXPECT_EQ(denied, RegValue(std::string("vorher")));
    ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
    EXPECT_EQ(env.ui.systemBoxes[0].text,
              "Eintrag kann nicht geöffnet werden:\r\nKey/Path= " + kKey + "\r\nDLL-Rückmeldung=5");
}

}  // namespace
