// pyxmol: a small command-line tool for chemists built on molkit.
//
//   pyxmol [--csv] [--sub QUERY.mol [--bonds]] [--count] [--progress | --no-progress] FILE
//       Lists every record of an SD file (or a single molfile): name,
//       molecular formula, average weight, monoisotopic mass, ring count,
//       total charge and the data items. --csv writes one row per record with
//       one column per data item name found in the file. --sub keeps only
//       the records that contain the structure of a molfile (atoms and
//       connectivity; with --bonds bond types must agree too). --count prints
//       only the number of records listed. Bad records are reported on
//       standard error and skipped; the listing goes on.
//   pyxmol --mass MASS [--tol TOL] [--elements SYMBOLS] [--max N]
//       Lists the formulas whose monoisotopic mass lies within TOL (default
//       0.003) of MASS, built from the given elements (default "C H N O"),
//       that satisfy H + halogens <= 2 C + N + 2, at most N of them (100).
//
// Texts are printed with the bytes found in the file. The monoisotopic mass
// takes the most abundant isotope of every element and ignores isotope
// labels; charges do not change weights.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "molkit/PYX_CData.h"
#include "molkit/PYX_cform.h"
#include "molkit/PYX_cstruct.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

using namespace PYX_cstruct;

namespace {

int Usage()
{
    std::fputs("usage: pyxmol [--csv] [--sub QUERY.mol [--bonds]] [--count] [--progress|--no-progress] FILE\n"
               "       pyxmol --mass MASS [--tol TOL] [--elements \"C H N O\"] [--max N]\n",
               stderr);
    return 2;
}

std::string Num(double v, int decimals)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

double ParseNumber(const std::string& s)
{
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v))
        throw std::invalid_argument("not a number: \"" + s + "\"");
    return v;
}

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Csv(const std::string& s)
{
    if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + '"';
}

std::string FormulaText(const PYX_cform::TMolFormModel& f)
{
    std::string s;
    for (int i = 1; i <= f.GetNumAtoms(); ++i) s += PYX_cform::TMolFormModel::ChemElem(f.GetAtNum(i), f.GetAtWgt(i), f.GetAtCnt(i), 0);
    return s;
}

// Progress on standard error: a bar of 40 marks, redrawn when it grows.
class Progress {
public:
    Progress(bool On, int64_t Total) : on_(On && Total > 0), total_(Total) {}
    void Show(int64_t Pos)
    {
        if (!on_) return;
        const int marks = static_cast<int>(40 * Pos / total_);
        if (marks == shown_) return;
        shown_ = marks;
        std::fprintf(stderr, "\r[%-40s] %3d%%", std::string(static_cast<std::size_t>(marks), '#').c_str(),
                     static_cast<int>(100 * Pos / total_));
    }
    void Done()
    {
        if (on_ && shown_ >= 0) std::fputs("\r\033[K", stderr);
    }

private:
    bool on_;
    int64_t total_;
    int shown_ = -1;
};

// Names of all data items of a file, in order of first appearance.
std::vector<std::string> ItemNames(const std::string& File)
{
    vcl::TFileStream S(File, vcl::fmOpenRead);
    TCTab t;
    TPropArray props;
    TSDDataItems items;
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (;;) {
        t.ReadFromMDLSDStream(S, props, &items);
        if (t.GetReadStatus() == rsEndOfFile) break;
        for (const TSDDataItem& d : items)
            if (seen.insert(d.Name).second) names.push_back(d.Name);
    }
    return names;
}

struct Options {
    bool csv = false, count = false, bonds = false;
    int progress = -1; // -1: when standard error is a terminal and the file is large
    std::string file, query;
};

int ListFile(const Options& o)
{
    TCTab query;
    if (!o.query.empty()) {
        vcl::TTextFile Q(o.query);
        Q.Reset();
        if (!query.ReadFromMDLMolFile(Q) && query.GetReadStatus() != rsDoubtful) {
            std::fprintf(stderr, "pyxmol: %s: %s\n", o.query.c_str(), query.GetReadError().c_str());
            return 2;
        }
    }
    const std::vector<std::string> columns = o.csv && !o.count ? ItemNames(o.file) : std::vector<std::string>{};
    vcl::TFileStream S(o.file, vcl::fmOpenRead);
    const int64_t size = S.GetSize();
    Progress bar(o.progress == 1 || (o.progress < 0 && ::isatty(2) && size > (4 << 20)), size);
    if (o.csv && !o.count) {
        std::string head = "record,name,formula,weight,monoisotopic,rings,charge";
        for (const std::string& c : columns) head += ',' + Csv(c);
        std::puts(head.c_str());
    }
    TCTab t;
    TPropArray props;
    TSDDataItems items;
    std::array<uint8_t, MaxAtoms> flags{};
    int64_t record = 0, listed = 0, bad = 0;
    for (;;) {
        const bool ok = t.ReadFromMDLSDStream(S, props, &items);
        bar.Show(S.GetPosition());
        const TReadStatus st = t.GetReadStatus();
        if (st == rsEndOfFile) break;
        ++record;
        if (!ok && st != rsDoubtful) {
            ++bad;
            bar.Done();
            std::fprintf(stderr, "pyxmol: record %lld: %s\n", static_cast<long long>(record), t.GetReadError().c_str());
            continue;
        }
        if (!ok)
            std::fprintf(stderr, "pyxmol: record %lld (%s): %s\n", static_cast<long long>(record),
                         t.GetStrucName().c_str(), t.GetReadError().c_str());
        if (!o.query.empty() && !t.SearchSubStruc(query, flags, o.bonds)) continue;
        ++listed;
        if (o.count) continue;
        PYX_cform::TFormulaRec rec;
        PYX_cform::TMolFormModel f;
        const bool haveFormula = t.CalcMolecularFormula(rec);
        if (haveFormula) f.SetFromFormulaRec(rec);
        int charge = 0;
        for (int a = 1; a <= t.GetNumAtoms(); ++a) charge += t.GetCharge(a);
        const std::string formula = haveFormula ? FormulaText(f) : "?";
        const std::string weight = haveFormula ? Num(static_cast<double>(f.ChemMolWgt()), 3) : "";
        const std::string mono = haveFormula ? Num(static_cast<double>(f.ExactMolWgt()), 6) : "";
        const int rings = t.RingsInMolecule();
        if (o.csv) {
            std::string row = std::to_string(record) + ',' + Csv(t.GetStrucName()) + ',' + formula + ',' + weight + ',' +
                              mono + ',' + std::to_string(rings) + ',' + std::to_string(charge);
            for (const std::string& c : columns) {
                row += ',';
                for (const TSDDataItem& d : items)
                    if (d.Name == c) {
                        row += Csv(d.Value);
                        break;
                    }
            }
            std::puts(row.c_str());
        } else {
            bar.Done();
            std::printf("%lld  %s\n  formula %s  weight %s  monoisotopic %s  rings %d  charge %d\n",
                        static_cast<long long>(record), t.GetStrucName().c_str(), formula.c_str(), weight.c_str(),
                        mono.c_str(), rings, charge);
            for (const TSDDataItem& d : items) {
                std::string v = d.Value;
                for (std::size_t p = 0; (p = v.find('\n', p)) != std::string::npos; p += 5) v.replace(p, 1, "\n    ");
                std::printf("  %s: %s\n", d.Name.c_str(), v.c_str());
            }
        }
    }
    bar.Done();
    if (o.count) std::printf("%lld\n", static_cast<long long>(listed));
    std::fprintf(stderr, "pyxmol: %lld records, %lld listed, %lld not readable\n", static_cast<long long>(record),
                 static_cast<long long>(listed), static_cast<long long>(bad));
    return 0;
}

int MassSearch(double mass, double tol, const std::string& elements, int maxHits)
{
    PYX_cform::TFormulaRec lo, hi;
    std::string sym;
    auto add = [&](const std::string& s) {
        if (s.empty()) return true;
        const int z = PYX_CData::AtomicNumber(s);
        if (z == 0 || hi.NumAtoms >= PYX_cform::MaxFormEntries || PYX_CData::ExactAtWeight(z) <= 0) return false;
        const auto i = static_cast<std::size_t>(hi.NumAtoms++);
        lo.NumAtoms = hi.NumAtoms;
        hi.AtNum[i] = lo.AtNum[i] = static_cast<uint8_t>(z);
        hi.AtWgt[i] = lo.AtWgt[i] = static_cast<uint16_t>(PYX_CData::IntAtWeight(z));
        lo.AtCnt[i] = 0;
        const double n = std::floor((mass + tol) / static_cast<double>(PYX_CData::ExactAtWeight(z)));
        hi.AtCnt[i] = static_cast<uint16_t>(std::clamp(n, 0.0, static_cast<double>(PYX_cform::MaxFormNumber)));
        return true;
    };
    for (char c : elements + " ") {
        if (c == ' ' || c == ',') {
            if (!add(sym)) {
                std::fprintf(stderr, "pyxmol: unknown element \"%s\"\n", sym.c_str());
                return 2;
            }
            sym.clear();
        } else {
            sym += c;
        }
    }
    PYX_cform::TMolFormModel f;
    if (!f.InitFindFormula(mass, tol, lo, hi)) {
        std::fputs("pyxmol: no elements to search with\n", stderr);
        return 2;
    }
    int hits = 0;
    while (hits < maxHits && f.FindFormulaExactMass(true)) {
        PYX_cform::TMolFormModel g;
        PYX_cform::TFormulaRec r = f.AsFormulaRec();
        // Leave out the elements with count 0.
        PYX_cform::TFormulaRec shown;
        for (int i = 0; i < r.NumAtoms; ++i)
            if (r.AtCnt[static_cast<std::size_t>(i)] > 0) {
                const auto k = static_cast<std::size_t>(shown.NumAtoms++);
                shown.AtNum[k] = r.AtNum[static_cast<std::size_t>(i)];
                shown.AtWgt[k] = r.AtWgt[static_cast<std::size_t>(i)];
                shown.AtCnt[k] = r.AtCnt[static_cast<std::size_t>(i)];
            }
        g.SetFromFormulaRec(shown);
        const double m = static_cast<double>(g.ExactMolWgt());
        const std::string diff = Num(m - mass, 6);
        std::printf("%-20s %s  %s%s\n", FormulaText(g).c_str(), Num(m, 6).c_str(), m - mass < 0 ? "" : "+", diff.c_str());
        ++hits;
    }
    if (hits == 0) std::puts("no formula found");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    double mass = -1, tol = 0.003;
    int maxHits = 100;
    std::string elements = "C H N O";
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto next = [&]() -> std::string {
                if (i + 1 >= argc) throw std::invalid_argument(a + " needs a value");
                return argv[++i];
            };
            if (a == "--csv") o.csv = true;
            else if (a == "--count") o.count = true;
            else if (a == "--bonds") o.bonds = true;
            else if (a == "--progress") o.progress = 1;
            else if (a == "--no-progress") o.progress = 0;
            else if (a == "--sub") o.query = next();
            else if (a == "--mass") mass = ParseNumber(next());
            else if (a == "--tol") tol = ParseNumber(next());
            else if (a == "--elements") elements = next();
            else if (a == "--max") maxHits = static_cast<int>(ParseNumber(next()));
            else if (!a.empty() && a[0] == '-') return Usage();
            else if (o.file.empty()) o.file = a;
            else return Usage();
        }
        if (mass >= 0) return MassSearch(mass, tol, elements, maxHits);
        if (o.file.empty()) return Usage();
        return ListFile(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pyxmol: %s\n", e.what());
        return 2;
    }
}
