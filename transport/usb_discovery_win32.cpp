// The Windows device list: the present devices of the Ports class, through SetupAPI. Their
// hardware IDs are already the "USB\VID_vvvv&PID_pppp&REV_rrrr" texts the pattern matches.

#include "transport/usb_discovery.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>
#include <memory>

namespace va48 {

namespace {

// The Ports (COM and LPT) device setup class.
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::string Utf8(std::wstring_view wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return (a >= 'a' && a <= 'z' ? a - 32 : a) == (b >= 'a' && b <= 'z' ? b - 32 : b);
           });
}

// The texts of a REG_MULTI_SZ property: strings one after another, ended by an empty one.
std::vector<std::string> HardwareIds(HDEVINFO set, SP_DEVINFO_DATA& device) {
    DWORD size = 0;
    SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, nullptr, nullptr, 0, &size);
    if (size == 0) {
        return {};
    }
    std::wstring buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(
            set, &device, SPDRP_HARDWAREID, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
            static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), nullptr)) {
        return {};
    }
    std::vector<std::string> ids;
    for (const wchar_t* id = buffer.c_str(); *id != L'\0'; id += std::wcslen(id) + 1) {
        ids.push_back(Utf8(id));
    }
    return ids;
}

// The "PortName" value of the device's hardware key, such as "COM3"; empty when it has none.
std::string PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
    const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::wstring name(64, L'\0');
    DWORD size = static_cast<DWORD>((name.size() - 1) * sizeof(wchar_t));
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                         reinterpret_cast<BYTE*>(name.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        return {};
    }
    name.resize(size / sizeof(wchar_t));
    return Utf8(name.c_str());
}

std::wstring InstanceId(DEVINST instance) {
    std::wstring id(MAX_DEVICE_ID_LEN + 1, L'\0');
    if (CM_Get_Device_IDW(instance, id.data(), MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) {
        return {};
    }
    return id.c_str();
}

// The serial number is the last part of a USB device's instance ID: "A1B2C3" in
// "USB\VID_7C4E&PID_0008\A1B2C3". A port that is one interface of a composite device
// ("...&MI_00\...") takes it from the device itself, its parent. Windows makes up an ID with "&" in
// it for a device that reports no serial number; that is no serial number.
std::string SerialNumber(SP_DEVINFO_DATA& device) {
    std::wstring id = InstanceId(device.DevInst);
    DEVINST parent = 0;
    if (id.find(L"&MI_") != std::wstring::npos &&
        CM_Get_Parent(&parent, device.DevInst, 0) == CR_SUCCESS) {
        id = InstanceId(parent);
    }
    if (!StartsWithNoCase(Utf8(id), "USB\\")) {
        return {};
    }
    const std::wstring last = id.substr(id.find_last_of(L'\\') + 1);
    return last.find(L'&') == std::wstring::npos ? Utf8(last) : std::string();
}

struct DeviceSetDeleter {
    void operator()(void* set) const { SetupDiDestroyDeviceInfoList(set); }
};

} // namespace

UsbDeviceList ListUsbSerialDevices(const UsbSearchRoots&) {
    const HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return {{}, static_cast<int>(GetLastError())};
    }
    const std::unique_ptr<void, DeviceSetDeleter> owner(set);
    UsbDeviceList list;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        std::vector<std::string> ids = HardwareIds(set, device);
        const bool onUsb = std::ranges::any_of(
            ids, [](const std::string& id) { return StartsWithNoCase(id, "USB\\"); });
        std::string port = PortName(set, device);
        if (!onUsb || !StartsWithNoCase(port, "COM")) {
            continue; // a built-in port, a printer port, or one that is not set up yet
        }
        list.devices.push_back(UsbDevice{std::move(port), std::move(ids), SerialNumber(device)});
    }
    std::ranges::sort(list.devices, [](const UsbDevice& a, const UsbDevice& b) {
        return NaturalNameLess(a.node, b.node);
    });
    return list;
}

} // namespace va48
