// regsvr32 against the built DLL, and the type library it registers, read
// back the way the automation runtime reads it.
#include "TaskTestSupport.h"

#include "Registry.h"

namespace {
const char* const ScheduleClsid = "{EB79BC53-151C-469D-B5C0-DACFFB14E452}";
const char* const LibId = "{E097EFE6-1A77-40F6-B15C-11DB409E2A6A}";

struct ExpectedValue {
    const char* key;
    const char* name;  // NULL: the default value
    std::string value;
};

std::vector<ExpectedValue> RegisteredValues() {
    const std::string clsid = std::string("CLSID\\") + ScheduleClsid;
    return {
        {"", nullptr, "TaskScheduler.Schedule"},
        {"\\InprocServer32", nullptr, TasklatchDllPath()},
        {"\\InprocServer32", "ThreadingModel", "Apartment"},
        {"\\ProgID", nullptr, "TaskScheduler.Schedule"},
        {"\\TypeLib", nullptr, LibId},
    };
}

bool KeyExists(const std::string& key) {
    CRegKey k;
    return k.Open(HKEY_CLASSES_ROOT, key.c_str()) == ERROR_SUCCESS;
}

CInterfacePtr<ITypeInfo> RegisteredTypeInfo(REFGUID guid) {
    CInterfacePtr<ITypeLib> lib;
    CInterfacePtr<ITypeInfo> info;
    if (SUCCEEDED(LoadRegTypeLib(LIBID_TaskScheduler, 1, 0, 0x409, lib.Out()))) lib->GetTypeInfoOfGuid(guid, info.Out());
    return info;
}
}  // namespace

TEST(Registration, Regsvr32WritesTheClassProgIdAndTypeLibraryAndUnregisterRemovesThem) {
    const std::string clsidKey = std::string("CLSID\\") + ScheduleClsid;
    for (const ExpectedValue& e : RegisteredValues()) {
        CRegKey key;
        ASSERT_EQ(key.Open(HKEY_CLASSES_ROOT, (clsidKey + e.key).c_str()), ERROR_SUCCESS) << e.key;
        CString value;
        ASSERT_EQ(key.QueryString(e.name, value), ERROR_SUCCESS) << e.key;
        EXPECT_EQ(lstrcmpiA(value, e.value.c_str()), 0) << e.key << ": " << value.c_str();
    }
    // Nothing beyond the documented subkeys.
    CRegKey clsid;
    ASSERT_EQ(clsid.Open(HKEY_CLASSES_ROOT, clsidKey.c_str()), ERROR_SUCCESS);
    CStringArray subKeys = clsid.EnumSubKeys();
    EXPECT_EQ(subKeys.GetSize(), 3);
    clsid.Close();

    CRegKey progId;
    ASSERT_EQ(progId.Open(HKEY_CLASSES_ROOT, "TaskScheduler.Schedule\\CLSID"), ERROR_SUCCESS);
    CString progIdClsid;
    ASSERT_EQ(progId.QueryString(nullptr, progIdClsid), ERROR_SUCCESS);
    EXPECT_STREQ(progIdClsid, ScheduleClsid);
    progId.Close();

    const std::string typeLibKey = std::string("TypeLib\\") + LibId + "\\1.0";
    EXPECT_TRUE(KeyExists(typeLibKey + (sizeof(void*) == 4 ? "\\409\\win32" : "\\409\\win64")));
    for (const char* iid : {"{42201274-89DB-4F98-BE07-8527BAD960D4}", "{F791B459-DEC7-481C-9620-7349C4A96A43}",
                            "{99DC12E8-A396-4F99-B460-3290D08C83E8}", "{78214CA5-82E5-4327-9AA8-58496B33139D}"})
        EXPECT_TRUE(KeyExists(std::string("Interface\\") + iid)) << iid;

    ASSERT_EQ(RunRegsvr32("/s /u \"" + TasklatchDllPath() + "\""), 0u);
    EXPECT_FALSE(KeyExists(clsidKey));
    EXPECT_FALSE(KeyExists("TaskScheduler.Schedule"));
    EXPECT_FALSE(KeyExists(typeLibKey));
    EXPECT_FALSE(KeyExists("Interface\\{42201274-89DB-4F98-BE07-8527BAD960D4}"));
    CLSID unused;
    EXPECT_EQ(CLSIDFromProgID(L"TaskScheduler.Schedule", &unused), CO_E_CLASSSTRING);

    // The other suites need it registered again.
    ASSERT_EQ(RunRegsvr32("/s \"" + TasklatchDllPath() + "\""), 0u);
    EXPECT_TRUE(NewSchedule());
}

TEST(TypeLibrary, LibraryAttributes) {
    CInterfacePtr<ITypeLib> lib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_TaskScheduler, 1, 0, 0x409, lib.Out()), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->lcid, 0x409u);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    lib->ReleaseTLibAttr(attr);
    CBstr name;
    ASSERT_EQ(lib->GetDocumentation(-1, name.Out(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(name.Text(), L"TaskScheduler");
}

TEST(TypeLibrary, MembersCarryTheirDispids) {
    struct Member {
        const IID* iid;
        const wchar_t* name;
        DISPID id;
    };
    const Member members[] = {
        {&IID__Schedule, L"CreateTask", 0x60030002}, {&IID__Schedule, L"NewEnum", DISPID_NEWENUM},
        {&IID__Schedule, L"Refresh", 0x60030003}, {&IID__Schedule, L"Delete", 0x60030004},
        {&IID__Schedule, L"Job", 0}, {&IID__Schedule, L"TargetComputer", 0x68030001},
        {&IID__Schedule, L"Count", 0x68030000},
        {&IID__Job, L"ApplicationName", 0x68030012}, {&IID__Job, L"CommandLine", 0x68030011},
        {&IID__Job, L"Comment", 0x68030010}, {&IID__Job, L"Creator", 0x6803000F},
        {&IID__Job, L"ErrorRetryCount", 0x6803000E}, {&IID__Job, L"ErrorRetryInterval", 0x6803000D},
        {&IID__Job, L"ExitCode", 0x6803000C}, {&IID__Job, L"Flags", 0x6803000B},
        {&IID__Job, L"IdleWait", 0x6803000A}, {&IID__Job, L"MaxRunTime", 0x68030009},
        {&IID__Job, L"Priority", 0x68030008}, {&IID__Job, L"Status", 0x68030007},
        {&IID__Job, L"Edit", 0x60030013}, {&IID__Job, L"Run", 0x60030014}, {&IID__Job, L"Terminate", 0x60030015},
        {&IID__Job, L"LastRunTime", 0x68030006}, {&IID__Job, L"NextRunTime", 0x68030005},
        {&IID__Job, L"FileName", 0x68030004}, {&IID__Job, L"Name", 0x68030003}, {&IID__Job, L"Save", 0x60030016},
        {&IID__Job, L"ShowProperties", 0x60030017}, {&IID__Job, L"WorkingDirectory", 0x68030001},
        {&IID__Job, L"Triggers", 0x68030000},
        {&IID__Triggers, L"Add", 0x60030002}, {&IID__Triggers, L"NewEnum", DISPID_NEWENUM},
        {&IID__Triggers, L"Remove", 0x60030003}, {&IID__Triggers, L"Count", 0x68030001},
        {&IID__Triggers, L"Item", 0}, {&IID__Triggers, L"Update", 0x60030004},
        {&IID__Trigger, L"DaysInterval", 0x6803000E}, {&IID__Trigger, L"Day", 0x6803000D},
        {&IID__Trigger, L"Months", 0x6803000C}, {&IID__Trigger, L"DaysOfTheWeek", 0x6803000B},
        {&IID__Trigger, L"Week", 0x6803000A}, {&IID__Trigger, L"WeeksInterval", 0x68030009},
        {&IID__Trigger, L"Refresh", 0x60030010}, {&IID__Trigger, L"Update", 0x60030011},
        {&IID__Trigger, L"Text", 0x68030008}, {&IID__Trigger, L"TriggerType", 0x68030007},
        {&IID__Trigger, L"Duration", 0x68030006}, {&IID__Trigger, L"Interval", 0x68030005},
        {&IID__Trigger, L"Flags", 0x68030004}, {&IID__Trigger, L"BeginDay", 0x68030003},
        {&IID__Trigger, L"EndDay", 0x68030002}, {&IID__Trigger, L"RandomInterval", 0x68030001},
        {&IID__Trigger, L"StartTime", 0x68030000},
    };
    for (const Member& m : members) {
        CInterfacePtr<ITypeInfo> info = RegisteredTypeInfo(*m.iid);
        ASSERT_TRUE(info);
        LPOLESTR names[1] = {const_cast<LPOLESTR>(m.name)};
        MEMBERID id = DISPID_UNKNOWN;
        EXPECT_EQ(info->GetIDsOfNames(names, 1, &id), S_OK) << Narrow(m.name);
        EXPECT_EQ(id, m.id) << Narrow(m.name);
    }
}

TEST(TypeLibrary, InterfacesAreDualHiddenAndNotExtensible) {
    for (const IID* iid : {&IID__Schedule, &IID__Job, &IID__Triggers, &IID__Trigger}) {
        CInterfacePtr<ITypeInfo> info = RegisteredTypeInfo(*iid);
        ASSERT_TRUE(info);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        const WORD wanted = TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
        EXPECT_EQ(attr->wTypeFlags & wanted, wanted);
        info->ReleaseTypeAttr(attr);
    }
    // Only Schedule is creatable.
    struct Coclass {
        const CLSID* clsid;
        bool creatable;
    };
    for (const Coclass& c : {Coclass{&CLSID_Schedule, true}, Coclass{&CLSID_Job, false},
                             Coclass{&CLSID_Triggers, false}, Coclass{&CLSID_Trigger, false}}) {
        CInterfacePtr<ITypeInfo> info = RegisteredTypeInfo(*c.clsid);
        ASSERT_TRUE(info);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ((attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0, c.creatable);
        info->ReleaseTypeAttr(attr);
    }
}

namespace {
// The FUNCDESC of the named member with that invoke kind.
bool FindFunc(ITypeInfo* info, const wchar_t* name, INVOKEKIND kind, WORD& funcFlags, WORD& firstParamFlags) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return false;
    bool found = false;
    for (UINT i = 0; i < attr->cFuncs && !found; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f))) continue;
        CBstr n;
        info->GetDocumentation(f->memid, n.Out(), nullptr, nullptr, nullptr);
        if (n.Text() == name && f->invkind == kind) {
            found = true;
            funcFlags = f->wFuncFlags;
            firstParamFlags = f->cParams > 0 ? f->lprgelemdescParam[0].paramdesc.wParamFlags : 0;
        }
        info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
    return found;
}
}  // namespace

TEST(TypeLibrary, DefaultMemberHiddenEnumeratorsAndTheOptionalSaveArgument) {
    WORD flags = 0, param = 0;
    CInterfacePtr<ITypeInfo> schedule = RegisteredTypeInfo(IID__Schedule);
    ASSERT_TRUE(FindFunc(schedule.Get(), L"Job", INVOKE_PROPERTYGET, flags, param));
    EXPECT_TRUE(flags & FUNCFLAG_FUIDEFAULT);
    ASSERT_TRUE(FindFunc(schedule.Get(), L"NewEnum", INVOKE_FUNC, flags, param));
    EXPECT_TRUE(flags & FUNCFLAG_FHIDDEN);
    CInterfacePtr<ITypeInfo> triggers = RegisteredTypeInfo(IID__Triggers);
    ASSERT_TRUE(FindFunc(triggers.Get(), L"NewEnum", INVOKE_FUNC, flags, param));
    EXPECT_TRUE(flags & FUNCFLAG_FHIDDEN);
    CInterfacePtr<ITypeInfo> job = RegisteredTypeInfo(IID__Job);
    ASSERT_TRUE(FindFunc(job.Get(), L"Save", INVOKE_FUNC, flags, param));
    EXPECT_TRUE(param & PARAMFLAG_FOPT);
    EXPECT_FALSE(param & PARAMFLAG_FHASDEFAULT);
}
