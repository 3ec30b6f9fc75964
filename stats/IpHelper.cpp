#include "stats/IpHelper.h"

#include "framework/SystemLibrary.h"

namespace iphelper {

GetIfTableProc GetIfTable = nullptr;
GetNumberOfInterfacesProc GetNumberOfInterfaces = nullptr;
GetIpAddrTableProc GetIpAddrTable = nullptr;

namespace {

constexpr char kLibrary[] = "iphlpapi.dll";

template <typename Proc>
void BindOnce(Proc& entry, const char* name) {
    if (entry) return;
    HMODULE module = fw::LoadSystemLibrary(kLibrary);
    if (!module) return;
    entry = reinterpret_cast<Proc>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

bool BindInterfaceTable() {
    BindOnce(GetIfTable, "GetIfTable");
    BindOnce(GetNumberOfInterfaces, "GetNumberOfInterfaces");
    return GetIfTable && GetNumberOfInterfaces;
}

bool BindAddressTable() {
    BindOnce(GetIpAddrTable, "GetIpAddrTable");
    return GetIpAddrTable != nullptr;
}

}  // namespace iphelper
