#include "stats/AdapterList.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

namespace adapters {
namespace {

constexpr int kSpeedFigureShift = 20;  // the list shows 2^20 bit/s as one "Mb"
constexpr int kDivisorShift = 13;
constexpr char kSpeedUnit[] = "Mb";
constexpr char kWanPrefix[] = " WAN ";
constexpr char kIsatapPrefix[] = " isatap.";
constexpr char kLoopback[] = "Loopback";
constexpr std::size_t kTableHeader = offsetof(MIB_IFTABLE, table);
// A table that keeps growing between the calls gets this many reads before a refresh gives up.
constexpr int kReadAttempts = 3;

bool StartsWith(const std::string& text, const char* prefix, std::size_t length) {
    return text.size() >= length && std::memcmp(text.data(), prefix, length) == 0;
}

DWORD ReadInto(std::vector<BYTE>& buffer, ULONG& size) {
    size = static_cast<ULONG>(buffer.size());
    return iphelper::GetIfTable(reinterpret_cast<PMIB_IFTABLE>(buffer.data()), &size, TRUE);
}

}  // namespace

std::string AdapterItemText(const MIB_IFROW& row) {
    const char* description = reinterpret_cast<const char*>(row.bDescr);
    const void* end = std::memchr(description, '\0', sizeof row.bDescr);
    std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - description)
                             : sizeof row.bDescr;
    if (length > kDescriptionChars) length = kDescriptionChars;

    char figure[16];
    std::snprintf(figure, sizeof figure, " %d ", static_cast<int>(row.dwSpeed >> kSpeedFigureShift));
    std::string text(" ");
    text.append(description, length);
    text += figure;
    text += kSpeedUnit;
    return text;
}

bool IsHiddenAdapterText(const std::string& text) {
    return StartsWith(text, kWanPrefix, sizeof kWanPrefix - 1) ||
           StartsWith(text, kIsatapPrefix, sizeof kIsatapPrefix - 1) ||
           text.find(kLoopback) != std::string::npos;
}

UINT LinkSpeedDivisorFor(DWORD speedBitsPerSecond) {
    UINT divisor = speedBitsPerSecond >> kDivisorShift;
    return divisor == 0 ? 1 : divisor;
}

std::size_t RowCount(const std::vector<BYTE>& table) {
    if (table.size() < kTableHeader) return 0;
    DWORD count = 0;
    std::memcpy(&count, table.data(), sizeof count);
    std::size_t fits = (table.size() - kTableHeader) / sizeof(MIB_IFROW);
    return count < fits ? count : fits;
}

const MIB_IFROW* RowAt(const std::vector<BYTE>& table, int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= RowCount(table)) return nullptr;
    return reinterpret_cast<const MIB_IFROW*>(table.data() + kTableHeader +
                                              static_cast<std::size_t>(position) * sizeof(MIB_IFROW));
}

const MIB_IFROW* ChosenRow(const std::vector<BYTE>& table, const int* rowMap, int listedCount, int item) {
    if (!IsListedItem(item, listedCount)) return nullptr;
    return RowAt(table, rowMap[item]);
}

std::vector<AdapterItem> BuildAdapterItems(const std::vector<BYTE>& table, std::size_t maxItems) {
    std::vector<AdapterItem> items;
    std::size_t rows = RowCount(table);
    for (std::size_t r = 0; r < rows && items.size() < maxItems; ++r) {
        std::string text = AdapterItemText(*RowAt(table, static_cast<int>(r)));
        if (IsHiddenAdapterText(text)) continue;
        items.push_back({std::move(text), static_cast<int>(r)});
    }
    return items;
}

bool LoadInterfaceTable(std::vector<BYTE>& table) {
    table.clear();
    ULONG size = 0;
    if (iphelper::GetIfTable(nullptr, &size, TRUE) != ERROR_INSUFFICIENT_BUFFER || size < kTableHeader) return false;
    try {
        table.resize(size);
    } catch (const std::bad_alloc&) {
        table.clear();
        return false;
    }
    if (!RefreshInterfaceTable(table)) {
        table.clear();
        return false;
    }
    return true;
}

bool RefreshInterfaceTable(std::vector<BYTE>& table) {
    if (table.empty()) return false;
    ULONG size = 0;
    DWORD result = ReadInto(table, size);
    for (int attempt = 1; result == ERROR_INSUFFICIENT_BUFFER && size > table.size() && attempt < kReadAttempts;
         ++attempt) {
        // The snapshot in use stays intact until a read into the larger buffer succeeds.
        std::vector<BYTE> larger;
        try {
            larger.resize(size);
        } catch (const std::bad_alloc&) {
            return false;
        }
        result = ReadInto(larger, size);
        if (result == NO_ERROR) table.swap(larger);
    }
    return result == NO_ERROR;
}

}  // namespace adapters
