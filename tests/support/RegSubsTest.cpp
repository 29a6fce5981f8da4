#include <gtest/gtest.h>

#include <stdexcept>

#include "support/RegSubs.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using namespace ardeko::platform;

const std::string kKey = "Software\\Veltrano\\OffArdeko";
const RegValue kBefore = std::string("vorher");  // what a failed read must leave
constexpr auto HKLM = HKEY_LOCAL_MACHINE_;

class ReadRegValueTest : public ::testing::Test {
protected:
    ReadRegValueTest() { Module().ProductTitle = "Veltrano Archivierungs-Assistent v3.00"; }
    testkit::TestEnv env;
};

TEST_F(ReadRegValueTest, ReadsByTheStoredTypeOrShowsWhyNotWhenAsked) {
    env.registry.SetString(HKLM, kKey, "Doku", "/opt/Handbuch.pdf");
    env.registry.SetString(HKLM, kKey, "Ausdruck", "%WINDIR%\\x", REG_EXPAND_SZ_);  // never expanded
    env.registry.SetString(HKLM, kKey, "Lang", std::string(9999, 'l'));  // 10000 bytes with the NUL
    env.registry.SetString(HKLM, kKey, "Zulang", std::string(10000, 'z'));
    env.registry.SetString(HKLM, kKey, "Bytes", "\x01\x02", 3);
    env.registry.SetDword(HKLM, kKey, "Zahl", 42);
    const std::string open = "Eintrag kann nicht geöffnet werden:\r\nKey/Path= ";
    const std::string read = "Eintrag/Wert kann nicht gelesen werden:\r\nKey= ";
    const struct { std::string key; const char* name; std::uint32_t type; long openError; RegValue value; std::string box; } cases[] = {
        {kKey, "Doku", REG_SZ_, 0, std::string("/opt/Handbuch.pdf"), ""},
        {kKey, "Ausdruck", REG_EXPAND_SZ_, 0, std::string("%WINDIR%\\x"), ""},
        {kKey, "Lang", REG_SZ_, 0, std::string(9999, 'l'), ""},
        {kKey, "Zahl", REG_DWORD_, 0, std::uint32_t{42}, ""},
        {kKey, "Bytes", REG_SZ_, 0, kBefore, ""},  // binary: no value and no box
        {"Software\\Fehlt", "Doku", REG_SZ_, 0, kBefore, open + "Software\\Fehlt\r\nDLL-Rückmeldung=2"},
        {kKey, "Doku", REG_SZ_, ERROR_ACCESS_DENIED_, kBefore, open + kKey + "\r\nDLL-Rückmeldung=5"},
        {kKey, "Fehlt", REG_SZ_, 0, kBefore, read + "Fehlt\r\nDLL-Rückmeldung=2"},
        {kKey, "Zulang", REG_SZ_, 0, kBefore, read + "Zulang\r\nDLL-Rückmeldung=234"},
    };
    for (const auto& c : cases)
        for (bool show : {false, true}) {
            env.registry.openError = c.openError;
            env.ui.systemBoxes.clear();
            RegValue result = kBefore;
            EXPECT_EQ(ReadRegValue(HKLM, c.key, c.name, c.type, result, show), c.value != kBefore) << c.name;
            EXPECT_EQ(result, c.value) << c.name;
            ASSERT_EQ(env.ui.systemBoxes.size(), show && !c.box.empty() ? 1u : 0u) << c.name;
            EXPECT_EQ(env.ui.systemBoxes.empty() ? "" : env.ui.systemBoxes[0].text, show ? c.box : "") << c.name;
        }
    EXPECT_EQ(env.ui.systemBoxes.at(0).title, "Veltrano Archivierungs-Assistent v3.00");
    EXPECT_EQ(env.ui.systemBoxes.at(0).flags, 48);
    EXPECT_EQ(env.registry.openHandles, 0);  // every key closed again, after a failed read too
    // Full access on every open, which a user without write rights on the key does not get.
    for (const auto& opened : env.registry.opens) EXPECT_EQ(std::get<2>(opened), KEY_ALL_ACCESS_);
}

TEST_F(ReadRegValueTest, UnexpectedErrorIsShownEvenUnaskedAndTheKeyClosed) {
    struct : testkit::FakeRegistry {
        long QueryValueEx(RegHandle, const std::string&, std::uint32_t, std::uint32_t&, std::string&,
                          std::uint32_t&) override {
            throw std::runtime_error("Speicher voll");
        }
    } throwing;
    throwing.SetString(HKLM, kKey, "Doku", "x");
    auto p = ports();
    p.registry = &throwing;
    ScopedPorts scope(p);
    RegValue result = kBefore;
    EXPECT_FALSE(ReadRegValue(HKLM, kKey, "Doku", REG_SZ_, result, false));
    EXPECT_TRUE(result == kBefore && throwing.openHandles == 0);
    ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
    EXPECT_EQ(env.ui.systemBoxes[0].text, "Fehler bei Eintrag lesen: Speicher voll");
}
