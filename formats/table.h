#pragma once
// A table as the readers give it and the .xlsx writer takes it: rows of typed cells.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "formats/serial_dates.h"

namespace formats {

enum class CellKind { empty, text, number, date, percent };

struct Cell {
    CellKind kind = CellKind::empty;
    std::string text;  // text: UTF-8
    // number; date: the engine's days since 1899-12-30, fraction = time; percent: the fraction
    // (0.5 shows as 50.0%)
    double value = 0;
    // What a formula computed when the file was last saved, not what someone typed.
    bool formula = false;

    static Cell make_text(std::string t) { return {CellKind::text, std::move(t), 0, false}; }
    static Cell make_number(double v) { return {CellKind::number, {}, v, false}; }
    static Cell make_date(double days) { return {CellKind::date, {}, days, false}; }
    static Cell make_percent(double fraction) { return {CellKind::percent, {}, fraction, false}; }

    bool empty() const { return kind == CellKind::empty; }
    bool operator==(const Cell&) const = default;
};

using Row = std::vector<Cell>;

// Row i is the sheet's or file's row i + 1; a row may be shorter than others, and the cells
// past its end are empty.
struct Table {
    std::vector<Row> rows;
    // The date system a workbook's number cells count days in; text files hold no serials.
    DateSystem dates = DateSystem::from1900;

    const Cell& at(std::size_t row, std::size_t column) const;
    bool operator==(const Table&) const = default;
};

// Whether every cell of the row is empty.
bool row_is_empty(const Row& row);

}  // namespace formats
