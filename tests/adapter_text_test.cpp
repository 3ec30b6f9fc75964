// The adapter list's texts: what an interface row becomes in the list, which rows the list
// leaves out, and the unit a rate is measured in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "stats/AdapterList.h"

namespace {

MIB_IFROW Row(const std::string& description, DWORD speed) {
    MIB_IFROW row{};
    std::memcpy(row.bDescr, description.data(), description.size());
    row.dwDescrLen = static_cast<DWORD>(description.size());
    row.dwSpeed = speed;
    return row;
}

TEST(AdapterItemText, FormsTextAndChoosesWhatIsListed) {
    const std::string sixty = "Intel(R) Ethernet Connection I219-LM with a long model names";
    ASSERT_EQ(sixty.size(), 60u);
    struct Case {
        const char* description;
        DWORD speed;
        const char* text;
        bool hidden;
    };
    const Case cases[] = {
        {"Fast Ethernet Controller", 100000000, " Fast Ethernet Controller 95 Mb", false},
        {"WAN Miniport (PPTP)", 0, " WAN Miniport (PPTP) 0 Mb", true},
        {"WANdisco", 0, " WANdisco 0 Mb", false},
        {"WAN", 0, " WAN 0 Mb", true},
        {"WAN-Adapter", 0, " WAN-Adapter 0 Mb", false},
        {"wan miniport", 0, " wan miniport 0 Mb", false},
        {"isatap.{5A2E1F00-1234}", 0, " isatap.{5A2E1F00-1234} 0 Mb", true},
        {"isatap", 0, " isatap 0 Mb", false},
        {"ISATAP.{5A2E1F00-1234}", 0, " ISATAP.{5A2E1F00-1234} 0 Mb", false},
        {"Software Loopback Interface 1", 0, " Software Loopback Interface 1 0 Mb", true},
        {"Loopback", 0, " Loopback 0 Mb", true},
        {"software loopback interface", 0, " software loopback interface 0 Mb", false},
        {"LOOPBACK", 0, " LOOPBACK 0 Mb", false},
        {"lo", 0, " lo 0 Mb", false},
        // The cut comes first: a "Loopback" past character 38 never reaches the text.
        {"Microsoft Kernel Debug Network Adapter Loopback", 0, " Microsoft Kernel Debug Network Adapter 0 Mb", false},
        {sixty.c_str(), 0, " Intel(R) Ethernet Connection I219-LM w 0 Mb", false},
        {"", 0, "  0 Mb", false},
        {"eth0", 4000, " eth0 0 Mb", false},
        {"eth0", 10000000, " eth0 9 Mb", false},
        {"eth0", 1000000000, " eth0 953 Mb", false},
        {"eth0", 0xFFFFFFFF, " eth0 4095 Mb", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.description) + " at " + std::to_string(c.speed));
        std::string text = adapters::AdapterItemText(Row(c.description, c.speed));
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(adapters::IsHiddenAdapterText(text), c.hidden);
    }
}

TEST(AdapterItemText, DescriptionWithoutNulIsReadWithinItsBytes) {
    // The row is put at the very end of a readable page, so a read past its description
    // (the last field of the row) would fault.
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    const SIZE_T page = info.dwPageSize;
    BYTE* pages = static_cast<BYTE*>(::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(::VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));

    auto* row = reinterpret_cast<MIB_IFROW*>(pages + page - sizeof(MIB_IFROW));
    std::memset(row, 0, sizeof *row);
    std::memset(row->bDescr, 'A', sizeof row->bDescr);
    row->dwSpeed = 100000000;
    ASSERT_EQ(reinterpret_cast<BYTE*>(row->bDescr) + sizeof row->bDescr, pages + page);

    std::string text = adapters::AdapterItemText(*row);
    EXPECT_EQ(text, " " + std::string(adapters::kDescriptionChars, 'A') + " 95 Mb");
    EXPECT_FALSE(adapters::IsHiddenAdapterText(text));
    ::VirtualFree(pages, 0, MEM_RELEASE);
}

TEST(LinkSpeedDivisor, IsSpeedOver8192AndNeverZero) {
    struct Case {
        DWORD speed;
        UINT divisor;
    };
    const Case cases[] = {
        {0, 1},       {4000, 1},         {8191, 1},         {8192, 1},
        {16384, 2},   {10000000, 1220},  {100000000, 12207}, {1000000000, 122070},
        {0xFFFFFFFF, 524287},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        EXPECT_EQ(adapters::LinkSpeedDivisorFor(c.speed), c.divisor);
    }
}

}  // namespace
