// TStringArray: cells, rows, sorting, searching and the text pool.
//
// Cell texts live in pages of 32768 bytes as a length byte followed by the
// text. A cell refers to its text by a handle: page number (from 1) in the
// high 16 bits, byte offset plus 1 in the low 16 bits, 0 for an empty cell.
// Every cell owns its own slot (rows are copied by text, never by handle), so
// overwriting one cell in place never changes another.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>

#include "corekit/PYX_dstruct.h"

namespace PYX_dstruct {

namespace {

constexpr uint32_t kMaxPages = 0xFFFF;

[[noreturn]] void PoolFull()
{
    throw EPYXDStructError("Class TStringArray: text storage full (out of memory)");
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool OnlyBlanks(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char ch) { return ch == ' '; });
}

std::string AsciiLower(std::string_view s)
{
    std::string r(s);
    for (char& ch : r)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
    return r;
}

// A decimal number with optional sign, point and exponent; the whole text.
bool ParseDecimal(std::string_view s, vcl::Extended& value)
{
    std::size_t i = 0, n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t ed = 0;
        while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++ed;
        if (ed == 0) return false;
    }
    if (i != n) return false;
    std::string_view body = s;
    bool neg = false;
    if (body.front() == '+' || body.front() == '-') {
        neg = body.front() == '-';
        body.remove_prefix(1);
    }
    vcl::Extended v = 0;
    auto res = std::from_chars(body.data(), body.data() + body.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large gives infinity, too small zero, keeping the sign.
        bool big = false;
        std::size_t e = body.find_first_of("eE");
        if (e != std::string_view::npos) big = body[e + 1] != '-';
        v = big ? std::numeric_limits<vcl::Extended>::infinity() : 0;
    } else if (res.ec != std::errc()) {
        return false;
    }
    value = neg ? -v : v;
    return true;
}

} // namespace

TStringArray::TStringArray(vcl::TComponent* AOwner) : vcl::TComponent(AOwner)
{
    try {
        handles_.assign(static_cast<std::size_t>(cols_ + 1) * static_cast<std::size_t>(capacity_), 0);
        rowAttr_.assign(static_cast<std::size_t>(capacity_), 0);
        colAttr_.assign(static_cast<std::size_t>(cols_ + 1), 0);
        ResetOrder();
        ResetPool();
    } catch (const std::bad_alloc&) {
        throw EPYXDStructError("Class TStringArray: failed to initialize (out of memory)");
    }
}

void TStringArray::Changed()
{
    if (OnChange) OnChange(this);
}

void TStringArray::ResetOrder()
{
    order_.resize(static_cast<std::size_t>(rows_));
    std::iota(order_.begin(), order_.end(), 1);
}

void TStringArray::ResetPool()
{
    pages_.clear();
    pages_.emplace_back();
    pages_.back().bytes.assign(PageSize, 0);
    roomHint_ = 0;
}

bool TStringArray::OrderIsPermutation() const
{
    std::vector<bool> seen(static_cast<std::size_t>(rows_) + 1);
    for (int32_t p : order_) {
        if (p < 1 || p > rows_ || seen[static_cast<std::size_t>(p)]) return false;
        seen[static_cast<std::size_t>(p)] = true;
    }
    return true;
}

// ---------------------------------------------------------------------------
// The text pool

std::string_view TStringArray::TextOf(uint32_t h) const noexcept
{
    if (h == 0) return {};
    const std::size_t page = (h >> 16) - 1, off = (h & 0xFFFF) - 1;
    const uint8_t* p = pages_[page].bytes.data() + off;
    return {reinterpret_cast<const char*>(p + 1), p[0]};
}

std::string_view TStringArray::CellText(int32_t c, int32_t r) const noexcept
{
    if (c < 0 || c > cols_ || r < 1 || r > rows_) return {};
    return TextOf(HandleAt(c, order_[static_cast<std::size_t>(r - 1)]));
}

void TStringArray::StoreText(int32_t c, int32_t stored, std::string_view s)
{
    if (s.size() > 255) s = s.substr(0, 255);
    uint32_t& h = Handle(c, stored);
    if (s.empty()) {
        h = 0; // the old text stays behind as garbage
        return;
    }
    const auto len = static_cast<int32_t>(s.size());
    if (h != 0 && static_cast<int32_t>(TextOf(h).size()) >= len) {
        uint8_t* p = pages_[(h >> 16) - 1].bytes.data() + ((h & 0xFFFF) - 1);
        p[0] = static_cast<uint8_t>(len);
        std::memcpy(p + 1, s.data(), s.size());
        return;
    }
    // Append to the first page with room, starting at the first page that
    // might have room for any text.
    std::size_t page = roomHint_;
    while (page < pages_.size() && pages_[page].fill + len >= PageSize) ++page;
    if (page == pages_.size()) {
        if (pages_.size() >= kMaxPages) PoolFull();
        pages_.emplace_back();
        pages_.back().bytes.assign(PageSize, 0);
    }
    Page& pg = pages_[page];
    const int32_t off = pg.fill - 1;
    pg.bytes[static_cast<std::size_t>(off)] = static_cast<uint8_t>(len);
    std::memcpy(pg.bytes.data() + off + 1, s.data(), s.size());
    pg.fill += len + 1;
    h = (static_cast<uint32_t>(page + 1) << 16) | static_cast<uint32_t>(off + 1);
    while (roomHint_ < pages_.size() && pages_[roomHint_].fill + 255 >= PageSize) ++roomHint_;
}

void TStringArray::GarbageCollection()
{
    // Cells in visiting order (columns, then stored rows), grouped by page.
    std::vector<std::vector<uint32_t*>> byPage(pages_.size());
    for (int32_t c = 0; c <= cols_; ++c)
        for (int32_t r = 1; r <= rows_; ++r) {
            uint32_t& h = Handle(c, r);
            if (h != 0) byPage[(h >> 16) - 1].push_back(&h);
        }
    std::vector<uint8_t> fresh(PageSize);
    for (std::size_t p = 0; p < pages_.size(); ++p) {
        std::fill(fresh.begin(), fresh.end(), 0);
        int32_t fill = 1;
        for (uint32_t* h : byPage[p]) {
            std::string_view t = TextOf(*h);
            fresh[static_cast<std::size_t>(fill - 1)] = static_cast<uint8_t>(t.size());
            std::memcpy(fresh.data() + fill, t.data(), t.size());
            *h = (static_cast<uint32_t>(p + 1) << 16) | static_cast<uint32_t>(fill);
            fill += static_cast<int32_t>(t.size()) + 1;
        }
        pages_[p].bytes.swap(fresh);
        pages_[p].fill = fill;
    }
    roomHint_ = 0;
    while (roomHint_ < pages_.size() && pages_[roomHint_].fill + 255 >= PageSize) ++roomHint_;
}

// ---------------------------------------------------------------------------
// Cells

std::string TStringArray::GetString(int32_t c, int32_t r) const { return std::string(CellText(c, r)); }

void TStringArray::SetString(int32_t c, int32_t r, const std::string& s)
{
    if (c < 0 || c > cols_ || r < 1 || r > rows_) return;
    StoreText(c, order_[static_cast<std::size_t>(r - 1)], s);
    Changed();
}

vcl::Extended TStringArray::GetAsNumber(int32_t c, int32_t r) const
{
    const std::string_view raw = CellText(c, r);
    std::string s(Trim(raw));
    std::replace(s.begin(), s.end(), ',', '.');
    if (s.empty()) return 0;
    vcl::Extended v = 0;
    if (!ParseDecimal(s, v))
        throw EPYXDStructError("Class TStringArray: invalid numeric string: [" + std::to_string(c) + "," +
                               std::to_string(r) + "]: " + std::string(raw));
    return v;
}

// ---------------------------------------------------------------------------
// Sizes and rows

bool TStringArray::Reallocate(int32_t Cols, int32_t Rows)
{
    const int64_t cap = int64_t{allocRowsBy_} * ((int64_t{Rows} - 1) / allocRowsBy_ + 1);
    if (cap > std::numeric_limits<int32_t>::max()) return false;
    const uint64_t cells = static_cast<uint64_t>(Cols + 1) * static_cast<uint64_t>(cap);
    if (cells > std::numeric_limits<std::size_t>::max() / sizeof(uint32_t) / 2) return false;
    std::vector<uint32_t> h;
    std::vector<uint8_t> ra, ca;
    try {
        h.assign(static_cast<std::size_t>(cells), 0);
        ra.assign(static_cast<std::size_t>(cap), 0);
        ca.assign(static_cast<std::size_t>(Cols) + 1, 0);
        order_.reserve(static_cast<std::size_t>(Rows));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    const int32_t keepC = std::min(Cols, cols_), keepR = std::min(Rows, rows_);
    for (int32_t c = 0; c <= keepC; ++c)
        std::copy_n(handles_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(c) * static_cast<std::size_t>(capacity_)),
                    keepR, h.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(c) * static_cast<std::size_t>(cap)));
    std::copy_n(rowAttr_.begin(), keepR, ra.begin());
    std::copy_n(colAttr_.begin(), keepC + 1, ca.begin());
    handles_.swap(h);
    rowAttr_.swap(ra);
    colAttr_.swap(ca);
    capacity_ = static_cast<int32_t>(cap);
    return true;
}

bool TStringArray::Resize(int32_t Cols, int32_t Rows)
{
    if (Cols == cols_ && Rows == rows_) return true;
    if (Cols < 1 || Rows < 1) return false;
    if (Cols != cols_ || Rows > capacity_) {
        if (!Reallocate(Cols, Rows)) return false;
    } else {
        try {
            order_.reserve(static_cast<std::size_t>(Rows));
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    // Rows that leave are emptied; rows that come are empty.
    for (int32_t r = Rows + 1; r <= std::min(rows_, capacity_); ++r) {
        for (int32_t c = 0; c <= Cols; ++c) Handle(c, r) = 0;
        rowAttr_[static_cast<std::size_t>(r - 1)] = 0;
    }
    cols_ = Cols;
    rows_ = Rows;
    ResetOrder();
    Changed();
    return true;
}

int32_t TStringArray::AddRow()
{
    Resize(cols_, rows_ + 1);
    return rows_;
}

void TStringArray::InsertRow(int32_t r)
{
    if (r < 1 || r > rows_) return;
    if (!OrderIsPermutation()) ResetOrder();
    const int32_t p = order_[static_cast<std::size_t>(r - 1)];
    if (rows_ + 1 > capacity_) {
        if (!Reallocate(cols_, rows_ + 1)) throw EPYXDStructError(PYX_pyxbase::OutOfMemoryMessage(GetName()));
    }
    // Stored rows p..rows move down one place; the new row takes place p.
    for (int32_t c = 0; c <= cols_; ++c) {
        uint32_t* col = &Handle(c, 1);
        std::memmove(col + p, col + p - 1, static_cast<std::size_t>(rows_ - p + 1) * sizeof(uint32_t));
        col[p - 1] = 0;
    }
    std::memmove(rowAttr_.data() + p, rowAttr_.data() + p - 1, static_cast<std::size_t>(rows_ - p + 1));
    rowAttr_[static_cast<std::size_t>(p - 1)] = 0;
    for (int32_t& q : order_)
        if (q >= p) ++q;
    order_.insert(order_.begin() + (r - 1), p);
    ++rows_;
    Changed();
}

void TStringArray::RemoveRow(int32_t r)
{
    if (r < 1 || r > rows_) return;
    if (!OrderIsPermutation()) ResetOrder();
    const int32_t p = order_[static_cast<std::size_t>(r - 1)];
    if (rows_ == 1) {
        for (int32_t c = 0; c <= cols_; ++c) Handle(c, p) = 0;
        rowAttr_[static_cast<std::size_t>(p - 1)] = 0;
        Changed();
        return;
    }
    for (int32_t c = 0; c <= cols_; ++c) {
        uint32_t* col = &Handle(c, 1);
        std::memmove(col + p - 1, col + p, static_cast<std::size_t>(rows_ - p) * sizeof(uint32_t));
        col[rows_ - 1] = 0;
    }
    std::memmove(rowAttr_.data() + p - 1, rowAttr_.data() + p, static_cast<std::size_t>(rows_ - p));
    rowAttr_[static_cast<std::size_t>(rows_ - 1)] = 0;
    order_.erase(order_.begin() + (r - 1));
    for (int32_t& q : order_)
        if (q > p) --q;
    --rows_;
    Changed();
}

// Copies texts, so the two rows never share pool slots.
void TStringArray::CopyRow(int32_t Src, int32_t Dst)
{
    if (Src < 1 || Src > rows_ || Dst < 1 || Dst > rows_ || Src == Dst) return;
    const int32_t ps = order_[static_cast<std::size_t>(Src - 1)], pd = order_[static_cast<std::size_t>(Dst - 1)];
    if (ps == pd) return;
    std::string text;
    for (int32_t c = 0; c <= cols_; ++c) {
        text.assign(TextOf(Handle(c, ps)));
        StoreText(c, pd, text);
    }
    rowAttr_[static_cast<std::size_t>(pd - 1)] = rowAttr_[static_cast<std::size_t>(ps - 1)];
    Changed();
}

void TStringArray::Clear()
{
    std::fill(handles_.begin(), handles_.end(), 0);
    std::fill(rowAttr_.begin(), rowAttr_.end(), 0);
    std::fill(colAttr_.begin(), colAttr_.end(), 0);
    ResetOrder();
    ResetPool();
    Changed();
}

void TStringArray::Fill(const std::string& s)
{
    if (s.empty()) {
        Clear();
        return;
    }
    for (int32_t c = 0; c <= cols_; ++c)
        for (int32_t r = 1; r <= rows_; ++r) StoreText(c, r, s);
    Changed();
}

// ---------------------------------------------------------------------------
// Attributes and order

uint8_t TStringArray::GetRowAttrib(int32_t r) const noexcept
{
    if (r < 1 || r > rows_) return 0;
    const int32_t p = order_[static_cast<std::size_t>(r - 1)];
    return (p >= 1 && p <= rows_) ? rowAttr_[static_cast<std::size_t>(p - 1)] : 0;
}

void TStringArray::SetRowAttrib(int32_t r, uint8_t b)
{
    if (r < 1 || r > rows_) return;
    const int32_t p = order_[static_cast<std::size_t>(r - 1)];
    if (p < 1 || p > rows_) return;
    rowAttr_[static_cast<std::size_t>(p - 1)] = b;
    Changed();
}

uint8_t TStringArray::GetColAttrib(int32_t c) const noexcept
{
    return (c >= 1 && c <= cols_) ? colAttr_[static_cast<std::size_t>(c)] : 0;
}

void TStringArray::SetColAttrib(int32_t c, uint8_t b)
{
    if (c < 1 || c > cols_) return;
    colAttr_[static_cast<std::size_t>(c)] = b;
    Changed();
}

int32_t TStringArray::GetSortOrder(int32_t r) const noexcept
{
    return (r >= 1 && r <= rows_) ? order_[static_cast<std::size_t>(r - 1)] : -1;
}

void TStringArray::SetSortOrder(int32_t r, int32_t p) noexcept
{
    if (r >= 1 && r <= rows_ && p >= 1 && p <= rows_) order_[static_cast<std::size_t>(r - 1)] = p;
}

void TStringArray::UnSort()
{
    ResetOrder();
    Changed();
}

void TStringArray::CommitSorting()
{
    if (!OrderIsPermutation()) {
        ResetOrder();
        return;
    }
    std::vector<uint32_t> col(static_cast<std::size_t>(rows_));
    for (int32_t c = 0; c <= cols_; ++c) {
        for (int32_t i = 0; i < rows_; ++i) col[static_cast<std::size_t>(i)] = Handle(c, order_[static_cast<std::size_t>(i)]);
        std::copy(col.begin(), col.end(), &Handle(c, 1));
    }
    std::vector<uint8_t> attr(static_cast<std::size_t>(rows_));
    for (int32_t i = 0; i < rows_; ++i)
        attr[static_cast<std::size_t>(i)] = rowAttr_[static_cast<std::size_t>(order_[static_cast<std::size_t>(i)] - 1)];
    std::copy(attr.begin(), attr.end(), rowAttr_.begin());
    ResetOrder();
}

void TStringArray::BeforeSortExchange(const std::string& InString, std::string& OutString)
{
    OutString = InString;
    if (OnBeforeSortExchange) OnBeforeSortExchange(this, InString, OutString);
}

// Sorts the order, never the stored rows. Each cell's key is taken once (one
// OnBeforeSortExchange call, then lower case A..Z); the rows are then sorted
// stably on the keys in chunks that are merged, which lets progress be
// reported as it goes: 0 first, rising whole percentages, 100 last.
void TStringArray::Sort(int32_t Col, int32_t Col2, bool Ascending)
{
    int32_t lastPercent = -1;
    auto progress = [&](int64_t done, int64_t total) {
        int32_t pc = total <= 0 ? 100 : static_cast<int32_t>(done * 100 / total);
        pc = std::clamp(pc, 0, 100);
        if (pc <= lastPercent) return;
        lastPercent = pc;
        if (OnPercentDone) OnPercentDone(this, pc);
    };
    progress(0, 1);
    const int32_t n = rows_;
    if (n > 1) {
        const bool useCol2 = Col2 >= 1;
        // Keys of the logical rows, in one buffer.
        std::string buf;
        std::vector<std::size_t> off1(static_cast<std::size_t>(n) + 1), off2(useCol2 ? static_cast<std::size_t>(n) + 1 : 0);
        std::string in, out;
        auto addKey = [&](int32_t c, int32_t r) {
            std::string_view t = CellText(c, r);
            if (OnBeforeSortExchange) {
                in.assign(t);
                BeforeSortExchange(in, out);
                t = out;
            }
            const std::size_t start = buf.size();
            buf.append(t);
            for (std::size_t i = start; i < buf.size(); ++i)
                if (buf[i] >= 'A' && buf[i] <= 'Z') buf[i] = static_cast<char>(buf[i] + 32);
        };
        // Work units for progress: keys (n per column), chunk sorts (n), merges (n per level).
        const int32_t chunks = std::min<int32_t>(64, n);
        int levels = 0;
        for (int32_t w = 1; w < chunks; w *= 2) ++levels;
        const int64_t total = int64_t{n} * ((useCol2 ? 2 : 1) + 1 + levels);
        int64_t done = 0;
        const int32_t step = std::max<int32_t>(1, n / 50);
        for (int32_t r = 1; r <= n; ++r) {
            off1[static_cast<std::size_t>(r - 1)] = buf.size();
            addKey(Col, r);
            if (r % step == 0) progress(done + r, total);
        }
        off1[static_cast<std::size_t>(n)] = buf.size();
        done += n;
        if (useCol2) {
            for (int32_t r = 1; r <= n; ++r) {
                off2[static_cast<std::size_t>(r - 1)] = buf.size();
                addKey(Col2, r);
                if (r % step == 0) progress(done + r, total);
            }
            off2[static_cast<std::size_t>(n)] = buf.size();
            done += n;
        }
        auto key = [&](const std::vector<std::size_t>& off, int32_t i) {
            return std::string_view(buf.data() + off[static_cast<std::size_t>(i)],
                                    off[static_cast<std::size_t>(i) + 1] - off[static_cast<std::size_t>(i)]);
        };
        auto less = [&](int32_t a, int32_t b) {
            int cmp = key(off1, a).compare(key(off1, b));
            if (cmp == 0 && useCol2) cmp = key(off2, a).compare(key(off2, b));
            return Ascending ? cmp < 0 : cmp > 0;
        };
        std::vector<int32_t> idx(static_cast<std::size_t>(n));
        std::iota(idx.begin(), idx.end(), 0);
        std::vector<std::size_t> bounds;
        for (int32_t k = 0; k <= chunks; ++k) bounds.push_back(static_cast<std::size_t>(int64_t{n} * k / chunks));
        for (int32_t k = 0; k < chunks; ++k) {
            std::stable_sort(idx.begin() + static_cast<std::ptrdiff_t>(bounds[static_cast<std::size_t>(k)]),
                             idx.begin() + static_cast<std::ptrdiff_t>(bounds[static_cast<std::size_t>(k) + 1]), less);
            progress(done + static_cast<int64_t>(bounds[static_cast<std::size_t>(k) + 1]), total);
        }
        done += n;
        std::vector<int32_t> tmp(static_cast<std::size_t>(n));
        for (std::size_t width = 1; width < static_cast<std::size_t>(chunks); width *= 2) {
            for (std::size_t k = 0; k < static_cast<std::size_t>(chunks); k += 2 * width) {
                const std::size_t lo = bounds[k], mid = bounds[std::min<std::size_t>(k + width, chunks)],
                                  hi = bounds[std::min<std::size_t>(k + 2 * width, chunks)];
                std::merge(idx.begin() + static_cast<std::ptrdiff_t>(lo), idx.begin() + static_cast<std::ptrdiff_t>(mid),
                           idx.begin() + static_cast<std::ptrdiff_t>(mid), idx.begin() + static_cast<std::ptrdiff_t>(hi),
                           tmp.begin() + static_cast<std::ptrdiff_t>(lo), less);
                progress(done + static_cast<int64_t>(hi), total);
            }
            idx.swap(tmp);
            done += n;
        }
        std::vector<int32_t> fresh(static_cast<std::size_t>(n));
        for (int32_t i = 0; i < n; ++i)
            fresh[static_cast<std::size_t>(i)] = order_[static_cast<std::size_t>(idx[static_cast<std::size_t>(i)])];
        order_.swap(fresh);
        Changed();
    }
    progress(1, 1);
}

// ---------------------------------------------------------------------------
// Emptiness and searches

bool TStringArray::ColumnEmpty(int32_t c) const
{
    for (int32_t r = 1; r <= rows_; ++r)
        if (!OnlyBlanks(CellText(c, r))) return false;
    return true;
}

bool TStringArray::RowEmpty(int32_t r) const
{
    for (int32_t c = 1; c <= cols_; ++c)
        if (!OnlyBlanks(CellText(c, r))) return false;
    return true;
}

bool TStringArray::FindCellImpl(const std::string& s, bool MatchCase, bool Exact, int32_t ColLow, int32_t ColHigh,
                                int32_t RowLow, int32_t RowHigh, int32_t& Col, int32_t& Row) const
{
    if (ColLow == -1 || ColHigh == -1) {
        ColLow = 0;
        ColHigh = cols_;
    } else {
        ColLow = std::clamp(ColLow, 0, cols_);
        ColHigh = std::clamp(ColHigh, 0, cols_);
    }
    if (RowLow == -1 && RowHigh == -1) {
        RowLow = 1;
        RowHigh = rows_;
    } else {
        RowLow = std::clamp(RowLow, 1, rows_);
        RowHigh = std::clamp(RowHigh, 1, rows_);
    }
    if (ColLow > ColHigh) std::swap(ColLow, ColHigh);
    if (RowLow > RowHigh) std::swap(RowLow, RowHigh);
    const std::string needle = MatchCase ? s : AsciiLower(s);
    std::string low;
    for (int32_t r = RowLow; r <= RowHigh; ++r)
        for (int32_t c = ColLow; c <= ColHigh; ++c) {
            std::string_view t = CellText(c, r);
            if (!MatchCase) {
                low = AsciiLower(t);
                t = low;
            }
            if (Exact ? t == needle : t.find(needle) != std::string_view::npos) {
                Col = c;
                Row = r;
                return true;
            }
        }
    return false;
}

bool TStringArray::FindCell(const std::string& s, bool MatchCase, int32_t ColLow, int32_t ColHigh, int32_t RowLow,
                            int32_t RowHigh, int32_t& Col, int32_t& Row) const
{
    return FindCellImpl(s, MatchCase, false, ColLow, ColHigh, RowLow, RowHigh, Col, Row);
}

bool TStringArray::FindCellExact(const std::string& s, bool MatchCase, int32_t ColLow, int32_t ColHigh,
                                 int32_t RowLow, int32_t RowHigh, int32_t& Col, int32_t& Row) const
{
    return FindCellImpl(s, MatchCase, true, ColLow, ColHigh, RowLow, RowHigh, Col, Row);
}

bool TStringArray::FindCellInSortedColumn(const std::string& s, bool MatchCase, int32_t Col, int32_t RowLow,
                                          int32_t RowHigh, bool Ascending, int32_t& Row) const
{
    Col = std::clamp(Col, 0, cols_);
    if (RowLow == -1 && RowHigh == -1) {
        RowLow = 1;
        RowHigh = rows_;
    } else {
        RowLow = std::clamp(RowLow, 1, rows_);
        RowHigh = std::clamp(RowHigh, 1, rows_);
    }
    if (RowLow > RowHigh) std::swap(RowLow, RowHigh);
    const std::string needle = MatchCase ? s : AsciiLower(s);
    auto cell = [&](int32_t r) { return MatchCase ? std::string(CellText(Col, r)) : AsciiLower(CellText(Col, r)); };
    int32_t lo = RowLow, hi = RowHigh;
    while (lo <= hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        const int cmp = needle.compare(cell(mid));
        if (cmp == 0) {
            int32_t r = mid;
            while (r > RowLow && cell(r - 1) == needle) --r;
            Row = r;
            return true;
        }
        if (Ascending ? cmp < 0 : cmp > 0)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return false;
}

} // namespace PYX_dstruct
