// TDataTable: cells with states, named and attributed rows and columns, column
// scale types and nominal IDs, structural edits and sorting.
#include <algorithm>
#include <cmath>
#include <new>
#include <numeric>

#include "numkit/numkit.h"

namespace numkit {

namespace {

std::string Cut(const std::string& s, int32_t max)
{
    return s.size() > static_cast<std::size_t>(max) ? s.substr(0, static_cast<std::size_t>(max)) : s;
}

} // namespace

TDataTable::TDataTable(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) { Resize(1, 1); }

void TDataTable::Assign(const vcl::TPersistent* Source)
{
    const auto* src = dynamic_cast<const TDataTable*>(Source);
    if (!src) {
        vcl::TComponent::Assign(Source);
        return;
    }
    if (src == this) return;
    const int32_t oldCols = GetNrOfColumns(), oldRows = GetNrOfRows();
    // Copy into temporaries first, so that a failed allocation leaves this
    // table as it was.
    TMatrix data = src->data_;
    std::vector<uint8_t> state = src->state_;
    std::vector<TColInfo> cols = src->cols_;
    std::vector<TLineInfo> rows = src->rows_;
    std::string comment = src->comment_;
    data_ = std::move(data);
    state_ = std::move(state);
    cols_ = std::move(cols);
    rows_ = std::move(rows);
    comment_ = std::move(comment);
    Resized(oldCols, oldRows);
    Changed();
    ChangedSetup();
}

// Builds the table anew with Cols x Rows cells; new column c takes old column
// ColFrom(c) (0 for a fresh one), new row r old row RowFrom(r).
bool TDataTable::Rebuild(int32_t Cols, int32_t Rows, const std::function<int32_t(int32_t)>& ColFrom,
                         const std::function<int32_t(int32_t)>& RowFrom)
{
    if (Cols < 0 || Rows < 0 || int64_t(Cols) * int64_t(Rows) > TMatrix::MaxElements) return false;
    try {
        TMatrix data;
        if (!data.Resize(Cols, Rows)) return false;
        std::vector<uint8_t> state(static_cast<std::size_t>(Cols) * static_cast<std::size_t>(Rows), 0);
        std::vector<TColInfo> cols(static_cast<std::size_t>(Cols));
        std::vector<TLineInfo> rows(static_cast<std::size_t>(Rows));
        std::vector<int32_t> rowFrom(static_cast<std::size_t>(Rows));
        for (int32_t r = 1; r <= Rows; ++r) {
            rowFrom[static_cast<std::size_t>(r - 1)] = RowFrom(r);
            if (const int32_t o = RowFrom(r); o > 0) rows[static_cast<std::size_t>(r - 1)] = rows_[static_cast<std::size_t>(o - 1)];
        }
        for (int32_t c = 1; c <= Cols; ++c) {
            const int32_t oc = ColFrom(c);
            if (oc <= 0) continue;
            cols[static_cast<std::size_t>(c - 1)] = cols_[static_cast<std::size_t>(oc - 1)];
            for (int32_t r = 1; r <= Rows; ++r) {
                const int32_t orow = rowFrom[static_cast<std::size_t>(r - 1)];
                if (orow <= 0) continue;
                data.data_[data.Index(c, r)] = data_.data_[data_.Index(oc, orow)];
                state[data.Index(c, r)] = state_[data_.Index(oc, orow)];
            }
        }
        data_ = std::move(data);
        state_ = std::move(state);
        cols_ = std::move(cols);
        rows_ = std::move(rows);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void TDataTable::Changed()
{
    if (OnChange) OnChange(this);
}

void TDataTable::ChangedSetup()
{
    if (OnChangeSetup) OnChangeSetup(this);
}

void TDataTable::Resized(int32_t OldCols, int32_t OldRows)
{
    if ((OldCols != GetNrOfColumns() || OldRows != GetNrOfRows()) && OnResize)
        OnResize(this, OldCols, OldRows, GetNrOfColumns(), GetNrOfRows());
}

bool TDataTable::Resize(int32_t Cols, int32_t Rows)
{
    const int32_t oldCols = GetNrOfColumns(), oldRows = GetNrOfRows();
    if (Cols == oldCols && Rows == oldRows && Cols >= 0) return true;
    auto keep = [](int32_t old) { return [old](int32_t i) { return i <= old ? i : 0; }; };
    if (!Rebuild(Cols, Rows, keep(oldCols), keep(oldRows))) return false;
    Resized(oldCols, oldRows);
    Changed();
    return true;
}

void TDataTable::Clear()
{
    data_.Fill(0);
    std::fill(state_.begin(), state_.end(), uint8_t(0));
    for (auto& c : cols_) c = TColInfo();
    for (auto& r : rows_) r = TLineInfo();
    comment_.clear();
    Changed();
    ChangedSetup();
}

void TDataTable::SetElem(int32_t Col, int32_t Row, double Value)
{
    if (!data_.Inside(Col, Row)) return;
    const std::size_t i = data_.Index(Col, Row);
    const uint8_t newState = std::isfinite(Value) ? state_[i] : uint8_t(state_[i] | csNaN);
    if (data_.data_[i] == Value && state_[i] == newState) return;
    data_.data_[i] = Value;
    state_[i] = newState;
    Changed();
}

void TDataTable::Fill(double Value)
{
    data_.Fill(Value);
    if (!std::isfinite(Value))
        for (auto& s : state_) s |= csNaN;
    Changed();
}

uint8_t TDataTable::GetCellState(int32_t Col, int32_t Row) const noexcept
{
    return data_.Inside(Col, Row) ? state_[data_.Index(Col, Row)] : uint8_t(0);
}

void TDataTable::SetCellState(int32_t Col, int32_t Row, uint8_t State)
{
    if (!data_.Inside(Col, Row)) return;
    uint8_t& s = state_[data_.Index(Col, Row)];
    if (s == State) return;
    s = State;
    Changed();
}

bool TDataTable::GetIsNumber(int32_t Col, int32_t Row) const noexcept
{
    return data_.Inside(Col, Row) && (state_[data_.Index(Col, Row)] & (csNaN | csEmpty)) == 0;
}

void TDataTable::UnmarkAllCells()
{
    bool any = false;
    for (auto& s : state_) {
        if (s & (csMarkA | csMarkB)) any = true;
        s &= static_cast<uint8_t>(~(csMarkA | csMarkB));
    }
    if (any) Changed();
}

std::string TDataTable::GetColName(int32_t Col) const
{
    return (Col >= 1 && Col <= GetNrOfColumns()) ? cols_[static_cast<std::size_t>(Col - 1)].Name : std::string();
}

void TDataTable::SetColName(int32_t Col, const std::string& Name)
{
    if (Col < 1 || Col > GetNrOfColumns()) return;
    std::string& n = cols_[static_cast<std::size_t>(Col - 1)].Name;
    const std::string cut = Cut(Name, MaxNameLength);
    if (n == cut) return;
    n = cut;
    Changed();
}

std::string TDataTable::GetRowName(int32_t Row) const
{
    return (Row >= 1 && Row <= GetNrOfRows()) ? rows_[static_cast<std::size_t>(Row - 1)].Name : std::string();
}

void TDataTable::SetRowName(int32_t Row, const std::string& Name)
{
    if (Row < 1 || Row > GetNrOfRows()) return;
    std::string& n = rows_[static_cast<std::size_t>(Row - 1)].Name;
    const std::string cut = Cut(Name, MaxNameLength);
    if (n == cut) return;
    n = cut;
    Changed();
}

uint8_t TDataTable::GetColAttrib(int32_t Col) const noexcept
{
    return (Col >= 1 && Col <= GetNrOfColumns()) ? cols_[static_cast<std::size_t>(Col - 1)].Attrib : uint8_t(0);
}

void TDataTable::SetColAttrib(int32_t Col, uint8_t Attrib)
{
    if (Col < 1 || Col > GetNrOfColumns() || cols_[static_cast<std::size_t>(Col - 1)].Attrib == Attrib) return;
    cols_[static_cast<std::size_t>(Col - 1)].Attrib = Attrib;
    Changed();
}

uint8_t TDataTable::GetRowAttrib(int32_t Row) const noexcept
{
    return (Row >= 1 && Row <= GetNrOfRows()) ? rows_[static_cast<std::size_t>(Row - 1)].Attrib : uint8_t(0);
}

void TDataTable::SetRowAttrib(int32_t Row, uint8_t Attrib)
{
    if (Row < 1 || Row > GetNrOfRows() || rows_[static_cast<std::size_t>(Row - 1)].Attrib == Attrib) return;
    rows_[static_cast<std::size_t>(Row - 1)].Attrib = Attrib;
    Changed();
}

int32_t TDataTable::FindColIndex(const std::string& Name) const noexcept
{
    for (std::size_t i = 0; i < cols_.size(); ++i)
        if (cols_[i].Name == Name) return static_cast<int32_t>(i + 1);
    return 0;
}

int32_t TDataTable::FindRowIndex(const std::string& Name) const noexcept
{
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].Name == Name) return static_cast<int32_t>(i + 1);
    return 0;
}

TMScaleType TDataTable::GetMScaleType(int32_t Col) const noexcept
{
    return (Col >= 1 && Col <= GetNrOfColumns()) ? cols_[static_cast<std::size_t>(Col - 1)].ScaleType : mstUndefined;
}

void TDataTable::SetMScaleType(int32_t Col, TMScaleType Type)
{
    if (Col < 1 || Col > GetNrOfColumns() || Type > mstRatio) return;
    TMScaleType& t = cols_[static_cast<std::size_t>(Col - 1)].ScaleType;
    if (t == Type) return;
    t = Type;
    ChangedSetup();
}

std::string TDataTable::GetNominalID(int32_t Col, int32_t Ordinal) const
{
    if (Col < 1 || Col > GetNrOfColumns() || Ordinal < 1 || Ordinal > MaxNomIDs) return std::string();
    return cols_[static_cast<std::size_t>(Col - 1)].NomIDs[static_cast<std::size_t>(Ordinal - 1)];
}

void TDataTable::SetNominalID(int32_t Col, int32_t Ordinal, const std::string& ID)
{
    if (Col < 1 || Col > GetNrOfColumns() || Ordinal < 1 || Ordinal > MaxNomIDs) return;
    std::string& id = cols_[static_cast<std::size_t>(Col - 1)].NomIDs[static_cast<std::size_t>(Ordinal - 1)];
    const std::string cut = Cut(ID, MaxNomIDLength);
    if (id == cut) return;
    id = cut;
    ChangedSetup();
}

int32_t TDataTable::OrdinalOfNominalID(int32_t Col, const std::string& ID, bool IgnoreCase) const
{
    if (Col < 1 || Col > GetNrOfColumns() || ID.empty()) return 0;
    const auto& ids = cols_[static_cast<std::size_t>(Col - 1)].NomIDs;
    const std::string key = IgnoreCase ? vcl::AnsiUpperCase(ID) : ID;
    for (std::size_t i = 0; i < ids.size(); ++i)
        if ((IgnoreCase ? vcl::AnsiUpperCase(ids[i]) : ids[i]) == key) return static_cast<int32_t>(i + 1);
    return 0;
}

void TDataTable::SetFComment(const std::string& Comment)
{
    if (comment_ == Comment) return;
    comment_ = Comment;
    Changed();
}

bool TDataTable::InsertRow(int32_t Row)
{
    const int32_t cols = GetNrOfColumns(), rows = GetNrOfRows();
    if (Row < 1 || Row > rows + 1) return false;
    if (!Rebuild(cols, rows + 1, [](int32_t c) { return c; },
                 [Row](int32_t r) { return r < Row ? r : (r == Row ? 0 : r - 1); }))
        return false;
    Resized(cols, rows);
    Changed();
    return true;
}

bool TDataTable::RemoveRow(int32_t Row)
{
    const int32_t cols = GetNrOfColumns(), rows = GetNrOfRows();
    if (Row < 1 || Row > rows) return false;
    if (!Rebuild(cols, rows - 1, [](int32_t c) { return c; }, [Row](int32_t r) { return r < Row ? r : r + 1; }))
        return false;
    Resized(cols, rows);
    Changed();
    return true;
}

bool TDataTable::InsertColumn(int32_t Col)
{
    const int32_t cols = GetNrOfColumns(), rows = GetNrOfRows();
    if (Col < 1 || Col > cols + 1) return false;
    if (!Rebuild(cols + 1, rows, [Col](int32_t c) { return c < Col ? c : (c == Col ? 0 : c - 1); },
                 [](int32_t r) { return r; }))
        return false;
    Resized(cols, rows);
    Changed();
    return true;
}

bool TDataTable::RemoveColumn(int32_t Col)
{
    const int32_t cols = GetNrOfColumns(), rows = GetNrOfRows();
    if (Col < 1 || Col > cols) return false;
    if (!Rebuild(cols - 1, rows, [Col](int32_t c) { return c < Col ? c : c + 1; }, [](int32_t r) { return r; }))
        return false;
    Resized(cols, rows);
    Changed();
    return true;
}

void TDataTable::SwapRows(int32_t Row1, int32_t Row2) noexcept
{
    for (int32_t c = 1; c <= GetNrOfColumns(); ++c) {
        std::swap(data_.data_[data_.Index(c, Row1)], data_.data_[data_.Index(c, Row2)]);
        std::swap(state_[data_.Index(c, Row1)], state_[data_.Index(c, Row2)]);
    }
    std::swap(rows_[static_cast<std::size_t>(Row1 - 1)], rows_[static_cast<std::size_t>(Row2 - 1)]);
}

void TDataTable::SwapColumns(int32_t Col1, int32_t Col2) noexcept
{
    const int32_t rows = GetNrOfRows();
    if (rows > 0) {
        const auto a = static_cast<std::ptrdiff_t>(data_.Index(Col1, 1));
        const auto b = static_cast<std::ptrdiff_t>(data_.Index(Col2, 1));
        std::swap_ranges(data_.data_.begin() + a, data_.data_.begin() + a + rows, data_.data_.begin() + b);
        std::swap_ranges(state_.begin() + a, state_.begin() + a + rows, state_.begin() + b);
    }
    std::swap(cols_[static_cast<std::size_t>(Col1 - 1)], cols_[static_cast<std::size_t>(Col2 - 1)]);
}

bool TDataTable::ExchangeRows(int32_t Row1, int32_t Row2)
{
    const int32_t rows = GetNrOfRows();
    if (Row1 < 1 || Row1 > rows || Row2 < 1 || Row2 > rows) return false;
    if (Row1 == Row2) return true;
    SwapRows(Row1, Row2);
    Changed();
    return true;
}

bool TDataTable::ExchangeColumns(int32_t Col1, int32_t Col2)
{
    const int32_t cols = GetNrOfColumns();
    if (Col1 < 1 || Col1 > cols || Col2 < 1 || Col2 > cols) return false;
    if (Col1 == Col2) return true;
    SwapColumns(Col1, Col2);
    Changed();
    return true;
}

void TDataTable::MirrorRows()
{
    const int32_t rows = GetNrOfRows();
    if (rows < 2) return;
    for (int32_t r = 1; r <= rows / 2; ++r) SwapRows(r, rows + 1 - r);
    Changed();
}

void TDataTable::MirrorColumns()
{
    const int32_t cols = GetNrOfColumns();
    if (cols < 2) return;
    for (int32_t c = 1; c <= cols / 2; ++c) SwapColumns(c, cols + 1 - c);
    Changed();
}

bool TDataTable::SortRows(TSortKey Key, int32_t KeyCol, bool Ascending, int32_t First, int32_t Last)
{
    return SortLines(false, Key, KeyCol, Ascending, First, Last);
}

bool TDataTable::SortColumns(TSortKey Key, int32_t KeyRow, bool Ascending, int32_t First, int32_t Last)
{
    return SortLines(true, Key, KeyRow, Ascending, First, Last);
}

bool TDataTable::SortLines(bool Columns, TSortKey Key, int32_t KeyIndex, bool Ascending, int32_t First, int32_t Last)
{
    const int32_t count = Columns ? GetNrOfColumns() : GetNrOfRows();
    First = std::max(First, 1);
    Last = std::min(Last, count);
    if (Last - First < 1) return false;
    if (Key == skValue && (KeyIndex < 1 || KeyIndex > (Columns ? GetNrOfRows() : GetNrOfColumns()))) return false;
    if (Key > skAttribute) return false;

    const auto len = static_cast<std::size_t>(Last - First + 1);
    struct TKey {
        bool number = false;
        double value = 0;
        std::string text;
    };
    std::vector<TKey> keys(len);
    for (std::size_t i = 0; i < len; ++i) {
        const int32_t line = First + static_cast<int32_t>(i);
        TKey& k = keys[i];
        switch (Key) {
        case skValue: {
            const int32_t c = Columns ? line : KeyIndex, r = Columns ? KeyIndex : line;
            k.value = GetElem(c, r);
            k.number = GetIsNumber(c, r) && std::isfinite(k.value);
            break;
        }
        case skName:
            k.text = vcl::AnsiUpperCase(Columns ? GetColName(line) : GetRowName(line));
            break;
        case skAttribute:
            k.value = Columns ? GetColAttrib(line) : GetRowAttrib(line);
            k.number = true;
            break;
        }
    }
    // Numbers before non-numbers in either direction; equal keys keep their order.
    auto before = [&](std::size_t a, std::size_t b) {
        const TKey &ka = keys[a], &kb = keys[b];
        if (Key == skName) return Ascending ? ka.text < kb.text : kb.text < ka.text;
        if (ka.number != kb.number) return ka.number;
        if (!ka.number) return false;
        return Ascending ? ka.value < kb.value : kb.value < ka.value;
    };
    std::vector<std::size_t> order(len);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), before);

    // Carry out the order as a sequence of exchanges, each announced, so that
    // a listener can keep data of its own aligned with the lines.
    std::vector<std::size_t> at(len), pos(len);
    std::iota(at.begin(), at.end(), std::size_t(0));
    std::iota(pos.begin(), pos.end(), std::size_t(0));
    bool moved = false;
    for (std::size_t j = 0; j < len; ++j) {
        const std::size_t src = pos[order[j]];
        if (src == j) continue;
        const int32_t a = First + static_cast<int32_t>(j), b = First + static_cast<int32_t>(src);
        if (Columns)
            SwapColumns(a, b);
        else
            SwapRows(a, b);
        if (OnSortExchange) OnSortExchange(this, Columns ? 1 : 2, a, b, First, Last);
        std::swap(at[j], at[src]);
        pos[at[j]] = j;
        pos[at[src]] = src;
        moved = true;
    }
    if (moved) Changed();
    return true;
}

} // namespace numkit

