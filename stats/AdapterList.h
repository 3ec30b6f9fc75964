// The adapter list's logic apart from any window: reading the system's interface table
// into a buffer, the list texts with the rows they stand for, and the chosen row.
#pragma once

#include "stats/IpHelper.h"

#include <cstddef>
#include <string>
#include <vector>

namespace adapters {

// Characters of a description that reach the list text.
constexpr std::size_t kDescriptionChars = 38;

struct AdapterItem {
    std::string text;  // as the list shows it
    int row;           // position of the adapter's row in the table
};

// " <description cut to 38 characters> <speed in units of 2^20 bit/s> Mb". The description
// is read up to its first NUL and never past its 256 bytes.
std::string AdapterItemText(const MIB_IFROW& row);
// Whether a list text stands for an adapter the list leaves out (WAN miniports, ISATAP
// tunnels and loopback interfaces, recognised by their exact bytes).
bool IsHiddenAdapterText(const std::string& text);
// The unit of a rate: the link speed in bit/s shifted right by 13, never 0.
UINT LinkSpeedDivisorFor(DWORD speedBitsPerSecond);

// The rows the table holds: its count, bounded by what the buffer can hold.
std::size_t RowCount(const std::vector<BYTE>& table);
// The row at a position, or null when the table has no such row.
const MIB_IFROW* RowAt(const std::vector<BYTE>& table, int position);
inline bool IsListedItem(int item, int listedCount) { return item >= 0 && item < listedCount; }
// The row of a listed item, or null when the item is not listed or its row is gone.
const MIB_IFROW* ChosenRow(const std::vector<BYTE>& table, const int* rowMap, int listedCount, int item);

// The items of the list in table order, at most maxItems of them.
std::vector<AdapterItem> BuildAdapterItems(const std::vector<BYTE>& table, std::size_t maxItems);

// Size query and first read of the system's table (sorted by interface index) into a buffer
// of the size the system asks for. False, with the buffer empty, when there is no table.
bool LoadInterfaceTable(std::vector<BYTE>& table);
// Reads the table again into the buffer, which grows when the system's table has outgrown
// it. False when the read fails; the buffer then still holds the previous snapshot.
bool RefreshInterfaceTable(std::vector<BYTE>& table);

}  // namespace adapters
