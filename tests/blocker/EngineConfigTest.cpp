#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "BlokkumEngineConfig.h"
#include "BlokkumShared.h"
#include "ErrorReport.h"
#include "Files.h"
#include "TestSupport.h"

namespace {
CString ShippedScript() {
    CString text;
    ReadWholeFile(GetModuleFolder() + "\\..\\..\\products\\Blokkum\\" BLOKKUM_SCRIPT_FILE, text);
    return text;
}

struct ProgramFolder {
    CTempFolder folder;
    CBlokkumLocations where;
    ProgramFolder() { where.iniFolder = folder.Path(); }
    void Ini(const std::string& body) const { folder.Write(BLOKKUM_INI_FILE, "[QuorvaneBlokkum]\r\n" + body); }
};
}  // namespace

TEST(PopupScript, ShippedScriptHasOnePlaceholderAndWritesTheTitleMarker) {
    const CString script = ShippedScript();
    ASSERT_FALSE(script.IsEmpty());
    EXPECT_EQ(script.Find("<script"), 0);
    const int first = script.Find("%s");
    ASSERT_GE(first, 0);
    EXPECT_LT(script.Find("%s", first + 1), 0);
    EXPECT_GE(script.Find("\"" BLOKKUM_POPUP_TITLE_MARKER "\""), 0);
    EXPECT_GE(script.Find("document.title = MARKER + document.title"), 0);
}

TEST(PopupScript, BuiltFromTheFileBesideTheSettingsOrEmptyWhenMissing) {
    ProgramFolder p;
    std::vector<std::string> reports;
    SetProxyErrorHook([&](const char* text) { reports.push_back(text); });
    CBlokkumSettings settings(p.where);
    EXPECT_EQ(BuildPopupScript(settings), "");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(p.folder.File(BLOKKUM_SCRIPT_FILE).c_str()), std::string::npos);

    p.folder.Write(BLOKKUM_SCRIPT_FILE, ShippedScript().str());
    settings.m_ini.PlayWave = 1;
    CString withSound = BuildPopupScript(settings);
    CString url = p.folder.File("PopUp.wav");
    url.Replace('\\', '/');
    EXPECT_GE(withSound.Find("CC_beep.src=\"" + url + "\";"), 0);
    settings.m_ini.PlayWave = 0;
    CString silent = BuildPopupScript(settings);
    EXPECT_LT(silent.Find("CC_beep.src"), 0);
    EXPECT_LT(silent.Find("%s"), 0);
    SetProxyErrorHook(nullptr);
    EXPECT_EQ(reports.size(), 1u);
}

TEST(EngineSnapshot, ReloadPublishesANewSnapshotAndLeavesHeldOnesAlone) {
    ProgramFolder p;
    p.folder.Write(BLOKKUM_SCRIPT_FILE, "<script>%s</script>");
    p.Ini("GatewayEnable=1\r\nGatewayIP=10.1.2.3\r\nGatewayPort=3128\r\nPlayWave=0\r\n");
    CBlokkumSettings settings(p.where);
    CBlokkumEngineState state;
    ReloadEngineSettings(settings, state);
    BlokkumEngineConfigPtr held = state.Current();
    EXPECT_TRUE(held->GatewayEnable);
    EXPECT_EQ(held->GatewayIP, "10.1.2.3");
    EXPECT_EQ(held->GatewayPort, 3128);
    EXPECT_EQ(held->PopupScript, "<script>  </script>");
    EXPECT_TRUE(held->PopupCatching);

    p.Ini("GatewayEnable=0\r\nPopupCheckDisabled=1\r\nDisabled=1\r\n");
    ReloadEngineSettings(settings, state);
    BlokkumEngineConfigPtr next = state.Current();
    EXPECT_FALSE(next->GatewayEnable);
    EXPECT_FALSE(next->PopupCatching);
    EXPECT_TRUE(next->Disabled);
    EXPECT_TRUE(next->PlayWave);
    EXPECT_EQ(held->GatewayIP, "10.1.2.3");
    EXPECT_TRUE(held->GatewayEnable);
}

TEST(EngineSnapshot, ReadersNeverSeeAMixedSnapshotDuringReloads) {
    ProgramFolder p;
    p.folder.Write(BLOKKUM_SCRIPT_FILE, "<script>%s</script>");
    CBlokkumSettings settings(p.where);
    CBlokkumEngineState state;
    settings.m_ini.PlayWave = 1;
    settings.m_ini.GatewayPort = 81;
    state.Publish(std::make_shared<const CBlokkumEngineConfig>(
        CBlokkumEngineConfig::FromSettings(settings.m_ini, BuildPopupScript(settings))));
    std::atomic<bool> done{false};
    std::atomic<int> mixed{0}, reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 8; ++t) {
        readers.emplace_back([&] {
            while (!done) {
                BlokkumEngineConfigPtr c = state.Current();
                // Each reload pairs PlayWave with the gateway port, so a
                // snapshot made of two reloads shows at once.
                bool sound = c->PopupScript.Find("CC_beep") >= 0;
                if (c->PlayWave != sound || (c->GatewayPort == 81) != c->PlayWave) ++mixed;
                ++reads;
            }
        });
    }
    for (int i = 0; i < 1000; ++i) {
        settings.m_ini.PlayWave = i % 2;
        settings.m_ini.GatewayPort = i % 2 ? 81 : 82;
        state.Publish(std::make_shared<const CBlokkumEngineConfig>(
            CBlokkumEngineConfig::FromSettings(settings.m_ini, BuildPopupScript(settings))));
    }
    done = true;
    for (auto& r : readers) r.join();
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(reads, 1000);
}
