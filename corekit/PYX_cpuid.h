// Identification of the processor: vendor, signature fields, feature flags
// with readable names, the name string, the x87 division check and the clock
// rate measured against the system tick counter.
//
// Everything is read from the CPUID instruction and the time-stamp counter.
// On processors other than x86-64 CPU_IDSupport is false and every function
// that needs CPUID raises EPYXCpuIdError.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "corekit/PYX_pyxbase.h"

namespace PYX_cpuid {

class EPYXCpuIdError : public PYX_pyxbase::EPYXError {
public:
    using PYX_pyxbase::EPYXError::EPYXError;
};

// The feature bits of EDX of CPUID level 1; the ordinal is the bit number.
enum TCPUFeatures : uint8_t {
    cpuft_fpu, cpuft_vme, cpuft_de, cpuft_pse, cpuft_tsc, cpuft_msr, cpuft_pae, cpuft_mce,
    cpuft_cx8, cpuft_apic, cpuft_sepamd, cpuft_sep, cpuft_mtrr, cpuft_pge, cpuft_mca, cpuft_cmov,
    cpuft_pat, cpuft_pse36, cpuft_serial, cpuft_clflush, cpuft_reserved1, cpuft_dts, cpuft_acpi, cpuft_mmx,
    cpuft_xsr, cpuft_simd, cpuft_simd2, cpuft_ss, cpuft_reserved2, cpuft_tm, cpuft_ia64, cpuft_3dnow
};

// Readable text of each feature bit, indexed by TCPUFeatures.
extern const std::array<std::string_view, 32> CPUFeatureNames;

// The CPUID levels the module queries.
inline constexpr uint32_t CPUID_LevelBasic = 0;            // highest basic level and vendor
inline constexpr uint32_t CPUID_LevelExtended = 0x80000000; // highest extended level
inline constexpr uint32_t CPUID_LevelSignature = 1;        // signature and features
inline constexpr uint32_t CPUID_LevelExtFeatures = 0x80000001; // extended features

struct TCPUIDRegs {
    uint32_t EAX = 0;
    uint32_t EBX = 0;
    uint32_t ECX = 0;
    uint32_t EDX = 0;
};

// Executes CPUID at Level (sub-leaf 0). Raises EPYXCpuIdError "Cannot acquire
// CPU information (CPUID not supported)" without CPUID, and "CPUID: execution
// level not supported" when a basic level exceeds the highest basic level or
// an extended level (from 0x80000000) exceeds the highest extended level.
TCPUIDRegs CPU_ExecuteCPUID(uint32_t Level);

// Number of processors available to this process.
int32_t CPU_Count();
bool CPU_IDSupport() noexcept;
// The 12 vendor characters, e.g. "GenuineIntel".
std::string CPU_VendorString();
uint32_t CPU_Signature();
uint32_t CPU_FeatureSet();
uint32_t CPU_ExtendedFeatureSet();
uint32_t CPU_BrandID();

// Fields of the signature; the overloads taking a signature decode a given one.
uint32_t CPU_Type();
bool CPU_OverDrive();
uint32_t CPU_Family();
uint32_t CPU_ExFamily();
uint32_t CPU_Model();
uint32_t CPU_ExModel();
uint32_t CPU_Stepping();
constexpr uint32_t CPU_Type(uint32_t Sig) noexcept { return (Sig >> 12) & 0x3; }
constexpr bool CPU_OverDrive(uint32_t Sig) noexcept { return CPU_Type(Sig) == 1; }
constexpr uint32_t CPU_Family(uint32_t Sig) noexcept { return (Sig >> 8) & 0xF; }
constexpr uint32_t CPU_ExFamily(uint32_t Sig) noexcept { return (Sig >> 20) & 0xFF; }
constexpr uint32_t CPU_Model(uint32_t Sig) noexcept { return (Sig >> 4) & 0xF; }
constexpr uint32_t CPU_ExModel(uint32_t Sig) noexcept { return (Sig >> 16) & 0xF; }
constexpr uint32_t CPU_Stepping(uint32_t Sig) noexcept { return Sig & 0xF; }

// True when the x87 unit divides 4195835 / 3145727 wrongly.
bool CPU_FDIVBugPresent() noexcept;

// The processor serial number as 24 upper-case hexadecimal digits: EAX of
// level 1 followed by EDX and ECX of level 3. Only processors that advertise
// and enable the serial number feature have one; otherwise the result is the
// empty string (true of every current processor).
std::string CPU_SerialNumber();

// The name string of levels 0x80000002..0x80000004 with blanks and controls
// trimmed at both ends; "unknown" when a control character remains inside.
std::string CPU_MarketName();

// The clock rate in MHz measured over Milliseconds (1..10000; other values
// raise EPYXCpuIdError). On processors with an invariant time-stamp counter
// this is the counter's constant rate rather than the momentary clock. The
// calling thread busy-waits for the interval at a raised priority where the
// system grants one.
float CPU_Speed(uint32_t Milliseconds);

} // namespace PYX_cpuid
