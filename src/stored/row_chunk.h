#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A bounded run of stored rows copied out of the database, each row its
// _time and 19 values. A reader fills one, lets the database go, and hands
// the rows out from memory: however slowly they are used, the database is
// held only while the copy is made.
class RowChunk
{
public:
    static constexpr int kColumns = 20; // _time then the values

    void clear();
    // Starts a row; its kColumns cells follow in column order.
    void addRow() { ++m_rows; }
    void addNull();
    void addInteger(int64_t value);
    void addReal(double value);
    // A text cell; `number` is what the database reads it as.
    void addText(const char *text, size_t size, double number);

    size_t rows() const { return m_rows; }
    bool isNull(size_t row, int column) const { return cell(row, column).type == Type::Null; }
    double number(size_t row, int column) const { return cell(row, column).number; }
    // The cell as text: "" when it is not a text.
    const char *text(size_t row, int column, size_t *size) const;
    // The cell as the CSV writes it: an integer as it is, a real as its
    // shortest exact text, a text as a CSV field, a missing value empty.
    void appendCsv(std::string &line, size_t row, int column) const;

private:
    enum class Type : uint8_t { Null, Integer, Real, Text };
    struct Cell
    {
        Type type = Type::Null;
        uint32_t size = 0;     // of a text
        int64_t integer = 0;   // an integer, or a text's offset in m_texts
        double number = 0;
    };
    const Cell &cell(size_t row, int column) const { return m_cells[row * kColumns + size_t(column)]; }

    std::vector<Cell> m_cells;
    std::string m_texts;
    size_t m_rows = 0;
};
