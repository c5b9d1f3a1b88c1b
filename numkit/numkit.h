// The numeric package: matrices and vectors, least-squares fits and simple
// statistics, principal components and the singular value decomposition, the
// data table behind the numeric table editor, and small numeric routines.
//
// Conventions of the whole package:
// - Indices count from 1. Matrices are addressed (column, row).
// - A read outside the valid range gives 0 (or an empty string); a write
//   outside it is ignored.
// - Computations that can fail (empty or degenerate data, singular systems,
//   NaN or infinite input) return false (or the failure value stated for the
//   routine) and leave their results at 0; they never throw for such input.
// - Nothing here keeps process-wide state except BRandom, which draws from the
//   shared generator vcl::Random.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Classes.h"

namespace numkit {

// ---------------------------------------------------------------------------
// TMatrix: a dense matrix of doubles, addressed (column, row) from 1.
class TMatrix {
public:
    TMatrix() = default;
    // A matrix of Cols x Rows zeros (an empty matrix when the size is refused).
    TMatrix(int32_t Cols, int32_t Rows);

    // Changes the size. Elements inside both the old and the new size keep their
    // values; new elements are 0. A size of 0 in either direction gives a
    // matrix without elements. Negative sizes, or more elements than MaxElements, are refused:
    // the result is false and the matrix is unchanged.
    bool Resize(int32_t Cols, int32_t Rows);

    int32_t GetNrOfColumns() const noexcept { return cols_; }
    int32_t GetNrOfRows() const noexcept { return rows_; }

    // Element (Col, Row); 0 outside the matrix.
    double GetVal(int32_t Col, int32_t Row) const noexcept;
    // Sets element (Col, Row); ignored outside the matrix.
    void SetVal(int32_t Col, int32_t Row, double Value) noexcept;

    // Sets every element to Value.
    void Fill(double Value) noexcept;
    // Makes this matrix an equal copy of Source (size and values).
    void Clone(const TMatrix& Source);

    // The largest number of elements a matrix may hold (2^28, 2 GiB of doubles).
    static constexpr int64_t MaxElements = int64_t(1) << 28;

    friend bool operator==(const TMatrix&, const TMatrix&) = default;

private:
    friend class TDataTable;
    std::size_t Index(int32_t Col, int32_t Row) const noexcept
    {
        return static_cast<std::size_t>(Col - 1) * static_cast<std::size_t>(rows_) + static_cast<std::size_t>(Row - 1);
    }
    bool Inside(int32_t Col, int32_t Row) const noexcept
    {
        return Col >= 1 && Col <= cols_ && Row >= 1 && Row <= rows_;
    }

    int32_t cols_ = 0;
    int32_t rows_ = 0;
    std::vector<double> data_; // column by column
};

// ---------------------------------------------------------------------------
// TVector: a vector of doubles, indexed from 1.
class TVector {
public:
    TVector() = default;
    explicit TVector(int32_t Size);

    // Changes the number of elements; existing elements keep their values, new
    // ones are 0. Negative sizes or more than TMatrix::MaxElements are refused
    // (false, unchanged).
    bool SetVecSize(int32_t Size);
    int32_t GetVecSize() const noexcept { return static_cast<int32_t>(data_.size()); }

    double GetVal(int32_t Index) const noexcept;           // 0 outside 1..size
    void SetVal(int32_t Index, double Value) noexcept;     // ignored outside 1..size
    void Fill(double Value) noexcept;
    void Clone(const TVector& Source);

    friend bool operator==(const TVector&, const TVector&) = default;

private:
    std::vector<double> data_;
};

// ---------------------------------------------------------------------------
// TCurveFit: a set of (x, y) points with least-squares fits and statistics.

// The seven statistics of CalcStatistics. Value(i) gives the i-th (1..7):
// 1 mean of x, 2 mean of y, 3 standard deviation of x, 4 standard deviation
// of y (both with n - 1 in the denominator; 0 for a single point),
// 5 correlation of x and y (0 when either deviation is 0),
// 6 root mean square of (y - x), 7 largest |y - x|.
// Statistics 6 and 7 compare the two coordinates directly: entering pairs of
// (wanted, obtained) values makes 6 the RMS residual and 7 the worst residual.
struct TStatistics {
    double MeanX = 0;
    double MeanY = 0;
    double StdDevX = 0;
    double StdDevY = 0;
    double Correlation = 0;
    double RmsDiff = 0;
    double MaxAbsDiff = 0;

    // Statistic i (1..7); 0 for other i.
    double Value(int32_t i) const noexcept;
};

class TCurveFit {
public:
    // Empties the point set.
    void Init() noexcept { x_.clear(); y_.clear(); }

    // Adds the point (x, y). A point with a NaN or infinite coordinate is not
    // stored and the result is false.
    bool EnterStatValue(double x, double y);

    int32_t GetNrOfPoints() const noexcept { return static_cast<int32_t>(x_.size()); }

    // Least-squares line y = k*x + d. FitQuality is the root mean square of the
    // residuals y - (k*x + d), in the unit of y (0 for a perfect fit).
    // Fails (false; k, d and FitQuality 0) with fewer than two distinct x values
    // or when the result is not finite.
    bool CalcLinFit(double& k, double& d, double& FitQuality) const;

    // Least-squares parabola y = k0 + k1*x + k2*x^2. FitQuality as for the line.
    // Fails (false; all results 0) with fewer than three distinct x values or
    // when the result is not finite.
    bool CalcParabolFit(double& k0, double& k1, double& k2, double& FitQuality) const;

    // Fills Stats (see TStatistics) and returns the number of points. An empty
    // set gives 0 and all statistics 0.
    int32_t CalcStatistics(TStatistics& Stats) const;

private:
    std::vector<double> x_;
    std::vector<double> y_;
};

// ---------------------------------------------------------------------------
// Principal components.
//
// CalcPrincComp analyses the block of Data from column FirstCol to LastCol and
// row FirstRow to LastRow: the columns are the variables, the rows the
// observations. Data is not modified. Modes:
//   1  covariance of the mean-centred columns, without scaling;
//   2  correlation: the centred columns are also scaled to unit variance
//      (fails when a column of the block is constant).
// The result is false (and the object holds no components) when the mode is
// unknown, the block lies outside Data, has fewer than two rows, more than
// MaxVariables columns, or holds a NaN or infinite value.
//
// The unit eigenvectors are ordered by falling eigenvalue. Their signs are
// fixed: each has its largest component (the first of equal ones) positive,
// except that, where this would make the matrix of eigenvectors a mirror
// (determinant -1), the vector with the smallest largest component (the last
// of equal ones) is reversed. The eigenvectors thus always form a proper
// rotation (determinant +1), and a vector along a coordinate axis keeps its
// sign: a flat structure given with a zero third column is turned within its
// plane and never mirrored.
class TPrincComp {
public:
    static constexpr int32_t MaxVariables = 1000;

    bool CalcPrincComp(const TMatrix& Data, int32_t FirstCol, int32_t LastCol, int32_t FirstRow,
                       int32_t LastRow, int32_t Mode);

    // The number of variables (columns of the block) of the last successful
    // analysis; 0 before one or after a failure.
    int32_t GetNrOfVariables() const noexcept { return n_; }
    // Component k of the i-th unit eigenvector (both 1..number of variables).
    double GetEigenResult(int32_t i, int32_t k) const noexcept;
    // The i-th eigenvalue (falling order): the variance along component i.
    double GetEigenValue(int32_t i) const noexcept;

private:
    int32_t n_ = 0;
    std::vector<double> vectors_; // vector i at [(i-1)*n_ .. i*n_)
    std::vector<double> values_;
};

// ---------------------------------------------------------------------------
// Singular value decomposition.
//
// A has m rows and n columns (TMatrix column count n, row count m); p is the
// smaller of m and n. CalcSVD writes A = U * diag(W) * V^T with U of p columns
// and m rows, W of p elements in falling order (all >= 0) and V of p columns
// and n rows; the columns of U and of V are orthonormal. The result is false
// (U, V and W emptied) for an empty matrix, a NaN or infinite element, or a
// matrix with more than MaxSVDElements elements.
inline constexpr int64_t MaxSVDElements = int64_t(1) << 22;
bool CalcSVD(const TMatrix& A, TMatrix& U, TVector& W, TMatrix& V);

// Least-squares solution of M * c = v by singular value decomposition:
// M has one row per equation and one column per unknown, v one element per
// row of M. c = V * diag(1/w) * U^T * v, where singular values w below
// RelCutoff times the largest are treated as zero (their 1/w is 0), which
// gives the smallest solution of a rank-deficient system.
// c is resized to the number of columns of M and holds the solution; Rank
// (when given) receives the number of singular values kept.
// Fails (false, c all 0) when the sizes do not match, M is empty or all zero,
// an element of M or v is NaN or infinite, or the solution is not finite.
bool SolveLeastSquaresSVD(const TMatrix& M, const TVector& v, TVector& c, double RelCutoff = 1e-14,
                          int32_t* Rank = nullptr);

// ---------------------------------------------------------------------------
// TDataTable: the numeric table behind the numeric table editor.
//
// Cells (column 1..NrOfColumns, row 1..NrOfRows) hold a double and a state
// byte. State bits: csNaN (the cell is not a valid number), csEmpty, bits 2-5
// for other invalid states, csMarkA and csMarkB. A cell is a number when
// neither csNaN nor csEmpty is set. Rows and columns have a name (at most
// MaxNameLength characters, longer names are cut) and an attribute byte.
// Columns also have a measurement scale type and, for category columns
// (mstNominal, mstOrdinal), nominal IDs: texts of at most MaxNomIDLength
// characters for the category numbers 1..MaxNomIDs.
//
// Insert, remove, mirror and sort move a row (column) with everything that
// belongs to it: values, states, name, attribute and, for columns, scale type
// and nominal IDs.
//
// Notifications (fired only when set, after the change is complete):
//   OnChange        values, states, names, attributes, comment or order changed;
//   OnChangeSetup   a scale type or nominal ID changed;
//   OnResize        the size changed (old and new column and row counts);
//                   fired before the OnChange of the same operation;
//   OnSortExchange  during a sort, once for each exchange of two rows
//                   (ExchgWhat 2) or columns (ExchgWhat 1) in the range first..last.
enum TCellState : uint8_t {
    csNaN = 0x01,
    csEmpty = 0x02,
    csMarkA = 0x40,
    csMarkB = 0x80,
};

enum TMScaleType : uint8_t { mstUndefined, mstNominal, mstOrdinal, mstInterval, mstRatio };
inline constexpr std::array<std::string_view, 5> MScaleTypeNames = {"undefined", "nominal", "ordinal",
                                                                     "interval", "ratio"};

// What a sort of rows or columns compares.
enum TSortKey : uint8_t {
    skValue,     // the values in one column (row sort) or one row (column sort); non-numbers last
    skName,      // the names, byte-wise in upper case (cp1252)
    skAttribute  // the attribute bytes
};

using TResizeEvent = std::function<void(vcl::TObject* Sender, int32_t OldCols, int32_t OldRows,
                                        int32_t NewCols, int32_t NewRows)>;

class TDataTable : public vcl::TComponent {
public:
    static constexpr int32_t MaxNameLength = 50;
    static constexpr int32_t MaxNomIDs = 25;
    static constexpr int32_t MaxNomIDLength = 10;

    // A new table has 1 column and 1 row holding 0.
    explicit TDataTable(vcl::TComponent* AOwner);

    // Copies everything but the notifications from another TDataTable.
    void Assign(const vcl::TPersistent* Source) override;

    // Size. Resize keeps the cells inside both sizes with their names,
    // attributes and column settings; new cells are 0 with state 0, new names
    // empty. Negative sizes or more than TMatrix::MaxElements cells are refused
    // (false, unchanged). 0 in either direction gives a table without cells.
    bool Resize(int32_t Cols, int32_t Rows);
    int32_t GetNrOfColumns() const noexcept { return data_.GetNrOfColumns(); }
    int32_t GetNrOfRows() const noexcept { return data_.GetNrOfRows(); }

    // Keeps the size; every value and state becomes 0, names and comment empty,
    // attributes 0, scale types mstUndefined, nominal IDs empty.
    void Clear();

    // Values. SetElem stores Value and keeps the state, except that a NaN or
    // infinite value also sets csNaN. Fill sets every value (states unchanged).
    double GetElem(int32_t Col, int32_t Row) const noexcept { return data_.GetVal(Col, Row); }
    void SetElem(int32_t Col, int32_t Row, double Value);
    void Fill(double Value);
    // The values as a matrix of the table's size.
    const TMatrix& GetMatrix() const noexcept { return data_; }

    // States.
    uint8_t GetCellState(int32_t Col, int32_t Row) const noexcept;
    void SetCellState(int32_t Col, int32_t Row, uint8_t State);
    bool GetIsNumber(int32_t Col, int32_t Row) const noexcept;
    // Clears csMarkA and csMarkB in every cell.
    void UnmarkAllCells();

    // Names and attributes.
    std::string GetColName(int32_t Col) const;
    void SetColName(int32_t Col, const std::string& Name);
    std::string GetRowName(int32_t Row) const;
    void SetRowName(int32_t Row, const std::string& Name);
    uint8_t GetColAttrib(int32_t Col) const noexcept;
    void SetColAttrib(int32_t Col, uint8_t Attrib);
    uint8_t GetRowAttrib(int32_t Row) const noexcept;
    void SetRowAttrib(int32_t Row, uint8_t Attrib);
    // The first column (row) whose name equals Name exactly; 0 when none does.
    int32_t FindColIndex(const std::string& Name) const noexcept;
    int32_t FindRowIndex(const std::string& Name) const noexcept;

    // Scale types. An invalid column reads as mstUndefined; a value outside
    // the enumeration is ignored.
    TMScaleType GetMScaleType(int32_t Col) const noexcept;
    void SetMScaleType(int32_t Col, TMScaleType Type);

    // Nominal IDs of a column, for Ordinal 1..MaxNomIDs.
    std::string GetNominalID(int32_t Col, int32_t Ordinal) const;
    void SetNominalID(int32_t Col, int32_t Ordinal, const std::string& ID);
    // The ordinal (1..MaxNomIDs) of the first nominal ID of the column equal
    // to ID, compared without regard to letter case (cp1252) when IgnoreCase;
    // 0 when none is, and for an empty ID.
    int32_t OrdinalOfNominalID(int32_t Col, const std::string& ID, bool IgnoreCase) const;

    // The free comment of the table.
    const std::string& GetFComment() const noexcept { return comment_; }
    void SetFComment(const std::string& Comment);

    // Structure. InsertRow (Row) for 1 <= Row <= NrOfRows + 1 inserts an empty
    // row (0, state 0, no name, attribute 0) before Row; RemoveRow (Row) for a
    // valid row deletes it. The same for columns (new columns are mstUndefined
    // without nominal IDs). False for invalid indices or a refused size.
    bool InsertRow(int32_t Row);
    bool RemoveRow(int32_t Row);
    bool InsertColumn(int32_t Col);
    bool RemoveColumn(int32_t Col);
    // Reverses the order of the rows (columns).
    void MirrorRows();
    void MirrorColumns();
    // Exchanges two rows (columns); false for invalid indices.
    bool ExchangeRows(int32_t Row1, int32_t Row2);
    bool ExchangeColumns(int32_t Col1, int32_t Col2);

    // Sorts the rows First..Last (clamped to the table) by Key: skValue
    // compares the values in column KeyCol (cells that are not numbers go last
    // in either direction), skName the row names, skAttribute the row
    // attributes. Equal keys keep their order. Every exchange of two rows fires
    // OnSortExchange (ExchgWhat 2). False when nothing can be sorted (fewer
    // than two rows in range, or an invalid KeyCol for skValue).
    bool SortRows(TSortKey Key, int32_t KeyCol, bool Ascending, int32_t First, int32_t Last);
    // The same for columns First..Last, keyed by the values in row KeyRow, the
    // column names or attributes (ExchgWhat 1).
    bool SortColumns(TSortKey Key, int32_t KeyRow, bool Ascending, int32_t First, int32_t Last);

    vcl::TNotifyEvent OnChange;
    vcl::TNotifyEvent OnChangeSetup;
    TResizeEvent OnResize;
    PYX_pyxbase::TSortExchgEvent OnSortExchange;

private:
    struct TLineInfo {
        std::string Name;
        uint8_t Attrib = 0;
        friend bool operator==(const TLineInfo&, const TLineInfo&) = default;
    };
    struct TColInfo : TLineInfo {
        TMScaleType ScaleType = mstUndefined;
        std::array<std::string, MaxNomIDs> NomIDs;
    };

    bool Rebuild(int32_t Cols, int32_t Rows, const std::function<int32_t(int32_t)>& ColFrom,
                 const std::function<int32_t(int32_t)>& RowFrom);
    void SwapRows(int32_t Row1, int32_t Row2) noexcept;
    void SwapColumns(int32_t Col1, int32_t Col2) noexcept;
    void Changed();
    void ChangedSetup();
    void Resized(int32_t OldCols, int32_t OldRows);
    bool SortLines(bool Columns, TSortKey Key, int32_t KeyIndex, bool Ascending, int32_t First, int32_t Last);

    TMatrix data_;
    std::vector<uint8_t> state_; // same layout as the matrix
    std::vector<TColInfo> cols_;
    std::vector<TLineInfo> rows_;
    std::string comment_;
};

// ---------------------------------------------------------------------------
// Small routines

// The largest integer not greater than x (also for negative x), saturated to
// the int32 range; NaN gives 0.
int32_t IntNeg(double x) noexcept;

// Reads a signed decimal integer from S at Pos (from 1): blanks are skipped
// (never past the last character), one "-" or "+" is accepted, then digits.
// Pos is left on the first character after the digits. The value saturates to
// the int32 range. Without a digit (or with Pos outside S) the result is 0 and
// Pos is unchanged.
int32_t ScanDecimal(const std::string& S, int32_t& Pos) noexcept;

// Reads an unsigned hexadecimal integer (digits of either case) from S at Pos:
// blanks are skipped, a "$" is skipped only when it is the first character of
// S. Saturates at 0xFFFFFFFF. Without a digit the result is 0 and Pos is
// unchanged.
uint32_t ScanHex(const std::string& S, int32_t& Pos) noexcept;

// Upper-case hexadecimal text of Value with at least Digits digits (zero
// padded; more when the value needs them; Digits is clamped to 1..16). Signed
// values are written as the bit pattern of their width: Hex(int32_t(-1), 2)
// is "FFFFFFFF".
std::string Hex(uint64_t Value, int32_t Digits);
std::string Hex(int64_t Value, int32_t Digits);
std::string Hex(uint32_t Value, int32_t Digits);
std::string Hex(int32_t Value, int32_t Digits);

// Text of an angle in degrees (Windows-1252): Decimals (clamped to 0..9)
// apply to the last field written.
//   dfDeg        48.20°          (degree sign 0xB0)
//   dfDegMin     48°12.0'        minutes two-digit zero-padded
//   dfDegMinSec  48°12'00.0"     minutes and seconds two-digit zero-padded
//   dfNumeric    48.20           plain decimal
// Rounding is half to even and carries into the higher fields (59.99999 with
// dfDegMin and 0 decimals gives 60°00'). A negative angle gets a leading "-"
// unless its text rounds to zero. NaN gives "NAN", infinities "+INF"/"-INF".
std::string DegreeToStr(double Value, PYX_pyxbase::TDegreeFormat Format, int32_t Decimals);

// Swaps the two values.
void ExChange(double& a, double& b) noexcept;
void ExChange(int32_t& a, int32_t& b) noexcept;

// True with probability p: vcl::Random() < p. Draws exactly one number from
// the shared generator on every call, so a seeded sequence is reproducible.
// p <= 0 (or NaN) is never true, p >= 1 always.
bool BRandom(double p) noexcept;

// Sorts the array in place, ascending when Ascending, else descending.
void SortArray(std::span<int32_t> Data, bool Ascending) noexcept;

// Inserts Value into Data, which is sorted (ascending when Ascending, else
// descending), at its place in the order; the last element drops out. With
// AfterEqual a value equal to elements already present goes behind them,
// otherwise before them. Returns the index (from 1) where Value now stands, or
// -1 when it belongs behind the last element (nothing changes), when Data is
// empty or when Value is NaN.
int32_t SortIntoArray(double Value, std::span<double> Data, bool Ascending, bool AfterEqual) noexcept;

// Inserts Value at Index (from 1) of Data, moving the elements from Index on
// one place back; the last element drops out. False (nothing changes) for an
// index outside 1..size.
bool InsertIntoArray(int32_t Value, int32_t Index, std::span<int32_t> Data) noexcept;

// The great-circle distance, in the unit of Radius, between two points given
// by latitude and longitude in degrees on a sphere of that radius. Accurate to
// rounding for near, far and antipodal points and across the date line.
// A negative radius or a NaN or infinite argument gives -1.
double SphereGreatCircleDist(double Radius, double Lat1, double Long1, double Lat2, double Long2) noexcept;

} // namespace numkit
