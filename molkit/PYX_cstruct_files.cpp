// Connection tables from and to structure files: MDL molfiles, bare MDL
// connection tables, SD records with their data items, and the two plain-text
// formats of the library ("/CONTAB" with listed neighbours, "/CTABG" with
// eight fixed neighbour slots).
//
// Every reader first collects the record in a scratch table and only then
// decides what happens to the real one: a complete (or merely doubtful) read
// replaces it, counts the table cannot take leave it unchanged, and a record
// that breaks off or holds an unreadable line leaves it cleared, so an old
// structure never survives under the name of a new record. Readers never
// throw on bad input; errors of the text file are caught and reported through
// GetReadStatus and GetReadError.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "corekit/PYX_streams.h"
#include "molkit/PYX_CData.h"
#include "molkit/PYX_cstruct.h"
#include "vcl/Cp1252.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

namespace PYX_cstruct {

const std::array<const char*, MaxProps> SDPropNames = {
    "MELTP", "BOILP", "DENSI", "REFRX", "LGKOC", "ACCOF", "WAALA", "WAALB", "WSOLU", "DHF0",
    "DFF0",  "LOGKF", "ENTR0", "LOGHY", "DIPOL", "HEATV", "MOLVL", "RETIX", "CRITT", "POLAR"};

namespace {

// --- Small text helpers ------------------------------------------------------------------

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) noexcept
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Characters From..To (1-based, inclusive) of a line, clipped to its length.
std::string_view Col(std::string_view line, std::size_t from, std::size_t to) noexcept
{
    if (from > line.size()) return {};
    return line.substr(from - 1, std::min(to, line.size()) - (from - 1));
}

// A whole integer field; an empty field gives 0 when EmptyOK.
bool ParseInt(std::string_view s, int& v, bool EmptyOK) noexcept
{
    s = Trim(s);
    if (s.empty()) {
        v = 0;
        return EmptyOK;
    }
    if (s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// A whole finite real field.
bool ParseReal(std::string_view s, double& v) noexcept
{
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' || s.front() == '.'))
        return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

// Splits at blanks and tabs into at most N fields; returns the number found.
template <std::size_t N>
std::size_t Fields(std::string_view s, std::array<std::string_view, N>& out) noexcept
{
    std::size_t n = 0, i = 0;
    while (n < N) {
        while (i < s.size() && IsBlank(s[i])) ++i;
        if (i >= s.size()) break;
        const std::size_t start = i;
        while (i < s.size() && !IsBlank(s[i])) ++i;
        out[n++] = s.substr(start, i - start);
    }
    return n;
}

bool StartsWith(std::string_view s, std::string_view p) noexcept { return s.substr(0, p.size()) == p; }

bool IsRecordEnd(std::string_view line) noexcept { return Trim(line) == "$$$$"; }

// --- Line sources ------------------------------------------------------------------------------

// Lines of a text file. Next is false at the end of the file.
struct FileLines {
    vcl::TTextFile& F;
    bool Next(std::string& line)
    {
        if (F.Eof()) return false;
        F.ReadLn(line);
        return true;
    }
    // Reads the next line only if it starts with "M  ".
    bool NextPropertyLine(std::string& line)
    {
        auto buf = F.PeekBuffer();
        if (buf.empty()) return false;
        if (buf[0] != 'M') return false;
        if (buf.size() >= 3 && (buf[1] != ' ' || buf[2] != ' ')) return false;
        return Next(line);
    }
};

// Lines of a byte stream, ended by LF (a CR before it is dropped).
struct StreamLines {
    vcl::TStream& S;
    bool Next(std::string& line)
    {
        bool eos = false;
        line = PYX_streams::ReadLnStream(S, eos, 0);
        return !eos || !line.empty();
    }
    bool NextPropertyLine(std::string& line)
    {
        const int64_t pos = S.GetPosition();
        if (!Next(line)) return false;
        if (StartsWith(line, "M  ")) return true;
        S.SetPosition(pos);
        return false;
    }
};

// --- The scratch record of an MDL read ---------------------------------------------------

struct MDLRecord {
    std::array<CTElem, MaxAtoms> Atoms{};
    std::array<double, MaxAtoms * 3> XYZ{};
    int NumAtoms = 0;
    int NumBonds = 0;
    TReadStatus Status = rsOK;
    std::string Error;
    bool ChargeLineSeen = false;

    void Doubt(std::string Why)
    {
        if (Status == rsOK) {
            Status = rsDoubtful;
            Error = std::move(Why);
        }
    }
    bool Fail(TReadStatus S, std::string Why)
    {
        Status = S;
        Error = std::move(Why);
        return false;
    }
    bool Usable() const noexcept { return Status == rsOK || Status == rsDoubtful; }

    int Bonds(int a) const noexcept
    {
        const CTElem& r = Atoms[static_cast<std::size_t>(a - 1)];
        int n = 0;
        while (n < MaxConn && r.Conn[static_cast<std::size_t>(n)] != 0) ++n;
        return n;
    }
    // Enters a bond at both atoms; an existing bond takes the new type.
    bool Bond(int a, int b, int t) noexcept
    {
        CTElem& ra = Atoms[static_cast<std::size_t>(a - 1)];
        CTElem& rb = Atoms[static_cast<std::size_t>(b - 1)];
        for (int k = 0; k < MaxConn; ++k)
            if (ra.Conn[static_cast<std::size_t>(k)] == b) {
                ra.TypConn[static_cast<std::size_t>(k)] = static_cast<uint8_t>(t);
                for (int j = 0; j < MaxConn; ++j)
                    if (rb.Conn[static_cast<std::size_t>(j)] == a) rb.TypConn[static_cast<std::size_t>(j)] = static_cast<uint8_t>(t);
                return true;
            }
        const int na = Bonds(a), nb = Bonds(b);
        if (na >= MaxConn || nb >= MaxConn) return false;
        ra.Conn[static_cast<std::size_t>(na)] = static_cast<uint8_t>(b);
        ra.TypConn[static_cast<std::size_t>(na)] = static_cast<uint8_t>(t);
        rb.Conn[static_cast<std::size_t>(nb)] = static_cast<uint8_t>(a);
        rb.TypConn[static_cast<std::size_t>(nb)] = static_cast<uint8_t>(t);
        return true;
    }
};

// Counts line: atoms in columns 1..3, bonds in 4..6 (whitespace-separated
// values as a fallback for lines written with other widths).
bool ParseCounts(std::string_view line, MDLRecord& R)
{
    int a = 0, b = 0;
    bool ok = ParseInt(Col(line, 1, 3), a, false) && ParseInt(Col(line, 4, 6), b, true);
    if (!ok) {
        std::array<std::string_view, 2> f;
        ok = Fields(line, f) == 2 && ParseInt(f[0], a, false) && ParseInt(f[1], b, false);
    }
    if (line.find("V3000") != std::string_view::npos)
        return R.Fail(rsV3000, "the record is in the extended (V3000) format, which is not read");
    if (!ok || a < 0 || b < 0) return R.Fail(rsBadCounts, "the counts line is not readable");
    if (a < 1) return R.Fail(rsBadCounts, "the record announces no atoms");
    if (a > MaxAtoms)
        return R.Fail(rsTooManyAtoms, "the record has " + std::to_string(a) + " atoms; a table holds at most " +
                                          std::to_string(MaxAtoms));
    R.NumAtoms = a;
    R.NumBonds = b;
    return true;
}

struct AtomFields {
    double x = 0, y = 0, z = 0;
    std::string_view Symbol;
    int MassDiff = 0, ChargeCode = 0;
};

// Atom line: x, y, z in columns 1..10, 11..20, 21..30, the symbol in
// 32..34, mass difference in 35..36, charge code in 37..39. Lines that do not
// fit the columns are read as whitespace-separated values.
bool ParseAtomLine(std::string_view line, AtomFields& A)
{
    if (ParseReal(Col(line, 1, 10), A.x) && ParseReal(Col(line, 11, 20), A.y) && ParseReal(Col(line, 21, 30), A.z) &&
        !Trim(Col(line, 32, 34)).empty() && (line.size() < 31 || IsBlank(line[30])) &&
        ParseInt(Col(line, 35, 36), A.MassDiff, true) && ParseInt(Col(line, 37, 39), A.ChargeCode, true)) {
        A.Symbol = Trim(Col(line, 32, 34));
        return true;
    }
    std::array<std::string_view, 6> f;
    const std::size_t n = Fields(line, f);
    if (n < 4 || f[3].size() > 3 || !ParseReal(f[0], A.x) || !ParseReal(f[1], A.y) || !ParseReal(f[2], A.z))
        return false;
    A.Symbol = f[3];
    A.MassDiff = A.ChargeCode = 0;
    return (n < 5 || ParseInt(f[4], A.MassDiff, false)) && (n < 6 || ParseInt(f[5], A.ChargeCode, false));
}

// Bond line: first atom in columns 1..3, second in 4..6, type in 7..9.
bool ParseBondLine(std::string_view line, int& a, int& b, int& t)
{
    if (ParseInt(Col(line, 1, 3), a, false) && ParseInt(Col(line, 4, 6), b, false) &&
        ParseInt(Col(line, 7, 9), t, false))
        return true;
    std::array<std::string_view, 3> f;
    return Fields(line, f) == 3 && ParseInt(f[0], a, false) && ParseInt(f[1], b, false) && ParseInt(f[2], t, false);
}

// Element symbol as chemists write it in any case; D and T are hydrogen
// isotopes. Query symbols (A, Q, L, R#, *) give atomic number 0.
void SymbolToElement(std::string_view sym, int& z, int& mass)
{
    std::string s(sym);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char>(i == 0 ? vcl::AsciiUpper(static_cast<unsigned char>(s[i]))
                                         : vcl::AsciiLower(static_cast<unsigned char>(s[i])));
    if (s == "D" || s == "T") {
        z = 1;
        mass = s == "D" ? 2 : 3;
        return;
    }
    z = PYX_CData::AtomicNumber(s);
    mass = z > 0 ? PYX_CData::IntAtWeight(z) : 0;
}

void AddAtom(MDLRecord& R, int i, const AtomFields& A)
{
    CTElem& r = R.Atoms[static_cast<std::size_t>(i - 1)];
    ClearCTElem(r);
    int z = 0, mass = 0;
    SymbolToElement(A.Symbol, z, mass);
    r.AtNum = static_cast<uint8_t>(z);
    const int m = mass + A.MassDiff;
    if (A.MassDiff != 0 && (z == 0 || m < 1 || A.MassDiff < -99 || A.MassDiff > 99))
        R.Doubt("atom " + std::to_string(i) + " has an impossible mass difference");
    else
        mass = m;
    r.AtWeight = static_cast<uint16_t>(std::clamp(mass, 0, 0xFFFF));
    if (A.ChargeCode >= 1 && A.ChargeCode <= 7)
        r.Charge = static_cast<int8_t>(4 - A.ChargeCode);
    else if (A.ChargeCode != 0)
        R.Doubt("atom " + std::to_string(i) + " has the unknown charge code " + std::to_string(A.ChargeCode));
    R.XYZ[static_cast<std::size_t>(3 * (i - 1))] = A.x;
    R.XYZ[static_cast<std::size_t>(3 * (i - 1) + 1)] = A.y;
    R.XYZ[static_cast<std::size_t>(3 * (i - 1) + 2)] = A.z;
}

void AddBond(MDLRecord& R, int a, int b, int t)
{
    if (a < 1 || b < 1 || a > R.NumAtoms || b > R.NumAtoms || a == b) {
        R.Doubt("the bond " + std::to_string(a) + "-" + std::to_string(b) + " names atoms that do not exist");
        return;
    }
    if (t < 1) {
        R.Doubt("the bond " + std::to_string(a) + "-" + std::to_string(b) + " has no valid type");
        return;
    }
    if (t > 4) {
        // Query bonds are kept as single bonds.
        R.Doubt("the record holds a query bond");
        t = 1;
    }
    if (!R.Bond(a, b, t)) R.Doubt("an atom has more than " + std::to_string(MaxConn) + " bonds");
}

// "M  CHG" and "M  ISO" lines; other property lines are skipped.
void ApplyPropertyLine(MDLRecord& R, std::string_view line)
{
    const bool chg = StartsWith(line, "M  CHG"), iso = StartsWith(line, "M  ISO");
    if (!chg && !iso) return;
    std::array<std::string_view, 17> f;
    const std::size_t n = Fields(line.substr(6), f);
    int count = 0;
    if (n < 1 || !ParseInt(f[0], count, false) || count < 0 || count > 8 || n < 1 + 2 * static_cast<std::size_t>(count)) {
        R.Doubt("a property line is not readable");
        return;
    }
    if (chg && !R.ChargeLineSeen) {
        // Charge lines replace every charge of the atom block.
        R.ChargeLineSeen = true;
        for (int i = 0; i < R.NumAtoms; ++i) R.Atoms[static_cast<std::size_t>(i)].Charge = 0;
    }
    for (int k = 0; k < count; ++k) {
        int a = 0, v = 0;
        if (!ParseInt(f[static_cast<std::size_t>(1 + 2 * k)], a, false) ||
            !ParseInt(f[static_cast<std::size_t>(2 + 2 * k)], v, false) || a < 1 || a > R.NumAtoms ||
            (chg && (v < -15 || v > 15)) ||
            (iso && (v < 1 || v > 999 || R.Atoms[static_cast<std::size_t>(a - 1)].AtNum == 0))) {
            R.Doubt("a property line holds an invalid entry");
            continue;
        }
        CTElem& r = R.Atoms[static_cast<std::size_t>(a - 1)];
        if (chg)
            r.Charge = static_cast<int8_t>(v);
        else
            r.AtWeight = static_cast<uint16_t>(v);
    }
}

// Atom and bond block after a valid counts line. Stops at the end of the
// input and, in an SD file, at a "$$$$" line (EndSeen).
template <class Lines>
bool ReadBlocks(Lines& L, MDLRecord& R, bool& EndSeen)
{
    std::string line;
    for (int i = 1; i <= R.NumAtoms; ++i) {
        if (!L.Next(line)) return R.Fail(rsTruncated, "the input ends inside the atom block");
        if (IsRecordEnd(line)) {
            EndSeen = true;
            return R.Fail(rsTruncated, "the record ends inside the atom block");
        }
        AtomFields A;
        if (!ParseAtomLine(line, A)) return R.Fail(rsMalformed, "atom line " + std::to_string(i) + " is not readable");
        AddAtom(R, i, A);
    }
    for (int i = 1; i <= R.NumBonds; ++i) {
        if (!L.Next(line)) return R.Fail(rsTruncated, "the input ends inside the bond block");
        if (IsRecordEnd(line)) {
            EndSeen = true;
            return R.Fail(rsTruncated, "the record ends inside the bond block");
        }
        int a = 0, b = 0, t = 0;
        if (!ParseBondLine(line, a, b, t))
            return R.Fail(rsMalformed, "bond line " + std::to_string(i) + " is not readable");
        AddBond(R, a, b, t);
    }
    return true;
}

// A data item header: a line starting with ">". Gives the name of its first
// "<...>" field, else a "DTn" field number, else the empty name.
bool DataHeaderName(std::string_view line, std::string_view& name)
{
    if (line.empty() || line.front() != '>') return false;
    const std::size_t lt = line.find('<');
    if (lt != std::string_view::npos) {
        const std::size_t gt = line.find('>', lt + 1);
        if (gt != std::string_view::npos) {
            name = line.substr(lt + 1, gt - lt - 1);
            return true;
        }
    }
    std::array<std::string_view, 4> f;
    const std::size_t n = Fields(line.substr(1), f);
    name = {};
    for (std::size_t i = 0; i < n; ++i)
        if (StartsWith(f[i], "DT")) name = f[i];
    return true;
}

bool LooksLikeHeader(std::string_view line) noexcept
{
    if (line.empty() || line.front() != '>') return false;
    const std::size_t lt = line.find('<');
    return lt != std::string_view::npos && line.find('>', lt) != std::string_view::npos;
}

} // namespace

// --- The table side ------------------------------------------------------------------------------

struct TCTabFileIO {
    // Moves a usable scratch record into the table: bonds are already on both
    // sides; coordinates become whole drawing units.
    static void Commit(TCTab& T, const MDLRecord& R, const std::string& Name)
    {
        T.Clear();
        T.numAtoms_ = R.NumAtoms;
        // Control bytes other than the tab are dropped from the name, as the
        // stream readers drop them from every line.
        T.name_.clear();
        for (char c : Name)
            if (static_cast<unsigned char>(c) >= 32 || c == '\t') T.name_ += c;
        double lo[3] = {1e10, 1e10, 1e10}, hi[3] = {-1e10, -1e10, -1e10};
        for (int i = 0; i < R.NumAtoms; ++i) {
            T.atoms_[static_cast<std::size_t>(i)] = R.Atoms[static_cast<std::size_t>(i)];
            T.atoms_[static_cast<std::size_t>(i)].Display = DisplayNoColor;
            for (int m = 0; m < 3; ++m) {
                const double v = R.XYZ[static_cast<std::size_t>(3 * i + m)];
                lo[m] = std::min(lo[m], v);
                hi[m] = std::max(hi[m], v);
            }
        }
        const double sx = hi[0] - lo[0] > 1e-6 ? 800.0 / (hi[0] - lo[0]) : 0.0;
        const double sy = hi[1] - lo[1] > 1e-6 ? 600.0 / (hi[1] - lo[1]) : 0.0;
        double scale = std::max(sx, sy);
        for (int i = 0; i < R.NumAtoms; ++i)
            for (int m = 0; m < 3; ++m) {
                const double d = R.XYZ[static_cast<std::size_t>(3 * i + m)] - lo[m];
                if (d * scale > 32767.0) scale = 32767.0 / d;
            }
        for (int i = 0; i < R.NumAtoms; ++i)
            for (int m = 0; m < 3; ++m) {
                const double d = R.XYZ[static_cast<std::size_t>(3 * i + m)] - lo[m];
                T.atoms_[static_cast<std::size_t>(i)].Coords[static_cast<std::size_t>(m)] =
                    static_cast<float>(vcl::SatRound(d * scale));
            }
    }

    static bool Finish(TCTab& T, TReadStatus S, std::string Error)
    {
        T.readStatus_ = S;
        T.readError_ = std::move(Error);
        return S == rsOK;
    }

    // The outcome of a read that left a scratch record: replace, keep or clear.
    static bool Settle(TCTab& T, const MDLRecord& R, const std::string& Name)
    {
        if (R.Usable())
            Commit(T, R, Name);
        else if (R.Status == rsTruncated || R.Status == rsMalformed)
            T.Clear();
        return Finish(T, R.Status, R.Error);
    }

    template <class Lines>
    static bool ReadCTab(Lines& L, MDLRecord& R, bool AnyLineRead)
    {
        std::string line;
        if (!L.Next(line)) {
            if (AnyLineRead) R.Fail(rsTruncated, "the input ends before the counts line");
            else R.Fail(rsEndOfFile, "the end of the input was reached");
            return false;
        }
        if (!ParseCounts(line, R)) return false;
        bool endSeen = false;
        if (!ReadBlocks(L, R, endSeen)) return false;
        while (L.NextPropertyLine(line)) {
            if (StartsWith(line, "M  END")) break;
            ApplyPropertyLine(R, line);
        }
        return true;
    }

    template <class Lines>
    static bool MolFile(TCTab& T, Lines& L, bool Header)
    {
        MDLRecord R;
        std::string name;
        try {
            bool any = false;
            if (Header) {
                std::string skip;
                if (!L.Next(name)) {
                    R.Fail(rsEndOfFile, "the end of the input was reached");
                } else if (!L.Next(skip) || !L.Next(skip)) {
                    R.Fail(rsTruncated, "the input ends inside the header");
                }
                any = true;
            }
            if (R.Status == rsOK) ReadCTab(L, R, any);
        } catch (const vcl::Exception& e) {
            R.Fail(rsMalformed, e.what());
        }
        return Settle(T, R, name);
    }

    template <class Lines>
    static bool SDRecord(TCTab& T, Lines& L, TPropArray& Props, TSDDataItems* Items)
    {
        for (TPropRec& p : Props) {
            p.Name.clear();
            p.Value = 0.0;
        }
        if (Items) Items->clear();
        MDLRecord R;
        std::string name, line, cas;
        bool endSeen = false, casSeen = false;
        try {
            // Header and counts; a "$$$$" here ends a broken record early.
            bool anyText = false;
            int got = 0;
            while (got < 4) {
                if (!L.Next(line)) break;
                if (IsRecordEnd(line)) {
                    endSeen = true;
                    break;
                }
                if (!Trim(line).empty()) anyText = true;
                if (got == 0) name = line;
                ++got;
            }
            if (got < 4) {
                if (!anyText && !endSeen) R.Fail(rsEndOfFile, "the end of the input was reached");
                else R.Fail(rsTruncated, "the record ends before its counts line");
            } else if (ParseCounts(line, R)) {
                ReadBlocks(L, R, endSeen);
            }
            // The rest of the record: property lines up to "M  END", then
            // data items, up to the "$$$$" line.
            bool inProps = true;
            bool have = false;
            while (!endSeen) {
                if (!have && !L.Next(line)) break;
                have = false;
                if (IsRecordEnd(line)) break;
                if (inProps && StartsWith(line, "M  ")) {
                    if (StartsWith(line, "M  END")) inProps = false;
                    else if (R.Usable()) ApplyPropertyLine(R, line);
                    continue;
                }
                std::string_view hname;
                if (!DataHeaderName(line, hname)) continue;
                inProps = false;
                const std::string itemName(hname);
                // The value lines, up to a blank line.
                std::string value;
                bool first = true;
                std::string firstLine;
                while (L.Next(line)) {
                    if (IsRecordEnd(line)) {
                        endSeen = true;
                        break;
                    }
                    if (Trim(line).empty()) break;
                    if (LooksLikeHeader(line)) {
                        have = true; // the next header follows without a blank line
                        break;
                    }
                    if (first) firstLine = line;
                    else value += '\n';
                    value += line;
                    first = false;
                }
                if (Items) Items->push_back({itemName, value});
                if (itemName == "CAS_RN" || itemName == "CASREGNR") {
                    cas = firstLine;
                    casSeen = true;
                    continue;
                }
                for (const char* known : SDPropNames) {
                    if (itemName != known) continue;
                    std::array<std::string_view, 1> f;
                    double v = 0;
                    if (Fields(firstLine, f) == 1 && ParseReal(f[0], v)) {
                        for (TPropRec& p : Props)
                            if (p.Name.empty()) {
                                p.Name = itemName;
                                p.Value = v;
                                break;
                            }
                    }
                    break;
                }
            }
        } catch (const vcl::Exception& e) {
            R.Fail(rsMalformed, e.what());
        }
        const bool ok = Settle(T, R, name);
        if (R.Usable() && casSeen) T.SetCASNr(cas);
        T.Changed();
        return ok;
    }

    // --- The plain-text formats ----------------------------------------------------------------

    // Reads up to a "/" followed by the keyword; false at the end of the file.
    static bool FindBlock(vcl::TTextFile& F, std::string_view Keyword)
    {
        for (;;) {
            int c = F.ReadByte();
            while (c >= 0 && c != '/') c = F.ReadByte();
            if (c < 0) return false;
            std::string word;
            while (word.size() < 8) {
                c = F.PeekByte();
                if (c < 0) break;
                F.ReadByte();
                word += static_cast<char>(c);
                if (c == ' ' || c == '\t' || c == '\r' || c == '\n') break;
            }
            if (word.find(Keyword) != std::string::npos) return true;
        }
    }

    // After a body: bonds that are listed at one atom only are dropped, bond
    // types that differ between the two ends take the type at the lower atom.
    static bool MakeConsistent(TCTab& T)
    {
        bool ok = true;
        for (int i = 1; i <= T.numAtoms_; ++i)
            for (int k = MaxConn; k >= 1; --k) {
                const int j = T.GetConnTo(i, k);
                if (j == 0) continue;
                if (j > T.numAtoms_ || T.CheckConnect(j, i) == 0) {
                    T.RemoveSlotsOf(i, j);
                    ok = false;
                } else if (j > i && T.CheckConnect(j, i) != T.GetTypConn(i, k)) {
                    const int t = T.GetTypConn(i, k);
                    for (int m = 0; m < MaxConn; ++m)
                        if (T.Rec(j).Conn[static_cast<std::size_t>(m)] == i)
                            T.Rec(j).TypConn[static_cast<std::size_t>(m)] = static_cast<uint8_t>(t);
                    ok = false;
                }
            }
        return ok;
    }

    static int ReadRanged(vcl::TTextFile& F, int lo, int hi, const char* what)
    {
        const int v = F.ReadInteger();
        if (v < lo || v > hi) throw vcl::EInOutError(std::string("invalid ") + what + " " + std::to_string(v));
        return v;
    }

    // Name lines: one character skipped, the rest appended to the name.
    static void ReadNameLines(TCTab& T, vcl::TTextFile& F, int64_t n)
    {
        for (int64_t i = 0; i < n && !F.Eof(); ++i) {
            const std::string s = F.ReadLn();
            if (s.size() > 1) T.name_ += s.substr(1);
        }
    }

    // Body of either format; Fixed selects the eight-slot layout.
    static bool Body(TCTab& T, vcl::TTextFile& F, bool Fixed)
    {
        bool cleared = false;
        TReadStatus status = rsOK;
        std::string error;
        try {
            if (F.SeekEof()) return Finish(T, rsEndOfFile, "the end of the input was reached");
            const int lines = F.ReadInteger();
            const int count = F.ReadInteger();
            F.ReadLn();
            if (lines <= 0) return Finish(T, rsBadCounts, "the line count is not positive");
            if (count < 0) return Finish(T, rsBadCounts, "the atom count is negative");
            T.Clear();
            cleared = true;
            ReadNameLines(T, F, static_cast<int64_t>(lines) - (Fixed ? 1 : 2) * static_cast<int64_t>(count));
            const int limit = std::min(count, MaxAtoms);
            for (int i = 1; i <= count; ++i) {
                CTElem r;
                ClearCTElem(r);
                if (!Fixed) (void)F.ReadInteger(); // the atom's number
                const int z = ReadRanged(F, 0, 255, "atomic number");
                r.AtWeight = static_cast<uint16_t>(ReadRanged(F, 0, 0xFFFF, "mass number"));
                r.Attrib = static_cast<uint8_t>(ReadRanged(F, 0, 255, "attribute"));
                r.Charge = static_cast<int8_t>(ReadRanged(F, -128, 127, "charge"));
                r.AtNum = static_cast<uint8_t>(z);
                for (int m = 0; m < (Fixed ? 2 : 3); ++m) {
                    const double v = F.ReadReal();
                    if (!std::isfinite(v) || std::fabs(v) > 3.0e38) throw vcl::EInOutError("invalid coordinate");
                    r.Coords[static_cast<std::size_t>(m)] = static_cast<float>(v);
                }
                const int n = Fixed ? 8 : ReadRanged(F, 0, MaxConn, "number of neighbours");
                std::array<int, MaxConn> nb{}, ty{};
                for (int k = 0; k < n; ++k) nb[static_cast<std::size_t>(k)] = F.ReadInteger();
                for (int k = 0; k < n; ++k) ty[static_cast<std::size_t>(k)] = F.ReadInteger();
                int slot = 0;
                for (int k = 0; k < n; ++k) {
                    const int b = nb[static_cast<std::size_t>(k)], t = ty[static_cast<std::size_t>(k)];
                    if (Fixed && b == 0) continue;
                    if (b < 1 || b > limit || b == i || t < 1 || t > 255) {
                        if (status == rsOK) {
                            status = rsDoubtful;
                            error = "atom " + std::to_string(i) + " lists an invalid neighbour";
                        }
                        continue;
                    }
                    r.Conn[static_cast<std::size_t>(slot)] = static_cast<uint8_t>(b);
                    r.TypConn[static_cast<std::size_t>(slot)] = static_cast<uint8_t>(t);
                    ++slot;
                }
                if (!T.AddAtom(r) && status == rsOK) {
                    status = rsDoubtful;
                    error = T.numAtoms_ >= MaxAtoms ? "the body has more than " + std::to_string(MaxAtoms) + " atoms"
                                                    : "atom " + std::to_string(i) + " has an unknown atomic number";
                }
            }
            if (!MakeConsistent(T) && status == rsOK) {
                status = rsDoubtful;
                error = "some bonds were listed at one atom only";
            }
        } catch (const vcl::Exception& e) {
            if (cleared) T.Clear();
            T.Changed();
            return Finish(T, cleared ? rsMalformed : rsBadCounts, e.what());
        }
        T.Changed();
        return Finish(T, status, error);
    }

    static bool ClearText(TCTab& T, vcl::TTextFile& F, bool Fixed)
    {
        bool found = false;
        try {
            found = FindBlock(F, Fixed ? "CTABG" : "CONTAB");
        } catch (const vcl::Exception& e) {
            return Finish(T, rsMalformed, e.what());
        }
        if (!found) {
            T.Changed();
            return Finish(T, rsEndOfFile, Fixed ? "no \"/CTABG\" block was found" : "no \"/CONTAB\" block was found");
        }
        return Body(T, F, Fixed);
    }

    // --- Writers ------------------------------------------------------------------------------------

    static std::string Fixed(double v, int width, int decimals)
    {
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
        std::string s(buf, r.ptr);
        if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width - static_cast<int>(s.size())), ' ');
        return s;
    }

    static std::string Int(int64_t v, int width)
    {
        std::string s = std::to_string(v);
        if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width - static_cast<int>(s.size())), ' ');
        return s;
    }

    static std::string OneLine(std::string s)
    {
        for (char& c : s)
            if (c == '\r' || c == '\n') c = ' ';
        return s;
    }

    template <class Out>
    static void CTabLines(const TCTab& T, Out&& out)
    {
        const int n = T.numAtoms_;
        int bonds = 0;
        for (int i = 1; i <= n; ++i)
            for (int k = 0; k < MaxConn; ++k) {
                const int j = T.Rec(i).Conn[static_cast<std::size_t>(k)];
                if (j > i && j <= n) ++bonds;
            }
        out(Int(n, 3) + Int(bonds, 3) + "  0  0  0  0  0  0  0  0999 V2000");
        std::vector<std::pair<int, int>> chg, iso;
        for (int i = 1; i <= n; ++i) {
            const CTElem& r = T.Rec(i);
            std::string sym = r.AtNum > 0 ? PYX_CData::CElemSymb(r.AtNum) : "A";
            int diff = 0;
            if (r.AtNum > 0 && r.AtWeight != PYX_CData::IntAtWeight(r.AtNum)) {
                iso.emplace_back(i, r.AtWeight);
                const int d = r.AtWeight - PYX_CData::IntAtWeight(r.AtNum);
                if (d >= -3 && d <= 4) diff = d;
            }
            int code = 0;
            if (r.Charge != 0) {
                chg.emplace_back(i, r.Charge);
                if (r.Charge >= -3 && r.Charge <= 3) code = 4 - r.Charge;
            }
            std::string line;
            for (int m = 0; m < 3; ++m)
                line += Fixed(std::clamp(static_cast<double>(r.Coords[static_cast<std::size_t>(m)]), -99999.0, 99999.0),
                              10, 4);
            sym.resize(3, ' ');
            line += ' ' + sym + Int(diff, 2) + Int(code, 3) + "  0  0  0  0  0  0  0  0  0  0";
            out(line);
        }
        for (int i = 1; i <= n; ++i)
            for (int k = 0; k < MaxConn; ++k) {
                const int j = T.Rec(i).Conn[static_cast<std::size_t>(k)];
                if (j > i && j <= n) out(Int(i, 3) + Int(j, 3) + Int(T.Rec(i).TypConn[static_cast<std::size_t>(k)], 3) + "  0");
            }
        for (const auto* list : {&chg, &iso})
            for (std::size_t p = 0; p < list->size(); p += 8) {
                const std::size_t m = std::min<std::size_t>(8, list->size() - p);
                std::string line = (list == &chg ? "M  CHG" : "M  ISO") + Int(static_cast<int64_t>(m), 3);
                for (std::size_t q = p; q < p + m; ++q) line += ' ' + Int((*list)[q].first, 3) + ' ' + Int((*list)[q].second, 3);
                out(line);
            }
        out("M  END");
    }

    template <class Out>
    static void MolLines(const TCTab& T, const std::string& Program, const std::string& Comment, int RegNo,
                         const std::string& Name, Out&& out)
    {
        out(OneLine(Name.empty() ? T.name_ : Name));
        std::string l2 = OneLine(Program.substr(0, 10));
        l2.resize(20, ' ');
        l2 += "2D";
        if (RegNo > 0 && RegNo <= 999999) {
            l2.resize(46, ' ');
            l2 += Int(RegNo, 6);
        }
        out(l2);
        out(OneLine(Comment));
        CTabLines(T, out);
    }

    static auto ToFile(vcl::TTextFile& F)
    {
        return [&F](const std::string& s) { F.WriteLn(s); };
    }
    static auto ToStream(vcl::TStream& S)
    {
        return [&S](const std::string& s) { PYX_streams::WriteLnStream(S, s); };
    }

    static std::string Real(double v)
    {
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
        return std::string(buf, r.ptr);
    }

    static void ClearTextOut(const TCTab& T, vcl::TTextFile& F)
    {
        const int n = T.numAtoms_;
        const std::string name = OneLine(T.name_);
        F.WriteLn("/CONTAB ");
        // The name line is written also for an empty name, so that even an
        // empty table has the positive line count the reader demands.
        F.WriteLn(std::to_string(2 * n + 1) + " " + std::to_string(n));
        F.WriteLn(" " + name);
        for (int i = 1; i <= n; ++i) {
            const CTElem& r = T.Rec(i);
            std::string l = std::to_string(i) + ' ' + std::to_string(r.AtNum) + ' ' + std::to_string(r.AtWeight) + ' ' +
                            std::to_string(r.Attrib) + ' ' + std::to_string(r.Charge);
            for (float c : r.Coords) l += ' ' + Real(c);
            F.WriteLn(l);
            const int nb = T.GetNBonds(i);
            std::string b = std::to_string(nb);
            for (int k = 0; k < nb; ++k) b += ' ' + std::to_string(r.Conn[static_cast<std::size_t>(k)]);
            for (int k = 0; k < nb; ++k) b += ' ' + std::to_string(r.TypConn[static_cast<std::size_t>(k)]);
            F.WriteLn(b);
        }
    }

    static void MolConnXOut(const TCTab& T, int N, vcl::TTextFile& F)
    {
        const int n = T.numAtoms_;
        F.WriteLn(std::to_string(N) + ' ' + std::to_string(n) + ' ' + OneLine(T.name_));
        for (int i = 1; i <= n; ++i) {
            const CTElem& r = T.Rec(i);
            const int nb = T.GetNBonds(i);
            std::string l = Int(i, 3) + ' ' + (r.AtNum > 0 ? PYX_CData::CElemSymb(r.AtNum) : std::string("?"));
            l += ' ' + std::to_string(T.NrHAtoms(i)) + ' ' + std::to_string(nb);
            for (int k = 0; k < nb; ++k) l += ' ' + std::to_string(r.Conn[static_cast<std::size_t>(k)]);
            F.WriteLn(l);
        }
    }
};

// --- Public operations ------------------------------------------------------------------------------

bool TCTab::ReadFromMDLMolFile(vcl::TTextFile& F)
{
    FileLines L{F};
    return TCTabFileIO::MolFile(*this, L, true);
}

bool TCTab::ReadFromMDLMolStream(vcl::TStream& S)
{
    StreamLines L{S};
    return TCTabFileIO::MolFile(*this, L, true);
}

bool TCTab::ReadFromMDLCTabFile(vcl::TTextFile& F)
{
    FileLines L{F};
    return TCTabFileIO::MolFile(*this, L, false);
}

bool TCTab::ReadFromMDLCTabStream(vcl::TStream& S)
{
    StreamLines L{S};
    return TCTabFileIO::MolFile(*this, L, false);
}

bool TCTab::ReadFromMDLSDFile(vcl::TTextFile& F, TPropArray& Props, TSDDataItems* Items)
{
    FileLines L{F};
    return TCTabFileIO::SDRecord(*this, L, Props, Items);
}

bool TCTab::ReadFromMDLSDStream(vcl::TStream& S, TPropArray& Props, TSDDataItems* Items)
{
    StreamLines L{S};
    return TCTabFileIO::SDRecord(*this, L, Props, Items);
}

bool TCTab::ReadFromClearTextFile(vcl::TTextFile& F) { return TCTabFileIO::ClearText(*this, F, false); }
bool TCTab::ReadFromClearTextFileCTABG(vcl::TTextFile& F) { return TCTabFileIO::ClearText(*this, F, true); }
bool TCTab::ReadConnTabBody(vcl::TTextFile& F) { return TCTabFileIO::Body(*this, F, false); }

void TCTab::WriteToMDLMolFile(vcl::TTextFile& F, const std::string& Program, const std::string& Comment, int RegNo,
                              const std::string& Name)
{
    TCTabFileIO::MolLines(*this, Program, Comment, RegNo, Name, TCTabFileIO::ToFile(F));
}

void TCTab::WriteToMDLMolStream(vcl::TStream& S, const std::string& Program, const std::string& Comment, int RegNo,
                                const std::string& Name)
{
    TCTabFileIO::MolLines(*this, Program, Comment, RegNo, Name, TCTabFileIO::ToStream(S));
}

void TCTab::WriteToMDLCTabFile(vcl::TTextFile& F) { TCTabFileIO::CTabLines(*this, TCTabFileIO::ToFile(F)); }
void TCTab::WriteToMDLCTabStream(vcl::TStream& S) { TCTabFileIO::CTabLines(*this, TCTabFileIO::ToStream(S)); }
void TCTab::WriteToClearTextFile(vcl::TTextFile& F) { TCTabFileIO::ClearTextOut(*this, F); }
void TCTab::WriteToMolConnXFile(int N, vcl::TTextFile& F) { TCTabFileIO::MolConnXOut(*this, N, F); }

} // namespace PYX_cstruct
