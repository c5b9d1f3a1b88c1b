// The geographic database component: keeping the sorted indexes, the
// searches on them, the name and area searches and the texts of positions.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "mapkit/PYX_GeoDB.h"
#include "numkit/numkit.h"
#include "vcl/Cp1252.h"

namespace PYX_GeoDB {

namespace {

constexpr uint32_t TreeFanout = 16; // items per leaf, children per inner node

bool LessLL(const TIxLLRec& a, const TIxLLRec& b) noexcept { return a.Value < b.Value; }
bool LessID(const TIxItemIDRec& a, const TIxItemIDRec& b) noexcept { return a.ItemID < b.ItemID; }

float KeyOf(const TgdbData& D, int Which) noexcept
{
    switch (Which) {
    case 0: return D.LatLow;
    case 1: return D.LatHigh;
    case 2: return D.LongLow;
    default: return D.LongHigh;
    }
}

// Merges the unsorted tail (from Sorted on) into the sorted head; equal keys
// keep their order, the head's records first.
template <typename Arr, typename Less>
void MergeTail(Arr& A, size_t Sorted, Less less)
{
    if (Sorted >= A.size()) return;
    auto mid = A.begin() + static_cast<std::ptrdiff_t>(Sorted);
    if (!std::is_sorted(mid, A.end(), less)) std::stable_sort(mid, A.end(), less);
    if (Sorted > 0 && less(*mid, *(mid - 1))) std::inplace_merge(A.begin(), mid, A.end(), less);
}

// 1-based position of the first key not below Key; 1 on an empty array.
template <typename Arr, typename K, typename Get>
int32_t FirstNotBelow(const Arr& A, K Key, Get get)
{
    size_t lo = 0, hi = A.size();
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (get(A[mid]) < Key) lo = mid + 1;
        else hi = mid;
    }
    return static_cast<int32_t>(lo) + 1;
}

std::string TrimSpaces(std::string_view S)
{
    size_t a = 0, b = S.size();
    while (a < b && S[a] == ' ') ++a;
    while (b > a && S[b - 1] == ' ') --b;
    return std::string(S.substr(a, b - a));
}

std::string Upper(std::string S)
{
    for (char& c : S) c = static_cast<char>(vcl::AnsiUpper(static_cast<unsigned char>(c)));
    return S;
}

bool Meets(const std::array<float, 4>& B, float S, float N, float W, float E) noexcept
{
    return B[0] <= N && B[1] >= S && B[2] <= E && B[3] >= W;
}

} // namespace

// ---------------------------------------------------------------------------
// Index maintenance

void TGeoDB::EnsureSorted() const
{
    if (ixSorted_ >= ixID_.size()) return;
    MergeTail(ixID_, ixSorted_, LessID);
    for (auto& ix : ixLL_) MergeTail(ix, ixSorted_, LessLL);
    ixSorted_ = ixID_.size();
}

void TGeoDB::SortIxInto(TIxLLRecArray& Arr, const TIxLLRec& Rec)
{
    if (Arr.empty()) return;
    auto end = Arr.end() - 1;
    auto pos = std::upper_bound(Arr.begin(), end, Rec, LessLL);
    std::move_backward(pos, end, Arr.end());
    *pos = Rec;
}

void TGeoDB::SortIxItemIDInto(TIxItemIDRecArray& Arr, const TIxItemIDRec& Rec)
{
    if (Arr.empty()) return;
    auto end = Arr.end() - 1;
    auto pos = std::upper_bound(Arr.begin(), end, Rec, LessID);
    std::move_backward(pos, end, Arr.end());
    *pos = Rec;
}

void TGeoDB::InsertIntoIndex(int32_t Entry, const TgdbData& Data)
{
    SortIxItemIDInto(ixID_, {Data.ItemID, Entry - 1});
    for (int w = 0; w < 4; ++w) SortIxInto(ixLL_[static_cast<size_t>(w)], {KeyOf(Data, w), Entry - 1});
}

void TGeoDB::RemoveIndexEntries(int32_t Entry)
{
    EnsureSorted();
    const int32_t rec = Entry - 1;
    // The entry's records are found by their keys when the summary record
    // still holds them, otherwise by a scan.
    const TgdbData* d = Entry >= 1 && Entry <= GetNumEntries() ? &sum_[static_cast<size_t>(rec)] : nullptr;
    {
        auto it = ixID_.end();
        if (d) {
            auto lo = std::lower_bound(ixID_.begin(), ixID_.end(), TIxItemIDRec{d->ItemID, 0}, LessID);
            for (; lo != ixID_.end() && lo->ItemID == d->ItemID; ++lo)
                if (lo->RecIndex == rec) {
                    it = lo;
                    break;
                }
        }
        if (it == ixID_.end())
            it = std::find_if(ixID_.begin(), ixID_.end(), [&](const TIxItemIDRec& r) { return r.RecIndex == rec; });
        if (it != ixID_.end()) std::move(it + 1, ixID_.end(), it);
    }
    for (int w = 0; w < 4; ++w) {
        TIxLLRecArray& ix = ixLL_[static_cast<size_t>(w)];
        auto it = ix.end();
        if (d) {
            const float key = KeyOf(*d, w);
            auto lo = std::lower_bound(ix.begin(), ix.end(), TIxLLRec{key, 0}, LessLL);
            for (; lo != ix.end() && lo->Value == key; ++lo)
                if (lo->RecIndex == rec) {
                    it = lo;
                    break;
                }
        }
        if (it == ix.end())
            it = std::find_if(ix.begin(), ix.end(), [&](const TIxLLRec& r) { return r.RecIndex == rec; });
        if (it != ix.end()) std::move(it + 1, ix.end(), it);
    }
    InvalidateTree();
}

void TGeoDB::RecalcIndexes()
{
    if (!IsOpen()) return;
    RebuildIndexes();
    SaveAllIndexesUnlessLazy();
}

// ---------------------------------------------------------------------------
// Searches on the indexes

int32_t TGeoDB::GetClosestLatLowIx(double Value) const
{
    EnsureSorted();
    return FirstNotBelow(ixLL_[0], static_cast<float>(Value), [](const TIxLLRec& r) { return r.Value; });
}
int32_t TGeoDB::GetClosestLatHighIx(double Value) const
{
    EnsureSorted();
    return FirstNotBelow(ixLL_[1], static_cast<float>(Value), [](const TIxLLRec& r) { return r.Value; });
}
int32_t TGeoDB::GetClosestLongLowIx(double Value) const
{
    EnsureSorted();
    return FirstNotBelow(ixLL_[2], static_cast<float>(Value), [](const TIxLLRec& r) { return r.Value; });
}
int32_t TGeoDB::GetClosestLongHighIx(double Value) const
{
    EnsureSorted();
    return FirstNotBelow(ixLL_[3], static_cast<float>(Value), [](const TIxLLRec& r) { return r.Value; });
}
int32_t TGeoDB::GetClosestItemIDIx(int32_t ItemID) const
{
    EnsureSorted();
    return FirstNotBelow(ixID_, ItemID, [](const TIxItemIDRec& r) { return r.ItemID; });
}

int32_t TGeoDB::SearchForItemID(int32_t ItemID) const
{
    EnsureSorted();
    const int32_t p = FirstNotBelow(ixID_, ItemID, [](const TIxItemIDRec& r) { return r.ItemID; });
    if (p > static_cast<int32_t>(ixID_.size())) return 0;
    const TIxItemIDRec& r = ixID_[static_cast<size_t>(p - 1)];
    return r.ItemID == ItemID ? r.RecIndex + 1 : 0;
}

// ---------------------------------------------------------------------------
// Name search

int32_t TGeoDB::SearchData(const TgdbName& Name, TgdbItem Kind, int32_t StartEntry, uint8_t Mode) const
{
    const std::string want = Upper(TrimSpaces(Name));
    for (int32_t e = std::max(StartEntry, 1); e <= GetNumEntries(); ++e) {
        const TgdbData& d = sum_[static_cast<size_t>(e - 1)];
        if (Kind != gitUndefined && d.Kind != Kind) continue;
        const std::string name = Upper(TrimSpaces(d.Name));
        bool hit;
        switch (Mode) {
        case 1: hit = name.compare(0, want.size(), want) == 0; break;
        case 2: hit = name.find(want) != std::string::npos; break;
        default: hit = name == want; break;
        }
        if (hit) return e;
    }
    return 0;
}

int32_t TGeoDB::SearchData(const TgdbName& Name) const { return SearchData(Name, gitUndefined, 1, 0); }

// ---------------------------------------------------------------------------
// Area search

// A packed tree over the boxes: items are ordered in slices by latitude and
// within them by longitude, then cut into leaves of TreeFanout items; the
// same packing groups each level's nodes into the level above.
void TGeoDB::BuildTree() const
{
    const size_t n = sum_.size();
    struct TBoxed {
        std::array<float, 4> Box;
        uint32_t Id;
    };
    auto pack = [](std::vector<TBoxed>& v) {
        const size_t groups = (v.size() + TreeFanout - 1) / TreeFanout;
        const size_t slices = std::max<size_t>(1, static_cast<size_t>(std::ceil(std::sqrt(double(groups)))));
        const size_t perSlice = slices == 0 ? v.size() : ((groups + slices - 1) / slices) * TreeFanout;
        auto latC = [](const TBoxed& a) { return a.Box[0] + a.Box[1]; };
        auto longC = [](const TBoxed& a) { return a.Box[2] + a.Box[3]; };
        std::sort(v.begin(), v.end(), [&](const TBoxed& a, const TBoxed& b) { return latC(a) < latC(b); });
        for (size_t s = 0; s < v.size(); s += perSlice) {
            auto e = v.begin() + static_cast<std::ptrdiff_t>(std::min(v.size(), s + perSlice));
            std::sort(v.begin() + static_cast<std::ptrdiff_t>(s), e,
                      [&](const TBoxed& a, const TBoxed& b) { return longC(a) < longC(b); });
        }
    };
    auto group = [](const std::vector<TBoxed>& v, std::vector<TNode>& out) {
        for (size_t s = 0; s < v.size(); s += TreeFanout) {
            const size_t e = std::min(v.size(), s + TreeFanout);
            TNode nd{v[s].Box[0], v[s].Box[1], v[s].Box[2], v[s].Box[3], static_cast<uint32_t>(s),
                     static_cast<uint32_t>(e - s)};
            for (size_t k = s + 1; k < e; ++k) {
                nd.LatLow = std::min(nd.LatLow, v[k].Box[0]);
                nd.LatHigh = std::max(nd.LatHigh, v[k].Box[1]);
                nd.LongLow = std::min(nd.LongLow, v[k].Box[2]);
                nd.LongHigh = std::max(nd.LongHigh, v[k].Box[3]);
            }
            out.push_back(nd);
        }
    };

    tree_.clear();
    treeLevels_.clear();
    std::vector<TBoxed> items(n);
    for (size_t e = 0; e < n; ++e) {
        const TgdbData& d = sum_[e];
        items[e] = {{d.LatLow, d.LatHigh, d.LongLow, d.LongHigh}, static_cast<uint32_t>(e)};
    }
    pack(items);
    treeItems_.resize(n);
    treeBoxes_.resize(n);
    for (size_t k = 0; k < n; ++k) {
        treeItems_[k] = static_cast<int32_t>(items[k].Id);
        treeBoxes_[k] = items[k].Box;
    }
    treeLevels_.push_back(0);
    group(items, tree_);
    // Upper levels until one root remains; children of a level-L node are
    // nodes of level L-1, addressed absolutely.
    while (tree_.size() - treeLevels_.back() > 1) {
        const size_t from = treeLevels_.back(), to = tree_.size();
        std::vector<TBoxed> nodes(to - from);
        for (size_t k = from; k < to; ++k)
            nodes[k - from] = {{tree_[k].LatLow, tree_[k].LatHigh, tree_[k].LongLow, tree_[k].LongHigh},
                               static_cast<uint32_t>(k)};
        pack(nodes);
        // Reorder the level so that groups are consecutive.
        std::vector<TNode> level(to - from);
        for (size_t k = 0; k < nodes.size(); ++k) level[k] = tree_[nodes[k].Id];
        std::copy(level.begin(), level.end(), tree_.begin() + static_cast<std::ptrdiff_t>(from));
        std::vector<TNode> up;
        for (size_t k = 0; k < nodes.size(); ++k) nodes[k].Id = static_cast<uint32_t>(from + k);
        group(nodes, up);
        for (TNode& u : up) u.First += static_cast<uint32_t>(from);
        treeLevels_.push_back(to);
        tree_.insert(tree_.end(), up.begin(), up.end());
    }
    treeValid_ = true;
    staleWork_ = 0;
}

void TGeoDB::SearchArea(double LatLow, double LatHigh, double LongLow, double LongHigh, std::vector<int32_t>& Entries,
                        TgdbItem Kind) const
{
    Entries.clear();
    if (sum_.empty() || std::isnan(LatLow) || std::isnan(LatHigh) || std::isnan(LongLow) || std::isnan(LongHigh))
        return;
    const float s = static_cast<float>(LatLow), nn = static_cast<float>(LatHigh);
    const float w = static_cast<float>(LongLow), e = static_cast<float>(LongHigh);
    if (s > nn || w > e) return;
    auto take = [&](int32_t rec) {
        if (Kind == gitUndefined || sum_[static_cast<size_t>(rec)].Kind == Kind) Entries.push_back(rec + 1);
    };
    const int64_t n = static_cast<int64_t>(sum_.size());
    if (!treeValid_ && staleWork_ >= 2 * n) BuildTree();
    if (!treeValid_) {
        // The tree is out of date: scan the shorter of the two latitude
        // ranges of the indexes, until the work done pays for a new tree.
        EnsureSorted();
        const TIxLLRecArray& lo = ixLL_[0];
        const TIxLLRecArray& hi = ixLL_[1];
        auto endLo = std::upper_bound(lo.begin(), lo.end(), TIxLLRec{nn, 0}, LessLL); // LatLow <= north
        auto begHi = std::lower_bound(hi.begin(), hi.end(), TIxLLRec{s, 0}, LessLL);  // LatHigh >= south
        auto scan = [&](auto b, auto en) {
            for (auto it = b; it != en; ++it) {
                const TgdbData& d = sum_[static_cast<size_t>(it->RecIndex)];
                if (Meets({d.LatLow, d.LatHigh, d.LongLow, d.LongHigh}, s, nn, w, e)) take(it->RecIndex);
            }
            staleWork_ += en - b + 1;
        };
        if (endLo - lo.begin() <= hi.end() - begHi) scan(lo.begin(), endLo);
        else scan(begHi, hi.end());
        std::sort(Entries.begin(), Entries.end());
        return;
    }
    const size_t leaves = treeLevels_.size() > 1 ? treeLevels_[1] : tree_.size();
    size_t stack[64 * TreeFanout];
    size_t top = 0;
    stack[top++] = tree_.size() - 1;
    while (top > 0) {
        const TNode& nd = tree_[stack[--top]];
        const size_t idx = static_cast<size_t>(&nd - tree_.data());
        if (!(nd.LatLow <= nn && nd.LatHigh >= s && nd.LongLow <= e && nd.LongHigh >= w)) continue;
        if (idx < leaves) {
            for (uint32_t k = nd.First; k < nd.First + nd.Count; ++k)
                if (Meets(treeBoxes_[k], s, nn, w, e)) take(treeItems_[k]);
        } else {
            for (uint32_t k = nd.First + nd.Count; k-- > nd.First;) stack[top++] = k;
        }
    }
    std::sort(Entries.begin(), Entries.end());
}

// ---------------------------------------------------------------------------
// Texts of positions

std::string GeoLatitude(double Lat, PYX_pyxbase::TDegreeFormat Format, int32_t Decimals)
{
    if (std::isnan(Lat)) Lat = 0;
    Lat = std::clamp(Lat, -90.0, 90.0);
    return numkit::DegreeToStr(std::fabs(Lat), Format, Decimals) + (Lat >= 0 ? " N" : " S");
}

std::string GeoLongitude(double Long, PYX_pyxbase::TDegreeFormat Format, int32_t Decimals)
{
    if (std::isnan(Long)) Long = 0;
    Long = std::clamp(Long, -180.0, 180.0);
    return numkit::DegreeToStr(std::fabs(Long), Format, Decimals) + (Long >= 0 ? " E" : " W");
}

} // namespace PYX_GeoDB
