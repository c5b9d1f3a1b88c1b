// The associative array and the combinatorial helpers.
#include <algorithm>
#include <cmath>
#include <new>

#include "corekit/PYX_dstruct.h"
#include "corekit/PYX_streams.h"
#include "corekit/PYX_univconst.h"

namespace PYX_dstruct {

// ---------------------------------------------------------------------------
// TAssocArray

TAssocArray::TAssocArray(vcl::TComponent* AOwner) : vcl::TComponent(AOwner)
{
    keys_.reserve(static_cast<std::size_t>(granularity_));
    values_.reserve(1024);
}

std::string TAssocArray::Norm(const std::string& Key) const
{
    return ignoreCase_ ? vcl::AnsiLowerCase(Key) : Key;
}

int32_t TAssocArray::Find(const std::string& NormKey) const
{
    auto it = index_.find(NormKey);
    return it == index_.end() ? -1 : it->second;
}

// Rebuilds the index from the list; of equal keys the first one is found.
void TAssocArray::Rebuild()
{
    index_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i) index_.emplace(keys_[i], static_cast<int32_t>(i));
}

void TAssocArray::SetIgnoreCase(bool v)
{
    if (v == ignoreCase_) return;
    ignoreCase_ = v;
    if (v)
        for (auto& k : keys_) k = vcl::AnsiLowerCase(k);
    Rebuild();
}

void TAssocArray::Add(const std::string& Key, const vcl::Variant& Value)
{
    std::string k = Norm(Key);
    int32_t i = Find(k);
    if (i >= 0) {
        values_[static_cast<std::size_t>(i)] = Value;
        return;
    }
    if (keys_.size() == keys_.capacity()) {
        // Grow by Granularity entries, or by half when that is more, so that
        // a small granularity does not make bulk adds quadratic.
        const std::size_t want = keys_.size() + std::max<std::size_t>(static_cast<std::size_t>(granularity_), keys_.size() / 2);
        keys_.reserve(want);
        values_.reserve(want);
    }
    index_.emplace(k, static_cast<int32_t>(keys_.size()));
    keys_.push_back(std::move(k));
    values_.push_back(Value);
}

vcl::Variant TAssocArray::Resolve(const std::string& Key) const
{
    int32_t i = Find(Norm(Key));
    return i >= 0 ? values_[static_cast<std::size_t>(i)] : vcl::Variant::Null();
}

std::string TAssocArray::ResolveAsString(const std::string& Key) const
{
    int32_t i = Find(Norm(Key));
    return i >= 0 ? values_[static_cast<std::size_t>(i)].AsString() : std::string();
}

double TAssocArray::ResolveAsNumber(const std::string& Key) const
{
    int32_t i = Find(Norm(Key));
    if (i < 0) return 0;
    const vcl::Variant& v = values_[static_cast<std::size_t>(i)];
    if (v.IsNumeric()) return v.AsDouble();
    if (v.VarType() == vcl::varString) {
        int32_t pos = 1;
        return static_cast<double>(PYX_streams::ScanFPNum(v.RawString(), true, 3, pos));
    }
    return 0;
}

bool TAssocArray::Remove(const std::string& Key)
{
    int32_t i = Find(Norm(Key));
    if (i < 0) return false;
    const std::size_t idx = static_cast<std::size_t>(i), last = keys_.size() - 1;
    index_.erase(keys_[idx]);
    if (idx != last) {
        keys_[idx] = std::move(keys_[last]);
        values_[idx] = std::move(values_[last]);
        auto it = index_.find(keys_[idx]);
        if (it != index_.end() && it->second == static_cast<int32_t>(last)) it->second = i;
    }
    keys_.pop_back();
    values_.pop_back();
    return true;
}

void TAssocArray::Clear()
{
    keys_.clear();
    values_.clear();
    index_.clear();
    keys_.shrink_to_fit();
    values_.shrink_to_fit();
    keys_.reserve(static_cast<std::size_t>(granularity_));
    values_.reserve(static_cast<std::size_t>(granularity_));
}

std::string TAssocArray::GetKeys(int32_t i) const
{
    return (i >= 1 && i <= Count()) ? keys_[static_cast<std::size_t>(i - 1)] : std::string();
}

// The new key is stored as Add would store it (lowered when ignoring case), so
// the entry stays reachable; a key that another entry has already is refused.
void TAssocArray::SetKeys(int32_t i, const std::string& Key)
{
    if (i < 1 || i > Count()) return;
    std::string k = Norm(Key);
    const int32_t idx = i - 1;
    int32_t other = Find(k);
    if (other >= 0 && other != idx) return;
    std::string& slot = keys_[static_cast<std::size_t>(idx)];
    if (slot == k) return;
    auto it = index_.find(slot);
    if (it != index_.end() && it->second == idx) index_.erase(it);
    slot = std::move(k);
    index_.emplace(slot, idx);
}

vcl::Variant TAssocArray::GetValues(int32_t i) const
{
    return (i >= 1 && i <= Count()) ? values_[static_cast<std::size_t>(i - 1)] : vcl::Variant(std::string());
}

void TAssocArray::SetValues(int32_t i, const vcl::Variant& Value)
{
    if (i >= 1 && i <= Count()) values_[static_cast<std::size_t>(i - 1)] = Value;
}

// ---------------------------------------------------------------------------
// Combinations and permutations

bool NextCombination(std::span<uint8_t> Comb, int32_t N) noexcept
{
    if (Comb.empty() || N < 1 || N > 255) return false;
    const int32_t k = Comb[0];
    if (k < 1 || k > N || Comb.size() < static_cast<std::size_t>(k) + 1) return false;
    for (int32_t i = 1; i <= k; ++i) {
        if (Comb[i] < 1 || Comb[i] > N) return false;
        if (i > 1 && Comb[i] <= Comb[i - 1]) return false;
    }
    int32_t i = k;
    while (i >= 1 && Comb[i] == N - k + i) --i;
    if (i < 1) return false;
    ++Comb[i];
    for (int32_t j = i + 1; j <= k; ++j) Comb[j] = static_cast<uint8_t>(Comb[j - 1] + 1);
    return true;
}

namespace {

// One step at level a over elements 1..a (see NextPermutation).
bool PermStep(std::span<uint8_t> e, int32_t n, int32_t a) noexcept
{
    if (a <= 1) return false;
    const uint8_t v = static_cast<uint8_t>(n - a + 1);
    int32_t q = 1;
    while (q <= a && e[q] != v) ++q;
    if (q > a) return false;
    if (q != a) {
        std::swap(e[q], e[q + 1]);
        return true;
    }
    if (!PermStep(e, n, a - 1)) return false;
    for (int32_t j = a; j >= 2; --j) e[j] = e[j - 1];
    e[1] = v;
    return true;
}

} // namespace

// Level by level: at level a (from n down), the value v = n - a + 1 moves one
// place to the right among elements 1..a; when it stands last, the level below
// steps and v goes back to the front. From 1 2 3 the order is 2 1 3, 2 3 1,
// 1 3 2, 3 1 2, 3 2 1.
bool NextPermutation(std::span<uint8_t> Perm) noexcept
{
    if (Perm.empty()) return false;
    const int32_t n = Perm[0];
    if (n < 1 || Perm.size() < static_cast<std::size_t>(n) + 1) return false;
    bool seen[256] = {};
    for (int32_t i = 1; i <= n; ++i) {
        const uint8_t v = Perm[i];
        if (v < 1 || v > n || seen[v]) return false;
        seen[v] = true;
    }
    return PermStep(Perm, n, n);
}

int32_t IndexOfNearestArrayValue(double X, std::span<const double> Values) noexcept
{
    double best = static_cast<double>(PYX_univconst::uc_MaxDouble);
    int32_t idx = -1;
    for (std::size_t i = 0; i < Values.size(); ++i) {
        const double d = std::fabs(X - Values[i]);
        if (d < best) {
            best = d;
            idx = static_cast<int32_t>(i);
        }
    }
    return idx;
}

int32_t IndexOfNearestArrayValue(double X, std::span<const int32_t> Values) noexcept
{
    double best = static_cast<double>(PYX_univconst::uc_MaxDouble);
    int32_t idx = -1;
    for (std::size_t i = 0; i < Values.size(); ++i) {
        const double d = std::fabs(X - static_cast<double>(Values[i]));
        if (d < best) {
            best = d;
            idx = static_cast<int32_t>(i);
        }
    }
    return idx;
}

} // namespace PYX_dstruct
