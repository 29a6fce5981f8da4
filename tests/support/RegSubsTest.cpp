#include <gtest/gtest.h>

#include <stdexcept>

#include "support/RegSubs.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using namespace ardeko::platform;

const std::string kKey = "Software\\Veltrano\\OffArdeko";
const RegValue kBefore = std::string("vorher");  // what a failed read must leave
constexpr auto HKLM = HKEY_LOCAL_MACHINE_;

TEST(ReadRegValue, ReadsByTheStoredTypeOrShowsWhyNotWhenAsked) {
    testkit::TestEnv env;
    Module().ProductTitle = "Veltrano Archivierungs-Assistent v3.00";
    env.registry.SetString(HKLM, kKey, "Doku", "/opt/Handbuch.pdf");
    env.registry.SetString(HKLM, kKey, "Ausdruck", "%WINDIR%\\x", REG_EXPAND_SZ_);  // never expanded
    env.registry.SetString(HKLM, kKey, "Lang", std::string(9999, 'l'));  // 10000 bytes with the NUL
    env.registry.SetString(HKLM, kKey, "Zulang", std::string(10000, 'z'));
    env.registry.SetString(HKLM, kKey, "Bytes", "\x01\x02", 3);
    env.registry.SetDword(HKLM, kKey, "Zahl", 42);
    const struct { std::string key; const char* name; std::uint32_t type; RegValue value; std::string box; } cases[] = {
        {kKey, "Doku", REG_SZ_, std::string("/opt/Handbuch.pdf"), ""},
        {kKey, "Ausdruck", REG_EXPAND_SZ_, std::string("%WINDIR%\\x"), ""},
        {kKey, "Lang", REG_SZ_, std::string(9999, 'l'), ""},
        {kKey, "Zahl", REG_DWORD_, std::uint32_t{42}, ""},
        {kKey, "Bytes", REG_SZ_, kBefore, ""},  // binary: no value and no box
        {"Software\\Fehlt", "Doku", REG_SZ_, kBefore, "Eintrag kann nicht geöffnet werden:\r\nKey/Path= Software\\Fehlt\r\nDLL-Rückmeldung=2"},
        {kKey, "Zulang", REG_SZ_, kBefore, "Eintrag/Wert kann nicht gelesen werden:\r\nKey= Zulang\r\nDLL-Rückmeldung=234"},
    };
    for (const auto& c : cases)
        for (bool show : {false, true}) {
            env.ui.systemBoxes.clear();
            RegValue result = kBefore;
            EXPECT_EQ(ReadRegValue(HKLM, c.key, c.name, c.type, result, show), c.value != kBefore) << c.name;
            EXPECT_EQ(result, c.value) << c.name;
            ASSERT_EQ(env.ui.systemBoxes.size(), show && !c.box.empty() ? 1u : 0u) << c.name;
            EXPECT_EQ(env.ui.systemBoxes.empty() ? "" : env.ui.systemBoxes[0].text, show ? c.box : "") << c.name;
        }
    EXPECT_EQ(env.ui.systemBoxes.at(0).title + "|" + std::to_string(env.ui.systemBoxes.at(0).flags), "Veltrano Archivierungs-Assistent v3.00|48");
    EXPECT_EQ(env.registry.openHandles, 0);  // every key closed again, after a failed read too
    // Full access on every open, which a user without write rights on the key does not get.
    for (const auto& opened : env.registry.opens) EXPECT_EQ(std::get<2>(opened), KEY_ALL_ACCESS_);
}

TEST(ReadRegValue, UnexpectedErrorIsShownEvenUnaskedAndTheKeyClosed) {
    testkit::TestEnv env;
    struct : testkit::FakeRegistry {
        long QueryValueEx(RegHandle, const std::string&, std::uint32_t, std::uint32_t&, std::string&, std::uint32_t&) override {
            throw std::runtime_error("Speicher voll");
        }
    } throwing;
    throwing.SetString(HKLM, kKey, "Doku", "x");
    ports().registry = &throwing;
    RegValue result = kBefore;
    EXPECT_FALSE(ReadRegValue(HKLM, kKey, "Doku", REG_SZ_, result, false));
    EXPECT_TRUE(result == kBefore && throwing.openHandles == 0);
    ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
    EXPECT_EQ(env.ui.systemBoxes[0].text, "Fehler bei Eintrag lesen: Speicher voll");
}
