// The shape of a category's quantity table. The rows come from the
// category's list in meshaudit.h (MESHAUDIT_DEFINE_TABLE below); the category
// adds only its compute functions, and the context does the rest (gating,
// announcing, caching, storing, judging, counting steps) in one place.
#pragma once

#include "analysis/StepMemo.h"
#include "meshaudit.h"
#include "meshaudit.hpp"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace meshaudit {

class AnalysisContext;

// Every category at once, in order: the argument of RunCategory and
// CountSteps beside the four Category values.
inline constexpr uint32_t kAllCategories = 5;

// The kind of a result slot, which fixes its type and its not-computed mark.
enum class Slot : uint8_t {
    Count,   // u32 holding an i32 count or code; NOT_COMPUTED
    Real,    // double; -1.0
    Volume,  // double; the lowest finite double
    Flag,    // i8 tri-state; -1
};

// How a quantity is judged into its InRange byte.
enum class Criterion : uint8_t {
    Range,      // ValueRange, unsigned compare
    RealRange,  // DoubleRange; NaN is out of range
    Expected,   // u8 expected value against the i8 result
    None,       // never judged: InRange stays 0xFF
};

using CountFn = int32_t (*)(AnalysisContext&);
using RealFn = double (*)(AnalysisContext&);
using FlagFn = int8_t (*)(AnalysisContext&);

// The compute function of a row; which member is set follows the row's Slot
// (Count: count; Real and Volume: real; Flag: flag).
union ComputeFn {
    CountFn count;
    RealFn real;
    FlagFn flag;
};

struct QuantityRow {
    const char* label;          // announced before computing, exactly as shown
    uint8_t k;                  // index into Enable and InRange
    uint32_t gate;              // Enable indices (bit k) of which any equal to 1 opens the step
    Slot slot;
    uint16_t resultOffset;      // byte offset of the value in the results block
    Criterion criterion;
    uint16_t criterionOffset;   // byte offset of the criterion in the settings block
    bool countsAsStep;          // counted by the step total of the progress bar
    uint8_t reads;              // the StepMemo entries the step reads (MemoEntry bits)
    ComputeFn compute;
};

struct CategoryTable {
    Category category;
    const QuantityRow* rows;    // in visiting order
    size_t rowCount;
    uint16_t enableOffset;      // byte offset of Enable[0] in the settings block
    uint16_t inRangeOffset;     // byte offset of InRange[0] in the results block
};

constexpr uint32_t Gate(uint32_t k)
{
    return 1u << k;
}

// The list columns SLOT and CRIT as the table's kinds.
namespace list_kinds {
inline constexpr Slot SlotCOUNT = Slot::Count;
inline constexpr Slot SlotREAL = Slot::Real;
inline constexpr Slot SlotVOLUME = Slot::Volume;
inline constexpr Slot SlotFLAG = Slot::Flag;
inline constexpr Criterion CritRANGE = Criterion::Range;
inline constexpr Criterion CritREAL_RANGE = Criterion::RealRange;
inline constexpr Criterion CritEXPECTED = Criterion::Expected;
}  // namespace list_kinds

// A compute function that reads entries of the StepMemo, which earlier steps
// keep: Reads<MemoEntry::Area>(&f) in a category's table.
template <typename Fn>
struct Reading {
    Fn compute;
    uint8_t reads;
};

template <MemoEntry... entries, typename Fn>
constexpr Reading<Fn> Reads(Fn compute)
{
    return {compute, static_cast<uint8_t>((0u | ... | static_cast<unsigned>(entries)))};
}

// A table's step, plain or Reading: its compute function, and what it reads.
template <typename Fn> constexpr Fn ComputeOfStep(Fn compute) { return compute; }
template <typename Fn> constexpr Fn ComputeOfStep(Reading<Fn> step) { return step.compute; }
template <typename Fn> constexpr uint8_t ReadsOfStep(Fn) { return 0; }
template <typename Fn> constexpr uint8_t ReadsOfStep(Reading<Fn> step) { return step.reads; }

template <Slot> struct ComputeOf;
template <> struct ComputeOf<Slot::Count> { static constexpr ComputeFn Make(CountFn f) { return {.count = f}; } };
template <> struct ComputeOf<Slot::Real> { static constexpr ComputeFn Make(RealFn f) { return {.real = f}; } };
template <> struct ComputeOf<Slot::Volume> { static constexpr ComputeFn Make(RealFn f) { return {.real = f}; } };
template <> struct ComputeOf<Slot::Flag> { static constexpr ComputeFn Make(FlagFn f) { return {.flag = f}; } };

// One row of a list. A compute function whose type does not fit the slot
// does not compile. An unjudged quantity is no step of the progress bar.
#define MESHAUDIT_TABLE_ROW(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    QuantityRow{label,                                                                           \
                k,                                                                               \
                (gate) != 0 ? static_cast<uint32_t>(gate) : Gate(k),                             \
                list_kinds::Slot##SLOT,                                                             \
                offsetof(Results, name),                                                         \
                (judged) != 0 ? list_kinds::Crit##CRIT : Criterion::None,                           \
                (judged) != 0 ? static_cast<uint16_t>(offsetof(Settings, field)) : uint16_t{0},  \
                (judged) != 0,                                                                   \
                ReadsOfStep(steps::name),                                                        \
                ComputeOf<list_kinds::Slot##SLOT>::Make(ComputeOfStep(steps::name))},

// Defines `const CategoryTable& function()` from a category's list; the
// compute function of quantity `name` is `stepsNamespace::name`, plain or
// made with Reads.
#define MESHAUDIT_DEFINE_TABLE(function, LIST, categoryValue, SettingsType, ResultsType, stepsNamespace) \
    const CategoryTable& function()                                                                   \
    {                                                                                                 \
        using Settings = SettingsType;                                                                \
        using Results = ResultsType;                                                                  \
        namespace steps = stepsNamespace;                                                             \
        static constexpr QuantityRow rows[] = {LIST(MESHAUDIT_TABLE_ROW)};                            \
        static constexpr CategoryTable table{categoryValue, rows, std::size(rows),                    \
                                             offsetof(Settings, Enable), offsetof(Results, InRange)}; \
        return table;                                                                                 \
    }

// The four tables, each defined beside its category's analyses.
const CategoryTable& PointTable();
const CategoryTable& EdgeTable();
const CategoryTable& TriangleTable();
const CategoryTable& MeshTable();

}  // namespace meshaudit
