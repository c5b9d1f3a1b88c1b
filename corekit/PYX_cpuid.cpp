// Processor identification through CPUID and the time-stamp counter.
#include "corekit/PYX_cpuid.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#define PYX_CPUID_X86 1
#else
#define PYX_CPUID_X86 0
#endif

namespace PYX_cpuid {

// The texts describe what each bit of EDX of level 1 really means today.
// Bit 31 is "pending break enable"; the 3DNow! flag lives in bit 31 of the
// extended feature word (CPU_ExtendedFeatureSet).
const std::array<std::string_view, 32> CPUFeatureNames = {
    "Floating Point Unit",
    "V86 Mode Extensions",
    "Debug Extensions - I/O breakpoints supported",
    "Page Size Extensions (4 MB pages supported)",
    "Time Stamp Counter and RDTSC instruction are available",
    "Model Specific Registers",
    "Physical Address Extensions (36-bit address, 2MB pages)",
    "Machine Check Exception supported",
    "Compare Exchange Eight Byte instruction available",
    "Local APIC present (multiprocessor operation support)",
    "reserved",
    "Fast system calls",
    "Memory Type Range Registers",
    "Page Global Enable",
    "Machine Check Architecture",
    "Conditional MOVe instructions",
    "Page Attribute Table",
    "36 bit Page Size Extensions",
    "Processor Serial Number",
    "Cache Flush",
    "reserved",
    "Debug Store",
    "Thermal monitor and software controlled clock facilities (ACPI)",
    "MultiMedia Extensions",
    "FXSAVE and FXRSTOR instructions",
    "SSE instructions",
    "SSE2 (WNI) instructions",
    "self snoop",
    "Hyper-Threading Technology (multi-threading)",
    "Thermal Monitor (automatic clock control)",
    "reserved (IA-64 processor emulating x86)",
    "Pending Break Enable",
};

namespace {

[[noreturn]] void RaiseNoCPUID()
{
    throw EPYXCpuIdError("Cannot acquire CPU information (CPUID not supported)");
}

[[noreturn]] void RaiseLevel()
{
    throw EPYXCpuIdError("CPUID: execution level not supported");
}

TCPUIDRegs RawCPUID(uint32_t Level) noexcept
{
    TCPUIDRegs r;
#if PYX_CPUID_X86
    __cpuid_count(Level, 0, r.EAX, r.EBX, r.ECX, r.EDX);
#else
    (void)Level;
#endif
    return r;
}

void AppendRegBytes(std::string& s, uint32_t reg)
{
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((reg >> (8 * i)) & 0xFF));
}

void AppendHex8(std::string& s, uint32_t v)
{
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", v);
    s.append(buf, 8);
}

// Milliseconds of the monotonic clock, truncated to 32 bits like a tick
// counter; differences are taken unsigned so that a wrap does not matter.
uint32_t TickCount() noexcept
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

// Raises the scheduling priority of the calling thread as far as the system
// allows and puts it back when it goes out of scope. A refusal is harmless:
// the measurement then merely runs at normal priority.
class TPriorityBoost {
public:
    TPriorityBoost() noexcept
    {
        errno = 0;
        const int p = getpriority(PRIO_PROCESS, 0);
        if (p == -1 && errno != 0) return;
        old_ = p;
        saved_ = setpriority(PRIO_PROCESS, 0, -20) == 0;
    }
    ~TPriorityBoost()
    {
        if (saved_) (void)setpriority(PRIO_PROCESS, 0, old_);
    }
    TPriorityBoost(const TPriorityBoost&) = delete;
    TPriorityBoost& operator=(const TPriorityBoost&) = delete;

private:
    int old_ = 0;
    bool saved_ = false;
};

} // namespace

bool CPU_IDSupport() noexcept
{
    // Every x86-64 processor has CPUID (the ID flag can always be toggled).
    return PYX_CPUID_X86 != 0;
}

TCPUIDRegs CPU_ExecuteCPUID(uint32_t Level)
{
    if (!CPU_IDSupport()) RaiseNoCPUID();
    // Basic and extended levels have separate ranges, each checked against its
    // own maximum; the levels between the two ranges are never valid.
    if (Level >= CPUID_LevelExtended) {
        const uint32_t maxExt = RawCPUID(CPUID_LevelExtended).EAX;
        if (maxExt < CPUID_LevelExtended || Level > maxExt) RaiseLevel();
    } else {
        const uint32_t maxBasic = RawCPUID(CPUID_LevelBasic).EAX;
        if (Level > maxBasic) RaiseLevel();
    }
    return RawCPUID(Level);
}

int32_t CPU_Count()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int32_t>(n) : 1;
}

std::string CPU_VendorString()
{
    const TCPUIDRegs r = CPU_ExecuteCPUID(CPUID_LevelBasic);
    std::string s;
    AppendRegBytes(s, r.EBX);
    AppendRegBytes(s, r.EDX);
    AppendRegBytes(s, r.ECX);
    return s;
}

uint32_t CPU_Signature() { return CPU_ExecuteCPUID(CPUID_LevelSignature).EAX; }
uint32_t CPU_FeatureSet() { return CPU_ExecuteCPUID(CPUID_LevelSignature).EDX; }
uint32_t CPU_ExtendedFeatureSet() { return CPU_ExecuteCPUID(CPUID_LevelExtFeatures).EDX; }
uint32_t CPU_BrandID() { return CPU_ExecuteCPUID(CPUID_LevelSignature).EBX & 0xFF; }

uint32_t CPU_Type() { return CPU_Type(CPU_Signature()); }
bool CPU_OverDrive() { return CPU_OverDrive(CPU_Signature()); }
uint32_t CPU_Family() { return CPU_Family(CPU_Signature()); }
uint32_t CPU_ExFamily() { return CPU_ExFamily(CPU_Signature()); }
uint32_t CPU_Model() { return CPU_Model(CPU_Signature()); }
uint32_t CPU_ExModel() { return CPU_ExModel(CPU_Signature()); }
uint32_t CPU_Stepping() { return CPU_Stepping(CPU_Signature()); }

bool CPU_FDIVBugPresent() noexcept
{
    // volatile keeps the compiler from folding the expression at build time;
    // the arithmetic runs on the x87 unit with 80-bit intermediates.
    volatile double a = 4195835.0;
    volatile double b = 3145727.0;
    const vcl::Extended x = static_cast<vcl::Extended>(a);
    const vcl::Extended y = static_cast<vcl::Extended>(b);
    volatile vcl::Extended r = x / y * y - x;
    return r != 0;
}

std::string CPU_SerialNumber()
{
    try {
        const TCPUIDRegs sig = CPU_ExecuteCPUID(CPUID_LevelSignature);
        if ((sig.EDX & (1u << cpuft_serial)) == 0) return std::string();
        const TCPUIDRegs psn = CPU_ExecuteCPUID(3);
        std::string s;
        AppendHex8(s, sig.EAX);
        AppendHex8(s, psn.EDX);
        AppendHex8(s, psn.ECX);
        return s;
    } catch (const EPYXCpuIdError&) {
        return std::string();
    }
}

std::string CPU_MarketName()
{
    std::string s;
    for (uint32_t level = 0x80000002; level <= 0x80000004; ++level) {
        const TCPUIDRegs r = CPU_ExecuteCPUID(level);
        AppendRegBytes(s, r.EAX);
        AppendRegBytes(s, r.EBX);
        AppendRegBytes(s, r.ECX);
        AppendRegBytes(s, r.EDX);
    }
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    s = s.substr(b, e - b);
    for (char c : s)
        if (static_cast<unsigned char>(c) < 32) return "unknown";
    return s;
}

float CPU_Speed(uint32_t Milliseconds)
{
    if (Milliseconds < 1 || Milliseconds > 10000)
        throw EPYXCpuIdError("CPU_Speed: the interval must lie between 1 and 10000 ms");
    if (!CPU_IDSupport()) RaiseNoCPUID();
#if PYX_CPUID_X86
    uint64_t c1 = 0, c2 = 0;
    {
        TPriorityBoost boost;
        const uint32_t t0 = TickCount();
        uint32_t start = t0;
        while ((start = TickCount()) == t0) {
        }
        c1 = __rdtsc();
        while (static_cast<uint32_t>(TickCount() - start) < Milliseconds) {
        }
        c2 = __rdtsc();
    }
    const double cycles = static_cast<double>(c2 - c1);
    return static_cast<float>(cycles / (1000.0 * static_cast<double>(Milliseconds)));
#else
    return 0.0f;
#endif
}

} // namespace PYX_cpuid
