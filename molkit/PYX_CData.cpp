#include "molkit/PYX_CData.h"

#include <array>
#include <charconv>
#include <string>

#include "vcl/Cp1252.h"

namespace PYX_CData {

namespace {

struct TElement {
    std::string_view Symb;
    std::string_view Name;
    int Nominal;        // mass number of the isotope listed for the element
    double Exact;       // exact mass of that isotope, u
    double Chem;        // chemical atomic weight, 0.0 where the element has none
    int Outer;          // outer electrons
    std::string_view Config;
};

// Sources of the numbers:
// - Nominal masses, names, spellings and configurations are this library's own
//   table and are returned as written (the spellings "litium", "flourine",
//   "vanadin", "prometium" and "actinum" included).
// - Exact masses: the rounded values H 1.007825, C 12.0, N 14.003074,
//   O 15.994915, F 18.998405, P 30.973763, S 31.972073, Cl 34.968854,
//   Br 78.918332, I 126.904476 and Tc 96.905 are this library's established
//   values and kept as they are; every other exact mass is the atomic mass of
//   the listed isotope from the Atomic Mass Evaluation 2016 (AME2016,
//   Wang, Audi, Kondev, Huang, Naimi, Xu, Chinese Physics C 41 (2017)
//   030003) as published in the NIST table "Atomic Weights and Isotopic
//   Compositions", rounded to at most 10 decimals.
// - Chemical weights: the IUPAC 1961 table of atomic weights (12C = 12 scale),
//   which the ten values H 1.00797, C 12.01115, N 14.0067, O 15.9994,
//   F 18.9984, P 30.9738, S 32.064, Cl 35.453, Br 79.909, I 126.9044 belong
//   to. Every value lies within 0.05 of the current IUPAC standard weight.
//   Elements without a stable isotope of characteristic terrestrial
//   composition (Tc, Pm, Po..Ac, Pa, Np..Lr) have none (0.0).
constexpr std::array<TElement, MaxAtomicNumber + 1> kElements = {{
    {"", "", 0, 0.0, 0.0, 0, ""},
    {"H", "hydrogen", 1, 1.007825, 1.00797, 1, "1s1"},
    {"He", "helium", 4, 4.0026032541, 4.0026, 2, "1s2"},
    {"Li", "litium", 7, 7.0160034366, 6.939, 1, "[He] 2s1"},
    {"Be", "beryllium", 9, 9.012183065, 9.0122, 2, "[He] 2s2"},
    {"B", "boron", 11, 11.00930536, 10.811, 3, "[He] 2s2 2p1"},
    {"C", "carbon", 12, 12.0, 12.01115, 4, "[He] 2s2 2p2"},
    {"N", "nitrogen", 14, 14.003074, 14.0067, 5, "[He] 2s2 2p3"},
    {"O", "oxygen", 16, 15.994915, 15.9994, 6, "[He] 2s2 2p4"},
    {"F", "flourine", 19, 18.998405, 18.9984, 7, "[He] 2s2 2p5"},
    {"Ne", "neon", 20, 19.9924401762, 20.183, 8, "[He] 2s2 2p6"},
    {"Na", "sodium", 23, 22.989769282, 22.9898, 1, "[Ne] 3s1"},
    {"Mg", "magnesium", 24, 23.985041697, 24.312, 2, "[Ne] 3s2"},
    {"Al", "aluminum", 27, 26.98153853, 26.9815, 3, "[Ne] 3s2 3p1"},
    {"Si", "silicon", 28, 27.9769265347, 28.086, 4, "[Ne] 3s2 3p2"},
    {"P", "phosphorus", 31, 30.973763, 30.9738, 5, "[Ne] 3s2 3p3"},
    {"S", "sulfur", 32, 31.972073, 32.064, 6, "[Ne] 3s2 3p4"},
    {"Cl", "chlorine", 35, 34.968854, 35.453, 7, "[Ne] 3s2 3p5"},
    {"Ar", "argon", 40, 39.9623831237, 39.948, 8, "[Ne] 3s2 3p6"},
    {"K", "potassium", 39, 38.9637064864, 39.102, 1, "[Ar] 4s1"},
    {"Ca", "calcium", 40, 39.962590863, 40.08, 2, "[Ar] 4s2"},
    {"Sc", "scandium", 45, 44.95590828, 44.956, 2, "[Ar] 3d1 4s2"},
    {"Ti", "titanium", 48, 47.94794198, 47.90, 2, "[Ar] 3d2 4s2"},
    {"V", "vanadin", 51, 50.94395704, 50.942, 2, "[Ar] 3d3 4s2"},
    {"Cr", "chromium", 52, 51.94050623, 51.996, 1, "[Ar] 3d5 4s1"},
    {"Mn", "manganese", 55, 54.93804391, 54.9380, 2, "[Ar] 3d5 4s2"},
    {"Fe", "iron", 56, 55.93493633, 55.847, 2, "[Ar] 3d6 4s2"},
    {"Co", "cobalt", 59, 58.93319429, 58.9332, 2, "[Ar] 3d7 4s2"},
    {"Ni", "nickel", 58, 57.93534241, 58.71, 2, "[Ar] 3d8 4s2"},
    {"Cu", "copper", 63, 62.92959772, 63.54, 1, "[Ar] 3d10 4s1"},
    {"Zn", "zinc", 64, 63.92914201, 65.37, 2, "[Ar] 3d10 4s2"},
    {"Ga", "gallium", 69, 68.9255735, 69.72, 3, "[Ar] 3d10 4s2 4p1"},
    {"Ge", "germanium", 74, 73.921177761, 72.59, 4, "[Ar] 3d10 4s2 4p2"},
    {"As", "arsenic", 75, 74.92159457, 74.9216, 5, "[Ar] 3d10 4s2 4p3"},
    {"Se", "selenium", 80, 79.9165218, 78.96, 6, "[Ar] 3d10 4s2 4p4"},
    {"Br", "bromine", 79, 78.918332, 79.909, 7, "[Ar] 3d10 4s2 4p5"},
    {"Kr", "krypton", 84, 83.9114977282, 83.80, 8, "[Ar] 3d10 4s2 4p6"},
    {"Rb", "rubidium", 85, 84.9117897379, 85.47, 1, "[Kr] 5s1"},
    {"Sr", "strontium", 88, 87.9056125, 87.62, 2, "[Kr] 5s2"},
    {"Y", "yttrium", 89, 88.9058403, 88.905, 2, "[Kr] 4d1 5s2"},
    {"Zr", "zirconium", 90, 89.9047026, 91.22, 2, "[Kr] 4d2 5s2"},
    {"Nb", "niobium", 93, 92.9063730, 92.906, 1, "[Kr] 4d4 5s1"},
    {"Mo", "molybdenum", 98, 97.90540482, 95.94, 1, "[Kr] 4d5 5s1"},
    {"Tc", "technetium", 97, 96.905, 0.0, 2, "[Kr] 4d6 5s1"},
    {"Ru", "ruthenium", 102, 101.9043441, 101.07, 1, "[Kr] 4d7 5s1"},
    {"Rh", "rhodium", 103, 102.9054980, 102.905, 1, "[Kr] 4d8 5s1"},
    {"Pd", "palladium", 106, 105.9034804, 106.4, 0, "[Kr] 4d10"},
    {"Ag", "silver", 107, 106.9050916, 107.870, 1, "[Kr] 4d10 5s1"},
    {"Cd", "cadmium", 114, 113.90336509, 112.40, 2, "[Kr] 4d10 5s2"},
    {"In", "indium", 115, 114.903878776, 114.82, 3, "[Kr] 4d10 5s2 5p1"},
    {"Sn", "tin", 120, 119.902201873, 118.69, 4, "[Kr] 4d10 5s2 5p2"},
    {"Sb", "antimony", 121, 120.903812, 121.75, 5, "[Kr] 4d10 5s2 5p3"},
    {"Te", "tellurium", 130, 129.906222748, 127.60, 6, "[Kr] 4d10 5s2 5p4"},
    {"I", "iodine", 127, 126.904476, 126.9044, 7, "[Kr] 4d10 5s2 5p5"},
    {"Xe", "xenon", 132, 131.9041550856, 131.30, 8, "[Kr] 4d10 5s2 5p6"},
    {"Cs", "cesium", 133, 132.905451961, 132.905, 1, "[Xe] 6s1"},
    {"Ba", "barium", 138, 137.905247, 137.34, 2, "[Xe] 6s2"},
    {"La", "lanthanum", 139, 138.9063563, 138.91, 2, "[Xe] 5d1 6s2"},
    {"Ce", "cerium", 140, 139.9054431, 140.12, 2, "[Xe] 4f2 6s2"},
    {"Pr", "praseodymium", 141, 140.9076576, 140.907, 2, "[Xe] 4f3 6s2"},
    {"Nd", "neodymium", 142, 141.9077290, 144.24, 2, "[Xe] 4f4 6s2"},
    {"Pm", "prometium", 145, 144.9127559, 0.0, 2, "[Xe] 4f5 6s2"},
    {"Sm", "samarium", 152, 151.9197397, 150.35, 2, "[Xe] 4f6 6s2"},
    {"Eu", "europium", 153, 152.9212380, 151.96, 2, "[Xe] 4f7 6s2"},
    {"Gd", "gadolinium", 158, 157.9241123, 157.25, 2, "[Xe] 4f7 5d1 6s2"},
    {"Tb", "terbium", 159, 158.9253547, 158.924, 2, "[Xe] 4f9 6s2"},
    {"Dy", "dysprosium", 164, 163.9291819, 162.50, 2, "[Xe] 4f10 6s2"},
    {"Ho", "holmium", 165, 164.9303288, 164.930, 2, "[Xe] 4f11 6s2"},
    {"Er", "erbium", 166, 165.9302995, 167.26, 2, "[Xe] 4f12 6s2"},
    {"Tm", "thulium", 169, 168.9342179, 168.934, 2, "[Xe] 4f13 6s2"},
    {"Yb", "ytterbium", 174, 173.9388664, 173.04, 2, "[Xe] 4f14 6s2"},
    {"Lu", "lutetium", 175, 174.9407752, 174.97, 2, "[Xe] 4f14 5d1 6s2"},
    {"Hf", "hafnium", 180, 179.9465570, 178.49, 2, "[Xe] 4f14 5d2 6s2"},
    {"Ta", "tantalum", 181, 180.9479958, 180.948, 2, "[Xe] 4f14 5d3 6s2"},
    {"W", "tungsten", 184, 183.95093092, 183.85, 2, "[Xe] 4f14 5d4 6s2"},
    {"Re", "rhenium", 187, 186.9557501, 186.2, 2, "[Xe] 4f14 5d5 6s2"},
    {"Os", "osmium", 192, 191.9614770, 190.2, 2, "[Xe] 4f14 5d6 6s2"},
    {"Ir", "iridium", 193, 192.9629216, 192.2, 2, "[Xe] 4f14 5d7 6s2"},
    {"Pt", "platinum", 195, 194.9647917, 195.09, 1, "[Xe] 4f14 5d9 6s1"},
    {"Au", "gold", 197, 196.96656879, 196.967, 1, "[Xe] 4f14 5d10 6s1"},
    {"Hg", "mercury", 202, 201.97064340, 200.59, 2, "[Xe] 4f14 5d10 6s2"},
    {"Tl", "thallium", 205, 204.9744278, 204.37, 3, "[Xe] 4f14 5d10 6s2 6p1"},
    {"Pb", "lead", 208, 207.9766525, 207.19, 4, "[Xe] 4f14 5d10 6s2 6p2"},
    {"Bi", "bismuth", 209, 208.9803991, 208.980, 5, "[Xe] 4f14 5d10 6s2 6p3"},
    {"Po", "polonium", 209, 208.9824308, 0.0, 6, "[Xe] 4f14 5d10 6s2 6p4"},
    {"At", "astatine", 211, 210.9874966, 0.0, 7, "[Xe] 4f14 5d10 6s2 6p5"},
    {"Rn", "radon", 222, 222.0175782, 0.0, 8, "[Xe] 4f14 5d10 6s2 6p6"},
    {"Fr", "francium", 223, 223.0197360, 0.0, 1, "[Rn] 7s1"},
    {"Ra", "radium", 226, 226.0254103, 0.0, 2, "[Rn] 7s2"},
    {"Ac", "actinum", 227, 227.0277523, 0.0, 2, "[Rn] 6d1 7s2"},
    {"Th", "thorium", 232, 232.0380558, 232.038, 2, "[Rn] 6d2 7s2"},
    {"Pa", "protactinium", 230, 230.0345410, 0.0, 2, "[Rn] 5f2 6d1 7s2"},
    {"U", "uranium", 238, 238.0507884, 238.03, 2, "[Rn] 5f3 6d1 7s2"},
    {"Np", "neptunium", 237, 237.0481736, 0.0, 2, "[Rn] 5f4 6d1 7s2"},
    {"Pu", "plutonium", 244, 244.0642053, 0.0, 2, "[Rn] 5f6 7s2"},
    {"Am", "americium", 243, 243.0613813, 0.0, 2, "[Rn] 5f7 7s2"},
    {"Cm", "curium", 247, 247.0703541, 0.0, 2, "[Rn] 5f7 6d1 7s2"},
    {"Bk", "berkelium", 247, 247.0703073, 0.0, 2, "[Rn] 5f9 7s2"},
    {"Cf", "californium", 251, 251.0795886, 0.0, 2, "[Rn] 5f10 7s2"},
    {"Es", "einsteinium", 254, 254.0880222, 0.0, 2, "[Rn] 5f11 7s2"},
    {"Fm", "fermium", 257, 257.0951061, 0.0, 2, "[Rn] 5f12 7s2"},
    {"Md", "mendelevium", 257, 257.0955424, 0.0, 2, "[Rn] 5f13 7s2"},
    {"No", "nobelium", 255, 255.0931918, 0.0, 2, "[Rn] 5f14 7s2"},
    {"Lr", "lawrencium", 256, 256.0987630, 0.0, 2, "[Rn] 5f14 6d1 7s2"},
}};

constexpr bool TableFits()
{
    for (int z = 1; z <= MaxAtomicNumber; ++z) {
        const TElement& e = kElements[z];
        if (e.Symb.empty() || e.Symb.size() > 3 || e.Name.size() > 12 || e.Config.size() > 22) return false;
        if (e.Outer < 0 || e.Outer > 8 || e.Nominal < 1) return false;
    }
    return true;
}
static_assert(TableFits(), "element table entry exceeds its field");

// Van der Waals radii in hundredths of an ångström for elements 1..53.
constexpr std::array<int, MaxVDWElement + 1> kVDW = [] {
    std::array<int, MaxVDWElement + 1> r{};
    r[1] = 120; r[5] = 98; r[6] = 180; r[7] = 150; r[8] = 140; r[9] = 135; r[14] = 138; r[15] = 190;
    r[16] = 185; r[17] = 180; r[33] = 200; r[34] = 200; r[35] = 195; r[51] = 220; r[52] = 220; r[53] = 215;
    return r;
}();

// The periodic-system grid, rows of 18 cells.
using TGrid = std::array<std::array<uint8_t, PerSysCols>, PerSysRows>;
constexpr TGrid kGrid = [] {
    TGrid g{};
    g[0][0] = 1;
    g[0][17] = 2;
    for (int r = 1; r <= 2; ++r) {
        const int first = (r == 1) ? 3 : 11;
        g[r][0] = static_cast<uint8_t>(first);
        g[r][1] = static_cast<uint8_t>(first + 1);
        for (int c = 12; c <= 17; ++c) g[r][c] = static_cast<uint8_t>(first + 2 + c - 12);
    }
    for (int c = 0; c < 18; ++c) {
        g[3][c] = static_cast<uint8_t>(19 + c);
        g[4][c] = static_cast<uint8_t>(37 + c);
    }
    g[5][0] = 55; g[5][1] = 56; g[5][2] = 57;
    for (int c = 3; c < 18; ++c) g[5][c] = static_cast<uint8_t>(72 + c - 3);
    g[6][0] = 87; g[6][1] = 88; g[6][2] = 89;
    for (int c = 4; c < 18; ++c) {
        g[7][c] = static_cast<uint8_t>(58 + c - 4);
        g[8][c] = static_cast<uint8_t>(90 + c - 4);
    }
    return g;
}();

struct TCore {
    std::string_view Core;
    std::string_view Expansion;
};
constexpr std::array<TCore, 6> kCores = {{
    {"[He]", "1s2"},
    {"[Ne]", "1s2 2s2 2p6"},
    {"[Ar]", "1s2 2s2 2p6 3s2 3p6"},
    {"[Kr]", "1s2 2s2 2p6 3s2 3p6 3d10 4s2 4p6"},
    {"[Xe]", "1s2 2s2 2p6 3s2 3p6 3d10 4s2 4p6 4d10 5s2 5p6"},
    {"[Rn]", "1s2 2s2 2p6 3s2 3p6 3d10 4s2 4p6 4d10 5s2 5p6 4f14 5d10 6s2 6p6"},
}};

// Name fragments in coding order: longer fragments come before the shorter
// ones they contain ("methyl" before "meth" and "yl").
constexpr std::array<std::string_view, 128> kFragments = {
    "benzoyl", "deutero", "methoxy", "hydroxy", "bicyclo", "aldehyd", "phospho", "carboxy",
    "mercapt", "salicyl", "benzyl", "methyl", "propyl", "naphth", "ethoxy", "sulfid",
    "phenyl", "acetyl", "formyl", "anthra", "chinon", "pentyl", "heptyl", "saeure",
    "nitril", "nitrid", "phosph", "sulfon", "pyrrol", "phthal", "styrol", "erythr",
    "butyl", "ethyl", "indol", "nitro", "amino", "chlor", "ether", "fluor",
    "allyl", "tetra", "penta", "hepta", "furan", "hydro", "cyano", "hexyl",
    "octyl", "epoxy", "cyclo", "ester", "inden", "pyren", "lacto", "menth",
    "silic", "quino", "piper", "malon", "stear", "xanth", "xylol", "vinyl",
    "ortho", "ammon", "thren", "alpha", "gamma", "gluc", "brom", "imid",
    "mono", "hexa", "octa", "nona", "deca", "glyc", "thio", "carb",
    "oxim", "dien", "semi", "acid", "tolu", "tert", "anil", "para",
    "meta", "acet", "pyri", "oxid", "amid", "amin", "phen", "benz",
    "oxal", "keto", "prop", "tere", "prog", "terp", "quin", "meth",
    "imin", "fruc", "ilid", "hydr", "beta", "oxy", "per", "ose",
    "oyl", "iod", "lin", "sil", "tri", "iso", "oxo", "bis",
    "azo", "yl", "on", "en", "an", "ol", "di", "in",
};

constexpr bool FragmentsFit()
{
    for (std::string_view f : kFragments) {
        if (f.empty() || f.size() > 7) return false;
        for (char c : f)
            if (c < 'a' || c > 'z') return false;
    }
    return true;
}
static_assert(FragmentsFit(), "a name fragment must be 1..7 lower-case letters");

bool InRange(int AtNum) noexcept { return AtNum >= 1 && AtNum <= MaxAtomicNumber; }

// Symbol look-up by the first two bytes: 0 when no symbol matches. Symbols are
// unique, so this gives the same number as a scan in atomic-number order.
constexpr int SymbKey(unsigned char a, unsigned char b) noexcept { return a * 256 + b; }

struct TSymbIndex {
    std::array<uint8_t, 65536> z{};
};

const TSymbIndex& SymbIndex()
{
    static const TSymbIndex idx = [] {
        TSymbIndex t;
        for (int z = MaxAtomicNumber; z >= 1; --z) {
            std::string_view s = kElements[z].Symb;
            const unsigned char a = static_cast<unsigned char>(s[0]);
            const unsigned char b = s.size() > 1 ? static_cast<unsigned char>(s[1]) : 0;
            t.z[SymbKey(a, b)] = static_cast<uint8_t>(z);
        }
        return t;
    }();
    return idx;
}

} // namespace

std::string CElemSymb(int AtNum) { return InRange(AtNum) ? std::string(kElements[AtNum].Symb) : std::string(); }

std::string CElemName(int AtNum) { return InRange(AtNum) ? std::string(kElements[AtNum].Name) : std::string(); }

int AtomicNumber(std::string_view Symb) noexcept
{
    // Every symbol has one or two characters.
    if (Symb.empty() || Symb.size() > 2) return 0;
    const unsigned char a = static_cast<unsigned char>(Symb[0]);
    const unsigned char b = Symb.size() > 1 ? static_cast<unsigned char>(Symb[1]) : 0;
    if (b == 0 && Symb.size() > 1) return 0; // an embedded NUL is no symbol
    return SymbIndex().z[SymbKey(a, b)];
}

int IntAtWeight(int AtNum) noexcept { return InRange(AtNum) ? kElements[AtNum].Nominal : 0; }

Extended ExactAtWeight(int AtNum) noexcept { return InRange(AtNum) ? Extended(kElements[AtNum].Exact) : 0.0L; }

double ChemAtWeight(int AtNum) noexcept { return InRange(AtNum) ? kElements[AtNum].Chem : 0.0; }

double VDWRadius(int AtNum) noexcept
{
    if (AtNum < 1 || AtNum > MaxVDWElement) return 0.0;
    return kVDW[AtNum] / 100.0;
}

void PerSysCoord(int AtNum, int& Col, int& Row) noexcept
{
    Col = 0;
    Row = 0;
    if (!InRange(AtNum)) return;
    for (int r = 0; r < PerSysRows; ++r)
        for (int c = 0; c < PerSysCols; ++c)
            if (kGrid[r][c] == AtNum) {
                Col = c;
                Row = r;
                return;
            }
}

int PerSysCell(int Col, int Row) noexcept
{
    if (Col < 0 || Col >= PerSysCols || Row < 0 || Row >= PerSysRows) return 0;
    return kGrid[Row][Col];
}

int NumOuterElectrons(int AtNum) noexcept { return InRange(AtNum) ? kElements[AtNum].Outer : 0; }

std::string ShortElectronConfig(int AtNum)
{
    return InRange(AtNum) ? std::string(kElements[AtNum].Config) : std::string();
}

std::string FullElectronConfig(int AtNum)
{
    std::string s = ShortElectronConfig(AtNum);
    for (const TCore& c : kCores)
        if (s.starts_with(c.Core)) return std::string(c.Expansion) + s.substr(c.Core.size());
    return s;
}

// ---------------------------------------------------------------------------
// CAS registry numbers

bool CheckCASNr(int64_t CASNr) noexcept
{
    if (CASNr < 0) return false;
    const int64_t check = CASNr % 10;
    int64_t rest = CASNr / 10;
    int64_t sum = 0;
    int64_t weight = 1;
    do {
        sum += (rest % 10) * weight;
        rest /= 10;
        ++weight;
    } while (rest > 0);
    return sum % 10 == check;
}

std::string FormatCASNr(int64_t CASNr)
{
    if (CASNr < 0) return std::string();
    std::string s = std::to_string(CASNr);
    while (s.size() < 4) s.insert(0, 1, '0');
    s.insert(s.size() - 3, 1, '-');
    s.insert(s.size() - 1, 1, '-');
    return s;
}

bool ConvertStrToCASNr(std::string_view Text, int64_t& CASNr) noexcept
{
    std::size_t b = 0;
    std::size_t e = Text.size();
    while (b < e && Text[b] == ' ') ++b;
    while (e > b && Text[e - 1] == ' ') --e;
    const std::string_view t = Text.substr(b, e - b);

    std::size_t hyphens = 0;
    std::size_t first = 0;
    std::size_t second = 0;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i] == '-') {
            ++hyphens;
            if (hyphens == 1) first = i;
            else if (hyphens == 2) second = i;
        }
    if (hyphens != 2 || second != first + 3 || second + 2 != t.size()) return false;

    // At most 19 digits fit the buffer; longer numbers do not fit 64 bits anyway.
    char digits[24];
    std::size_t n = 0;
    for (char c : t) {
        if (c == '-') continue;
        if (c < '0' || c > '9' || n >= sizeof digits) return false;
        digits[n++] = c;
    }
    int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(digits, digits + n, value);
    if (ec != std::errc() || ptr != digits + n) return false;
    CASNr = value;
    return CheckCASNr(value);
}

// ---------------------------------------------------------------------------
// Name compression

std::string_view ChemNameFragment(int k) noexcept
{
    return (k >= 1 && k <= 128) ? kFragments[k - 1] : std::string_view();
}

std::string CompressChemName(std::string_view Name)
{
    // Lower case (ASCII letters), umlauts spelled out, other high bytes
    // replaced so that no byte of 128 or more survives into the coding step.
    std::string s;
    s.reserve(Name.size() + 8);
    for (char ch : Name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            s += static_cast<char>(vcl::AsciiLower(c));
            continue;
        }
        switch (c) {
        case 0xC4: case 0xE4: s += "ae"; break; // Ä ä
        case 0xD6: case 0xF6: s += "oe"; break; // Ö ö
        case 0xDC: case 0xFC: s += "ue"; break; // Ü ü
        case 0xDF: s += "ss"; break;            // ß
        default: s += '?'; break;
        }
    }
    for (int k = 1; k <= 128; ++k) {
        const std::string_view f = kFragments[k - 1];
        const char code = static_cast<char>(127 + k);
        std::size_t from = 0;
        // Occurrences left of a replaced one cannot appear later: a code byte
        // is never part of a fragment, so the search may go on from there.
        for (std::size_t p = s.find(f, from); p != std::string::npos; p = s.find(f, from)) {
            s.replace(p, f.size(), 1, code);
            from = p + 1;
        }
    }
    return s;
}

std::string DeCompressChemName(std::string_view Coded)
{
    std::string s;
    s.reserve(Coded.size() * 3);
    for (char ch : Coded) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 128) s += kFragments[c - 128];
        else s += ch;
    }
    return s;
}

} // namespace PYX_CData
