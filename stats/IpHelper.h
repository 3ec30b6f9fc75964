// The IP Helper entry points the program calls, bound at run time from the system folder.
//
// iphlpapi.dll is not a known DLL, so a copy lying beside the executable would win a
// load by bare name; binding from the system folder only keeps such a copy from running.
// The pointers are process-wide: whoever sets one first (the binding, or a test that
// supplies tables of its own) is the one every caller uses.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace iphelper {

using GetIfTableProc = DWORD(WINAPI*)(PMIB_IFTABLE table, PULONG size, BOOL sorted);
using GetNumberOfInterfacesProc = DWORD(WINAPI*)(PDWORD count);
using GetIpAddrTableProc = DWORD(WINAPI*)(PMIB_IPADDRTABLE table, PULONG size, BOOL sorted);

extern GetIfTableProc GetIfTable;
extern GetNumberOfInterfacesProc GetNumberOfInterfaces;
extern GetIpAddrTableProc GetIpAddrTable;

// Binds GetIfTable and GetNumberOfInterfaces where they are not set yet; true when both
// are set afterwards.
bool BindInterfaceTable();
// Binds GetIpAddrTable where it is not set yet; true when it is set afterwards.
bool BindAddressTable();

}  // namespace iphelper
