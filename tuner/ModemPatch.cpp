#include "ModemPatch.h"

#include "Registry.h"

namespace {
const int kRateSecondByte = 25;
const int kRateThirdByte = 26;

const char* ModemClassKey(OSFamily family) {
    switch (family) {
    case FAMILY_NT:
        return "System\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
    case FAMILY_9X:
        return "System\\CurrentControlSet\\Services\\Class\\Modem";
    default:
        return nullptr;
    }
}

// Calls found(modem key, Properties) for every modem that can be raised, until it returns false.
template <typename Found>
void ForEachUnraisedModem(HKEY machine, OSFamily family, REGSAM access, Found found) {
    const char* classKey = ModemClassKey(family);
    CRegKey modems;
    if (!classKey || modems.Open(machine, classKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return;
    for (const CString& name : modems.EnumSubKeys()) {
        CRegKey modem;
        CString properties;
        // Read whole: the class key's own longest value is no measure of a modem's Properties.
        if (modem.Open(modems, name, access) != ERROR_SUCCESS ||
            modem.QueryBinary("Properties", properties) != ERROR_SUCCESS || !IsUnraisedModem(properties))
            continue;
        if (!found(modem, properties)) return;
    }
}
}  // namespace

bool IsUnraisedModem(const CString& properties) {
    return properties.GetLength() > kRateThirdByte && BYTE(properties[kRateSecondByte]) == 0xC2 &&
           BYTE(properties[kRateThirdByte]) == 0x01;
}

void RaiseModem(CString& properties) {
    if (!IsUnraisedModem(properties)) return;
    properties.SetAt(kRateSecondByte, char(0x10));
    properties.SetAt(kRateThirdByte, char(0x0E));
}

bool FindUnraisedModem(HKEY machine, OSFamily family) {
    bool any = false;
    ForEachUnraisedModem(machine, family, KEY_READ, [&](CRegKey&, CString&) {
        any = true;
        return false;
    });
    return any;
}

bool RaiseModems(HKEY machine, OSFamily family) {
    bool all = true;
    ForEachUnraisedModem(machine, family, KEY_READ | KEY_WRITE, [&](CRegKey& modem, CString& properties) {
        RaiseModem(properties);
        all &= modem.SetBinary("Properties", properties.c_str(), DWORD(properties.GetLength())) == ERROR_SUCCESS;
        return true;
    });
    return all;
}
