// pyxgeo: a command-line tool for geographic databases.
//
//   pyxgeo create DB [DESCRIPTION]
//   pyxgeo import DB FILE             FILE: .csv or .geojson/.json
//   pyxgeo info DB
//   pyxgeo get DB ITEMID
//   pyxgeo find DB NAME [exact|prefix|contains]
//   pyxgeo area DB SOUTH NORTH WEST EAST [KIND]
//   pyxgeo export DB FILE             FILE: .csv or .geojson/.json
//
// CSV files have a header row naming their columns: "name" and either "lat"
// and "lon" (a town) or "points" ("lat lon;lat lon;...", a polygon); optional
// "kind" (Border, Town, City, Lake, River, Road, Route) and "closed" (0/1).
// Other columns are ignored. Fields do not contain commas or quotes.
// GeoJSON features: Point (a town), LineString (a route, or the kind given by
// the property "kind"), Polygon and MultiPolygon (outer rings; a border or the
// given kind, closed); the name is the property "name". Text is UTF-8 in the
// files and stored in the database's single-byte encoding.
// Query results are printed as CSV lines: id,kind,name,lat_low,lat_high,
// long_low,long_high.
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "mapkit/PYX_GeoDB.h"
#include "vcl/Cp1252.h"

using namespace PYX_GeoDB;
using json = nlohmann::json;

namespace {

struct TUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}
bool IsJson(const std::string& path) { return EndsWith(path, ".geojson") || EndsWith(path, ".json"); }

double Number(const std::string& text, const std::string& what)
{
    double v = 0;
    const char* b = text.data();
    while (b < text.data() + text.size() && *b == ' ') ++b;
    if (b < text.data() + text.size() && *b == '+') ++b;
    auto r = std::from_chars(b, text.data() + text.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v)) throw std::runtime_error("invalid number for " + what + ": \"" + text + "\"");
    return v;
}

TgdbItem KindFromName(const std::string& name, TgdbItem dflt)
{
    if (name.empty()) return dflt;
    for (size_t k = 0; k < GDB_ITEMNAMES.size(); ++k)
        if (vcl::AsciiUpperCase(name) == vcl::AsciiUpperCase(std::string(GDB_ITEMNAMES[k]))) {
            if (k == gitBLOB || k == gitUndefined) break;
            return TgdbItem(k);
        }
    throw std::runtime_error("unknown kind \"" + name + "\"");
}

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    std::istringstream in(s);
    while (std::getline(in, cur, sep)) out.push_back(cur);
    if (!s.empty() && s.back() == sep) out.emplace_back();
    return out;
}

// One item to import.
struct TItem {
    std::string Name; // database encoding
    TgdbItem Kind = gitTown;
    bool Closed = false;
    TgdbPolygon Points;
};

void Store(TGeoDB& db, const TItem& it)
{
    if (it.Kind == gitTown) {
        if (it.Points.size() != 1) throw std::runtime_error("a town needs one location");
        db.AddTown(it.Name, vcl::Now(), 0, it.Points[0], 0, 0, 0);
    } else {
        db.AddData(it.Name, it.Points, it.Closed, it.Kind, 0, vcl::Now(), 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, nullptr, 0,
                   false);
    }
}

std::vector<TItem> ReadCsv(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read \"" + path + "\"");
    std::string line;
    if (!std::getline(in, line)) throw std::runtime_error("\"" + path + "\" is empty");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> head = Split(line, ',');
    auto col = [&](const char* n) {
        for (size_t k = 0; k < head.size(); ++k)
            if (head[k] == n) return int(k);
        return -1;
    };
    const int cName = col("name"), cLat = col("lat"), cLon = col("lon"), cPts = col("points"), cKind = col("kind"),
              cClosed = col("closed");
    if (cName < 0 || (cPts < 0 && (cLat < 0 || cLon < 0)))
        throw std::runtime_error("\"" + path + "\": the header needs name and lat,lon or points");
    std::vector<TItem> items;
    int lineNo = 1;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::vector<std::string> f = Split(line, ',');
        auto get = [&](int c) { return c >= 0 && size_t(c) < f.size() ? f[size_t(c)] : std::string(); };
        try {
            TItem it;
            it.Name = vcl::Utf8ToCp1252(get(cName));
            std::string pts = get(cPts);
            if (!pts.empty()) {
                it.Kind = KindFromName(get(cKind), gitRoute);
                for (const std::string& p : Split(pts, ';')) {
                    auto ll = Split(p, ' ');
                    if (ll.size() != 2) throw std::runtime_error("a point needs \"lat lon\"");
                    it.Points.push_back({float(Number(ll[0], "lat")), float(Number(ll[1], "lon"))});
                }
                it.Closed = get(cClosed) == "1" || it.Kind == gitLake;
            } else {
                it.Kind = KindFromName(get(cKind), gitTown);
                it.Points.push_back({float(Number(get(cLat), "lat")), float(Number(get(cLon), "lon"))});
                if (it.Kind != gitTown) it.Closed = get(cClosed) == "1";
            }
            items.push_back(std::move(it));
        } catch (const std::exception& e) {
            throw std::runtime_error(path + ":" + std::to_string(lineNo) + ": " + e.what());
        }
    }
    return items;
}

TgdbPolygon Ring(const json& coords)
{
    TgdbPolygon p;
    for (const json& c : coords) {
        if (!c.is_array() || c.size() < 2 || !c[0].is_number() || !c[1].is_number())
            throw std::runtime_error("a position needs [longitude, latitude]");
        p.push_back({c[1].get<float>(), c[0].get<float>()});
    }
    return p;
}

std::vector<TItem> ReadGeoJson(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read \"" + path + "\"");
    json doc;
    try {
        doc = json::parse(in);
    } catch (const json::exception& e) {
        throw std::runtime_error("\"" + path + "\": " + e.what());
    }
    std::vector<TItem> items;
    const json* features = nullptr;
    if (doc.is_object() && doc.value("type", "") == "FeatureCollection" && doc.contains("features") &&
        doc["features"].is_array())
        features = &doc["features"];
    if (!features) throw std::runtime_error("\"" + path + "\" is not a GeoJSON FeatureCollection");
    size_t k = 0;
    for (const json& f : *features) {
        ++k;
        try {
            if (!f.is_object() || !f.contains("geometry") || !f["geometry"].is_object()) continue;
            const json& g = f["geometry"];
            const json props = f.contains("properties") && f["properties"].is_object() ? f["properties"] : json::object();
            std::string name = props.contains("name") && props["name"].is_string() ? props["name"].get<std::string>() : "";
            std::string kind = props.contains("kind") && props["kind"].is_string() ? props["kind"].get<std::string>() : "";
            const std::string type = g.value("type", "");
            if (!g.contains("coordinates")) throw std::runtime_error("no coordinates");
            const json& c = g["coordinates"];
            TItem it;
            it.Name = vcl::Utf8ToCp1252(name);
            if (type == "Point") {
                it.Kind = gitTown;
                it.Points = Ring(json::array({c}));
                items.push_back(it);
            } else if (type == "LineString") {
                it.Kind = KindFromName(kind, gitRoute);
                it.Points = Ring(c);
                items.push_back(it);
            } else if (type == "Polygon" || type == "MultiPolygon") {
                it.Kind = KindFromName(kind, gitBorder);
                it.Closed = true;
                std::vector<const json*> polys;
                if (type == "Polygon") polys.push_back(&c);
                else
                    for (const json& p : c) polys.push_back(&p);
                for (const json* p : polys) {
                    if (!p->is_array() || p->empty()) throw std::runtime_error("a polygon needs a ring");
                    it.Points = Ring((*p)[0]);
                    // The closing point of a GeoJSON ring repeats the first.
                    if (it.Points.size() > 1 && it.Points.front() == it.Points.back()) it.Points.pop_back();
                    items.push_back(it);
                }
            } else {
                throw std::runtime_error("unsupported geometry \"" + type + "\"");
            }
        } catch (const std::exception& e) {
            throw std::runtime_error(path + ": feature " + std::to_string(k) + ": " + e.what());
        }
    }
    return items;
}

std::string Num(float v)
{
    char b[32];
    auto r = std::to_chars(b, b + sizeof b, v);
    return std::string(b, r.ptr);
}

// The shortest decimal of a single, as a double, so that JSON shows 48.2
// rather than the double nearest to the single.
double Shortest(float v)
{
    const std::string t = Num(v);
    double d = 0;
    std::from_chars(t.data(), t.data() + t.size(), d);
    return d;
}

std::string Line(const TgdbData& d)
{
    return std::to_string(d.ItemID) + "," + std::string(GDB_ITEMNAMES[std::min<size_t>(d.Kind, gitUndefined)]) + "," +
           vcl::Cp1252ToUtf8(d.Name) + "," + Num(d.LatLow) + "," + Num(d.LatHigh) + "," + Num(d.LongLow) + "," +
           Num(d.LongHigh);
}

void OpenExisting(TGeoDB& db, const std::string& name)
{
    std::ifstream probe(name + ".pyxgds");
    if (!probe) throw std::runtime_error("no database \"" + name + "\" (create it first)");
    db.SetDBName(name);
}

int Run(const std::vector<std::string>& a)
{
    if (a.size() < 2) throw TUsageError("missing command or database");
    const std::string& cmd = a[0];
    const std::string& dbName = a[1];
    TGeoDB db(nullptr);
    db.SetName("pyxgeo");

    if (cmd == "create") {
        db.SetDBName(dbName);
        if (a.size() > 2) db.SetDescription(vcl::Utf8ToCp1252(a[2]));
        db.Close();
        return 0;
    }
    OpenExisting(db, dbName);
    if (cmd == "info") {
        std::string text;
        db.ReadSystemInformation(text);
        std::cout << vcl::Cp1252ToUtf8(text);
    } else if (cmd == "import") {
        if (a.size() < 3) throw TUsageError("import needs a file");
        std::vector<TItem> items = IsJson(a[2]) ? ReadGeoJson(a[2]) : ReadCsv(a[2]);
        db.SetLazyWrite(true);
        int shown = -1;
        const bool tty = ::isatty(2);
        for (size_t k = 0; k < items.size(); ++k) {
            Store(db, items[k]);
            int pct = int((k + 1) * 100 / items.size());
            if (items.size() >= 1000 && pct != shown && (tty || pct % 10 == 0)) {
                std::cerr << (tty ? "\rimporting: " : "importing: ") << pct << "%" << (tty ? "" : "\n") << std::flush;
                shown = pct;
            }
        }
        if (shown >= 0 && tty) std::cerr << "\n";
        db.Close(); // saves the indexes
        std::cout << "imported " << items.size() << " items\n";
    } else if (cmd == "get") {
        if (a.size() < 3) throw TUsageError("get needs an item ID");
        const int32_t e = db.SearchForItemID(int32_t(Number(a[2], "item ID")));
        if (e == 0) {
            std::cerr << "pyxgeo: no item " << a[2] << "\n";
            return 1;
        }
        std::cout << Line(db.GetSumdata(e)) << "\n";
        TgdbPolygon p;
        if (db.RetrievePolygon(e, p))
            for (const TSCoords& c : p) std::cout << "  " << Num(c.Lat) << " " << Num(c.Long) << "\n";
    } else if (cmd == "find") {
        if (a.size() < 3) throw TUsageError("find needs a name");
        uint8_t mode = 0;
        if (a.size() > 3) mode = a[3] == "prefix" ? 1 : a[3] == "contains" ? 2 : a[3] == "exact" ? 0 : 255;
        if (mode == 255) throw TUsageError("mode must be exact, prefix or contains");
        const std::string name = vcl::Utf8ToCp1252(a[2]);
        int found = 0;
        for (int32_t e = db.SearchData(name, gitUndefined, 1, mode); e > 0; e = db.SearchData(name, gitUndefined, e + 1, mode)) {
            std::cout << Line(db.GetSumdata(e)) << "\n";
            ++found;
        }
        return found ? 0 : 1;
    } else if (cmd == "area") {
        if (a.size() < 6) throw TUsageError("area needs SOUTH NORTH WEST EAST");
        TgdbItem kind = a.size() > 6 ? KindFromName(a[6], gitUndefined) : gitUndefined;
        std::vector<int32_t> found;
        db.SearchArea(Number(a[2], "south"), Number(a[3], "north"), Number(a[4], "west"), Number(a[5], "east"), found,
                      kind);
        for (int32_t e : found) std::cout << Line(db.GetSumdata(e)) << "\n";
    } else if (cmd == "export") {
        if (a.size() < 3) throw TUsageError("export needs a file");
        std::ofstream out(a[2], std::ios::binary | std::ios::trunc);
        if (!out) throw std::runtime_error("cannot write \"" + a[2] + "\"");
        if (IsJson(a[2])) {
            json fc = {{"type", "FeatureCollection"}, {"features", json::array()}};
            for (int32_t e = 1; e <= db.GetNumEntries(); ++e) {
                TgdbData d = db.GetSumdata(e);
                json props = {{"name", vcl::Cp1252ToUtf8(d.Name)}, {"kind", std::string(GDB_ITEMNAMES[std::min<size_t>(d.Kind, 8)])},
                              {"id", d.ItemID}};
                json geom;
                TgdbPolygon p;
                if (d.Kind == gitTown) {
                    geom = {{"type", "Point"}, {"coordinates", {Shortest(d.LongLow), Shortest(d.LatLow)}}};
                } else if (db.RetrievePolygon(e, p)) {
                    json ring = json::array();
                    for (const TSCoords& c : p) ring.push_back({Shortest(c.Long), Shortest(c.Lat)});
                    if (d.Closed && !p.empty()) {
                        ring.push_back({Shortest(p[0].Long), Shortest(p[0].Lat)});
                        geom = {{"type", "Polygon"}, {"coordinates", json::array({ring})}};
                    } else {
                        geom = {{"type", "LineString"}, {"coordinates", ring}};
                    }
                } else {
                    continue; // BLOBs and undefined items have no geometry
                }
                fc["features"].push_back({{"type", "Feature"}, {"properties", props}, {"geometry", geom}});
            }
            out << fc.dump(1) << "\n";
        } else {
            out << "name,kind,lat,lon,points,closed\n";
            for (int32_t e = 1; e <= db.GetNumEntries(); ++e) {
                TgdbData d = db.GetSumdata(e);
                TgdbPolygon p;
                std::string name = vcl::Cp1252ToUtf8(d.Name);
                for (char& c : name)
                    if (c == ',') c = ' ';
                if (d.Kind == gitTown) {
                    out << name << ",Town," << Num(d.LatLow) << "," << Num(d.LongLow) << ",,0\n";
                } else if (db.RetrievePolygon(e, p)) {
                    std::string pts;
                    for (const TSCoords& c : p) pts += (pts.empty() ? "" : ";") + Num(c.Lat) + " " + Num(c.Long);
                    out << name << "," << GDB_ITEMNAMES[d.Kind] << ",,," << pts << "," << (d.Closed ? 1 : 0) << "\n";
                }
            }
        }
        if (!out.flush()) throw std::runtime_error("cannot write \"" + a[2] + "\"");
    } else {
        throw TUsageError("unknown command \"" + cmd + "\"");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return Run(args);
    } catch (const TUsageError& e) {
        std::cerr << "pyxgeo: " << e.what() << "\n"
                  << "usage: pyxgeo create DB [DESCRIPTION] | import DB FILE | info DB | get DB ITEMID |\n"
                  << "       find DB NAME [exact|prefix|contains] | area DB SOUTH NORTH WEST EAST [KIND] |\n"
                  << "       export DB FILE\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "pyxgeo: " << e.what() << "\n";
        return 1;
    }
}
