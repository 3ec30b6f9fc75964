// The list of local IPv4 addresses: the machine's real table under Wine, and tables of the
// test's own through the process-wide GetIpAddrTable entry point for what this machine
// cannot show (more than 116 addresses, failures, 0.0.0.0 rows).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/SystemLibrary.h"
#include "stats/IpHelper.h"
#include "stats/LocalAddressList.h"

namespace {

constexpr char kUntouched[] = "untouched";

// A table of the caller's kind, every entry preset so that a write shows.
struct Table {
    char entries[kLocalAddressCapacity][kLocalAddressTextSize];
    Table() {
        for (auto& entry : entries) std::memcpy(entry, kUntouched, sizeof kUntouched);
    }
};

DWORD Address(int a, int b, int c, int d) {
    BYTE bytes[4] = {static_cast<BYTE>(a), static_cast<BYTE>(b), static_cast<BYTE>(c), static_cast<BYTE>(d)};
    DWORD value = 0;
    std::memcpy(&value, bytes, sizeof value);  // network byte order, as the table holds it
    return value;
}

struct FakeSystem {
    std::vector<DWORD> addresses;
    DWORD failWith = NO_ERROR;
    bool growEveryCall = false;
    int calls = 0;
    bool everSorted = false;
    std::vector<ULONG> offeredSizes;
};
FakeSystem fake;

DWORD WINAPI FakeGetIpAddrTable(PMIB_IPADDRTABLE table, PULONG size, BOOL sorted) {
    ++fake.calls;
    if (sorted) fake.everSorted = true;
    fake.offeredSizes.push_back(*size);
    if (fake.failWith != NO_ERROR) return fake.failWith;
    if (fake.growEveryCall) fake.addresses.push_back(Address(10, 0, 0, static_cast<int>(fake.addresses.size())));
    ULONG need = static_cast<ULONG>(offsetof(MIB_IPADDRTABLE, table) + fake.addresses.size() * sizeof(MIB_IPADDRROW));
    if (!table || *size < need) {
        *size = need;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memset(table, 0, need);
    table->dwNumEntries = static_cast<DWORD>(fake.addresses.size());
    for (size_t i = 0; i < fake.addresses.size(); ++i) {
        table->table[i].dwAddr = fake.addresses[i];
        table->table[i].dwIndex = static_cast<DWORD>(i + 1);
    }
    *size = need;
    return NO_ERROR;
}

class SuppliedAddressTable : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = iphelper::GetIpAddrTable;
        fake = FakeSystem{};
        iphelper::GetIpAddrTable = FakeGetIpAddrTable;
    }
    void TearDown() override { iphelper::GetIpAddrTable = saved_; }

    Table table;

private:
    iphelper::GetIpAddrTableProc saved_ = nullptr;
};

TEST_F(SuppliedAddressTable, KeepsTheSystemsOrderWithLoopbackAndZeroRows) {
    fake.addresses = {Address(192, 168, 1, 20), Address(0, 0, 0, 0), Address(127, 0, 0, 1),
                      Address(255, 255, 255, 255)};
    ASSERT_EQ(BuildLocalAddressList(table.entries, kLocalAddressCapacity), 4);
    EXPECT_STREQ(table.entries[0], "192.168.1.20");
    EXPECT_STREQ(table.entries[1], "0.0.0.0");
    EXPECT_STREQ(table.entries[2], "127.0.0.1");
    EXPECT_STREQ(table.entries[3], "255.255.255.255");
    EXPECT_STREQ(table.entries[4], kUntouched);
    EXPECT_EQ(fake.calls, 1);
    EXPECT_FALSE(fake.everSorted);
    EXPECT_EQ(fake.offeredSizes.front(), 2800u);
}

TEST_F(SuppliedAddressTable, TakesTheFirstRowsUpToTheCapacity) {
    struct Case {
        const char* label;
        int rows;
        int capacity;
        int count;
        int calls;
    };
    const Case cases[] = {
        {"116 rows fit the first buffer", 116, 100, 100, 1},
        {"117 rows: read again at the size asked for", 117, 100, 100, 2},
        {"300 rows", 300, 100, 100, 2},
        {"small capacity", 7, 2, 2, 2},
        {"exactly the capacity", 100, 100, 100, 1},
        {"one address", 1, 100, 1, 1},
        {"no address", 0, 100, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fake = FakeSystem{};
        for (int i = 0; i < c.rows; ++i) fake.addresses.push_back(Address(10, 1, i / 256, i % 256));
        table = Table{};
        ASSERT_EQ(BuildLocalAddressList(table.entries, c.capacity), c.count);
        EXPECT_EQ(fake.calls, c.calls);
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(std::string(table.entries[i]), "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256));
        }
        if (c.count < kLocalAddressCapacity) {
            EXPECT_STREQ(table.entries[c.count], kUntouched);
        }
    }
}

TEST_F(SuppliedAddressTable, UnreadableTableGivesNoEntries) {
    struct Case {
        const char* label;
        DWORD failWith;
        bool growEveryCall;
    };
    const Case cases[] = {
        {"call fails", ERROR_NOT_SUPPORTED, false},
        {"no data", ERROR_NO_DATA, false},
        {"table keeps outgrowing the buffer", NO_ERROR, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fake = FakeSystem{};
        for (int i = 0; i < 120; ++i) fake.addresses.push_back(Address(10, 2, 0, i));
        fake.failWith = c.failWith;
        fake.growEveryCall = c.growEveryCall;
        table = Table{};
        EXPECT_EQ(BuildLocalAddressList(table.entries, kLocalAddressCapacity), 0);
        EXPECT_LE(fake.calls, 2);
        EXPECT_STREQ(table.entries[0], kUntouched);
    }
}

TEST_F(SuppliedAddressTable, NoCapacityWritesNothing) {
    fake.addresses = {Address(127, 0, 0, 1)};
    EXPECT_EQ(BuildLocalAddressList(table.entries, 0), 0);
    EXPECT_EQ(BuildLocalAddressList(table.entries, -5), 0);
    EXPECT_STREQ(table.entries[0], kUntouched);
}

TEST(RealAddressTable, MatchesTheSystemsTableInItsOrder) {
    WSADATA wsa{};
    ASSERT_EQ(::WSAStartup(MAKEWORD(1, 1), &wsa), 0);

    // The table as the system gives it, read here on its own.
    HMODULE module = fw::LoadSystemLibrary("iphlpapi.dll");
    ASSERT_NE(module, nullptr);
    auto direct = reinterpret_cast<iphelper::GetIpAddrTableProc>(
        reinterpret_cast<void*>(::GetProcAddress(module, "GetIpAddrTable")));
    ASSERT_NE(direct, nullptr);
    std::vector<BYTE> bytes(64 * 1024);
    ULONG size = static_cast<ULONG>(bytes.size());
    ASSERT_EQ(direct(reinterpret_cast<PMIB_IPADDRTABLE>(bytes.data()), &size, FALSE), static_cast<DWORD>(NO_ERROR));
    const auto* system = reinterpret_cast<const MIB_IPADDRTABLE*>(bytes.data());
    std::vector<std::string> expected;
    for (DWORD i = 0; i < system->dwNumEntries && i < kLocalAddressCapacity; ++i) {
        in_addr in{};
        in.s_addr = system->table[i].dwAddr;
        expected.emplace_back(::inet_ntoa(in));
    }

    Table table;
    int count = BuildLocalAddressList(table.entries, kLocalAddressCapacity);
    std::vector<std::string> built(table.entries, table.entries + count);
    EXPECT_EQ(built, expected);
    EXPECT_NE(std::find(built.begin(), built.end(), "127.0.0.1"), built.end());
    if (count < kLocalAddressCapacity) {
        EXPECT_STREQ(table.entries[count], kUntouched);
    }

    // The program's own table starts empty, past any count.
    for (const auto& entry : LocalAddressList) EXPECT_STREQ(entry, "");
    EXPECT_EQ(LocalAddressCount, 0);
    ::WSACleanup();
}

}  // namespace
