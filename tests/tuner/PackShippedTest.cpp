// The English pack Swiftlane ships in its Lang folder, read through the
// application object's own lookup: every text must be the one the code shows
// without any pack.
#include <windows.h>

#include <gtest/gtest.h>

#include "TestSupport.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "Swiftlane.h"

namespace {
// The source tree's resources/Swiftlane, as Wine sees it.
const char* const kShippedFolder = QV_SWIFTLANE_RESOURCES;
const char* const kMissing = "\x01 not in the pack";

struct PackText {
    const char* key;
    const char* text;
};

// Every key Swiftlane looks up, with the built-in text it passes.
const PackText kTexts[] = {
    {"1", "milliseconds"},
    {"2", "was set to"},
    {"3", "isn't set."},
    {"4", "bytes"},
    {"5", "is currently disabled."},
    {"6", "is currently enabled."},
    {"7", "seconds"},
    {"8", "was set to option"},
    {"9", "Valid range of RWIN is from MSS to 1073741823."},
    {"18", "Quorvane Swiftlane"},
    {"21", "Step 1 of 8 : Choose Connection Type"},
    {"22", "Step 2 of 8 : Specify MTU Settings"},
    {"23", "Step 3 of 8 : Other MTU Settings"},
    {"24", "Step 4 of 8 : RWIN Setting"},
    {"25", "Step 5 of 8 : TTL && Internet Explorer Optimization"},
    {"26", "Step 6 of 8 : Keep Alive Settings"},
    {"27", "Step 7 of 8 : SYN Flood Attack Setting"},
    {"28", "Step 8 of 8 : ICMP Redirect Attack Setting"},
    {"29", "Boost the Modem"},
    {"30", "Step 1 of 6 : Choose Connection Type"},
    {"31", "Step 2 of 6 : Specify MTU Settings"},
    {"32", "Step 3 of 6 : Other MTU Settings"},
    {"33", "Step 4 of 6 : RWIN Setting"},
    {"34", "Step 5 of 6 : TTL && Internet Explorer Optimization"},
    {"35", "Step 6 of 6 : Keep Alive Settings"},
    {"41",
     "Congratulation, Quorvane Swiftlane has boosted your internet connections.\nPlease, restart your "
     "computer in order to feel the change."},
    {"42",
     "Quorvane Swiftlane has reset your system to the backup settings.\nPlease, restart your computer in "
     "order to feel the change."},
    {"43",
     "Now, your old connection settings saved as backup will be overwritten with the current settings as "
     "they will be the new backup.\nDo you want to proceed?"},
    {"44", kBackupFailedText},
    {"45", kBackupKeptText},
    {"79", "Failed to detect your Windows version so we can't boost your connection."},
    {"IDC_static_Introduction", kDefaultIntroduction},
    {"IDC_HINT", kDefaultHint},
    {"IDC_SET_SETTINGS", "&Set Connection Settings"},
    {"IDC_RESET_SETTINGS", "&Reset Connection Settings"},
    {"IDC_Language", "Language"},
    {"IDOK", "OK"},
    {"IDC_STATIC2", "Version"},
    {"IDC_step1_static_Instruction", "Choose the type of your internet connection:"},
    {"IDC_step2_RADIO_DialUp", "Dial Up Connection (&Modem)."},
    {"IDC_step2_RADIO_Cable", "&Cable Modem."},
    {"IDC_step2_RADIO_DSL", "&Digital Subscriber Line (DSL)."},
    {"IDC_step2_RADIO_LAN", "&LAN Connection (Ethernet)."},
    {"IDC_static_MTU", "MTU :"},
    {"IDC_static_MSS", "MSS :"},
    {"IDC_static_RecommendedMTU", "Recommended MTU size  :  %d bytes."},
    {"IDC_static_RecommendedMSS", "Recommended MSS size  :  %d bytes."},
    {"IDC_static_CurrentMTU", "Your MTU"},
    {"IDC_static_CurrentMSS", "Your MSS"},
    {"IDC_chk_PMTUDiscovery", "Disable It?"},
    {"IDC_chk_BlackHole", "Enable It?"},
    {"IDC_static_PMTUDiscovery", "Path MTU Discovery"},
    {"IDC_static_BlackHole", "Black Hole Detection"},
    {"IDC_STATIC_MSS", "MSS :"},
    {"IDC_STATIC_MULTIPLIER", "Multiplier :"},
    {"IDC_STATIC_SCALING", "Scaling factor :"},
    {"IDC_STATIC_RWIN", "RWIN :"},
    {"IDC_static_CurrentRWIN", "Your RWIN"},
    {"IDC_static_TTL", "TTL :"},
    {"IDC_static_HTTP_1_0", "HTTP 1.0 connections :"},
    {"IDC_static_HTTP_1_1", "HTTP 1.1 connections :"},
    {"IDC_RECOMMENDED_TTL", "Recommended TTL  :  %d seconds."},
    {"IDC_RECOMMENDED_HTTP_1_0", "Recommended HTTP 1.0 connections  :  %d."},
    {"IDC_RECOMMENDED_HTTP_1_1", "Recommended HTTP 1.1 connections  :  %d."},
    {"IDC_static_CurrentTTL", "Your TTL"},
    {"IDC_static_CurrentHTTP_1_0", "Your HTTP 1.0 connections"},
    {"IDC_static_CurrentHTTP_1_1", "Your HTTP 1.1 connections"},
    {"IDC_static_KeepAliveTime", "Keep Alive Time :"},
    {"IDC_static_KeepAliveInterval", "Keep Alive Interval :"},
    {"IDC_RECOMMENDED_KeepAliveTime", "Recommended Keep Alive Time  :  %d milliseconds."},
    {"IDC_RECOMMENDED_KeepAliveInterval", "Recommended Keep Alive Interval  :  %d milliseconds."},
    {"IDC_static_CurrentKeepAliveTime", "Your Keep Alive Time"},
    {"IDC_static_CurrentKeepAliveInterval", "Your Keep Alive Interval"},
    {"IDC_static_SYNProtect", "SYN Attack Protect (0, 1 or 2) :"},
    {"IDC_RECOMMENDED_SYNProtect", "Recommended SYN Attack Protect option  :  %d."},
    {"IDC_static_CurrentSYNProtect", "Your SYN Attack Protect"},
    {"IDC_chk_ICMP", "Enable It?"},
    {"IDC_static_ICMPRedirects", "ICMP Redirects"},
    {"IDC_DESCRIBTION",
     "Your modem can be driven faster than Windows offers: Quorvane Swiftlane raises its top port speed "
     "from 115200 to 921600 bit/s when you press Finish."},
    {"ID_WIZBACK", "< &Back"},
    {"ID_WIZNEXT", "&Next >"},
    {"IDCANCEL", "Cancel"},
};

// Profile keys are found whatever their letter case.
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

class ShippedPack : public testing::Test {
protected:
    void SetUp() override { app.m_appPath = kShippedFolder; }
    CSwiftlaneApp app;
};
}  // namespace

TEST_F(ShippedPack, EveryTextIsTheBuiltInOne) {
    for (const PackText& t : kTexts) {
        SCOPED_TRACE(t.key);
        app.m_language = "No Such Language";
        const CString builtIn = app.LoadLangString(t.key, t.text);
        app.m_language = "English";
        EXPECT_EQ(app.LoadLangString(t.key, kMissing), builtIn);
    }
}

TEST_F(ShippedPack, HoldsNoKeyTheCodeDoesNotLookUp) {
    app.m_language = "English";
    std::vector<char> names(65536);
    DWORD length =
        GetPrivateProfileStringA("Swiftlane", nullptr, "", names.data(), DWORD(names.size()), app.PackPath());
    ASSERT_GT(length, 0u) << app.PackPath().c_str();
    std::set<std::string> known;
    for (const PackText& t : kTexts) known.insert(Lower(t.key));
    std::set<std::string> seen;
    for (const char* name = names.data(); *name; name += lstrlenA(name) + 1) {
        EXPECT_TRUE(seen.insert(Lower(name)).second) << name << " is in the pack twice";
        EXPECT_TRUE(known.count(Lower(name))) << name;
    }
}

TEST_F(ShippedPack, HasASixteenPixelFlagBesideIt) {
    ExpectSixteenPixelFlag(CString(kShippedFolder) + "\\Lang\\English.bmp");
}
