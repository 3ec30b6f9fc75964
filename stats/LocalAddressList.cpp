#include "stats/LocalAddressList.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "stats/IpHelper.h"

char LocalAddressList[kLocalAddressCapacity][kLocalAddressTextSize] = {};
int LocalAddressCount = 0;

namespace {

// Bytes of working buffer per entry of the caller's table: more than one row needs, so the
// whole table fits whenever the system has no more than 16 rows beyond the capacity.
constexpr std::size_t kBytesPerEntry = 28;
constexpr std::size_t kTableHeader = offsetof(MIB_IPADDRTABLE, table);

void CopyAddressText(DWORD address, char (&entry)[kLocalAddressTextSize]) {
    in_addr in{};
    in.s_addr = address;
    if (const char* text = ::inet_ntoa(in)) {
        std::snprintf(entry, sizeof entry, "%s", text);
        return;
    }
    // Without a started Windows Sockets inet_ntoa may refuse; the form is the same.
    const auto* b = reinterpret_cast<const unsigned char*>(&address);
    std::snprintf(entry, sizeof entry, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

}  // namespace

int BuildLocalAddressList(char (*table)[kLocalAddressTextSize], int capacity) {
    if (!table || capacity <= 0 || !iphelper::BindAddressTable()) return 0;

    std::vector<BYTE> buffer;
    ULONG size = static_cast<ULONG>(static_cast<std::size_t>(capacity) * kBytesPerEntry);
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    // A table larger than the first guess is read once more at the size the system asked
    // for; only the first `capacity` rows are used either way.
    for (int attempt = 0; attempt < 2 && result == ERROR_INSUFFICIENT_BUFFER && size > buffer.size(); ++attempt) {
        try {
            buffer.assign(size, 0);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        result = iphelper::GetIpAddrTable(reinterpret_cast<PMIB_IPADDRTABLE>(buffer.data()), &size, FALSE);
    }
    if (result != NO_ERROR || buffer.size() < kTableHeader) return 0;

    DWORD rows = 0;
    std::memcpy(&rows, buffer.data(), sizeof rows);
    std::size_t fits = (buffer.size() - kTableHeader) / sizeof(MIB_IPADDRROW);
    std::size_t count = rows < fits ? rows : fits;
    if (count > static_cast<std::size_t>(capacity)) count = static_cast<std::size_t>(capacity);

    const auto* row = reinterpret_cast<const MIB_IPADDRROW*>(buffer.data() + kTableHeader);
    for (std::size_t i = 0; i < count; ++i) CopyAddressText(row[i].dwAddr, table[i]);
    return static_cast<int>(count);
}
