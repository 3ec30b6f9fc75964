// The adapter table: reading the system's interface table into the buffer, refreshing and
// regrowing it, and the list items with the rows they stand for. Tables of the test's own
// come in through the process-wide GetIfTable entry point; the last test reads the real
// table that Wine serves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "stats/AdapterList.h"
#include "tests/support/Support.h"

namespace {

struct RowSpec {
    std::string description;
    DWORD speed;
    DWORD inOctets;
    DWORD outOctets;
};

std::vector<BYTE> MakeTable(const std::vector<RowSpec>& rows) {
    std::vector<BYTE> bytes(offsetof(MIB_IFTABLE, table) + rows.size() * sizeof(MIB_IFROW));
    auto* table = reinterpret_cast<MIB_IFTABLE*>(bytes.data());
    table->dwNumEntries = static_cast<DWORD>(rows.size());
    auto* row = reinterpret_cast<MIB_IFROW*>(bytes.data() + offsetof(MIB_IFTABLE, table));
    for (size_t i = 0; i < rows.size(); ++i) {
        row[i].dwIndex = static_cast<DWORD>(i + 1);
        std::memcpy(row[i].bDescr, rows[i].description.data(), rows[i].description.size());
        row[i].dwDescrLen = static_cast<DWORD>(rows[i].description.size());
        row[i].dwSpeed = rows[i].speed;
        row[i].dwInOctets = rows[i].inOctets;
        row[i].dwOutOctets = rows[i].outOctets;
    }
    return bytes;
}

// What the supplied GetIfTable serves, and what it saw.
struct FakeSystem {
    std::vector<BYTE> table;
    DWORD failFromCall = 0;  // calls from this one on (1-based) fail...
    DWORD failWith = ERROR_GEN_FAILURE;
    bool growEveryCall = false;  // the table gains a row before every call
    int calls = 0;
    int sizeQueries = 0;
    bool everUnsorted = false;
};
FakeSystem fake;

DWORD WINAPI FakeGetIfTable(PMIB_IFTABLE table, PULONG size, BOOL sorted) {
    ++fake.calls;
    if (!sorted) fake.everUnsorted = true;
    if (!table) ++fake.sizeQueries;
    if (fake.failFromCall != 0 && static_cast<DWORD>(fake.calls) >= fake.failFromCall) return fake.failWith;
    if (fake.growEveryCall) {
        fake.table.resize(fake.table.size() + sizeof(MIB_IFROW));
        reinterpret_cast<MIB_IFTABLE*>(fake.table.data())->dwNumEntries += 1;
    }
    ULONG need = static_cast<ULONG>(fake.table.size());
    if (!table || *size < need) {
        *size = need;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(table, fake.table.data(), need);
    *size = need;
    return NO_ERROR;
}

class AdapterTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = iphelper::GetIfTable;
        fake = FakeSystem{};
        iphelper::GetIfTable = FakeGetIfTable;
    }
    void TearDown() override { iphelper::GetIfTable = saved_; }

    std::vector<BYTE> buffer;

private:
    iphelper::GetIfTableProc saved_ = nullptr;
};

TEST_F(AdapterTableTest, LoadAsksForTheSizeThenReadsTheSortedTable) {
    fake.table = MakeTable({{"eth0", 100000000, 11, 12}, {"eth1", 0, 21, 22}, {"wlan0", 0, 31, 32}});
    ASSERT_TRUE(adapters::LoadInterfaceTable(buffer));
    EXPECT_EQ(fake.sizeQueries, 1);
    EXPECT_EQ(fake.calls, 2);
    EXPECT_FALSE(fake.everUnsorted);
    EXPECT_EQ(buffer.size(), fake.table.size());
    ASSERT_EQ(adapters::RowCount(buffer), 3u);
    ASSERT_NE(adapters::RowAt(buffer, 2), nullptr);
    EXPECT_EQ(adapters::RowAt(buffer, 2)->dwInOctets, 31u);
    EXPECT_EQ(adapters::RowAt(buffer, 0)->dwSpeed, 100000000u);
    EXPECT_EQ(adapters::RowAt(buffer, 3), nullptr);
    EXPECT_EQ(adapters::RowAt(buffer, -1), nullptr);
}

TEST_F(AdapterTableTest, NoTableWhenTheSizeQueryOrTheFirstReadFails) {
    struct Case {
        const char* label;
        DWORD failFromCall;
        DWORD failWith;
    };
    const Case cases[] = {
        {"size query refused", 1, ERROR_NOT_SUPPORTED},
        {"size query answers success", 1, NO_ERROR},
        {"read fails", 2, ERROR_GEN_FAILURE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fake = FakeSystem{};
        fake.table = MakeTable({{"eth0", 0, 1, 1}});
        fake.failFromCall = c.failFromCall;
        fake.failWith = c.failWith;
        buffer.assign(100, 0xCC);
        EXPECT_FALSE(adapters::LoadInterfaceTable(buffer));
        EXPECT_TRUE(buffer.empty());
        EXPECT_TRUE(adapters::BuildAdapterItems(buffer, 256).empty());
        EXPECT_FALSE(adapters::RefreshInterfaceTable(buffer));
    }
}

TEST_F(AdapterTableTest, ItemsLeaveOutHiddenAdaptersAndMapToTheirRows) {
    fake.table = MakeTable({{"WAN Miniport (IP)", 0, 0, 0},
                            {"Realtek PCIe GbE Family Controller", 1000000000, 0, 0},
                            {"isatap.{5A2E1F00-1234}", 100000, 0, 0},
                            {"Software Loopback Interface 1", 1073741824, 0, 0},
                            {"wlan0", 54000000, 0, 0}});
    ASSERT_TRUE(adapters::LoadInterfaceTable(buffer));
    std::vector<adapters::AdapterItem> items = adapters::BuildAdapterItems(buffer, 256);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, " Realtek PCIe GbE Family Controller 953 Mb");
    EXPECT_EQ(items[0].row, 1);
    EXPECT_EQ(items[1].text, " wlan0 51 Mb");
    EXPECT_EQ(items[1].row, 4);

    int rowMap[256] = {};
    for (size_t k = 0; k < items.size(); ++k) rowMap[k] = items[k].row;
    const int listed = static_cast<int>(items.size());
    const MIB_IFROW* chosen = adapters::ChosenRow(buffer, rowMap, listed, 1);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chosen->bDescr)), "wlan0");
    EXPECT_EQ(adapters::ChosenRow(buffer, rowMap, listed, 2), nullptr);   // a stored choice beyond the list
    EXPECT_EQ(adapters::ChosenRow(buffer, rowMap, listed, -1), nullptr);  // no selection
}

TEST_F(AdapterTableTest, ListHoldsAtMostTheMapsRoomAndEveryItemNamesItsRow) {
    std::vector<RowSpec> rows;
    rows.push_back({"Software Loopback Interface 1", 0, 0, 0});
    for (int i = 0; i < 299; ++i) rows.push_back({"if" + std::to_string(i), 0, 0, 0});
    fake.table = MakeTable(rows);
    ASSERT_TRUE(adapters::LoadInterfaceTable(buffer));
    std::vector<adapters::AdapterItem> items = adapters::BuildAdapterItems(buffer, 256);
    ASSERT_EQ(items.size(), 256u);
    EXPECT_EQ(items.front().row, 1);
    EXPECT_EQ(items.back().row, 256);
    EXPECT_EQ(items.back().text, " if255 0 Mb");
}

TEST_F(AdapterTableTest, RowCountNeverPassesTheBuffer) {
    buffer = MakeTable({{"eth0", 0, 0, 0}, {"eth1", 0, 0, 0}});
    reinterpret_cast<MIB_IFTABLE*>(buffer.data())->dwNumEntries = 5;
    EXPECT_EQ(adapters::RowCount(buffer), 2u);
    EXPECT_EQ(adapters::RowAt(buffer, 2), nullptr);
    EXPECT_EQ(adapters::BuildAdapterItems(buffer, 256).size(), 2u);
    std::vector<BYTE> tooShort(3, 0xFF);
    EXPECT_EQ(adapters::RowCount(tooShort), 0u);
}

TEST_F(AdapterTableTest, RefreshReadsNewCountersIntoTheSameBuffer) {
    fake.table = MakeTable({{"eth0", 0, 100, 200}, {"eth1", 0, 300, 400}});
    ASSERT_TRUE(adapters::LoadInterfaceTable(buffer));
    const BYTE* storage = buffer.data();
    fake.table = MakeTable({{"eth0", 0, 150, 260}, {"eth1", 0, 300, 400}});
    ASSERT_TRUE(adapters::RefreshInterfaceTable(buffer));
    EXPECT_EQ(buffer.data(), storage);
    EXPECT_EQ(adapters::RowAt(buffer, 0)->dwInOctets, 150u);
    EXPECT_EQ(adapters::RowAt(buffer, 0)->dwOutOctets, 260u);
}

TEST_F(AdapterTableTest, FailedRefreshKeepsThePreviousSnapshot) {
    fake.table = MakeTable({{"eth0", 0, 100, 200}});
    ASSERT_TRUE(adapters::LoadInterfaceTable(buffer));
    std::vector<BYTE> before = buffer;
    fake.table = MakeTable({{"eth0", 0, 999, 999}});
    fake.failFromCall = fake.calls + 1;
    EXPECT_FALSE(adapters::RefreshInterfaceTable(buffer));
    EXPECT_EQ(buffer, before);
}

TEST_F(AdapterTableTest, RefreshRegrowsTheBufferWhenTheSystemTableOutgrowsIt) {
    fake.table = MakeTable({{"eth0", 0, 100, 200}, {"eth1", 0, 0, 0}});
    ASSERT_TRUE(adapters::LoadInterfaceTable(buffer));
    fake.table = MakeTable({{"eth0", 0, 110, 210}, {"eth1", 0, 0, 0}, {"wlan0", 0, 7, 8}, {"tun0", 0, 9, 9}});
    ASSERT_TRUE(adapters::RefreshInterfaceTable(buffer));
    EXPECT_EQ(buffer.size(), fake.table.size());
    ASSERT_EQ(adapters::RowCount(buffer), 4u);
    EXPECT_EQ(adapters::RowAt(buffer, 0)->dwInOctets, 110u);
    EXPECT_EQ(adapters::RowAt(buffer, 3)->dwOutOctets, 9u);
}

TEST_F(AdapterTableTest, TableThatKeepsGrowingEndsTheRefreshWithTheSnapshotIntact) {
    fake.table = MakeTable({{"eth0", 0, 100, 200}});
    ASSERT_TRUE(adapters::LoadInterfaceTable(buffer));
    std::vector<BYTE> before = buffer;
    fake.growEveryCall = true;
    const int callsBefore = fake.calls;
    EXPECT_FALSE(adapters::RefreshInterfaceTable(buffer));
    EXPECT_EQ(buffer, before);
    EXPECT_LE(fake.calls - callsBefore, 5);
}

// The interfaces Linux has in this network namespace, ordered by their index.
std::vector<std::string> LinuxInterfacesByIndex() {
    std::vector<std::pair<int, std::string>> found;
    const std::string root = test::WinPath("/sys/class/net");
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((root + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return {};
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        HANDLE file = ::CreateFileA((root + "\\" + name + "\\ifindex").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        char text[32] = "";
        DWORD read = 0;
        ::ReadFile(file, text, sizeof text - 1, &read, nullptr);
        ::CloseHandle(file);
        found.emplace_back(std::atoi(text), name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& entry : found) names.push_back(entry.second);
    return names;
}

TEST(RealAdapterTable, ListsTheMachinesInterfacesInIndexOrder) {
    iphelper::GetIfTableProc savedTable = iphelper::GetIfTable;
    iphelper::GetNumberOfInterfacesProc savedCount = iphelper::GetNumberOfInterfaces;
    iphelper::GetIfTable = nullptr;
    iphelper::GetNumberOfInterfaces = nullptr;
    ASSERT_TRUE(iphelper::BindInterfaceTable());
    EXPECT_NE(iphelper::GetNumberOfInterfaces, nullptr);

    std::vector<BYTE> buffer;
    ASSERT_TRUE(adapters::LoadInterfaceTable(buffer));
    std::vector<std::string> expected = LinuxInterfacesByIndex();
    ASSERT_FALSE(expected.empty()) << "sysfs is not visible through Z:";

    std::vector<std::string> descriptions;
    for (size_t r = 0; r < adapters::RowCount(buffer); ++r) {
        const MIB_IFROW* row = adapters::RowAt(buffer, static_cast<int>(r));
        descriptions.emplace_back(reinterpret_cast<const char*>(row->bDescr),
                                  strnlen(reinterpret_cast<const char*>(row->bDescr), sizeof row->bDescr));
    }
    EXPECT_EQ(descriptions, expected);

    // Linux names never say "Loopback", so every interface is listed, "lo" included.
    std::vector<adapters::AdapterItem> items = adapters::BuildAdapterItems(buffer, 256);
    ASSERT_EQ(items.size(), descriptions.size());
    for (size_t k = 0; k < items.size(); ++k) {
        SCOPED_TRACE(descriptions[k]);
        EXPECT_EQ(items[k].row, static_cast<int>(k));
        EXPECT_EQ(items[k].text.rfind(" " + descriptions[k] + " ", 0), 0u) << items[k].text;
    }
    EXPECT_NE(std::find(descriptions.begin(), descriptions.end(), "lo"), descriptions.end());

    // A refresh reads the same rows again.
    EXPECT_TRUE(adapters::RefreshInterfaceTable(buffer));
    EXPECT_EQ(adapters::RowCount(buffer), descriptions.size());

    iphelper::GetIfTable = savedTable;
    iphelper::GetNumberOfInterfaces = savedCount;
}

}  // namespace
