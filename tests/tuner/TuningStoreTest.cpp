// Swiftlane's registry store on machine and user trees fabricated under the
// test's own key, and a wizard run to Finish that writes through it.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Registry.h"
#include "Seams.h"
#include "TestSupport.h"
#include "TuningStore.h"
#include "WizardDriver.h"
#include "resource.h"

namespace {

const char* const kIE = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char* const kTcpip = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char* const kInterfaceA = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}";
const char* const kInterfaceB = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{B}";
const char* const kMstcp = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char* const kNetTrans = "System\\CurrentControlSet\\Services\\Class\\NetTrans\\0003";
const char* const kBackup = "Software\\Quorvane Swiftlane\\Original Settings";

void Put(HKEY root, const char* path, const char* name, DWORD value) {
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(root, path));
    key.SetDWORD(name, value);
}

void Put(HKEY root, const char* path, const char* name, const char* text) {
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(root, path));
    key.SetString(name, text);
}

// A DWORD in decimal, a string as it is, "-" for a value that is not there.
std::string ValueOf(HKEY root, const char* path, const char* name) {
    CRegKey key;
    CString bytes;
    DWORD type = 0;
    if (key.Open(root, path) != ERROR_SUCCESS || key.QueryBinary(name, bytes, &type) != ERROR_SUCCESS) return "-";
    if (type == REG_DWORD) return std::to_string(*reinterpret_cast<const DWORD*>(bytes.c_str()));
    return bytes.c_str();
}

// Every key and value below root with type and bytes, in registry order.
void Dump(HKEY root, const CString& path, std::string& out) {
    CRegKey key;
    if (key.Open(root, path) != ERROR_SUCCESS) return;
    out += "[" + path.str() + "]\n";
    for (const CString& name : key.EnumValueNames()) {
        CString bytes;
        DWORD type = 0;
        key.QueryBinary(name, bytes, &type);
        out += name.str() + " (" + std::to_string(type) + ")";
        for (unsigned char c : bytes.str()) {
            char hex[4];
            snprintf(hex, sizeof hex, " %02x", c);
            out += hex;
        }
        out += "\n";
    }
    for (const CString& sub : key.EnumSubKeys()) Dump(root, path.IsEmpty() ? sub : path + "\\" + sub, out);
}

std::string Snapshot(HKEY root) {
    std::string out;
    Dump(root, "", out);
    return out;
}

// Both families' keys are there, so only the family picks the ones used.
class TuningStoreTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ERROR_SUCCESS, user.Create(HKEY_CURRENT_USER, key.SubKey() + "\\User"));
        ASSERT_EQ(ERROR_SUCCESS, machine.Create(HKEY_CURRENT_USER, key.SubKey() + "\\Machine"));
        where.user = user;
        where.machine = machine;
        where.backupKey = kBackup;
        Put(user, "Software\\Quorvane Swiftlane", "Language", "English");
        Put(user, kIE, "MaxConnectionsPerServer", 6);
        Put(machine, kTcpip, "DefaultTTL", 128);
        Put(machine, kTcpip, "TcpWindowSize", 17520);
        Put(machine, kTcpip, "Hostname", "box");
        CRegKey tcpip;
        tcpip.Open(machine, kTcpip, KEY_WRITE);
        const BYTE odd[3] = {1, 2, 3};
        tcpip.SetBinary("GlobalMaxTcpWindowSize", odd, sizeof odd);
        Put(machine, kInterfaceA, "MTU", 1400);
        Put(machine, kInterfaceB, "IPAddress", "10.0.0.2");
        Put(machine, kMstcp, "DefaultTTL", "100");
        Put(machine, kMstcp, "DefaultRcvWindow", "8760");
        Put(machine, "Enum\\Root\\Net\\0000", "DeviceDesc", "NE2000 Compatible");
        Put(machine, "Enum\\Root\\Net\\0001", "DeviceDesc", "Dial-Up Adapter");
        Put(machine, "Enum\\Root\\Net\\0001\\Bindings", "MSTCP\\0002", "");
        Put(machine, "Enum\\Network\\MSTCP\\0002", "Driver", "NetTrans\\0003");
        Put(machine, kNetTrans, "MaxMSS", "536");
        Put(machine, kNetTrans, "DriverDesc", "TCP/IP");
    }
    std::string Everything() { return Snapshot(machine) + Snapshot(user); }

    CTestRegistryKey key;
    CRegKey user, machine;
    TuningRegistry where;
};

struct Expected {
    bool machine;
    const char* path;
    const char* name;
    const char* value;
};

TEST_F(TuningStoreTest, BackupApplyResetLeavesEveryValueAsItWas) {
    struct Case {
        OSFamily family;
        DWORD ttl, rwin;
        bool mtuPresent;
        DWORD mss;
        std::vector<Expected> applied;
    } cases[] = {
        {FAMILY_NT, 128, 17520, true, 0,
         {{true, kTcpip, "DefaultTTL", "64"}, {true, kTcpip, "TcpWindowSize", "6432"},
          {true, kTcpip, "GlobalMaxTcpWindowSize", "6432"}, {true, kTcpip, "DefaultReceiveWindow", "8192"},
          {true, kTcpip, "SYNAttackProtect", "2"}, {true, kTcpip, "EnableICMPRedirects", "0"},
          {true, kInterfaceA, "MTU", "576"}, {true, kInterfaceB, "MSS", "536"},
          {false, kIE, "MaxConnectionsPer1_0Server", "20"}, {true, kMstcp, "DefaultTTL", "100"},
          {true, kNetTrans, "MaxMTU", "-"}}},
        {FAMILY_9X, 100, 8760, false, 536,
         {{true, kMstcp, "DefaultTTL", "32"}, {true, kMstcp, "DefaultRcvWindow", "6432"},
          {true, kMstcp, "GlobalMaxTcpWindoSize", "6432"}, {true, kMstcp, "KeepAliveTime", "7200000"},
          {true, kNetTrans, "MaxMTU", "576"}, {true, kNetTrans, "MaxMSS", "536"},
          {false, kIE, "MaxConnectionsPer1_0Server", "4"}, {true, kTcpip, "DefaultTTL", "128"},
          {true, kInterfaceA, "MTU", "1400"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family);
        std::string before = Everything();
        CTuningStore store(where);
        TuningSettings settings;
        settings.family = c.family;
        TuningOriginals originals;
        store.ReadCurrent(settings, originals);
        EXPECT_EQ(c.ttl, settings.ttl.current);
        EXPECT_EQ(c.rwin, settings.rwin.current);
        EXPECT_EQ(c.mtuPresent, settings.mtu.present);
        EXPECT_EQ(c.mss, settings.mss.current);
        EXPECT_EQ(6u, settings.http11.current);
        EXPECT_FALSE(settings.http10.present);
        EXPECT_FALSE(settings.synProtect.present);

        settings.SetDefaults();
        ASSERT_EQ(store.Apply(settings, originals, false).outcome, TuningApplyResult::Applied);
        for (const Expected& e : c.applied)
            EXPECT_EQ(e.value, ValueOf(e.machine ? machine : user, e.path, e.name)) << e.path << " " << e.name;

        EXPECT_TRUE(store.Reset(c.family));
        EXPECT_EQ(before, Everything());
        EXPECT_FALSE(store.Reset(c.family)) << "the backup is gone";
    }
}

TEST_F(TuningStoreTest, NothingIsWrittenOrLostWithoutAWholeBackup) {
    std::string before = Everything();
    TuningSettings settings;
    settings.SetDefaults();
    CTuningStore fresh(where);
    EXPECT_FALSE(fresh.Reset(FAMILY_NT));

    TuningRegistry unwritable = where;
    unwritable.backupKey = CString('x', 300);
    CTuningStore failing(unwritable);
    TuningOriginals originals;
    failing.ReadCurrent(settings, originals);
    EXPECT_EQ(failing.Apply(settings, originals, false).outcome, TuningApplyResult::NoBackup);
    EXPECT_EQ(before, Everything());

    // A restore that cannot write keeps the backup for another try.
    settings.family = FAMILY_9X;
    CTuningStore store(where);
    store.ReadCurrent(settings, originals);
    ASSERT_EQ(store.Apply(settings, originals, false).outcome, TuningApplyResult::Applied);
    const char* vxd = "System\\CurrentControlSet\\Services\\VxD";
    ASSERT_EQ(ERROR_SUCCESS, CRegKey::DeleteTree(machine, vxd));
    HKEY blocker = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(machine, vxd, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                             &blocker, nullptr));
    RegCloseKey(blocker);
    EXPECT_FALSE(store.Reset(FAMILY_9X));
    EXPECT_EQ("100", ValueOf(user, kBackup, "DefaultTTL"));
    ASSERT_EQ(ERROR_SUCCESS, CRegKey::DeleteTree(machine, vxd));
    EXPECT_TRUE(store.Reset(FAMILY_9X));
    EXPECT_EQ(before, Everything());
}

// A first tuning with the recommended values.
void Tune(CTuningStore& store, TuningSettings& settings) {
    TuningOriginals originals;
    store.ReadCurrent(settings, originals);
    settings.SetDefaults();
    ASSERT_EQ(TuningApplyResult::Applied, store.Apply(settings, originals, false).outcome);
}

// An empty access list lets nobody open the key; none lets everybody.
void SetAccess(const CRegKey& key, ACL* acl) {
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd));
}

TEST_F(TuningStoreTest, ASecondTuningThatCannotSaveItsBackupKeepsTheFirstAndWritesNothing) {
    CTuningStore store(where);
    TuningSettings settings;
    Tune(store, settings);
    const std::string tuned = Everything();
    // Interface {B} cannot be read, as one its driver locks.
    CRegKey locked;
    ASSERT_EQ(ERROR_SUCCESS, locked.Open(machine, kInterfaceB, KEY_ALL_ACCESS));
    ACL none;
    InitializeAcl(&none, sizeof none, ACL_REVISION);
    SetAccess(locked, &none);
    TuningOriginals originals;
    store.ReadCurrent(settings, originals);
    SetAccess(locked, nullptr);
    settings.ttl.chosen = 99;
    TuningApplyResult result = store.Apply(settings, originals, false);
    EXPECT_EQ(TuningApplyResult::NoBackup, result.outcome);
    EXPECT_TRUE(result.backupKept);
    EXPECT_EQ(tuned, Everything()) << "backup byte for byte, nothing written, nothing left beside";
}

TEST_F(TuningStoreTest, AnInterfaceAddedAfterTheTuningKeepsItsValuesThroughReset) {
    const char* kAdded = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{VPN}";
    CTuningStore store(where);
    TuningSettings settings;
    Tune(store, settings);
    Put(machine, kAdded, "MTU", 1400);
    EXPECT_TRUE(store.Reset(FAMILY_NT));
    EXPECT_EQ("1400", ValueOf(machine, kAdded, "MTU"));
    EXPECT_EQ("1400", ValueOf(machine, kInterfaceA, "MTU"));
    EXPECT_EQ("-", ValueOf(machine, kInterfaceB, "MTU"));
}

// What a Finish cut short leaves beside the backup: a new backup written in
// full takes the place of an old one already gone; one written in part never.
TEST_F(TuningStoreTest, ResetFinishesOnlyAWholeNewBackup) {
    const CString pending = CString(kBackup) + " (new)";
    for (bool whole : {false, true}) {
        SCOPED_TRACE(whole);
        CTuningStore store(where);
        TuningSettings settings;
        Tune(store, settings);
        Put(user, pending, "DefaultTTL", 77);
        if (whole) {
            Put(user, pending, "Backup Complete", 1);
            ASSERT_EQ(ERROR_SUCCESS, CRegKey::DeleteTree(user, kBackup));
        }
        EXPECT_TRUE(store.Reset(FAMILY_NT));
        EXPECT_EQ(whole ? "77" : "128", ValueOf(machine, kTcpip, "DefaultTTL"));
        EXPECT_EQ("-", ValueOf(user, pending, "DefaultTTL"));
    }
}

// A second tuning whose new backup cannot be copied in once the old one is
// out of the backup key (a volatile key takes no lasting subkey): nothing is
// tuned, and the box's "kept" is true exactly when the old backup is back.
TEST_F(TuningStoreTest, AFailedSwapKeepsTheOriginalsAndSaysSoTruly) {
    for (int refusals : {1, 100}) {
        SCOPED_TRACE(refusals);
        const std::string original = Everything();
        CTuningStore store(where);
        TuningSettings settings;
        Tune(store, settings);
        const std::string tuned = Everything();
        int left = refusals;
        SetDeleteKeyTreeHook([&](HKEY parent, const char* subKey) {
            LONG rc = LONG(SHDeleteKeyA(parent, subKey));
            if (parent == user.Get() && CString(subKey) == kBackup && left-- > 0) {
                HKEY blocker = nullptr;
                RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &blocker,
                                nullptr);
                RegCloseKey(blocker);
            }
            return rc;
        });
        TuningOriginals originals;
        store.ReadCurrent(settings, originals);
        settings.ttl.chosen = 99;
        const TuningApplyResult result = store.Apply(settings, originals, false);
        SetDeleteKeyTreeHook(nullptr);
        EXPECT_EQ(TuningApplyResult::NoBackup, result.outcome);
        EXPECT_EQ(refusals == 1, result.backupKept);
        if (refusals == 1) {
            EXPECT_EQ(tuned, Everything());
        }
        EXPECT_TRUE(store.Reset(FAMILY_NT));
        EXPECT_EQ(original, Everything());
    }
}

// A Reset whose removal of the backup is cut short (the subkeys gone, the key
// refused) leaves no backup that a later Reset would put back.
TEST_F(TuningStoreTest, WhatARemovalCutShortLeavesIsNoBackup) {
    const char* kAdded = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{VPN}";
    CTuningStore store(where);
    TuningSettings settings;
    Tune(store, settings);
    SetDeleteKeyTreeHook([&](HKEY parent, const char* subKey) {
        if (CString(subKey) != kBackup) return LONG(SHDeleteKeyA(parent, subKey));
        CRegKey key;
        if (key.Open(parent, subKey) == ERROR_SUCCESS)
            for (const CString& sub : key.EnumSubKeys()) SHDeleteKeyA(key, sub);
        return LONG(ERROR_ACCESS_DENIED);
    });
    store.Reset(FAMILY_NT);
    SetDeleteKeyTreeHook(nullptr);
    ASSERT_EQ("1400", ValueOf(machine, kInterfaceA, "MTU"));
    Put(machine, kAdded, "MTU", 1300);
    EXPECT_FALSE(store.HasBackup());
    EXPECT_FALSE(store.Reset(FAMILY_NT));
    EXPECT_EQ("1400", ValueOf(machine, kInterfaceA, "MTU"));
    EXPECT_EQ("1300", ValueOf(machine, kAdded, "MTU"));
    EXPECT_EQ("-", ValueOf(user, kBackup, "DefaultTTL")) << "the remains go";
}

// Properties of 80 bytes with the port rate at byte 24.
std::string Properties(DWORD rate) {
    std::string bytes(80, '\x5a');
    memcpy(&bytes[24], &rate, sizeof rate);
    return bytes;
}

TEST_F(TuningStoreTest, ModemsAtTheOldTopSpeedAreFoundAndRaised) {
    struct Case {
        OSFamily family;
        const char* classKey;
    } cases[] = {
        {FAMILY_NT, "System\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}"},
        {FAMILY_9X, "System\\CurrentControlSet\\Services\\Class\\Modem"},
    };
    std::string slow = Properties(115200), fast = Properties(921600);
    // Bytes 24 and 27 are not part of the match and stay as they are.
    std::string odd = Properties(0xFF01C2EE), oddRaised = Properties(0xFF0E10EE);
    struct Modem {
        const char* name;
        std::string before, after;
    } modems[] = {
        {"0000", slow, fast}, {"0001", fast, fast}, {"0002", odd, oddRaised}, {"0003", slow.substr(0, 26), slow.substr(0, 26)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family);
        CTuningStore store(where);
        EXPECT_FALSE(store.FindModem(c.family)) << "no modem class key";
        Put(machine, c.classKey, "Class", "Modem");
        for (const Modem& m : modems) {
            CRegKey modem;
            ASSERT_EQ(ERROR_SUCCESS, modem.Create(machine, CString(c.classKey) + "\\" + m.name));
            modem.SetBinary("Properties", m.before.data(), DWORD(m.before.size()));
        }
        Put(machine, CString(c.classKey) + "\\0004", "DriverDesc", "No properties");
        EXPECT_TRUE(store.FindModem(c.family));
        TuningSettings settings;
        settings.family = c.family;
        TuningOriginals originals;
        store.ReadCurrent(settings, originals);
        settings.SetDefaults();
        ASSERT_EQ(store.Apply(settings, originals, true).outcome, TuningApplyResult::Applied);
        for (const Modem& m : modems) {
            CRegKey modem;
            CString properties;
            modem.Open(machine, CString(c.classKey) + "\\" + m.name);
            EXPECT_EQ(ERROR_SUCCESS, modem.QueryBinary("Properties", properties)) << m.name;
            EXPECT_EQ(m.after, properties.str()) << m.name;
        }
        EXPECT_FALSE(store.FindModem(c.family)) << "every modem is raised";
    }
}

// The real store behind the real wizard: Finish writes the LAN values.
class WizardStoreTest : public TuningStoreTest {
protected:
    void SetUp() override {
        TuningStoreTest::SetUp();
        INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
        InitCommonControlsEx(&init);
        app.m_registryKey = key.SubKey() + "\\User\\Software\\Quorvane Swiftlane";
        app.m_family = FAMILY_NT;
        store = CTuningStore(where);
        app.SetStore(&store);
        g_nModemFound = 0;
    }
    CSwiftlaneApp app;
    CTuningStore store;
    CScriptedMessageBoxes boxes;
};

TEST_F(WizardStoreTest, FinishWritesTheChosenValuesAfterSavingTheOriginals) {
    CString currentTtl;
    WizardRun run = LanRun(currentTtl);
    RunWizard(app, run);
    EXPECT_EQ(INT_PTR(ID_WIZFINISH), run.result);
    EXPECT_EQ(CString("Your TTL was set to 128 seconds."), currentTtl);
    EXPECT_EQ("256960", ValueOf(machine, kTcpip, "TcpWindowSize"));
    EXPECT_EQ("64", ValueOf(machine, kTcpip, "DefaultTTL"));
    EXPECT_EQ("1500", ValueOf(machine, kInterfaceA, "MTU"));
    EXPECT_EQ("20", ValueOf(user, kIE, "MaxConnectionsPerServer"));
    EXPECT_EQ("128", ValueOf(user, kBackup, "DefaultTTL"));
    EXPECT_EQ("6", ValueOf(user, kBackup, "MaxConnectionsPerServer"));
    EXPECT_TRUE(app.HasBackup());
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(0u, boxes.Boxes()[0].text.find("Congratulation"));
}

TEST_F(WizardStoreTest, ASecondWizardCancelledLeavesTheBackupForReset) {
    const std::string original = Everything();
    CString currentTtl;
    WizardRun tune = LanRun(currentTtl);
    RunWizard(app, tune);
    ASSERT_EQ(INT_PTR(ID_WIZFINISH), tune.result);
    const std::string tuned = Everything();
    WizardRun cancelled;
    cancelled.action = [](int, int, HWND) { return int(PSBTN_CANCEL); };
    RunWizard(app, cancelled);
    EXPECT_EQ(INT_PTR(IDCANCEL), cancelled.result);
    EXPECT_EQ(tuned, Everything()) << "the backup byte for byte too";
    EXPECT_TRUE(store.Reset(FAMILY_NT));
    EXPECT_EQ(original, Everything());
}

// Two Swiftlanes: this wizard opens with no backup to ask about, another one
// tunes, then Finish here asks before it replaces that backup, and saves the
// values it read when it opened, so Reset brings back the originals.
TEST_F(WizardStoreTest, AWizardOpenedBeforeAnotherTuningAsksAndKeepsTheOriginals) {
    const std::string original = Everything();
    CTuningStore other(where);
    TuningSettings otherSettings;
    TuningOriginals otherOriginals;
    other.ReadCurrent(otherSettings, otherOriginals);
    otherSettings.SetDefaults();
    WizardRun run;
    run.action = [&](int page, int visit, HWND) {
        if (page == PAGE_MTU && visit == 1) other.Apply(otherSettings, otherOriginals, false);
        return -1;
    };
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDOK);
    RunWizard(app, run);
    EXPECT_EQ(INT_PTR(ID_WIZFINISH), run.result);
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ(0u, boxes.Boxes()[0].text.find("Now, your old connection settings saved as backup"));
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), boxes.Boxes()[0].type);
    EXPECT_EQ(0u, boxes.Boxes()[1].text.find("Congratulation"));
    EXPECT_EQ("128", ValueOf(user, kBackup, "DefaultTTL"));
    EXPECT_TRUE(store.Reset(FAMILY_NT));
    EXPECT_EQ(original, Everything());
}

TEST_F(WizardStoreTest, FinishNamesAValueThatCouldNotBeWrittenAndKeepsTheBackup) {
    // A volatile key takes no lasting subkey: the Tcpip parameters cannot be created.
    const char* tcpipService = "System\\CurrentControlSet\\Services\\Tcpip";
    ASSERT_EQ(ERROR_SUCCESS, CRegKey::DeleteTree(machine, tcpipService));
    HKEY blocker = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(machine, tcpipService, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                             nullptr, &blocker, nullptr));
    RegCloseKey(blocker);
    CString currentTtl;
    WizardRun run = LanRun(currentTtl);
    RunWizard(app, run);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(std::string::npos, boxes.Boxes()[0].text.find("Congratulation"));
    EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("Tcpip\\Parameters\\SackOpts")) << boxes.Boxes()[0].text;
    EXPECT_EQ("20", ValueOf(user, kIE, "MaxConnectionsPerServer"));
    EXPECT_EQ("6", ValueOf(user, kBackup, "MaxConnectionsPerServer"));
    EXPECT_TRUE(app.HasBackup());
    ASSERT_EQ(ERROR_SUCCESS, CRegKey::DeleteTree(machine, tcpipService));
}

}  // namespace
