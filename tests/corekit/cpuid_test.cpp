// The processor report is checked against what the kernel shows in
// /proc/cpuinfo for the first processor.
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "corekit/PYX_cpuid.h"

using namespace PYX_cpuid;

namespace {

// The "key : value" lines of the first processor block of /proc/cpuinfo.
std::map<std::string, std::string> FirstProcessorInfo()
{
    std::map<std::string, std::string> info;
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) {
            if (!info.empty()) break;
            continue;
        }
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        auto trim = [](std::string s) {
            const auto b = s.find_first_not_of(" \t");
            const auto e = s.find_last_not_of(" \t");
            return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
        };
        info[trim(line.substr(0, colon))] = trim(line.substr(colon + 1));
    }
    return info;
}

std::set<std::string> Words(const std::string& s)
{
    std::set<std::string> w;
    std::istringstream in(s);
    for (std::string x; in >> x;) w.insert(x);
    return w;
}

class CpuInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        info_ = FirstProcessorInfo();
        if (info_.count("vendor_id") == 0) GTEST_SKIP() << "/proc/cpuinfo has no x86 processor block";
        flags_ = Words(info_["flags"]);
    }
    std::map<std::string, std::string> info_;
    std::set<std::string> flags_;
};

} // namespace

TEST_F(CpuInfo, VendorAndNameMatchTheKernel)
{
    ASSERT_TRUE(CPU_IDSupport());
    EXPECT_EQ(CPU_VendorString(), info_["vendor_id"]);
    EXPECT_EQ(CPU_VendorString().size(), 12u);
    // The kernel trims the name string the same way.
    const std::string name = CPU_MarketName();
    ASSERT_FALSE(name.empty());
    EXPECT_LE(name.size(), 48u);
    EXPECT_GT(static_cast<unsigned char>(name.front()), 32);
    EXPECT_GT(static_cast<unsigned char>(name.back()), 32);
    for (char c : name) EXPECT_GE(static_cast<unsigned char>(c), 32);
    // The kernel records the name once at boot. A hypervisor may hand the
    // guest a different name string after that (a restored snapshot on
    // another host), so there only a mismatch is reported, not failed.
    const std::string kernelName = info_["model name"];
    if (name != kernelName && flags_.count("hypervisor")) {
        GTEST_SKIP() << "under a hypervisor the kernel shows \"" << kernelName << "\" while CPUID now gives \""
                     << name << "\"";
    }
    EXPECT_EQ(name, kernelName);
}

TEST_F(CpuInfo, SignatureFieldsMatchTheKernel)
{
    // The kernel folds the extended fields in: family 15 adds the extended
    // family, families 6 and above add the extended model as the high nibble.
    const uint32_t fam = CPU_Family();
    const uint32_t family = fam == 0xF ? fam + CPU_ExFamily() : fam;
    const uint32_t model = fam >= 6 ? CPU_Model() + (CPU_ExModel() << 4) : CPU_Model();
    EXPECT_EQ(std::to_string(family), info_["cpu family"]);
    EXPECT_EQ(std::to_string(model), info_["model"]);
    if (info_.count("stepping")) {
        EXPECT_EQ(std::to_string(CPU_Stepping()), info_["stepping"]);
    }
    EXPECT_EQ(CPU_Signature() >> 28, 0u) << "the top nibble is reserved";
}

TEST_F(CpuInfo, FeatureBitsMatchTheKernelFlags)
{
    // The kernel's names for the bits of EDX of level 1. The kernel may hide
    // a flag the processor sets (it clears some under a hypervisor), but it
    // never shows one the processor lacks.
    const std::map<int, std::string> level1 = {
        {0, "fpu"}, {1, "vme"}, {2, "de"}, {3, "pse"}, {4, "tsc"}, {5, "msr"}, {6, "pae"}, {7, "mce"},
        {8, "cx8"}, {9, "apic"}, {11, "sep"}, {12, "mtrr"}, {13, "pge"}, {14, "mca"}, {15, "cmov"},
        {16, "pat"}, {17, "pse36"}, {18, "pn"}, {19, "clflush"}, {21, "dts"}, {22, "acpi"}, {23, "mmx"},
        {24, "fxsr"}, {25, "sse"}, {26, "sse2"}, {27, "ss"}, {28, "ht"}, {29, "tm"}, {30, "ia64"}, {31, "pbe"}};
    // Flags no kernel hides on x86-64: their bits must agree both ways.
    const std::set<std::string> always = {"fpu", "tsc", "cx8", "cmov", "mmx", "fxsr", "sse", "sse2", "clflush"};
    const uint32_t fs = CPU_FeatureSet();
    for (const auto& [bit, name] : level1) {
        const bool set = (fs >> bit) & 1u;
        if (flags_.count(name)) {
            EXPECT_TRUE(set) << name << " is shown by the kernel but bit " << bit << " is clear";
        }
        if (always.count(name)) {
            EXPECT_EQ(set, flags_.count(name) == 1) << name;
        }
    }
    const uint32_t ext = CPU_ExtendedFeatureSet();
    const std::map<int, std::string> extended = {{11, "syscall"}, {20, "nx"}, {29, "lm"}, {31, "3dnow"}};
    for (const auto& [bit, name] : extended)
        if (flags_.count(name)) {
            EXPECT_TRUE((ext >> bit) & 1u) << name;
        }
    EXPECT_TRUE((ext >> 29) & 1u) << "an x86-64 processor has long mode";
}

TEST(CpuId, FeatureNamesDescribeTheRealBits)
{
    EXPECT_EQ(CPUFeatureNames[cpuft_fpu], "Floating Point Unit");
    EXPECT_EQ(CPUFeatureNames[cpuft_sepamd], "reserved");
    EXPECT_EQ(CPUFeatureNames[cpuft_reserved2], "Hyper-Threading Technology (multi-threading)");
    EXPECT_EQ(CPUFeatureNames[cpuft_3dnow], "Pending Break Enable");
    EXPECT_EQ(CPUFeatureNames[cpuft_simd2], "SSE2 (WNI) instructions");
    for (auto n : CPUFeatureNames) EXPECT_FALSE(n.empty());
}

TEST(CpuId, SignatureFieldsDecode)
{
    struct Case { uint32_t sig, type, family, exfamily, model, exmodel, stepping; bool overdrive; } cases[] = {
        {0x000006F6, 0, 6, 0, 15, 0, 6, false},
        {0x00B20F10 | 0x1000, 1, 15, 0x0B, 1, 2, 0, true},
        {0x0FFF3FFF, 3, 15, 0xFF, 15, 15, 15, false},
        {0, 0, 0, 0, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CPU_Type(c.sig), c.type) << std::hex << c.sig;
        EXPECT_EQ(CPU_Family(c.sig), c.family) << std::hex << c.sig;
        EXPECT_EQ(CPU_ExFamily(c.sig), c.exfamily) << std::hex << c.sig;
        EXPECT_EQ(CPU_Model(c.sig), c.model) << std::hex << c.sig;
        EXPECT_EQ(CPU_ExModel(c.sig), c.exmodel) << std::hex << c.sig;
        EXPECT_EQ(CPU_Stepping(c.sig), c.stepping) << std::hex << c.sig;
        EXPECT_EQ(CPU_OverDrive(c.sig), c.overdrive) << std::hex << c.sig;
    }
}

TEST(CpuId, LevelsAreCheckedAgainstTheirOwnRange)
{
    const uint32_t maxBasic = CPU_ExecuteCPUID(0).EAX;
    const uint32_t maxExt = CPU_ExecuteCPUID(0x80000000).EAX;
    EXPECT_NO_THROW(CPU_ExecuteCPUID(maxBasic));
    EXPECT_NO_THROW(CPU_ExecuteCPUID(maxExt));
    // A basic level just above the basic maximum is refused even though it
    // is numerically below the extended maximum.
    try {
        CPU_ExecuteCPUID(maxBasic + 1);
        FAIL() << "no exception";
    } catch (const EPYXCpuIdError& e) {
        EXPECT_STREQ(e.what(), "CPUID: execution level not supported");
    }
    EXPECT_THROW(CPU_ExecuteCPUID(maxExt + 1), EPYXCpuIdError);
    EXPECT_THROW(CPU_ExecuteCPUID(0x7FFFFFFF), EPYXCpuIdError);
    EXPECT_THROW(CPU_ExecuteCPUID(0xFFFFFFFF), EPYXCpuIdError);
}

TEST(CpuId, SerialNumberOnlyWhenTheProcessorHasOne)
{
    const std::string s = CPU_SerialNumber();
    if ((CPU_FeatureSet() >> cpuft_serial) & 1u) {
        ASSERT_EQ(s.size(), 24u);
        EXPECT_EQ(s.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    } else {
        EXPECT_EQ(s, "");
    }
}

TEST(CpuId, DivisionUnitIsCorrect) { EXPECT_FALSE(CPU_FDIVBugPresent()); }

TEST(CpuId, CountIsAtLeastOne) { EXPECT_GE(CPU_Count(), 1); }

TEST(CpuId, SpeedIsPlausibleAndIntervalIsChecked)
{
    const float mhz = CPU_Speed(50);
    EXPECT_GT(mhz, 100.0f);
    EXPECT_LT(mhz, 20000.0f);
    EXPECT_THROW(CPU_Speed(0), EPYXCpuIdError);
    EXPECT_THROW(CPU_Speed(10001), EPYXCpuIdError);
}
