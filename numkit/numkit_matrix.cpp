// TMatrix and TVector: plain containers of doubles addressed from 1.
#include <algorithm>
#include <new>

#include "numkit/numkit.h"

namespace numkit {

TMatrix::TMatrix(int32_t Cols, int32_t Rows) { Resize(Cols, Rows); }

bool TMatrix::Resize(int32_t Cols, int32_t Rows)
{
    if (Cols < 0 || Rows < 0) return false;
    if (int64_t(Cols) * int64_t(Rows) > MaxElements) return false;
    if (Cols == cols_ && Rows == rows_) return true;
    try {
        std::vector<double> fresh(static_cast<std::size_t>(Cols) * static_cast<std::size_t>(Rows), 0.0);
        const int32_t keepCols = std::min(Cols, cols_);
        const int32_t keepRows = std::min(Rows, rows_);
        for (int32_t c = 0; c < keepCols; ++c)
            std::copy_n(data_.begin() + std::ptrdiff_t(c) * rows_, keepRows,
                        fresh.begin() + std::ptrdiff_t(c) * Rows);
        data_.swap(fresh);
    } catch (const std::bad_alloc&) {
        return false;
    }
    cols_ = Cols;
    rows_ = Rows;
    return true;
}

double TMatrix::GetVal(int32_t Col, int32_t Row) const noexcept
{
    return Inside(Col, Row) ? data_[Index(Col, Row)] : 0.0;
}

void TMatrix::SetVal(int32_t Col, int32_t Row, double Value) noexcept
{
    if (Inside(Col, Row)) data_[Index(Col, Row)] = Value;
}

void TMatrix::Fill(double Value) noexcept { std::fill(data_.begin(), data_.end(), Value); }

void TMatrix::Clone(const TMatrix& Source)
{
    if (&Source != this) *this = Source;
}

TVector::TVector(int32_t Size) { SetVecSize(Size); }

bool TVector::SetVecSize(int32_t Size)
{
    if (Size < 0 || Size > TMatrix::MaxElements) return false;
    try {
        data_.resize(static_cast<std::size_t>(Size), 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

double TVector::GetVal(int32_t Index) const noexcept
{
    return (Index >= 1 && Index <= GetVecSize()) ? data_[static_cast<std::size_t>(Index - 1)] : 0.0;
}

void TVector::SetVal(int32_t Index, double Value) noexcept
{
    if (Index >= 1 && Index <= GetVecSize()) data_[static_cast<std::size_t>(Index - 1)] = Value;
}

void TVector::Fill(double Value) noexcept { std::fill(data_.begin(), data_.end(), Value); }

void TVector::Clone(const TVector& Source)
{
    if (&Source != this) *this = Source;
}

} // namespace numkit
