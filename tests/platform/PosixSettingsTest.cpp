#include <gtest/gtest.h>
#include <thread>

#include "PosixTestUtil.h"
#include "platform/posix/PosixPorts.h"

using namespace ardeko::posixtest;
using ardeko::platform::posix::MakePosixSettings;

class PosixSettingsTest : public ::testing::Test {
protected:
    bool Save(const std::string& section, const std::string& key, const std::string& v) { return store->SaveSetting("Veltrano", section, key, v); }
    std::string Get(const std::string& section, const std::string& key) { return store->GetSetting("Veltrano", section, key, "?"); }
    TempHome home;
    std::unique_ptr<ardeko::platform::SettingsStore> store = MakePosixSettings();
};

TEST_F(PosixSettingsTest, ValuesRoundTripWhateverTheyHoldAndUnstorableOrLockedOnesFail) {
    EXPECT_EQ(Get("OffArdeko", "CurrLang"), "?");
    const char* const names[][3] = {{"", "A", "B"}, {"../X", "A", "B"}, {"X", "A]", "B"}, {"X", "A\nB", "B"}, {"X", "A", "B=C"}, {"X", "A", ""}};
    for (const auto& n : names) EXPECT_FALSE(store->SaveSetting(n[0], n[1], n[2], "x")) << n[0] << "|" << n[1] << "|" << n[2];
    EXPECT_FALSE(std::filesystem::exists(home.config));  // neither reading nor a refused save creates anything
    const std::string values[] = {" C:\\Daten\\ ", "", "Zeile 1\r\nZeile 2\nZeile 3\\n kein Umbruch", "Größe = Übermaß; [x] #y"};
    for (std::size_t i = 0; i < std::size(values); ++i) ASSERT_TRUE(Save("OffArdeko\\Word", "Wert" + std::to_string(i), values[i]));
    auto fresh = MakePosixSettings();  // another program reading the file
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(fresh->GetSetting("Veltrano", "offardeko\\WORD", "WERT" + std::to_string(i), "?"), values[i]) << i;
    ASSERT_TRUE(Save("OFFARDEKO\\word", "wert0", "D:\\"));  // names regardless of case; the first spelling stays
    EXPECT_EQ(fresh->GetSetting("Veltrano", "OffArdeko\\Word", "Wert0", "?"), "D:\\");
    EXPECT_EQ(fresh->GetSetting("Veltrano", "OffArdeko", "Wert0", "?") + fresh->GetSetting("Andere", "OffArdeko\\Word", "Wert0", "?"), "??");
    EXPECT_EQ(ReadFile(home.config + "/Veltrano/settings.ini").find("word]"), std::string::npos);
    Immutable locked(home.config + "/Veltrano");
    if (!locked.ok) GTEST_SKIP() << "needs root and chattr";
    EXPECT_FALSE(Save("OffArdeko\\Word", "Wert0", "neu"));
    EXPECT_EQ(Get("OffArdeko\\Word", "Wert0"), "D:\\");
}

TEST_F(PosixSettingsTest, HandWrittenFileBelowTheDefaultFolderIsReadAndKept) {
    ScopedEnv noXdg("XDG_CONFIG_HOME", std::nullopt);
    std::filesystem::create_directories(home.home + "/.config/Veltrano");
    WriteFile(home.home + "/.config/Veltrano/settings.ini", "; von Hand\r\n[OffArdeko]\r\nCurrLang=1\r\nunsinn\r\n\r\n[Andere]\r\nCurrLang=7\r\n");
    ASSERT_TRUE(Save("OffArdeko", "Doku", "/doc"));
    EXPECT_EQ(Get("OffArdeko", "CurrLang") + Get("Andere", "CurrLang") + Get("OffArdeko", "Doku"), "17/doc");
}

TEST_F(PosixSettingsTest, StoresSavingAtOnceLoseNothing) {
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([w] { for (int k = 0; k < 15; ++k) MakePosixSettings()->SaveSetting("Veltrano", "Lauf", std::to_string(w * 100 + k), "x"); });
    for (auto& writer : writers) writer.join();
    for (int k = 0; k < 400; ++k) EXPECT_EQ(Get("Lauf", std::to_string(k)), k % 100 < 15 ? "x" : "?") << k;
}
